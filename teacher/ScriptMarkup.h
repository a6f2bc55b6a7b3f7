// Superscripts "^{...}" and subscripts "_{...}" in the Markdown of a page.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "TestSource.h"

// Private-use characters that stand for the mark-up between reading the Markdown and laying it
// out: Qt's Markdown reader passes them through as text, and the page maker turns them into
// raised or lowered text.
inline constexpr char16_t kSuperscriptMark = u'\uE000';
inline constexpr char16_t kSubscriptMark = u'\uE001';
inline constexpr char16_t kScriptEndMark = u'\uE002';

// How many bytes at s[i] Markdown keeps as they are, a mark-up inside them being no mark-up: a
// backslash escape, a code span (an unclosed one: its backticks), a link's "](target)"; else 0.
size_t MarkdownVerbatimLength(std::string_view s, size_t i);

// The fence ("```" or "~~~", three or more) that the line opens or closes a code block with, empty
// when it is not a fence line.
std::string_view MarkdownFenceOf(std::string_view line);

// Goes through the lines of markdown (each with its line break, numbered from 1), telling of each
// whether it is code: a fence line or a line of a fenced code block, which no mark-up touches.
void ForEachMarkdownLine(
    std::string_view markdown,
    const std::function<void(std::string_view line, int number, bool code)>& visit);

// The Markdown with each "^{text}" and "_{text}" turned into a mark, the text and an end mark.
// Code spans, fenced code blocks, link targets and backslash escapes are left as they are. Each
// unclosed, empty or nested mark-up, and each mark character in the source, adds an error whose
// line counts from 1 at the first line of markdown.
std::string MarkScripts(std::string_view markdown, std::vector<TSourceError>& errors);
