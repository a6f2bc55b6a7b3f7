// Turns a parsed test source and its pages into the test handed out and the key kept back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Formulas.h"
#include "TestImage.h"
#include "TestSource.h"

struct TMadeTest {
  std::string Test;     // .tst: captions, declared maxima and multi-select flags, no scores
  std::string Answers;  // .tst-ans: the same test with the real scores
  size_t Questions = 0;
};

// pages: one metafile per question, in source order. Texts are converted to cp1251 (the parser
// has checked that they can be).
TMadeTest MakeTestImages(const TSourceTest& source, const std::vector<std::string>& pages,
                         const TTestIdent& ident);

// All of make in memory: the source parsed, its formulas typeset (with tex, in one run for the
// whole source), every question's page made (pictures and page files relative to baseDir), the
// test and its key written. Nothing, with every problem found in line order, when the source, a
// formula or a page is wrong.
std::optional<TMadeTest> MakeTestFromSource(std::string_view text, const std::string& baseDir,
                                            const TTestIdent& ident,
                                            std::vector<TSourceError>& errors,
                                            const TTexSetup& tex = {});

// Writes the test to testPath and its key beside it (the extension .tst-ans), each replaced
// whole; when the key fails, the new test is removed again. False with the file and the reason.
bool WriteMadeTest(const std::string& testPath, const TMadeTest& made, std::string& failedFile,
                   std::string& error);

// Parses the identity as examtool info prints it (two GUIDs in braces and 8 hex digits; braces
// and hyphens may be left out). False when it is not 72 hexadecimal digits.
bool ParseIdent(const std::string& text, TTestIdent& ident);
TTestIdent RandomIdent();
// The identity as examtool info prints it and ParseIdent reads it back.
std::string IdentText(const TTestIdent& ident);
// The identity of the source's front matter line "ident: ...", when it has a valid one.
std::optional<TTestIdent> SourceIdent(std::string_view text);
