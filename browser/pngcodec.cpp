#include "pngcodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>

#include <png.h>

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"

namespace marklens {

namespace {

constexpr std::size_t kMaxPixels = std::size_t(1) << 28;

struct CPngImageFree {
    void operator()(png_image* image) const { png_image_free(image); }
};

}  // namespace

CPicture DecodePng(std::string_view bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::unique_ptr<png_image, CPngImageFree> guard(&image);
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        throw CObjectCallError(status::kFail, std::string("The browser's picture is not a PNG: ") + image.message);
    }
    if (std::size_t(image.width) * image.height > kMaxPixels) {
        throw CObjectCallError(status::kFail, "The browser's picture is too large");
    }
    image.format = PNG_FORMAT_BGRA;  // little-endian 32-bit words read as 0xAARRGGBB
    CPicture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels.resize(std::size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        throw CObjectCallError(status::kFail, std::string("The browser's picture does not decode: ") + image.message);
    }
    static_assert(std::endian::native == std::endian::little, "pixel words assume little-endian BGRA");
    return picture;
}

std::pair<int, int> PngSize(std::string_view bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::unique_ptr<png_image, CPngImageFree> guard(&image);
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {0, 0};
    const auto clamped = [](png_uint_32 value) { return static_cast<int>(std::min<png_uint_32>(value, 1u << 30)); };
    return {clamped(image.width), clamped(image.height)};
}

std::string EncodePng(const CPicture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.pixels.data(), 0, nullptr)) {
        throw CObjectCallError(status::kFail, std::string("The picture does not encode: ") + image.message);
    }
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.pixels.data(), 0, nullptr)) {
        throw CObjectCallError(status::kFail, std::string("The picture does not encode: ") + image.message);
    }
    bytes.resize(size);
    return bytes;
}

std::string DecodeBase64(std::string_view text) {
    std::string out;
    DecodeBase64(text, out);
    return out;
}

void DecodeBase64(std::string_view text, std::string& out) {
    static const std::array<signed char, 256> table = [] {
        std::array<signed char, 256> t{};
        t.fill(-1);
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
        return t;
    }();
    while (!text.empty() && text.back() == '=') text.remove_suffix(1);
    out.resize(text.size() * 3 / 4);  // no more than this; sized once, written in place
    std::size_t written = 0;
    unsigned int bits = 0;
    int count = 0;
    for (const char c : text) {
        const int value = table[static_cast<unsigned char>(c)];
        if (value < 0) throw CObjectCallError(status::kFail, "The browser's picture is not base64");
        bits = (bits << 6) | static_cast<unsigned int>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out[written++] = static_cast<char>((bits >> count) & 0xFF);
        }
    }
    out.resize(written);
}

}  // namespace marklens
