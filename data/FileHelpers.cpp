// File-system helpers over std::filesystem.
#include "FileHelpers.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

int64_t FileSizeByName(const std::string& name) {
  std::error_code ec;
  auto st = std::filesystem::status(name, ec);
  if (ec || !std::filesystem::exists(st)) return 0;
  if (!std::filesystem::is_regular_file(st)) return 0;
  auto size = std::filesystem::file_size(name, ec);
  return ec ? 0 : static_cast<int64_t>(size);
}

bool ReadWholeFile(const std::string& name, std::string& out) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string GetTempDir() {
  std::error_code ec;
  auto dir = std::filesystem::temp_directory_path(ec);
  std::string s = ec ? std::string("/tmp") : dir.string();
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}
