// Compressed strings: a 4-byte little-endian plain length followed by one zlib stream.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// A compressed string that cannot be decoded.
class ECompressedString : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Stored lengths above this are refused: no page or name of a test comes near it.
inline constexpr int64_t kMaxDecompressedSize = int64_t(256) << 20;

// level is zlib's, 1 (fastest) to 9 (smallest).
std::string CompressString(std::string_view s, int level = 9);
// The plain bytes; a failure raises ECompressedString, or gives "" when Quiet is set.
// Memory grows with the output actually produced, never with the stored length alone.
std::string DecompressString(std::string_view c, bool Quiet);
