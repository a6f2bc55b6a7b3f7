// Checks every offset, length and count of a test image against its size.
#pragma once

#include <string>

#include "TestImage.h"

// An empty string when the image is sound; otherwise the reason for the first violation found.
std::string ValidateTestImage(const TTestImage& image);
