// Builds small enhanced and Windows metafiles record by record for the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Metafile.h"

// An EMF whose reference device has 1 pixel per millimetre and whose frame is W x H pixels,
// so that playing it into a W x H target maps one logical unit (MM_TEXT) to one output pixel.
class TEmfBuilder {
 public:
  TEmfBuilder(int32_t width = 100, int32_t height = 100) : FWidth(width), FHeight(height) {}
  // A record from 32-bit words.
  void Record(uint32_t type, std::initializer_list<int32_t> words);
  // A record from raw parameter bytes (after type and size), padded to 4 bytes.
  void RecordBytes(uint32_t type, const std::string& params);
  std::string Finish() const;  // header + records + EOF

 private:
  int32_t FWidth, FHeight;
  std::string FRecords;
  uint32_t FCount = 0;
};

// A placeable WMF with the given bounding box at 1440 units per inch.
class TWmfBuilder {
 public:
  TWmfBuilder(int16_t width, int16_t height) : FWidth(width), FHeight(height) {}
  void Record(uint16_t function, std::initializer_list<int16_t> words);
  // A record from raw parameter bytes (after size and function), padded to a whole word.
  void RecordBytes(uint16_t function, const std::string& params);
  std::string Finish() const;

 private:
  int16_t FWidth, FHeight;
  std::string FRecords;
};

void PutU16(std::string& s, uint16_t v);
void PutU32(std::string& s, uint32_t v);

// Each file of the real-world corpus (EMF, then WMF) that loads as a metafile, with its path.
// Empty when the corpus is not beside the checkout.
std::vector<std::pair<std::filesystem::path, TMetafile>> CorpusMetafiles();

std::string Utf16(const std::u16string& s);  // UTF-16LE bytes

// EXTTEXTOUTA/W: bounds, graphics mode and scales, then the EMRTEXT (at 36) of n characters at
// (10, 50) whose string sits at 76, without advances; options are ETO_* bits.
void EmfExtText(TEmfBuilder& b, uint32_t type, const std::string& chars, uint32_t n,
                uint32_t options = 0);
// EmfExtText of a whole string.
void EmfTextA(TEmfBuilder& b, const std::string& bytes, uint32_t options = 0);
void EmfTextW(TEmfBuilder& b, const std::u16string& s, uint32_t options = 0);
