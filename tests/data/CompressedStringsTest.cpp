// Compressed strings: framing, round trips, and hostile stored lengths.
#include <gtest/gtest.h>

#include "CompressedStrings.h"

namespace {

std::string Header(int32_t n) {
  std::string h(4, '\0');
  for (int i = 0; i < 4; ++i) h[i] = static_cast<char>((uint32_t(n) >> (8 * i)) & 0xFF);
  return h;
}

TEST(CompressString, FramesLengthAndBestCompressionStream) {
  EXPECT_EQ(CompressString(""), std::string(4, '\0'));
  const std::string c = CompressString("abc");
  ASSERT_GE(c.size(), 6u);
  EXPECT_EQ(c.substr(0, 4), Header(3));
  EXPECT_EQ(static_cast<uint8_t>(c[4]), 0x78);
  EXPECT_EQ(static_cast<uint8_t>(c[5]), 0xDA);
}

TEST(CompressString, RoundTripsBinaryData) {
  std::string big;
  for (int i = 0; i < 300000; ++i) big.push_back(static_cast<char>((unsigned(i) * 7919u) % 251u));
  for (const std::string& s : {std::string("x"), std::string("a\0b", 3), big}) {
    EXPECT_EQ(DecompressString(CompressString(s), false), s);
  }
}

struct BadCase {
  const char* name;
  std::string input;
};

TEST(DecompressString, DamagedInputFailsOrIsEmptyWhenQuiet) {
  const std::string good = CompressString("hello, world");
  const BadCase cases[] = {
      {"stored length beyond the stream", Header(100) + good.substr(4)},
      {"negative length", Header(-1) + good.substr(4)},
      {"2 GiB claim with nothing behind it", Header(INT32_MAX)},
      {"2 GiB claim over a short stream", Header(INT32_MAX) + good.substr(4)},
      {"above the size limit", Header(300 << 20) + good.substr(4)},
      {"not zlib", Header(5) + "garbage!"},
      {"cut stream", good.substr(0, good.size() - 6)},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(DecompressString(c.input, false), ECompressedString) << c.name;
    EXPECT_EQ(DecompressString(c.input, true), "") << c.name;
  }
}

TEST(DecompressString, EdgeLengths) {
  const std::string good = CompressString("hello, world");
  EXPECT_EQ(DecompressString("abc", false), "");                      // shorter than the length
  EXPECT_EQ(DecompressString(std::string(4, '\0'), false), "");        // empty string
  EXPECT_EQ(DecompressString(Header(0) + good.substr(4), false), "");  // length 0, bytes follow
  EXPECT_EQ(DecompressString(Header(5) + good.substr(4), false), "hello");  // first n bytes only
}

TEST(DecompressString, MemoryFollowsTheOutputNotTheClaim) {
  // A highly compressible 64 MiB payload: the claim is honest and large, and must still work.
  const std::string zeros(64 << 20, '\0');
  EXPECT_EQ(DecompressString(CompressString(zeros), false).size(), zeros.size());
}

}  // namespace
