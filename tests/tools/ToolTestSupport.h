// Helpers of the examtool tests: running the tool, a small test source written to a folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tooltest {

struct TRun {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

// Runs a shell command line in `dir`, capturing its output.
TRun RunCommand(const std::filesystem::path& dir, const std::string& command);
// Runs examtool with the arguments (shell-quoted by the caller) in `dir`.
TRun RunTool(const std::filesystem::path& dir, const std::string& args);
// Whether a program is on the PATH.
bool HaveProgram(const std::string& name);

// A small valid source: two topics, three questions (one with a picture page), and the PNG it
// names, written into dir as test.md and pic.png.
void WriteSmallSource(const std::filesystem::path& dir);
inline constexpr int kSmallSourceQuestions = 3;

std::string Quote(const std::filesystem::path& p);

// Sets an environment variable for the scope (the tool's runs inherit it), then restores it.
class TScopedEnv {
 public:
  TScopedEnv(const char* name, const std::string& value);
  ~TScopedEnv();
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  std::string FName, FOld;
  bool FHadOld = false;
};

// A student's answers to the test (its bytes) with the given options marked, saved as path. With
// identSeed the answers claim another test's identity.
void WriteAnswers(const std::filesystem::path& path, const std::string& test,
                  const std::string& student, const std::vector<int>& marks, int options,
                  uint8_t identSeed = 0);

// A class of answer files to the key (its bytes), written into dir as student-NN.tst-usr, the
// same for the same seed. Stronger students mark the right options more often; question
// `reversed` (from 0; -1: none) is answered right by the weaker half only.
void WriteClass(const std::filesystem::path& dir, const std::string& key, int students,
                unsigned seed, int reversed = -1);

}  // namespace tooltest
