// Fuzz target: metafile bytes recognised (with and without plain WMF) and their records checked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Metafile.h"
#include "MetafileRecords.h"

namespace {

void CheckRecords(TByteView file, const TMetafileRecords& records, bool enhanced) {
  for (const TMetafileRecord& r : records.Items) {
    if (!file.Has(r.Offset, r.Size)) __builtin_trap();  // an indexed record lies inside the file
    const TByteView rec = file.Sub(r.Offset, r.Size);
    if (enhanced) {
      (void)CheckEmfRecord(r.Type, rec);
    } else {
      (void)CheckWmfRecord(static_cast<uint16_t>(r.Type), rec);
    }
  }
}

void Walk(const TMetafile& mf, int depth) {
  if (mf.Empty()) return;
  (void)mf.Width();
  (void)mf.Height();
  const bool enhanced = mf.Kind() == TMetafileKind::mkEnhanced;
  CheckRecords(mf.View(), mf.Records(), enhanced);
  if (enhanced || depth > 0) return;
  // A WMF may carry an enhanced metafile in its comments; that one is hostile too.
  const std::string embedded = EmbeddedEnhancedMetafile(mf.View(), mf.Records());
  if (embedded.empty()) return;
  TMetafile inner;
  if (inner.LoadFromBytes(embedded)) Walk(inner, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (bool allowPlain : {false, true}) {
    TMetafile mf;
    if (mf.LoadFromBytes(bytes, allowPlain) == mf.Empty()) __builtin_trap();
    Walk(mf, 0);
    const TMetafile copy = mf;
    if (copy.Records().Items.size() != mf.Records().Items.size()) __builtin_trap();
  }
  // The walkers straight over the caller's bytes, so that a read past the end is caught exactly.
  const TByteView view{data, size};
  if (size >= 4 && view.U32(0) == 1) CheckRecords(view, IndexEmfRecords(view), true);
  for (size_t headerOffset : {size_t(0), size_t(22)}) {
    if (size > headerOffset) CheckRecords(view, IndexWmfRecords(view, headerOffset), false);
  }
  return 0;
}
