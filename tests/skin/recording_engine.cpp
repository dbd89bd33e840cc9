// A stand-in skin engine for the binder tests: each call appends one line to
// the file named by $QV_RECORDING_LOG. Built twice: complete, and without
// the glass functions (QV_RECORDING_PARTIAL).

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void record(const char* format, ...) {
    const char* path = std::getenv("QV_RECORDING_LOG");
    if (!path) return;
    std::FILE* log = std::fopen(path, "a");
    if (!log) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log, format, args);
    va_end(args);
    std::fputc('\n', log);
    std::fclose(log);
}

}  // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT std::int32_t SkinH_Attach() {
    record("SkinH_Attach()");
    return 0;
}

EXPORT std::int32_t SkinH_AdjustHSV(std::int32_t h, std::int32_t s, std::int32_t v) {
    record("SkinH_AdjustHSV(%d, %d, %d)", h, s, v);
    return 0;
}

EXPORT std::int32_t SkinH_SetMenuAlpha(std::int32_t a) {
    record("SkinH_SetMenuAlpha(%d)", a);
    return 0;
}

#ifndef QV_RECORDING_PARTIAL
EXPORT std::int32_t SkinH_SetAero(std::int32_t on) {
    record("SkinH_SetAero(%d)", on);
    return 0;
}

EXPORT std::int32_t SkinH_AdjustAero(std::int32_t a1, std::int32_t a2, std::int32_t a3, std::int32_t a4,
                                     std::int32_t a5, std::int32_t a6, std::int32_t a7, std::int32_t a8,
                                     std::int32_t a9) {
    record("SkinH_AdjustAero(%d, %d, %d, %d, %d, %d, %d, %d, %d)", a1, a2, a3, a4, a5, a6, a7, a8, a9);
    return 0;
}
#endif
