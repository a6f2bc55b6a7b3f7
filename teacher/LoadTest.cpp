// Loading test files for the tool.
#include "LoadTest.h"

#include <memory>

#include "CompressedStrings.h"
#include "Memory.h"
#include "Metafile.h"
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

std::string LoadQuestionPage(const TTestImage& image, int32_t q, TMetafile& page) {
  page.Clear();
  const std::string compressed = QuestionPieceStr(image, 1, q);
  if (compressed.empty()) return "no page";
  try {
    if (!page.LoadFromBytes(DecompressString(compressed, false))) {
      return "the page is not a metafile: " + page.Error();
    }
  } catch (const std::exception& e) {
    return std::string("the page does not decompress: ") + e.what();
  }
  return {};
}
