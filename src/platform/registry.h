// The registry and message services the library needs, and nothing more.
// win32/ forwards to the real registry; posix/ is the stand-in for systems without one.
#pragma once

#include <cstdint>

namespace quorvane::platform {

// A predefined root key as its pointer-sized handle value (0x80000000 sign-extended, ...).
using RootKey = std::intptr_t;

// A registry status (LSTATUS): 0 success, otherwise a system error code.
using Status = std::int32_t;

inline constexpr Status kSuccess = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kNotEnoughMemory = 8;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kMoreData = 234;

inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegQword = 11;

constexpr RootKey root_key(std::uint32_t handle) noexcept {
    return static_cast<RootKey>(static_cast<std::int32_t>(handle));
}

inline constexpr RootKey kClassesRoot = root_key(0x80000000U);
inline constexpr RootKey kCurrentUser = root_key(0x80000001U);
inline constexpr RootKey kLocalMachine = root_key(0x80000002U);
inline constexpr RootKey kUsers = root_key(0x80000003U);
inline constexpr RootKey kCurrentConfig = root_key(0x80000005U);

// RegSetKeyValueA: stores `size` bytes of `data` with `type` under root\subkey, value `name`.
Status set_value(RootKey root, const char* subkey, const char* name, std::uint32_t type,
                 const void* data, std::uint32_t size) noexcept;

// RegGetValueA with RRF_RT_ANY and no type output. `*size` is the room in `data` going in;
// coming out, the bytes written (0) or the bytes needed (kMoreData).
Status get_value(RootKey root, const char* subkey, const char* name, void* data,
                 std::uint32_t* size) noexcept;

// FormatMessageA from the system table, no inserts: the text of `status` into `buffer`.
// Returns the length written, or 0 when there is no text (`buffer` may then be left as it was).
std::uint32_t format_message(Status status, char* buffer, std::uint32_t size) noexcept;

}  // namespace quorvane::platform
