// TeX math in page text: "$...$" and "$$...$$" found in the Markdown, typeset by latex and
// dvisvgm in one run per source, and kept in a cache as SVG pictures whose glyphs are paths.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "TestSource.h"

// Each formula of a page stands in the marked Markdown as one private-use character, U+E100 plus
// its index among the page's formulas.
inline constexpr char16_t kFirstFormulaMark = u'\uE100';
inline constexpr char16_t kLastFormulaMark = u'\uEFFF';

struct TFormula {
  std::string Tex;  // between the dollars, as written
  bool Display = false;
  int Line = 0;  // where it starts: from 1 at the first line of the Markdown (the parser makes it
                 // a source line)

  // What the typesetting depends on besides the preamble: a display formula is set larger.
  std::string Key() const { return (Display ? "D" : "I") + Tex; }
};

// The Markdown with each formula replaced by its mark; the formulas in page order. "\$" stays as
// it is (Markdown makes it a dollar); code spans, fenced code blocks and link targets are left
// alone. A "$" or "$$" that no other closes within its paragraph, an empty formula, and a mark
// character in the source add an error whose line counts from 1 at the first line of markdown.
std::string MarkFormulas(std::string_view markdown, std::vector<TFormula>& formulas,
                         std::vector<TSourceError>& errors);
// The same with the lines a formula spans kept as empty lines after its mark, so that later
// checks of the text name the lines of the source.
std::string MarkFormulasKeepingLines(std::string_view markdown, std::vector<TFormula>& formulas,
                                     std::vector<TSourceError>& errors);

// Whether plain text (a caption) holds a formula: two dollars that no backslash escapes.
bool HoldsFormula(std::string_view text);

// How TeX is run. Programs without a slash are looked up on the PATH.
struct TTexSetup {
  std::string Latex = "latex";
  std::string Dvisvgm = "dvisvgm";
  std::string CacheDir;      // empty: examtool in the user's cache folder ($XDG_CACHE_HOME)
  int TimeLimitMs = 120000;  // for each of the two programs
};

// Typeset formulas by Key(): the SVG of each, its view box's y = 0 on the baseline.
using TFormulaPictures = std::map<std::string, std::string>;

// Typesets every formula the cache does not hold in one TeX run and caches what it made. The
// errors carry the formulas' lines: TeX's message for a formula as "formula: message", or one
// line for a missing or broken TeX installation. A list without formulas never runs anything.
TFormulaPictures TypesetFormulas(const std::vector<TFormula>& formulas, const TTexSetup& setup,
                                 std::vector<TSourceError>& errors);
