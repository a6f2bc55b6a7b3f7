// examtool make: a test (.tst) and its key (.tst-ans) from a Markdown source.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ExamTool.h"
#include "FileHelpers.h"
#include "TestMaker.h"

namespace fs = std::filesystem;

namespace {

const char kHelp[] =
    "usage: examtool make SOURCE.md [-o OUT.tst] [--ident IDENT]\n"
    "\n"
    "Writes OUT.tst, handed to the students (no scores in it), and beside it OUT.tst-ans,\n"
    "the key with the real scores. The source format is described in docs/test-source.md.\n"
    "Errors are reported as SOURCE:LINE: message, and then nothing is written.\n"
    "\n"
    "  -o OUT.tst     output (default: SOURCE with the extension .tst)\n"
    "  --ident IDENT  the test's identity as 'examtool info' prints it (default: the\n"
    "                 source's front matter line 'ident: ...', else random); the same\n"
    "                 source and identity give the same bytes\n";

}  // namespace

int RunMake(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s", kHelp);
    return kExitOk;
  }
  std::string source, output;
  std::optional<TTestIdent> ident;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--ident") {
      if (i + 1 == args.size()) return UsageError("make", args[i] + " needs a value");
      if (args[i] == "-o") {
        output = args[++i];
      } else if (TTestIdent given{}; ParseIdent(args[++i], given)) {
        ident = given;
      } else {
        return UsageError("make", "--ident needs 72 hexadecimal digits, as 'examtool info' prints");
      }
    } else if (args[i].rfind("-", 0) == 0) {
      return UsageError("make", "unknown option '" + args[i] + "'");
    } else if (source.empty()) {
      source = args[i];
    } else {
      return UsageError("make", "give one source file");
    }
  }
  if (source.empty()) return UsageError("make", "give the source file");
  if (output.empty()) output = fs::path(source).replace_extension(".tst").string();
  const std::string key = fs::path(output).replace_extension(".tst-ans").string();

  std::string text;
  if (!ReadWholeFile(source, text)) {
    ReportBadFile(source, "cannot be read");
    return kExitBadInput;
  }
  // The command line's identity wins over the source's, which wins over a random one.
  if (!ident) ident = SourceIdent(text);
  std::vector<TSourceError> errors;
  const std::optional<TMadeTest> made = MakeTestFromSource(
      text, fs::path(source).parent_path().string(), ident ? *ident : RandomIdent(), errors);
  for (const auto& e : errors) std::fprintf(stderr, "%s:%d: %s\n", source.c_str(), e.Line, e.Message.c_str());
  if (!made) return kExitBadInput;

  std::string failed, error;
  if (!WriteMadeTest(output, *made, failed, error)) {
    ReportBadFile(failed, error);
    return kExitBadInput;
  }
  std::printf("%s: %zu questions\n%s: the key\n", output.c_str(), made->Questions, key.c_str());
  return kExitOk;
}
