// TMetafile: recognising and checking enhanced, placeable and plain Windows metafiles.
#include "Metafile.h"

#include <cmath>

#include "RecordTypes.h"

namespace {

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;
constexpr size_t kWmfHeaderSize = 18;
constexpr int32_t kPlainUnitsPerInch = 1440;  // a plain WMF carries no scale; assume twips

int32_t MMToPixels(int32_t mm100) {
  return static_cast<int32_t>(std::lround(static_cast<double>(mm100) * 96.0 / 2540.0));
}

}  // namespace

bool TMetafile::Fail(std::string why) {
  Clear();
  FError = std::move(why);
  return false;
}

void TMetafile::Clear() {
  FKind = TMetafileKind::mkNone;
  FBytes.clear();
  FError.clear();
  FFrame = {};
  FMMWidth = FMMHeight = 0;
  FRecords.reset();
}

bool TMetafile::LoadFromBytes(std::string_view bytes, bool allowPlain) {
  Clear();
  FBytes.assign(bytes.data(), bytes.size());
  const TByteView v = View();
  if (v.U32(0) == emr::Header && v.U32(40) == kEmfSignature) return LoadEnhanced();
  if (v.U32(0) == kPlaceableKey) return LoadWmf(kPlaceableSize);
  const uint16_t type = v.U16(0);
  if (allowPlain && (type == 1 || type == 2) && v.U16(2) == 9) return LoadWmf(0);
  return Fail("not an enhanced or placeable Windows metafile");
}

bool TMetafile::LoadEnhanced() {
  const TByteView v = View();
  const uint32_t headerSize = v.U32(4);
  if (headerSize < 88 || !v.Has(0, headerSize) || headerSize % 4 != 0)
    return Fail("enhanced metafile header size " + std::to_string(headerSize) +
                " does not fit the " + std::to_string(v.Size) + " bytes");
  const uint32_t declared = v.U32(48);
  if (declared < headerSize)
    return Fail("enhanced metafile declares " + std::to_string(declared) + " bytes");
  FFrame = {v.I32(24), v.I32(28), v.I32(32), v.I32(36)};
  const int64_t w = int64_t{FFrame.Right} - FFrame.Left, h = int64_t{FFrame.Bottom} - FFrame.Top;
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX)
    return Fail("enhanced metafile has an empty frame");
  // A file cut short keeps the records that precede the cut.
  const TByteView body = v.Sub(0, std::min<size_t>(declared, v.Size));
  auto records = std::make_shared<TMetafileRecords>(IndexEmfRecords(body));
  if (declared > v.Size && records->Damage.empty())
    records->Damage = "the file is shorter than its header says";
  FRecords = std::move(records);
  FMMWidth = static_cast<int32_t>(w);
  FMMHeight = static_cast<int32_t>(h);
  FKind = TMetafileKind::mkEnhanced;
  return true;
}

bool TMetafile::LoadWmf(size_t headerOffset) {
  const TByteView v = View();
  if (!v.Has(headerOffset, kWmfHeaderSize)) return Fail("Windows metafile shorter than its header");
  const uint16_t type = v.U16(headerOffset), headerWords = v.U16(headerOffset + 2);
  if ((type != 1 && type != 2) || headerWords != 9)
    return Fail("Windows metafile header is not valid");
  auto records = std::make_shared<TMetafileRecords>(IndexWmfRecords(v, headerOffset));
  int32_t unitsPerInch = kPlainUnitsPerInch;
  if (headerOffset > 0) {
    FFrame = {v.I16(6), v.I16(8), v.I16(10), v.I16(12)};
    unitsPerInch = v.U16(14);
    if (unitsPerInch == 0) return Fail("placeable metafile gives 0 units per inch");
  } else {
    // A plain file's picture is the window its records set first.
    bool haveOrg = false, haveExt = false;
    for (const TMetafileRecord& r : records->Items) {
      const TByteView rec = v.Sub(r.Offset, r.Size);
      if (r.Type == meta::SetWindowOrg && !haveOrg && r.Sound) {
        FFrame.Left = rec.I16(8);
        FFrame.Top = rec.I16(6);
        haveOrg = true;
      } else if (r.Type == meta::SetWindowExt && !haveExt && r.Sound) {
        FFrame.Right = rec.I16(8);
        FFrame.Bottom = rec.I16(6);
        haveExt = true;
      }
    }
    if (!haveExt) return Fail("plain Windows metafile sets no window extent");
    FFrame.Right += FFrame.Left;
    FFrame.Bottom += FFrame.Top;
  }
  const int64_t w = std::abs(int64_t{FFrame.Right} - FFrame.Left);
  const int64_t h = std::abs(int64_t{FFrame.Bottom} - FFrame.Top);
  if (w == 0 || h == 0) return Fail("Windows metafile has an empty bounding box");
  FRecords = std::move(records);
  FMMWidth = static_cast<int32_t>(std::lround(static_cast<double>(w) * 2540.0 / unitsPerInch));
  FMMHeight = static_cast<int32_t>(std::lround(static_cast<double>(h) * 2540.0 / unitsPerInch));
  FKind = headerOffset > 0 ? TMetafileKind::mkPlaceable : TMetafileKind::mkPlain;
  return true;
}

int32_t TMetafile::Width() const {
  return Empty() ? 0 : MMToPixels(FMMWidth);
}
int32_t TMetafile::Height() const {
  return Empty() ? 0 : MMToPixels(FMMHeight);
}

const TMetafileRecords& TMetafile::Records() const {
  static const TMetafileRecords kNone;
  return FRecords ? *FRecords : kNone;
}
