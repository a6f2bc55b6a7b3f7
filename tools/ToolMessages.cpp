// What the subcommands of examtool say on bad input and wrong usage, and how they are asked for
// help.
#include <cstdio>
#include <string>
#include <vector>

#include "ExamTool.h"

void ReportBadFile(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "examtool: %s: %s\n", file.c_str(), reason.c_str());
}

std::string UndrawnTextNote(int count) {
  return std::to_string(count) + (count == 1 ? " text record" : " text records") +
         " cannot be drawn: glyph indices of a font this machine does not have";
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
