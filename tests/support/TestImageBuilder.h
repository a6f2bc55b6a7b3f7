// Test fixtures: small test images built from a description, and ways to damage them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "TestImage.h"
#include "TestImageWriter.h"

namespace fixture {

struct Option {
  std::string Caption;
  double Marked = 0.0;
  double Unmarked = 0.0;
};

// A question with its grade record and, when given, a page stored as a compressed string.
TQuestionSource Question(std::vector<Option> options, double maxScore = 0.0,
                         int32_t multiSelect = 0, const std::string& page = {});

TLevelSource Level(int32_t minutes, double weight, std::vector<TQuestionSource> questions,
                   uint32_t tag = 0);

TTopicSource Topic(const std::string& name, std::vector<TLevelSource> levels);

// An identity whose bytes are all `seed`, seed + 1, … so that different seeds differ.
TTestIdent Ident(uint8_t seed);

TTestSource TestFile(const std::string& title, std::vector<TTopicSource> topics, uint8_t identSeed = 1);

// One topic, one level, `questions` questions of `options` options each (option 0 scores 1).
TTestSource Uniform(int questions, int options, int32_t minutes = 10, double weight = 10.0);

// Writes a little-endian word or double into an image (for damaging offsets on purpose).
void PatchWord(std::string& image, size_t offset, int32_t value);
void PatchDouble(std::string& image, size_t offset, double value);
int32_t WordAt(const std::string& image, size_t offset);

inline TTestImage View(const std::string& image) {
  return {reinterpret_cast<const uint8_t*>(image.data()), static_cast<int32_t>(image.size())};
}

// Offsets of records inside an image written by WriteTestImage.
size_t TopicRecAt(int32_t t);
size_t LevelRecAt(const std::string& image, int32_t t, int32_t l);
size_t QuestionRecAt(const std::string& image, int32_t q);

}  // namespace fixture
