#include "sources/png/PngDecoder.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Silent: a file this reader declines is read again by the general decoder, which reports what is wrong.
void fail(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignore(png_structp, png_const_charp) {}

struct Reader
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Reader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Runs libpng's reading steps; false when libpng gave up or the file is not of a kind read here. Everything it
// fills lives in the caller, since libpng leaves by longjmp.
bool readPixels(Reader& reader, std::FILE* file, long long maxPixels, int maxSide, std::vector<std::uint8_t>& pixels,
                std::vector<png_bytep>& rows, png_uint_32& width, png_uint_32& height, int& channels)
{
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int type = png_get_color_type(png, info);
    if (depth != 8 || png_get_valid(png, info, PNG_INFO_tRNS))
        return false;
    if (width == 0 || height == 0 || width > static_cast<png_uint_32>(maxSide)
        || height > static_cast<png_uint_32>(maxSide) || static_cast<long long>(width) * height > maxPixels)
        return false;
    switch (type) {
    case PNG_COLOR_TYPE_GRAY:
        channels = 1;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
        channels = 4;
        break;
    case PNG_COLOR_TYPE_PALETTE:
        png_set_palette_to_rgb(png);
        [[fallthrough]];
    case PNG_COLOR_TYPE_RGB:
        png_set_bgr(png);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        channels = 4;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        png_set_bgr(png);
        channels = 4;
        break;
    default:
        return false;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * channels)
        return false;
    pixels.resize(static_cast<std::size_t>(width) * channels * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = pixels.data() + static_cast<std::size_t>(y) * width * channels;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}
} // namespace

std::optional<Image> PngDecoder::decode(const std::string& path, long long maxPixels, int maxSide)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    png_byte signature[8];
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature
        || png_sig_cmp(signature, 0, sizeof signature) != 0)
        return std::nullopt;
    Reader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, ignore);
    if (reader.png == nullptr)
        return std::nullopt;
    reader.info = png_create_info_struct(reader.png);
    if (reader.info == nullptr)
        return std::nullopt;
    png_set_sig_bytes(reader.png, sizeof signature);

    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0, height = 0;
    int channels = 0;
    if (!readPixels(reader, file.get(), maxPixels, maxSide, pixels, rows, width, height, channels))
        return std::nullopt;

    auto owner = std::make_shared<const std::vector<std::uint8_t>>(std::move(pixels));
    Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.stride = image.width * channels;
    image.format = channels == 1 ? Image::Format::Grey8 : Image::Format::BGRA32;
    image.pixels = owner->data();
    image.owner = owner;
    return image;
}
