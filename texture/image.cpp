// PNG (libpng's simplified API) and JPEG (TurboJPEG) decoding from memory, the choice of decoder
// by the first bytes, how long a file its header promises, and the file wrappers: readImageFile,
// which reads no more than that, and readTga, which prints the image console messages.
// Both libraries give the rows top first; the float conversion stores them bottom first.
#include "texture/image.h"

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr float BYTE_TO_UNIT = 0.003921569f;
// deflate cannot expand one byte into more than 1032.
constexpr uint64_t DEFLATE_MAX_RATIO = 1032;
// Files are read a megabyte at a time; the first decides how much more may follow.
constexpr size_t CHUNK = size_t{1} << 20;
// Room in a PNG or JPEG for what is not the image: text, colour profiles, thumbnails.
constexpr uint64_t SIZE_MARGIN = uint64_t{1} << 20;
// The largest file read whatever its header says: an uncompressed 32-bit TGA of the largest
// accepted size, and its header.
constexpr uint64_t MAX_FILE_SIZE =
    uint64_t{MAX_IMAGE_SIDE} * uint64_t{MAX_IMAGE_SIDE} * 4 + (uint64_t{1} << 20);

void setError(char* error, size_t errorSize, const char* format, auto... args) {
    if (error && errorSize > 0) std::snprintf(error, errorSize, format, args...);
}

bool startsWith(const uint8_t* bytes, size_t size, const uint8_t* prefix, size_t length) {
    return size >= length && std::memcmp(bytes, prefix, length) == 0;
}

bool tooLarge(uint32_t width, uint32_t height, int32_t maxSide, const char* format, char* error,
              size_t errorSize) {
    if (width == 0 || height == 0 || width > uint32_t(maxSide) || height > uint32_t(maxSide)) {
        setError(error, errorSize, "%s: image is %u by %u; accepted are 1 to %d on a side", format,
                 width, height, int{maxSide});
        return true;
    }
    return false;
}

// RGBA bytes, top row first, to a new float image, bottom row first.
TgaImage* toFloatImage(const std::vector<uint8_t>& rgba, int width, int height, char* error,
                       size_t errorSize) {
    TgaImage* image = createImage(width, height);
    if (!image) {
        setError(error, errorSize, "not enough memory for a %d by %d image", width, height);
        return nullptr;
    }
    const uint8_t* p = rgba.data();
    for (int row = height - 1; row >= 0; --row) {
        Colour* out = image->pixels + size_t(row) * size_t(width);
        for (int column = 0; column < width; ++column, p += 4) {
            out[column] = Colour{p[0] * BYTE_TO_UNIT, p[1] * BYTE_TO_UNIT, p[2] * BYTE_TO_UNIT,
                                 p[3] * BYTE_TO_UNIT};
        }
    }
    return image;
}

// libpng's linear 16-bit RGBA (alpha premultiplied) to straight-alpha bytes, in place of the
// 8-bit narrowing libpng would do: the same curve (its "sRGB" is a 2.2 power), rounded.
std::vector<uint8_t> linearToSrgbBytes(const std::vector<uint8_t>& linear, size_t count) {
    std::vector<uint8_t> out(count * 4);
    for (size_t i = 0; i < count; ++i) {
        uint16_t v[4];
        std::memcpy(v, linear.data() + i * 8, sizeof(v));
        out[i * 4 + 3] = static_cast<uint8_t>((v[3] * 255u + 32767u) / 65535u);
        for (int k = 0; k < 3; ++k) {
            const double l = v[3] > 0 ? std::min(1.0, double(v[k]) / v[3]) : 0.0;
            out[i * 4 + size_t(k)] = static_cast<uint8_t>(std::lround(std::pow(l, 1 / 2.2) * 255));
        }
    }
    return out;
}

// libpng names the chunk first ("IDAT: CRC error"); say it as a sentence about the file.
void setPngError(char* error, size_t errorSize, const char* message) {
    const bool chunk = std::strlen(message) > 6 && message[4] == ':' && message[5] == ' ' &&
                       std::isalpha(static_cast<unsigned char>(message[0])) &&
                       std::isalpha(static_cast<unsigned char>(message[3]));
    if (chunk) {
        setError(error, errorSize, "PNG: %s in %.4s chunk", message + 6, message);
    } else {
        setError(error, errorSize, "PNG: %s", message);
    }
}

uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The PNG's rows as its header (the IHDR chunk, always first) declares them, a quarter more for
// deflate and chunk framing of data that does not compress, and the margin for other chunks.
uint64_t pngSizeLimit(const uint8_t* bytes, size_t size) {
    if (size < 29 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return size;
    const uint32_t width = bigEndian32(bytes + 16);
    const uint32_t height = bigEndian32(bytes + 20);
    const int depth = bytes[24];
    const int colourType = bytes[25];
    const int channels = colourType == 0   ? 1
                         : colourType == 2 ? 3
                         : colourType == 3 ? 1
                         : colourType == 4 ? 2
                         : colourType == 6 ? 4
                                           : 0;
    if (channels == 0 || depth == 0 || depth > 16 || width == 0 || height == 0 ||
        width > uint32_t{MAX_IMAGE_SIDE} || height > uint32_t{MAX_IMAGE_SIDE}) {
        return size;
    }
    const uint64_t row = (uint64_t{width} * uint64_t(channels) * uint64_t(depth) + 7) / 8;
    // Filter bytes and padding of the seven interlace passes stay within 15 bytes a row.
    const uint64_t raw = uint64_t{height} * (row + 15);
    return raw + raw / 4 + SIZE_MARGIN;
}

// A JPEG's size from its header (the markers up to the first scan, in the first megabyte), at
// 32 bytes a pixel: more than the worst coding of four full-resolution channels with every
// byte stuffed. Plus the margin for other markers (profiles, thumbnails).
uint64_t jpegSizeLimit(const uint8_t* bytes, size_t size) {
    tjhandle decoder = tjInitDecompress();
    if (!decoder) return size;
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    const bool read = tjDecompressHeader3(decoder, bytes, static_cast<unsigned long>(size), &width,
                                          &height, &subsampling, &colourSpace) == 0;
    tjDestroy(decoder);
    if (!read || width <= 0 || height <= 0 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE) {
        return size;
    }
    return uint64_t(width) * uint64_t(height) * 32 + SIZE_MARGIN;
}

} // namespace

ImageFormat imageFormatOf(const uint8_t* bytes, size_t size) {
    static constexpr uint8_t PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    static constexpr uint8_t JPEG_SIGNATURE[] = {0xff, 0xd8, 0xff};
    if (!bytes) return ImageFormat::TGA;
    if (startsWith(bytes, size, PNG_SIGNATURE, sizeof(PNG_SIGNATURE))) return ImageFormat::PNG;
    if (startsWith(bytes, size, JPEG_SIGNATURE, sizeof(JPEG_SIGNATURE))) return ImageFormat::JPEG;
    return ImageFormat::TGA;
}

uint64_t imageSizeLimit(const uint8_t* bytes, size_t size) {
    if (!bytes) return size;
    switch (imageFormatOf(bytes, size)) {
    case ImageFormat::PNG:
        return pngSizeLimit(bytes, size);
    case ImageFormat::JPEG:
        return jpegSizeLimit(bytes, size);
    case ImageFormat::TGA:
        break;
    }
    return tgaSizeLimit(bytes, size);
}

TgaImage* decodePng(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                    size_t errorSize, int32_t maxSide) {
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    // libpng reports through png.message and cleans up after itself: no setjmp on our side.
    if (!png_image_begin_read_from_memory(&png, bytes, size)) {
        setPngError(error, errorSize, png.message);
        png_image_free(&png);
        return nullptr;
    }
    if (tooLarge(png.width, png.height, maxSide, "PNG", error, errorSize)) {
        png_image_free(&png);
        return nullptr;
    }
    // Even at one bit per pixel the rows need this much after inflating; refusing a file that
    // cannot hold them keeps a tiny file from costing a huge buffer.
    const uint64_t leastRaw = uint64_t{png.height} * (1 + (uint64_t{png.width} + 7) / 8);
    if (uint64_t{size} * DEFLATE_MAX_RATIO < leastRaw) {
        setError(error, errorSize, "PNG: a %u by %u image cannot be held in %zu bytes", png.width,
                 png.height, size);
        png_image_free(&png);
        return nullptr;
    }
    const int width = int(png.width);
    const int height = int(png.height);
    // libpng 1.6.39 garbles the top rows of interlaced 16-bit files when it narrows them to 8-bit
    // sRGB itself, so 16-bit files are read as linear 16-bit and encoded here.
    const bool wide = (png.format & PNG_FORMAT_FLAG_LINEAR) != 0;
    png.format = wide ? PNG_FORMAT_LINEAR_RGB_ALPHA : PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
        setPngError(error, errorSize, png.message);
        png_image_free(&png);
        return nullptr;
    }
    png_image_free(&png);
    if (wide) rgba = linearToSrgbBytes(rgba, size_t(width) * size_t(height));
    if (bytesPerPixel) *bytesPerPixel = 4;
    return toFloatImage(rgba, width, height, error, errorSize);
}

TgaImage* decodeJpeg(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                     size_t errorSize, int32_t maxSide) {
    tjhandle decoder = tjInitDecompress();
    if (!decoder) {
        setError(error, errorSize, "JPEG: %s", tjGetErrorStr2(nullptr));
        return nullptr;
    }
    TgaImage* image = nullptr;
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(decoder, bytes, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourSpace) != 0) {
        setError(error, errorSize, "JPEG: %s", tjGetErrorStr2(decoder));
    } else if (!tooLarge(uint32_t(width), uint32_t(height), maxSide, "JPEG", error, errorSize)) {
        std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
        // A warning (a cut or damaged file) is refused too: half a picture is not a texture.
        // LIMITSCANS refuses progressive files built to take endless scans.
        const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
        if (tjDecompress2(decoder, bytes, static_cast<unsigned long>(size), rgba.data(), width, 0,
                          height, TJPF_RGBA, flags) != 0) {
            setError(error, errorSize, "JPEG: %s", tjGetErrorStr2(decoder));
        } else {
            if (bytesPerPixel) *bytesPerPixel = 4;
            image = toFloatImage(rgba, width, height, error, errorSize);
        }
    }
    tjDestroy(decoder);
    return image;
}

TgaImage* decodeImage(const uint8_t* bytes, size_t size, int* bytesPerPixel, char* error,
                      size_t errorSize, int32_t maxSide) {
    switch (imageFormatOf(bytes, size)) {
    case ImageFormat::PNG:
        return decodePng(bytes, size, bytesPerPixel, error, errorSize, maxSide);
    case ImageFormat::JPEG:
        return decodeJpeg(bytes, size, bytesPerPixel, error, errorSize, maxSide);
    case ImageFormat::TGA:
        break;
    }
    return decodeTga(bytes, size, bytesPerPixel, error, errorSize, maxSide);
}

ImageFile readImageFile(const char* path) {
    ImageFile out{nullptr, 3, 0, {}};
    // Opening a pipe waits for a writer that may never come: a pipe is no image file.
    struct stat info {};
    if (stat(path, &info) == 0 && S_ISFIFO(info.st_mode)) {
        out.problem = "the file is a pipe";
        return out;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        out.openError = errno != 0 ? errno : ENOENT;
        return out;
    }
    // The first megabyte says how much more a decoder can use: nothing more for bytes no decoder
    // takes (a texture named /dev/zero is read no further), what its header promises for an image.
    std::vector<uint8_t> bytes;
    uint64_t limit = CHUNK;
    while (bytes.size() < limit) {
        const size_t old = bytes.size();
        const size_t want = static_cast<size_t>(std::min<uint64_t>(CHUNK, limit - old));
        bytes.resize(old + want);
        const size_t got = std::fread(bytes.data() + old, 1, want, file);
        bytes.resize(old + got);
        if (got < want) break;
        if (old == 0) limit = std::min(imageSizeLimit(bytes.data(), got), MAX_FILE_SIZE + 1);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    char error[200];
    if (failed) {
        out.problem = "the file could not be read";
    } else if (bytes.size() > MAX_FILE_SIZE) {
        std::snprintf(error, sizeof(error), "the file is larger than %llu bytes",
                      static_cast<unsigned long long>(MAX_FILE_SIZE));
        out.problem = error;
    } else {
        out.image =
            decodeImage(bytes.data(), bytes.size(), &out.bytesPerPixel, error, sizeof(error));
        if (!out.image) out.problem = error;
    }
    return out;
}

void printImageFile(const char* path, const ImageFile& file) {
    if (file.openError != 0) {
        std::fprintf(stderr, "TGA_READ: failed to open file %s\n", path);
    } else if (file.image) {
        std::printf("'%s' (%d byte) image file closed and read.\n", path, file.bytesPerPixel);
    }
}

TgaImage* readTga(const char* path) {
    const ImageFile file = readImageFile(path);
    printImageFile(path, file);
    if (!file.problem.empty())
        std::fprintf(stderr, "TGA_READ: '%s': %s\n", path, file.problem.c_str());
    return file.image;
}
