#pragma once
// The C interface of the two media filter modules. The view finds them in its installation
// directory with dlopen and resolves these names; either may be missing, and the view then runs
// untextured or silent.
#include <cstdint>

extern "C" {

// mediafilter1.ax: decodes an image file into 8-bit pixels, rows bottom-up (the order GL
// textures take), 3 (RGB) or 4 (RGBA) components. Returns 1 and a buffer to release with
// MonekoFreeImage, or 0 when the file cannot be decoded.
typedef int (*MonekoDecodeImageFn)(const char* path, int* width, int* height, int* components,
                                   unsigned char** pixels);
typedef void (*MonekoFreeImageFn)(unsigned char* pixels);

// mediafilter2.ax: plays sound files. Playing never blocks and never fails loudly: without an
// audio device every call is a harmless no-op. A handle of 0 means "not playing".
typedef int32_t (*MonekoSoundPlayFn)(const char* path, int loop, float volume);
typedef void (*MonekoSoundStopFn)(int32_t handle);
typedef void (*MonekoSoundSetEnabledFn)(int enabled);
typedef int (*MonekoSoundIsEnabledFn)(void);
}
