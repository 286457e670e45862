// The part of TurboJPEG's API that texture/image.cpp uses, answered in the web build by the
// browser's JPEG decoder (app/web_image.cpp). Decodes to RGBA only, rows top first.
#pragma once

using tjhandle = void*;

enum TJPF { TJPF_RGBA = 7 };
#define TJFLAG_STOPONWARNING 8192
#define TJFLAG_LIMITSCANS 32768

tjhandle tjInitDecompress();
int tjDecompressHeader3(tjhandle handle, const unsigned char* jpegBuf, unsigned long jpegSize,
                        int* width, int* height, int* jpegSubsamp, int* jpegColorspace);
int tjDecompress2(tjhandle handle, const unsigned char* jpegBuf, unsigned long jpegSize,
                  unsigned char* dstBuf, int width, int pitch, int height, int pixelFormat,
                  int flags);
int tjDestroy(tjhandle handle);
char* tjGetErrorStr2(tjhandle handle);
