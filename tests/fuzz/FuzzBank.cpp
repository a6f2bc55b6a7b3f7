// Fuzz target: examtool import of any bytes as one bank format (BANK_FORMAT, one target each).
// A bank taken must give a source make parses and picture names that stay in their folder; a
// refused one says why.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "BankImport.h"
#include "FuzzGuiApp.h"
#include "TestSource.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  StartHeadlessGui((*argv)[0]);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBankImportOptions options;
  options.Format = TBankFormat::BANK_FORMAT;
  options.BankName = "bank";
  options.ImagesFolder = "bank-images";
  const TBankImport imported =
      ImportBank(std::string_view(reinterpret_cast<const char*>(data), size), options);
  if (!imported.Ok) {
    if (imported.Error.empty() || !imported.Source.empty()) __builtin_trap();
    return 0;
  }
  if (imported.Questions <= 0 || imported.Format != TBankFormat::BANK_FORMAT) __builtin_trap();
  std::vector<TSourceError> errors;
  ParseTestSource(imported.Source, errors);
  if (!errors.empty()) __builtin_trap();
  for (const auto& p : imported.Pictures) {
    if (p.File.empty() || p.File[0] == '.' || p.File.find_first_of("/\\") != std::string::npos ||
        p.Bytes.size() > kMaxPictureBytes) {
      __builtin_trap();
    }
  }
  return 0;
}
