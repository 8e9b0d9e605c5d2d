// A scripted registry in place of the platform's: records every call the library makes and
// answers with the replies a test queued.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace quorvane::test::fake {

struct Call {
    std::string function;  // "set_value" or "get_value"
    platform::RootKey root;
    std::string subkey;
    std::string name;
    std::uint32_t type;  // set_value
    std::string data;    // set_value: the bytes handed over
    std::uint32_t size;  // the size handed over (get_value: the room offered)
};

struct Reply {
    platform::Status status;
    std::string data;        // get_value, status 0: the bytes written
    std::uint32_t size = 0;  // get_value, status 234: the size needed
};

inline std::vector<Call> calls;
inline std::deque<Reply> replies;  // when empty: set_value gives 0, get_value gives 2
inline bool message_lookup_fails = false;

inline void reset() {
    calls.clear();
    replies.clear();
    message_lookup_fails = false;
}

}  // namespace quorvane::test::fake
