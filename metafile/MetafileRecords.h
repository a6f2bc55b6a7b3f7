// The record index of an enhanced or Windows metafile, and the per-record structure checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ByteView.h"

// One record: its type (EMR_* or META_* function), where it lies and whether its content is sound.
struct TMetafileRecord {
  uint32_t Type = 0;
  uint32_t Offset = 0;
  uint32_t Size = 0;
  bool Sound = false;  // counts, arrays and offsets inside fit the record
};

struct TMetafileRecords {
  std::vector<TMetafileRecord> Items;
  std::string Damage;  // why the walk stopped early; empty when it reached the end record
};

// Walks EMF records from the header at offset 0 up to limit bytes; stops at the first record
// whose size is out of bounds, keeping the ones before it.
TMetafileRecords IndexEmfRecords(TByteView file);
// Walks WMF records after the 18-byte header that starts at headerOffset.
TMetafileRecords IndexWmfRecords(TByteView file, size_t headerOffset);

// Whether a record's fixed part and its counts, arrays and offsets fit inside the record bytes.
bool CheckEmfRecord(uint32_t type, TByteView rec);
bool CheckWmfRecord(uint16_t function, TByteView rec);
// The enhanced metafile that a WMF carries in its comment escapes (the chunks joined), or ""
// when it has none or the chunks do not add up.
std::string EmbeddedEnhancedMetafile(TByteView file, const TMetafileRecords& records);
// Whether an RGNDATA block (header plus rectangles) is consistent with its byte count.
bool CheckRegionData(TByteView rgn);
