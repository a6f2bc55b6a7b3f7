// Loading a test or key file into a reader, with the reason when it is not one.
#pragma once

#include <cstdint>
#include <string>

class TMetafile;
class TTestReader;
struct TTestImage;

// Reads the file whole and attaches it; returns an empty string on success, else the reason.
std::string LoadTestFile(const std::string& file, TTestReader& reader);
// The page of question q (from 0) into page; returns an empty string on success, else the reason.
std::string LoadQuestionPage(const TTestImage& image, int32_t q, TMetafile& page);
