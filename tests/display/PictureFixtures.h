#pragma once
// Pictures made on the fly for the display tests.
#include "platform/Value.h"

namespace talv::test {

// A w x h picture filled with one colour, encoded as `format` ("png", "jpeg", "tiff"...).
Bytes makePicture(int width, int height, const char* format = "png");

}  // namespace talv::test
