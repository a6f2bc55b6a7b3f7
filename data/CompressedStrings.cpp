// zlib framing of compressed strings.
#include "CompressedStrings.h"

#include <zlib.h>

#include <algorithm>

std::string CompressString(std::string_view s, int level) {
  const uint32_t n = static_cast<uint32_t>(s.size());
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  if (n == 0) return out;
  uLongf bound = compressBound(static_cast<uLong>(s.size()));
  out.resize(4 + bound);
  int rc = compress2(reinterpret_cast<Bytef*>(out.data() + 4), &bound,
                     reinterpret_cast<const Bytef*>(s.data()), static_cast<uLong>(s.size()),
                     std::clamp(level, 1, 9));
  if (rc == Z_MEM_ERROR) throw std::bad_alloc();
  if (rc != Z_OK) throw ECompressedString("zlib could not compress the string");
  out.resize(4 + bound);
  return out;
}

namespace {

std::string Inflate(std::string_view c, int64_t n) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw ECompressedString("zlib could not start");
  struct Ender {
    z_stream* z;
    ~Ender() { inflateEnd(z); }
  } ender{&zs};
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(c.data()));
  zs.avail_in = static_cast<uInt>(c.size());

  std::string out;
  // Grow with what the stream produces, starting from a size the input can justify.
  out.resize(static_cast<size_t>(std::min<int64_t>(n, std::max<int64_t>(4096, int64_t(c.size()) * 4))));
  int64_t have = 0;
  for (;;) {
    if (have == static_cast<int64_t>(out.size())) {
      if (have >= n) break;
      out.resize(static_cast<size_t>(std::min<int64_t>(n, have * 2)));
    }
    zs.next_out = reinterpret_cast<Bytef*>(out.data() + have);
    zs.avail_out = static_cast<uInt>(out.size() - static_cast<size_t>(have));
    int rc = inflate(&zs, Z_NO_FLUSH);
    have = static_cast<int64_t>(out.size()) - zs.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc == Z_MEM_ERROR) throw std::bad_alloc();
    if (rc != Z_OK && !(rc == Z_BUF_ERROR && zs.avail_out == 0)) {
      throw ECompressedString("the compressed data is damaged");
    }
  }
  if (have < n) throw ECompressedString("the compressed data ends before its stated length");
  out.resize(static_cast<size_t>(n));
  return out;
}

}  // namespace

std::string DecompressString(std::string_view c, bool Quiet) {
  if (c.size() < 4) return {};
  const auto* p = reinterpret_cast<const uint8_t*>(c.data());
  const int32_t n = static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 |
                                         uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
  if (n == 0) return {};
  try {
    if (n < 0) throw ECompressedString("the compressed string has a negative length");
    if (n > kMaxDecompressedSize) throw ECompressedString("the compressed string is too long");
    return Inflate(c.substr(4), n);
  } catch (const std::exception&) {
    if (Quiet) return {};
    throw;
  }
}
