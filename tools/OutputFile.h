// Output files of examtool: never written over one of the command's own inputs.
#pragma once

#include <string>
#include <vector>

// The reason when output is a folder or the same file as one of inputs, else an empty string.
std::string OutputClashesWithInput(const std::string& output,
                                   const std::vector<std::string>& inputs);
