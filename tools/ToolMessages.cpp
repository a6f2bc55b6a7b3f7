// What the subcommands of examtool say on bad input and wrong usage, and how they are asked for
// help.
#include <cstdio>
#include <string>
#include <vector>

#include "ExamTool.h"

void ReportBadFile(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "examtool: %s: %s\n", file.c_str(), reason.c_str());
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "examtool %s: %s\nTry 'examtool %s --help'.\n", command.c_str(),
               message.c_str(), command.c_str());
  return kExitUsage;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}
