// The cp1251 codec used at the edges of the program and the tool.
#include <gtest/gtest.h>

#include "Cp1251.h"

namespace {

TEST(Cp1251, DecodesEveryByteAndRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const char32_t u = Cp1251ToUnicode(static_cast<unsigned char>(b));
    if (b == 0x98) {
      EXPECT_EQ(u, U'\uFFFD');
      EXPECT_FALSE(UnicodeToCp1251(u));
      continue;
    }
    auto back = UnicodeToCp1251(u);
    ASSERT_TRUE(back) << b;
    EXPECT_EQ(*back, b);
  }
}

TEST(Cp1251, KnownCharacters) {
  struct Case {
    unsigned char byte;
    char32_t code;
  } cases[] = {{0xC0, U'А'}, {0xFF, U'я'}, {0xA8, U'Ё'}, {0xB8, U'ё'}, {0xB9, U'№'},
               {0x88, U'€'}, {0x96, U'–'}, {0x41, U'A'}};
  for (auto c : cases) EXPECT_EQ(Cp1251ToUnicode(c.byte), c.code) << int(c.byte);
}

TEST(Cp1251, Utf8Conversion) {
  EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
  auto ok = Utf8ToCp1251("Физика: 10 м/с");
  EXPECT_TRUE(ok.Ok);
  EXPECT_EQ(Cp1251ToUtf8(ok.Text), "Физика: 10 м/с");

  struct Bad {
    const char* input;
    size_t offset;
  } bad[] = {{"м/с²", 5}, {"ok\xC3", 2}, {"\xED\xA0\x80", 0}, {"ab\xF0\x9F\x98\x80", 2}};
  for (auto b : bad) {
    auto r = Utf8ToCp1251(b.input);
    EXPECT_FALSE(r.Ok) << b.input;
    EXPECT_EQ(r.BadOffset, b.offset) << b.input;
  }
}

}  // namespace
