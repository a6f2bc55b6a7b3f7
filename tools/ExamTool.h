// The subcommands of examtool and the conventions they share.
#pragma once

#include <string>
#include <vector>

// Exit statuses: success, some input was bad, wrong usage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadInput = 1;
inline constexpr int kExitUsage = 2;

struct TToolCommand {
  const char* Name;
  const char* Summary;
  int (*Run)(const std::vector<std::string>& args);  // args after the subcommand's name
  bool NeedsGui;  // draws text or pictures: a (headless) QGuiApplication must exist
};

int RunMake(const std::vector<std::string>& args);
int RunGrade(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunCheck(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunPrint(const std::vector<std::string>& args);
int RunImport(const std::vector<std::string>& args);

// One line on stderr for a bad input: "examtool: FILE: reason".
void ReportBadFile(const std::string& file, const std::string& reason);
// ReportBadFile, then kExitBadInput for the command to return.
inline int BadFile(const std::string& file, const std::string& reason) {
  ReportBadFile(file, reason);
  return kExitBadInput;
}
// One line on stderr for wrong usage, followed by the hint to ask for --help; returns kExitUsage.
int UsageError(const std::string& command, const std::string& message);
bool WantsHelp(const std::vector<std::string>& args);
