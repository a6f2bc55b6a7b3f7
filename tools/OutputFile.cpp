// Output files of examtool.
#include "OutputFile.h"

#include <filesystem>

namespace fs = std::filesystem;

std::string OutputClashesWithInput(const std::string& output,
                                   const std::vector<std::string>& inputs) {
  std::error_code ec;
  if (fs::is_directory(output, ec)) return "is a folder, not a file to write";
  if (!fs::exists(output, ec)) return {};
  for (const auto& input : inputs) {
    if (fs::equivalent(output, input, ec)) return "is one of the inputs: it would be written over";
  }
  return {};
}
