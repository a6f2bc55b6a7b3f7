// Writes a test image from a description of its topics, levels and questions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "TestGrades.h"
#include "TestImage.h"

struct TQuestionSource {
  // Piece 0: the grade record (see SaveGradesToString); piece 1: the page as a compressed string.
  std::string GradeRecord;
  std::string PagePicture;
  std::array<std::string, 4> OtherPieces;  // pieces 2 to 5, carried as given
};

struct TLevelSource {
  uint32_t Tag = 0;
  int32_t Minutes = 0;
  double Weight = 0.0;
  std::vector<TQuestionSource> Questions;
};

struct TTopicSource {
  std::string Name;  // cp1251 bytes
  std::vector<TLevelSource> Levels;
};

struct TTestSource {
  TTestIdent Ident{};
  uint32_t ReservedHeaderWord = 0;  // header bytes 16..19, not part of the identity
  std::string Title;                // cp1251 bytes
  std::vector<TTopicSource> Topics;
};

// Header, topic table, level records, question table, then the title, names and pieces.
std::string WriteTestImage(const TTestSource& source);
