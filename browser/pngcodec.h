#pragma once
#include <string>
#include <string_view>
#include <utility>

#include "model/page/picture.h"

namespace marklens {

// Decodes PNG bytes to 0xAARRGGBB pixels; throws CObjectCallError on bad data.
CPicture DecodePng(std::string_view bytes);
// The width and height a PNG's header gives; zero for bytes that are not a PNG.
std::pair<int, int> PngSize(std::string_view bytes);
// Encodes a picture as PNG bytes (RGBA, 8 bits per channel).
std::string EncodePng(const CPicture& picture);

// Standard base64 (with or without padding); throws CObjectCallError on other characters.
std::string DecodeBase64(std::string_view text);
// The same into out, whose storage is reused.
void DecodeBase64(std::string_view text, std::string& out);

}  // namespace marklens
