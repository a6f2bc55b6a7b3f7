// TByteView: a bounded little-endian view over bytes; a read outside the view yields 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct TByteView {
  const uint8_t* Data = nullptr;
  size_t Size = 0;

  // True when n bytes starting at off lie wholly inside the view (overflow-safe).
  bool Has(size_t off, size_t n) const { return off <= Size && n <= Size - off; }
  // Whether count items of itemSize bytes starting at off fit (no multiplication overflow).
  bool HasArray(size_t off, size_t count, size_t itemSize) const {
    if (off > Size) return false;
    return itemSize == 0 || count <= (Size - off) / itemSize;
  }
  TByteView Sub(size_t off, size_t n) const {
    return Has(off, n) ? TByteView{Data + off, n} : TByteView{};
  }
  const uint8_t* At(size_t off) const { return off <= Size ? Data + off : nullptr; }

  uint8_t U8(size_t off) const { return Has(off, 1) ? Data[off] : 0; }
  uint16_t U16(size_t off) const {
    return Has(off, 2) ? static_cast<uint16_t>(Data[off] | (Data[off + 1] << 8)) : 0;
  }
  int16_t I16(size_t off) const { return static_cast<int16_t>(U16(off)); }
  uint32_t U32(size_t off) const {
    if (!Has(off, 4)) return 0;
    return static_cast<uint32_t>(Data[off]) | (static_cast<uint32_t>(Data[off + 1]) << 8) |
           (static_cast<uint32_t>(Data[off + 2]) << 16) |
           (static_cast<uint32_t>(Data[off + 3]) << 24);
  }
  int32_t I32(size_t off) const { return static_cast<int32_t>(U32(off)); }
  float F32(size_t off) const {
    uint32_t u = U32(off);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
  }
};
