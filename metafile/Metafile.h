// TMetafile: the bytes of one page picture (enhanced or placeable Windows metafile), checked.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "MetafileRecords.h"

enum class TMetafileKind : uint8_t {
  mkNone,       // empty: nothing loaded, or the bytes were refused
  mkEnhanced,   // EMF: first record type 1 carrying the " EMF" signature
  mkPlaceable,  // WMF behind the 22-byte placeable header (key 0x9AC6CDD7)
  mkPlain,      // WMF without the placeable header (only when allowed by the caller)
};

// The picture's frame in its own logical units and its physical size in 0.01 mm.
struct TMetafileFrame {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TMetafile {
 public:
  // Takes a copy of the bytes and checks the header against the byte count. Anything that is not
  // an enhanced or placeable metafile (or a plain one, when allowPlain) leaves the holder empty
  // and returns false; Error() then says why.
  bool LoadFromBytes(std::string_view bytes, bool allowPlain = false);
  void Clear();

  bool Empty() const { return FKind == TMetafileKind::mkNone; }
  TMetafileKind Kind() const { return FKind; }
  const std::string& Bytes() const { return FBytes; }
  const std::string& Error() const { return FError; }

  // The frame in logical units (EMF rclBounds-like frame / placeable bounding box).
  TMetafileFrame Frame() const { return FFrame; }
  // Physical size in 0.01 mm; readable and writable (the page view zooms through it).
  int32_t MMWidth() const { return FMMWidth; }
  int32_t MMHeight() const { return FMMHeight; }
  void SetMMWidth(int32_t v) { FMMWidth = v; }
  void SetMMHeight(int32_t v) { FMMHeight = v; }
  // Natural size in pixels at 96 dots per inch, from the physical size.
  int32_t Width() const;
  int32_t Height() const;

  // The records, indexed once when loaded and shared by copies, so drawing never re-parses.
  const TMetafileRecords& Records() const;
  // Where the WMF header starts (22 behind a placeable header, 0 for a plain one; EMF: 0).
  size_t WmfHeaderOffset() const { return FKind == TMetafileKind::mkPlaceable ? 22 : 0; }
  TByteView View() const {
    return {reinterpret_cast<const uint8_t*>(FBytes.data()), FBytes.size()};
  }

 private:
  TMetafileKind FKind = TMetafileKind::mkNone;
  std::string FBytes;
  std::string FError;
  TMetafileFrame FFrame;
  int32_t FMMWidth = 0;
  int32_t FMMHeight = 0;
  std::shared_ptr<const TMetafileRecords> FRecords;

  bool LoadEnhanced();
  bool LoadWmf(size_t headerOffset);
  bool Fail(std::string why);
};
