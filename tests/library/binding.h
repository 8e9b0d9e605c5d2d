// How the shared library tests reach the three native methods: on Linux through a real JVM
// (-Xcheck:jni) over the stand-in, on Windows through Quorvane.dll and a JNIEnv double over
// Wine's registry. The cases in library_test.cpp run unchanged through either.
#pragma once

#include <jni.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace quorvane::test {

// A string argument; nullopt is a null jstring.
using Arg = std::optional<std::string>;

struct Outcome {
    std::string out;     // the bytes printed (line ends as this platform's stdout writes them)
    std::string result;  // "0" or "-1" for the writers; the reader's text, or "null"
};

struct Stored {
    platform::Status status;
    std::uint32_t type = 0;
    std::string bytes;  // as stored: unexpanded, no zero byte added
};

Outcome set_qword(const std::vector<Arg>& args, jlong data);
Outcome set_expand(const std::vector<Arg>& args);
// The reader's result is the text as Java sees it, in UTF-8 when the binding decodes it with
// GB2312 (the JVM), or else the bytes handed to new String(bytes, charset) (the double, which
// also checks that charset is "GB2312").
Outcome get_str(const std::vector<Arg>& args);
bool reader_decodes();

// A value as the registry itself stores it, read past the library.
Stored stored(platform::RootKey root, const std::string& subkey, const std::string& name);

}  // namespace quorvane::test
