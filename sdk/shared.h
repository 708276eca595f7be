#pragma once
// The host's helper library: UTF-8 wrappers of operating-system calls and
// small utilities that components call instead of the system directly.
#include <cstddef>
#include <cstdint>

#include "sdk/string_base.h"

#if defined(_WIN32)
#if defined(SHARED_BUILDING)
#define SHARED_API __declspec(dllexport)
#else
#define SHARED_API __declspec(dllimport)
#endif
#else
#define SHARED_API __attribute__((visibility("default")))
#endif

extern "C++" {

// Modules, by UTF-8 path. Handles are the system's module handles.
SHARED_API void* uLoadLibrary(const char* path);
SHARED_API void* uGetModuleHandle(const char* path);  // null when not loaded; adds no reference
SHARED_API bool uGetModuleFileName(void* module, string_base& out);

// Temporary files: the directory ends with a separator; the new file is
// created empty, named from up to three characters of the prefix.
SHARED_API bool uGetTempPath(string_base& out);
SHARED_API bool uGetTempFileName(const char* directory, const char* prefix, unsigned unique, string_base& out);
SHARED_API bool uDeleteFile(const char* path);

// 0 when equal without regard to case.
SHARED_API int stricmp_utf8(const char* a, const char* b);

namespace audio_math {
SHARED_API void convert_from_int16(const int16_t* source, size_t count, float* target, float scale);
SHARED_API void convert_from_int32(const int32_t* source, size_t count, float* target, float scale);
}  // namespace audio_math

// Labels the current call so that a crash inside it is reported with the label.
class SHARED_API uCallStackTracker {
public:
    explicit uCallStackTracker(const char* label);
    ~uCallStackTracker();
    uCallStackTracker(const uCallStackTracker&) = delete;
    uCallStackTracker& operator=(const uCallStackTracker&) = delete;
};
// The innermost active label on this thread, or null.
SHARED_API const char* uCallStackTop();

// A broken contract between host and component: reports and ends the process.
[[noreturn]] SHARED_API void uBugCheck();

// The system's text for an error code; false when it has none.
SHARED_API bool uFormatSystemErrorMessage(string_base& out, uint32_t code);

#if defined(_WIN32)
// The host's crash handling for a structured exception raised inside a
// component's window code; returns the filter's verdict (EXCEPTION_*).
SHARED_API long uExceptFilterProc(struct _EXCEPTION_POINTERS* info);
#endif

}
