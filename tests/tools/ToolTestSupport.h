// Helpers of the examtool tests: running the tool, a small test source written to a folder.
#pragma once

#include <filesystem>
#include <string>

namespace tooltest {

struct TRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

// Runs examtool with the arguments (shell-quoted by the caller) in `dir`.
TRun RunTool(const std::filesystem::path& dir, const std::string& args);

// A small valid source: two topics, three questions (one with a picture page), and the PNG it
// names, written into dir as test.md and pic.png.
void WriteSmallSource(const std::filesystem::path& dir);
inline constexpr int kSmallSourceQuestions = 3;

std::string Quote(const std::filesystem::path& p);

}  // namespace tooltest
