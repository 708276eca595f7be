#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <string>

#include "sdk/shared.h"

namespace {

std::wstring widen(const char* utf8) {
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(units, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), units);
    wide.resize(units - 1);
    return wide;
}

std::string narrow(const wchar_t* wide, int units) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace

void* uLoadLibrary(const char* path) { return LoadLibraryW(widen(path).c_str()); }

void* uGetModuleHandle(const char* path) { return GetModuleHandleW(widen(path).c_str()); }

bool uGetModuleFileName(void* module, string_base& out) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD units = GetModuleFileNameW(static_cast<HMODULE>(module), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (units == 0) return false;
        if (units < buffer.size()) {
            out.set_string(narrow(buffer.data(), static_cast<int>(units)).c_str());
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool uGetTempPath(string_base& out) {
    wchar_t buffer[MAX_PATH + 1];
    DWORD units = GetTempPathW(MAX_PATH + 1, buffer);
    if (units == 0 || units > MAX_PATH) return false;
    out.set_string(narrow(buffer, static_cast<int>(units)).c_str());
    return true;
}

bool uGetTempFileName(const char* directory, const char* prefix, unsigned unique, string_base& out) {
    wchar_t buffer[MAX_PATH + 1];
    if (GetTempFileNameW(widen(directory).c_str(), widen(prefix).c_str(), unique, buffer) == 0) return false;
    out.set_string(narrow(buffer, -1).c_str());
    return true;
}

bool uDeleteFile(const char* path) { return DeleteFileW(widen(path).c_str()) != 0; }

bool uFormatSystemErrorMessage(string_base& out, uint32_t code) {
    wchar_t* text = nullptr;
    DWORD units = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (units == 0 || text == nullptr) return false;
    while (units > 0 && (text[units - 1] == L'\r' || text[units - 1] == L'\n' || text[units - 1] == L' ')) --units;
    out.set_string(narrow(text, static_cast<int>(units)).c_str());
    LocalFree(text);
    return true;
}

long uExceptFilterProc(EXCEPTION_POINTERS* info) {
    // Reported here; the system's handling then ends the process.
    const char* where = uCallStackTop();
    std::fprintf(stderr, "Crash: exception %08lX at %p%s%s\n", info->ExceptionRecord->ExceptionCode,
                 info->ExceptionRecord->ExceptionAddress, where ? " in " : "", where ? where : "");
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}
#endif
