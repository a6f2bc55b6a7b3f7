// Memory blocks: sizing, and transfer to and from files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Memory.h"

namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("exam-memtest-" + name)).string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(VirtualMemory, SetSizeGivesZeroFilledBlocksOrEmpty) {
  struct Case {
    int32_t size;
    int32_t expected;
  } cases[] = {{0, 0}, {-5, 0}, {1, 1}, {100, 100}, {10, 10}};
  TVirtualMemory m;
  for (auto c : cases) {
    m.SetSize(c.size);
    EXPECT_EQ(m.Size(), c.expected) << c.size;
    EXPECT_EQ(m.Memory() != nullptr, c.expected > 0) << c.size;
    for (int32_t i = 0; i < m.Size(); ++i) ASSERT_EQ(m.Memory()[i], 0) << c.size;
    if (m.Size() > 0) m.Memory()[m.Size() - 1] = 0xAB;  // dirty it: the next size must be clean
  }
}

TEST(VirtualMemory, ResizeDropsOldContents) {
  TVirtualMemory m;
  m.SetSize(100);
  std::fill(m.Memory(), m.Memory() + 100, 0x5A);
  m.SetSize(10);
  ASSERT_EQ(m.Size(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(m.Memory()[i], 0);
}

TEST(VFMem, ReadsWholeFileAndRoundTrips) {
  const std::string path = TempPath("whole");
  const std::string bytes("\x01\x00\x02\xFFtest", 8);
  WriteFile(path, bytes);
  TVFMem m(path);
  ASSERT_EQ(m.Size(), 8);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(m.Memory()), 8), bytes);

  const std::string copy = TempPath("copy");
  m.SaveToFile(copy);
  TVFMem again(copy);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(again.Memory()), 8), bytes);
  std::filesystem::remove(path);
  std::filesystem::remove(copy);
}

TEST(VFMem, MissingOrEmptyFileGivesEmptyBlockWithoutError) {
  const std::string empty = TempPath("empty");
  WriteFile(empty, "");
  for (const std::string& path : {TempPath("does-not-exist"), empty}) {
    TVFMem m(path);
    EXPECT_EQ(m.Size(), 0) << path;
    EXPECT_EQ(m.Memory(), nullptr) << path;
  }
  std::filesystem::remove(empty);
}

TEST(VFMem, FolderIsNotAFile) {
  TVFMem m(std::filesystem::temp_directory_path().string());
  EXPECT_EQ(m.Size(), 0);
}

TEST(VirtualMemory, LoadReadsNoMoreThanTheBlockHolds) {
  const std::string path = TempPath("grown");
  WriteFile(path, "0123456789");
  TVirtualMemory m;
  m.SetSize(4);  // the file grew after its size was taken
  m.LoadFromFile(path);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(m.Memory()), 4), "0123");
  m.SetSize(16);  // the file shrank: the rest stays zero
  m.LoadFromFile(path);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(m.Memory()), 10), "0123456789");
  EXPECT_EQ(m.Memory()[15], 0);
  std::filesystem::remove(path);
}

TEST(VirtualMemory, FileErrorsNameTheFile) {
  TVirtualMemory m;
  m.SetSize(4);
  const std::string missing = TempPath("no-such-dir") + "/x";
  try {
    m.LoadFromFile(missing);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
  }
  EXPECT_THROW(m.SaveToFile(missing), EInOutError);
}

}  // namespace
