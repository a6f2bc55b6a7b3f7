// Loading a test or key file into a reader, with the reason when it is not one.
#pragma once

#include <string>

class TTestReader;

// Reads the file whole and attaches it; returns an empty string on success, else the reason.
std::string LoadTestFile(const std::string& file, TTestReader& reader);
