// What tests need to know about the process they run in, on both platforms.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace quorvane::test {

// True when the Windows build runs under Wine rather than Windows.
inline bool under_wine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

inline void set_environment(const char* name, const char* value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name, value);
#else
    setenv(name, value, 1);
#endif
}

// A name no earlier run has used, so runs against a persistent registry do not meet.
inline std::string fresh_name(const char* stem) {
#ifdef _WIN32
    const unsigned long long pid = GetCurrentProcessId();
    const unsigned long long tick = GetTickCount64();
#else
    const unsigned long long pid = static_cast<unsigned long long>(getpid());
    const unsigned long long tick = static_cast<unsigned long long>(std::time(nullptr));
#endif
    return std::string(stem) + std::to_string(tick) + "_" + std::to_string(pid);
}

}  // namespace quorvane::test
