// Fuzz target: examtool info and check on any bytes given as a file, alone and as the key of a
// sound test. They answer "done" or "bad input", and a file check finds sound info shows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ExamTool.h"
#include "FuzzGuiApp.h"
#include "TestImageBuilder.h"

namespace fs = std::filesystem;

namespace {

fs::path gDir;

void RemoveDir() {
  std::error_code ec;
  fs::remove_all(gDir, ec);
}

bool Answered(int exit) {
  return exit == kExitOk || exit == kExitBadInput;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  StartHeadlessGui((*argv)[0]);
  // The commands print for a teacher at every input; libFuzzer closes their stdout and stderr
  // and keeps its own output and the sanitizers' reports.
  static std::vector<char*> args(*argv, *argv + *argc);
  static char closeOutput[] = "-close_fd_mask=3";
  args.insert(args.begin() + 1, closeOutput);
  args.push_back(nullptr);
  *argc += 1;
  *argv = args.data();

  std::string dir = (fs::temp_directory_path() / "fuzz_info_check.XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  gDir = dir;
  std::atexit(RemoveDir);
  std::ofstream(gDir / "sound.tst", std::ios::binary) << WriteTestImage(fixture::Uniform(2, 3));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = (gDir / "input").string(), sound = (gDir / "sound.tst").string();
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) std::abort();
  }
  const int info = RunInfo({file});
  const int check = RunCheck({file});
  if (!Answered(info) || !Answered(RunInfo({file, "--json"})) || !Answered(check) ||
      !Answered(RunCheck({sound, file}))) {
    __builtin_trap();
  }
  if (check == kExitOk && info != kExitOk) __builtin_trap();  // a sound test is shown
  return 0;
}
