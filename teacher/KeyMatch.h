// Whether a key (.tst-ans) is the key of a test: the same identity and the same shape.
#pragma once

#include <string>
#include <vector>

class TTestReader;

// One line per difference (identity, topics, levels, questions, option counts); empty when the
// key fits the test.
std::vector<std::string> KeyMismatches(const TTestReader& test, const TTestReader& key);
