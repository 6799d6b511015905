#pragma once

#include <cstdint>
#include <span>

namespace fururupo {

// One picture decoded at build time: width x height pixels, row after row with no padding, each a 32-bit
// 0xAARRGGBB value with its colour premultiplied by alpha (alpha 0xff throughout when hasAlpha is false).
struct UnpackedPicture
{
    const char* name;
    int width;
    int height;
    bool hasAlpha;
    const std::uint32_t* pixels;
};

// Every picture the game shows from its own files, named by the file it was decoded from ("title.gif").
std::span<const UnpackedPicture> unpackedPictures();

} // namespace fururupo
