// A forgiving little-endian reader over a byte string: missing data reads as zeros.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TBinaryData {
 public:
  virtual ~TBinaryData() = default;
  // Replaces the bytes and rewinds.
  void SetData(std::string_view s);
  const uint8_t* Memory() const { return reinterpret_cast<const uint8_t*>(FStream.data()); }
  int64_t Size() const { return static_cast<int64_t>(FStream.size()); }
  int64_t Position() const { return FPosition; }

 protected:
  std::string FStream;
  int64_t FPosition = 0;
};

class TBinaryReader : public TBinaryData {
 public:
  // 0 when fewer than 4 bytes remain; the position then stays.
  void ReadInteger(uint32_t& v);
  // 0.0 when fewer than 8 bytes remain; the position then stays.
  void ReadDouble(double& v);
  // A signed 32-bit length, then that many bytes, cut to what remains; negative reads as empty.
  void ReadString(std::string& s);
};
