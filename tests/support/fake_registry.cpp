#include "fake_registry.h"

#include <cstring>

namespace quorvane::platform {

using test::fake::calls;
using test::fake::replies;

namespace {
test::fake::Reply next_reply(Status otherwise) {
    if (replies.empty()) return {otherwise, {}};
    test::fake::Reply reply = replies.front();
    replies.pop_front();
    return reply;
}
}  // namespace

Status set_value(RootKey root, const char* subkey, const char* name, std::uint32_t type,
                 const void* data, std::uint32_t size) noexcept {
    calls.push_back({"set_value", root, subkey, name, type,
                     std::string(static_cast<const char*>(data), size), size});
    return next_reply(kSuccess).status;
}

Status get_value(RootKey root, const char* subkey, const char* name, void* data,
                 std::uint32_t* size) noexcept {
    calls.push_back({"get_value", root, subkey, name, 0, {}, *size});
    const test::fake::Reply reply = next_reply(kFileNotFound);
    if (reply.status == kSuccess) {
        // Whatever the buffer held before stays beyond the bytes written, as with the real call.
        std::memset(data, 'X', std::min<std::size_t>(*size, 1 << 20));
        std::memcpy(data, reply.data.data(), reply.data.size());
        *size = static_cast<std::uint32_t>(reply.data.size());
    } else if (reply.status == kMoreData) {
        *size = reply.size;
    }
    return reply.status;
}

std::uint32_t format_message(Status status, char* buffer, std::uint32_t size) noexcept {
    if (test::fake::message_lookup_fails) {
        std::memset(buffer, '?', size);  // a failed lookup promises nothing about the buffer
        return 0;
    }
    const std::string text = "text of " + std::to_string(status) + "\r\n";
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<std::uint32_t>(text.size());
}

}  // namespace quorvane::platform
