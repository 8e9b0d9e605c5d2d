#include "platform/registry.h"

#include <windows.h>

namespace quorvane::platform {

namespace {
HKEY handle(RootKey root) noexcept { return reinterpret_cast<HKEY>(root); }
}  // namespace

Status set_value(RootKey root, const char* subkey, const char* name, std::uint32_t type,
                 const void* data, std::uint32_t size) noexcept {
    return RegSetKeyValueA(handle(root), subkey, name, type, data, size);
}

Status get_value(RootKey root, const char* subkey, const char* name, void* data,
                 std::uint32_t* size) noexcept {
    static_assert(sizeof(DWORD) == sizeof(std::uint32_t));
    return RegGetValueA(handle(root), subkey, name, RRF_RT_ANY, nullptr, data,
                        reinterpret_cast<DWORD*>(size));
}

std::uint32_t format_message(Status status, char* buffer, std::uint32_t size) noexcept {
    return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(status), 0,
                          buffer, size, nullptr);
}

}  // namespace quorvane::platform
