// libpng's and TurboJPEG's decoding calls (as texture/image.cpp makes them) answered by the
// browser: before the engine starts, the page decodes every PNG and JPEG file of the scene with
// the browser's own decoders into exact, unpremultiplied RGBA bytes (web/krestel.js); these
// functions find the file's bytes among them. Web build only.
#include <emscripten/emscripten.h>
#include <png.h>
#include <turbojpeg.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* NOT_DECODED = "the browser could not decode the image";

// The page's decoded image whose file bytes equal these, with its size; -1 when there is none
// or the browser could not decode it.
EM_JS(int, findDecodedImage, (const unsigned char* bytes, size_t size, int* width, int* height), {
    var images = Module['krestelImages'] || [];
    for (var i = 0; i < images.length; ++i) {
        var image = images[i];
        if (image.bytes.length != size) continue;
        var same = true;
        for (var k = 0; k < size && same; ++k) same = image.bytes[k] == HEAPU8[bytes + k];
        if (!same) continue;
        if (!image.rgba) return -1;
        HEAP32[width >> 2] = image.width;
        HEAP32[height >> 2] = image.height;
        return i;
    }
    return -1;
});

// Copies image `index`'s RGBA bytes, top row first.
EM_JS(void, copyDecodedImage, (int index, unsigned char* out),
      { HEAPU8.set(Module['krestelImages'][index].rgba, out); });

struct JpegDecoder {
    int image = -1;
    char error[80] = "";
};

} // namespace

int png_image_begin_read_from_memory(png_image* image, const void* memory, size_t size) {
    int width = 0;
    int height = 0;
    const int found =
        findDecodedImage(static_cast<const unsigned char*>(memory), size, &width, &height);
    if (found < 0) {
        std::snprintf(image->message, sizeof image->message, "%s", NOT_DECODED);
        return 0;
    }
    image->opaque = reinterpret_cast<void*>(static_cast<intptr_t>(found + 1));
    image->width = png_uint_32(width);
    image->height = png_uint_32(height);
    image->format = PNG_FORMAT_RGBA;
    return 1;
}

int png_image_finish_read(png_image* image, const void* background, void* buffer, int32_t rowStride,
                          void* colormap) {
    (void)background;
    (void)colormap;
    if (image->opaque == nullptr || rowStride != 0 || image->format != PNG_FORMAT_RGBA) {
        std::snprintf(image->message, sizeof image->message, "%s", NOT_DECODED);
        return 0;
    }
    copyDecodedImage(int(reinterpret_cast<intptr_t>(image->opaque)) - 1,
                     static_cast<unsigned char*>(buffer));
    return 1;
}

void png_image_free(png_image* image) {
    image->opaque = nullptr;
}

tjhandle tjInitDecompress() {
    return new JpegDecoder;
}

int tjDecompressHeader3(tjhandle handle, const unsigned char* jpegBuf, unsigned long jpegSize,
                        int* width, int* height, int* jpegSubsamp, int* jpegColorspace) {
    auto* decoder = static_cast<JpegDecoder*>(handle);
    decoder->image = findDecodedImage(jpegBuf, jpegSize, width, height);
    *jpegSubsamp = 0;
    *jpegColorspace = 0;
    if (decoder->image >= 0) return 0;
    std::snprintf(decoder->error, sizeof decoder->error, "%s", NOT_DECODED);
    return -1;
}

int tjDecompress2(tjhandle handle, const unsigned char* jpegBuf, unsigned long jpegSize,
                  unsigned char* dstBuf, int width, int pitch, int height, int pixelFormat,
                  int flags) {
    (void)jpegBuf;
    (void)jpegSize;
    (void)width;
    (void)height;
    (void)flags;
    auto* decoder = static_cast<JpegDecoder*>(handle);
    if (decoder->image < 0 || pitch != 0 || pixelFormat != TJPF_RGBA) {
        std::snprintf(decoder->error, sizeof decoder->error, "%s", NOT_DECODED);
        return -1;
    }
    copyDecodedImage(decoder->image, dstBuf);
    return 0;
}

int tjDestroy(tjhandle handle) {
    delete static_cast<JpegDecoder*>(handle);
    return 0;
}

char* tjGetErrorStr2(tjhandle handle) {
    static char none[] = "the browser could not start a decoder";
    return handle ? static_cast<JpegDecoder*>(handle)->error : none;
}
