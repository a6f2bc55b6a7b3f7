// Checking a test, and a key against it: every page, every grade record, and that the key fits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TTestCheck {
  std::vector<std::string> Problems;  // "FILE: what is wrong", one each
  std::vector<std::string> Notes;     // what the teacher should know, though the file is sound
  int32_t Questions = 0;              // of the test, when it loaded
  int32_t Options = 0;
};

// keyFile may be empty. The key's pages are the test's, so only the test's pages get notes.
TTestCheck CheckTestFiles(const std::string& testFile, const std::string& keyFile);
// What render and check say about a page with text records that cannot be drawn.
std::string UndrawnTextNote(int count);
