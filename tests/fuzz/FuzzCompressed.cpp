// Fuzz target: a compressed string decoded loudly and quietly, which must agree; the same bytes
// as plain text must survive compression.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "CompressedStrings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string quiet = DecompressString(bytes, true);
  try {
    const std::string loud = DecompressString(bytes, false);
    if (loud != quiet) __builtin_trap();
  } catch (const ECompressedString&) {
    if (!quiet.empty()) __builtin_trap();
  }
  if (DecompressString(CompressString(bytes), false) != bytes) __builtin_trap();
  return 0;
}
