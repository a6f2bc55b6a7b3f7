// examtool import: a question bank (Moodle XML, GIFT or Aiken) turned into a test source.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BankImport.h"
#include "ExamTool.h"
#include "FileHelpers.h"

namespace fs = std::filesystem;

namespace {

const char kHelp[] =
    "usage: examtool import BANK -o SOURCE.md [--format xml|gift|aiken] [--minutes-per-question "
    "N]\n"
    "\n"
    "Writes the multiple-choice questions of a question bank as a test source for 'examtool "
    "make',\n"
    "with the bank's pictures in the folder SOURCE-images beside it. Each category becomes a "
    "topic\n"
    "whose weight is the sum of its questions' marks, so the test grades as the bank does. Other\n"
    "questions are named on stderr as they are skipped. The format is told from the file (an XML\n"
    "<quiz>, Aiken's ANSWER: lines, else GIFT). See docs/test-source.md.\n"
    "\n"
    "  -o SOURCE.md               the source to write (an existing one is replaced only on "
    "success)\n"
    "  --format xml|gift|aiken    read the bank in this format\n"
    "  --minutes-per-question N   minutes each question adds to the time limit (default 1)\n";

}  // namespace

int RunImport(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s", kHelp);
    return kExitOk;
  }
  std::string bank, output;
  TBankImportOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--format" || a == "--minutes-per-question") {
      if (i + 1 == args.size()) return UsageError("import", a + " needs a value");
      const std::string& value = args[++i];
      if (a == "-o") {
        output = value;
      } else if (a == "--format") {
        if (value == "xml")
          options.Format = TBankFormat::MoodleXml;
        else if (value == "gift")
          options.Format = TBankFormat::Gift;
        else if (value == "aiken")
          options.Format = TBankFormat::Aiken;
        else
          return UsageError("import", "--format is xml, gift or aiken, not '" + value + "'");
      } else {
        int n = -1;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (ec != std::errc() || end != value.data() + value.size() || n < 0 || n > 1000) {
          return UsageError("import", "--minutes-per-question needs a whole number from 0 to 1000");
        }
        options.MinutesPerQuestion = n;
      }
    } else if (a.rfind("-", 0) == 0) {
      return UsageError("import", "unknown option '" + a + "'");
    } else if (bank.empty()) {
      bank = a;
    } else {
      return UsageError("import", "give one bank file");
    }
  }
  if (bank.empty()) return UsageError("import", "give the bank file");
  if (output.empty()) return UsageError("import", "give the source to write with -o SOURCE.md");
  std::string atFault;
  if (const std::string problem = ImportTargetProblem(bank, output, atFault); !problem.empty()) {
    return BadFile(atFault, problem);
  }
  const std::string imagesFolder = ImportedImagesPath(output);

  std::string bytes;
  if (!ReadWholeFile(bank, bytes)) return BadFile(bank, "cannot be read");
  options.BankName = fs::path(bank).stem().string();
  options.ImagesFolder = ImportedImagesFolder(output);
  const TBankImport imported = ImportBank(bytes, options);
  for (const auto& s : imported.Skipped) std::fprintf(stderr, "skipped: %s\n", s.c_str());
  if (!imported.Ok) {
    if (imported.ErrorLine > 0) {
      std::fprintf(stderr, "%s:%d: %s\n", bank.c_str(), imported.ErrorLine, imported.Error.c_str());
    } else {
      ReportBadFile(bank, imported.Error);
    }
    return kExitBadInput;
  }
  for (const auto& n : imported.Notes) std::fprintf(stderr, "note: %s\n", n.c_str());
  std::string error;
  if (!WriteImportedBank(imported, output, imagesFolder, error)) return BadFile(output, error);
  std::printf("%s: %d questions from %s (%s)", output.c_str(), imported.Questions, bank.c_str(),
              BankFormatName(imported.Format));
  if (!imported.Skipped.empty()) std::printf(", %zu skipped", imported.Skipped.size());
  std::printf("\n");
  if (!imported.Pictures.empty()) {
    std::printf("%s: %zu pictures\n", imagesFolder.c_str(), imported.Pictures.size());
  }
  return kExitOk;
}
