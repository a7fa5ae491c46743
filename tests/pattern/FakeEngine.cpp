// A stand-in for the renderer's own library: marks the frame it is handed.
#include <cstdint>

#if defined(_WIN32)
#define FAKE_EXPORT __declspec(dllexport)
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" FAKE_EXPORT void __RasterScene(uint8_t* dst, uint8_t*, int, int, int, int, int, void*, void*, int, int,
                                          int, void*, void*, int, void*, void*) {
    if (dst) dst[0] = 0x5A;
}
