// QWORD values worth writing, as the trace shows them and as the registry stores them.
#pragma once

#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::test {

struct QwordCase {
    jlong data;
    const char* traced;
    std::string bytes;  // eight bytes, little-endian
};

inline const std::vector<QwordCase>& qword_cases() {
    static const std::vector<QwordCase> cases = {
        {0, "0", std::string(8, '\0')},
        {-1, "-1", std::string(8, '\xff')},
        {42, "42", std::string("\x2a\0\0\0\0\0\0\0", 8)},
        {INT64_MIN, "-9223372036854775808", std::string("\0\0\0\0\0\0\0\x80", 8)},
        {INT64_MAX, "9223372036854775807", std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8)},
    };
    return cases;
}

}  // namespace quorvane::test
