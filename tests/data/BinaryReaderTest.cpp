// The forgiving binary reader: short input reads as zeros, never past the end.
#include <gtest/gtest.h>

#include "BinaryReader.h"

namespace {

TEST(BinaryReader, ReadsLittleEndianValues) {
  TBinaryReader r;
  r.SetData(std::string("\x78\x56\x34\x12" "\x00\x00\x00\x00\x00\x00\xF0\x3F" "\x03\x00\x00\x00" "abc", 19));
  uint32_t v = 0;
  double d = 0;
  std::string s;
  r.ReadInteger(v);
  r.ReadDouble(d);
  r.ReadString(s);
  EXPECT_EQ(v, 0x12345678u);
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(s, "abc");
  EXPECT_EQ(r.Position(), 19);
}

struct ShortCase {
  const char* name;
  std::string data;
  std::string expectedString;
  int64_t expectedPosition;
};

TEST(BinaryReader, ShortInputReadsAsZeros) {
  const ShortCase cases[] = {
      {"three bytes: no length", std::string("\x05\x00\x00", 3), "", 0},
      {"length 10, 4 bytes left", std::string("\x0A\x00\x00\x00wxyz", 8), "wxyz", 8},
      {"negative length", std::string("\xFF\xFF\xFF\xFF" "abc", 7), "", 4},
      {"top bit length", std::string("\x00\x00\x00\x80" "abc", 7), "", 4},
      {"empty", std::string(), "", 0},
  };
  for (const auto& c : cases) {
    TBinaryReader r;
    r.SetData(c.data);
    std::string s = "junk";
    r.ReadString(s);
    EXPECT_EQ(s, c.expectedString) << c.name;
    EXPECT_EQ(r.Position(), c.expectedPosition) << c.name;
  }
}

TEST(BinaryReader, IntegerAndDoubleWithTooFewBytesKeepThePosition) {
  TBinaryReader r;
  r.SetData(std::string("\x01\x02\x03", 3));
  uint32_t v = 7;
  r.ReadInteger(v);
  EXPECT_EQ(v, 0u);
  EXPECT_EQ(r.Position(), 0);
  r.SetData(std::string(7, '\x11'));
  double d = 3.5;
  r.ReadDouble(d);
  EXPECT_EQ(d, 0.0);
  EXPECT_EQ(r.Position(), 0);
}

}  // namespace
