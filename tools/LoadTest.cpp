// Loading test files for the tool.
#include "LoadTest.h"

#include <memory>

#include "Memory.h"
#include "TestReader.h"

std::string LoadTestFile(const std::string& file, TTestReader& reader) {
  std::unique_ptr<TVFMem> block;
  try {
    block = std::make_unique<TVFMem>(file);
  } catch (const std::exception& e) {
    return std::string("cannot be read: ") + e.what();
  }
  if (block->Size() == 0) return "missing or empty";
  try {
    reader.SetMemory(std::move(block));
  } catch (const std::exception& e) {
    return std::string("not a test file: ") + e.what();
  }
  if (!reader.Loaded()) return "not a test file: it has no answer options";
  return {};
}
