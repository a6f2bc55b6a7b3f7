// Output files of examtool.
#include "OutputFile.h"

#include <filesystem>
#include <fstream>

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

bool WriteOutputFile(const std::string& path, const std::string& bytes, std::string& error) {
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      fs::remove(temp, ec);
      error = "cannot be written";
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    error = "cannot be written: " + ec.message();
    return false;
  }
  return true;
}
