// The printed test: A4 pages with the title, and per question its number, topic, page and options.
#pragma once

#include <string>
#include <vector>

class QIODevice;
class QPagedPaintDevice;
class TTestReader;

struct TPrintResult {
  int Pages = 0;
  // Parts of the test that could not be printed (a page or a grade record that does not read),
  // one line each; the PDF says so in their place.
  std::vector<std::string> Problems;
};

// Draws the test into a PDF written to out: the page pictures through the page player, so text
// and lines stay vectors. With a key (that fits the test), the right options are marked and the
// scores of every option printed: the teacher's proof-reading copy.
TPrintResult PrintTestPdf(const TTestReader& test, const TTestReader* key, QIODevice& out);
// The same onto another paged device (a printer) whose resolution is kPrintDpi: it is given the
// A4 page layout of the PDF.
inline constexpr int kPrintDpi = 600;
TPrintResult PrintTest(const TTestReader& test, const TTestReader* key, QPagedPaintDevice& device);
