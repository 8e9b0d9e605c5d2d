// The steps every native method runs in the same way around its one registry call.
#pragma once

#include <jni.h>

#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>

#include "platform/registry.h"

// The C runtime's own printf, bound by its C name: in C++, mingw-w64 replaces printf with its
// own implementation, which writes a %s text one byte at a time; the runtime's writes it whole.
// Either way each call holds the stream's lock, so a line is never split.
extern "C" int crt_printf(const char* format, ...) __asm__("printf") __attribute__((format(printf, 1, 2)));

namespace quorvane::frame {

inline constexpr jint kWriteSucceeded = 0;
inline constexpr jint kWriteFailed = -1;

// The predefined root key named exactly `name` (one of the five conventional names), if any.
std::optional<platform::RootKey> lookup_root_key(const char* name) noexcept;

// Prints "<prefix>ERROR!! dwErr=<status>, msgBuffer=<system text>\n".
void report_failure(const char* prefix, platform::Status status) noexcept;

// The modified UTF-8 texts of one call's string arguments, taken in argument order and given
// back when the call ends, whatever path it leaves by.
class ArgTexts {
public:
    ArgTexts(JNIEnv* env, std::initializer_list<jstring> args) noexcept;
    ~ArgTexts();
    ArgTexts(const ArgTexts&) = delete;
    ArgTexts& operator=(const ArgTexts&) = delete;

    // The text of argument `i`; null for a null jstring.
    const char* operator[](std::size_t i) const noexcept { return texts_[i]; }

private:
    friend std::optional<platform::RootKey> resolve(const char*, const ArgTexts&) noexcept;

    static constexpr std::size_t kMaxArgs = 4;
    JNIEnv* env_;
    std::array<jstring, kMaxArgs> strings_{};
    std::array<const char*, kMaxArgs> texts_{};
    std::size_t count_ = 0;  // arguments whose text was asked for
    bool refused_ = false;   // the JVM could not give a text and left an OutOfMemoryError pending
};

// Everything before the trace line: the root key of texts[0], or nothing once the failure has
// been reported (the no-such-key line; status 87 for a missing argument; silence when the JVM
// refused a text, whose pending error then reaches the caller).
std::optional<platform::RootKey> resolve(const char* prefix, const ArgTexts& texts) noexcept;

// A writer's outcome: its success line and 0, or the failure report and -1.
jint finish_write(const char* prefix, const char* success_line, platform::Status status) noexcept;

}  // namespace quorvane::frame
