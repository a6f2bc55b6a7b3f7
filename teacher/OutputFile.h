// Output files of examtool: never written over one of the command's own inputs.
#pragma once

#include <string>
#include <vector>

// The reason when output is a folder or the same file as one of inputs, else an empty string.
std::string OutputClashesWithInput(const std::string& output,
                                   const std::vector<std::string>& inputs);
// Writes beside the target and renames, so a reader never sees half a file and a failure leaves
// an earlier file of that name as it was. False with the reason in error on failure.
bool WriteOutputFile(const std::string& path, const std::string& bytes, std::string& error);
