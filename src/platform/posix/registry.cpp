// The stand-in registry: answers the library's registry calls as Windows does, over an SQLite store.
#include "platform/registry.h"

#include <strings.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/posix/store.h"

extern char** environ;

namespace quorvane::platform {

namespace {

using standin::Store;
using standin::to_status;
using standin::Use;

constexpr Status kInvalidHandle = 6;
constexpr Status kBadPathname = 161;
constexpr Status kUnsupportedType = 1630;

constexpr std::size_t kMaxKeyNameLength = 256;
constexpr std::size_t kMaxValueNameLength = 16383;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDwordBigEndian = 5;
constexpr std::uint32_t kRegLink = 6;
constexpr std::uint32_t kRegMultiSz = 7;

// Where a predefined root key lives in the store: a hive and the path of a key inside it.
struct Root {
    std::int64_t hive;
    const char* path;
};

bool find_root(RootKey key, Root* root) noexcept {
    constexpr std::int64_t kMachineHive = 1;
    constexpr std::int64_t kUserHive = 2;
    constexpr std::int64_t kUsersHive = 3;
    switch (key) {
        case kLocalMachine: *root = {kMachineHive, ""}; return true;
        case kCurrentUser: *root = {kUserHive, ""}; return true;
        case kUsers: *root = {kUsersHive, ""}; return true;
        case kClassesRoot: *root = {kMachineHive, "Software\\Classes"}; return true;
        case kCurrentConfig:
            *root = {kMachineHive, "System\\CurrentControlSet\\Hardware Profiles\\Current"};
            return true;
        default: return false;
    }
}

// Calls `visit(name)` for each key name of `path`, skipping empty components, until it fails.
template <class Visit>
Status for_each_component(const char* path, Visit visit) {
    std::string_view rest = path;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\\'), rest.size());
        if (end > 0) {
            const Status status = visit(rest.substr(0, end));
            if (status != kSuccess) return status;
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return kSuccess;
}

Status check_path(const char* subkey) {
    if (subkey[0] == '\\') return kBadPathname;
    return for_each_component(subkey, [](std::string_view component) {
        return component.size() > kMaxKeyNameLength ? kInvalidParameter : kSuccess;
    });
}

void bind_name(sqlite3_stmt* statement, int index, std::string_view name) noexcept {
    sqlite3_bind_text(statement, index, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
}

// The child key `name` of `*key`: `*key` becomes its id. With `create`, a missing key is added.
Status step_into(Store& store, std::int64_t* key, std::string_view name, bool create) {
    {
        const Use find(store, standin::kFindKey);
        sqlite3_bind_int64(*find, 1, *key);
        bind_name(*find, 2, name);
        const int code = sqlite3_step(*find);
        if (code == SQLITE_ROW) {
            *key = sqlite3_column_int64(*find, 0);
            return kSuccess;
        }
        if (code != SQLITE_DONE) return to_status(code);
    }
    if (!create) return kFileNotFound;
    const Use add(store, standin::kAddKey);
    sqlite3_bind_int64(*add, 1, *key);
    bind_name(*add, 2, name);
    const int code = sqlite3_step(*add);
    if (code != SQLITE_DONE) return to_status(code);
    *key = sqlite3_last_insert_rowid(store.db);
    return kSuccess;
}

Status walk(Store& store, const Root& root, const char* subkey, bool create, std::int64_t* key) {
    *key = root.hive;
    const auto step = [&](std::string_view name) { return step_into(store, key, name, create); };
    const Status status = for_each_component(root.path, step);
    return status != kSuccess ? status : for_each_component(subkey, step);
}

// Runs `body` inside a transaction that commits when it succeeds and rolls back otherwise.
template <class Body>
Status in_transaction(Store& store, Body body) {
    {
        const Use start(store, standin::kBeginImmediate);
        const int code = sqlite3_step(*start);
        if (code != SQLITE_DONE) return to_status(code);
    }
    Status status = body();
    if (status == kSuccess) {
        const Use commit(store, standin::kCommit);
        status = to_status(sqlite3_step(*commit));
    }
    if (status != kSuccess && sqlite3_get_autocommit(store.db) == 0) {
        const Use rollback(store, standin::kRollback);
        sqlite3_step(*rollback);
    }
    return status;
}

bool is_string_type(std::uint32_t type) noexcept {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// The environment variable `name`, matched without regard to ASCII case as Windows does.
const char* find_variable(std::string_view name) noexcept {
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals != nullptr && static_cast<std::size_t>(equals - *entry) == name.size() &&
            strncasecmp(*entry, name.data(), name.size()) == 0) {
            return equals + 1;
        }
    }
    return nullptr;
}

// %NAME% references replaced by their values; an unknown reference and a lone % stay as written.
std::string expand(std::string_view text) {
    std::string expanded;
    while (!text.empty()) {
        const std::size_t open = text.find('%');
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        const char* value = find_variable(text.substr(open + 1, close - open - 1));
        expanded.append(text.substr(0, value != nullptr ? open : close + 1));
        if (value != nullptr) expanded.append(value);
        text.remove_prefix(close + 1);
    }
    return expanded.append(text);
}

// Copies `bytes` out as RegGetValue returns them: string types end in a zero byte, expandable
// strings come expanded, and a buffer too small gets only the size it needs.
Status deliver(std::uint32_t type, std::string_view bytes, void* data, std::uint32_t* size) {
    std::string expanded;
    bool add_zero = is_string_type(type) && !bytes.empty() && bytes.back() != '\0';
    if (type == kRegExpandSz) {
        expanded = expand(bytes.substr(0, bytes.find('\0')));
        expanded.push_back('\0');
        bytes = expanded;
        add_zero = false;
    }
    const std::size_t needed = bytes.size() + (add_zero ? 1 : 0);
    if (needed > UINT32_MAX) return kNotEnoughMemory;
    const std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(needed);
    if (data == nullptr || needed > room) return kMoreData;
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());  // SQLite gives no address for 0 bytes
    if (add_zero) static_cast<char*>(data)[bytes.size()] = '\0';
    return kSuccess;
}

// `found(type, bytes)` of the value `name` under root\\subkey, or the status of not finding it.
template <class Found>
Status find_value(Store& store, const Root& root, const char* subkey, const char* name, Found found) {
    std::int64_t key = 0;
    Status status = walk(store, root, subkey, false, &key);
    if (status != kSuccess) return status;

    const Use find(store, standin::kFindValue);
    sqlite3_bind_int64(*find, 1, key);
    bind_name(*find, 2, name);
    const int code = sqlite3_step(*find);
    if (code != SQLITE_ROW) return code == SQLITE_DONE ? kFileNotFound : to_status(code);
    const auto type = static_cast<std::uint32_t>(sqlite3_column_int64(*find, 0));
    const void* blob = sqlite3_column_blob(*find, 1);
    const auto length = static_cast<std::size_t>(sqlite3_column_bytes(*find, 1));
    if (blob == nullptr && length > 0) return to_status(sqlite3_errcode(store.db));
    return found(type, std::string_view(static_cast<const char*>(blob), length));
}

// The checks every call makes of its root key and path, then `body(store, root)` with the
// store open and to this call alone. Missing names stand for the root key and the default value.
template <class Body>
Status in_store(RootKey root_key, const char*& subkey, const char*& name, Body body) noexcept {
    if (subkey == nullptr) subkey = "";
    if (name == nullptr) name = "";
    Root root{};
    if (!find_root(root_key, &root)) return kInvalidHandle;
    try {
        const Status status = check_path(subkey);
        if (status != kSuccess) return status;
        return standin::with_store([&](Store& store) { return body(store, root); });
    } catch (...) {
        return 14;  // out of memory: nothing else here throws
    }
}

}  // namespace

Status set_value(RootKey root_key, const char* subkey, const char* name, std::uint32_t type,
                 const void* data, std::uint32_t size) noexcept {
    if (data == nullptr && size > 0) return kInvalidParameter;
    // Too long a name cannot be stored; reading one simply finds nothing.
    if (name != nullptr && std::strlen(name) > kMaxValueNameLength) return kInvalidParameter;
    return in_store(root_key, subkey, name, [&](Store& store, const Root& root) {
        return in_transaction(store, [&] {
            std::int64_t key = 0;
            const Status walked = walk(store, root, subkey, true, &key);
            if (walked != kSuccess) return walked;
            const Use put(store, standin::kPutValue);
            sqlite3_bind_int64(*put, 1, key);
            bind_name(*put, 2, name);
            sqlite3_bind_int64(*put, 3, type);
            // An empty value is an empty blob, never NULL.
            sqlite3_bind_blob64(*put, 4, size > 0 ? data : "", size, SQLITE_STATIC);
            return to_status(sqlite3_step(*put));
        });
    });
}

Status get_value(RootKey root_key, const char* subkey, const char* name, void* data,
                 std::uint32_t* size) noexcept {
    if (size == nullptr) return kInvalidParameter;
    // Keys are never removed, so the walk and the value's one query need no transaction.
    return in_store(root_key, subkey, name, [&](Store& store, const Root& root) {
        return find_value(store, root, subkey, name, [&](std::uint32_t type, std::string_view bytes) {
            if (type == kRegDwordBigEndian || type == kRegLink) return kUnsupportedType;
            return deliver(type, bytes, data, size);
        });
    });
}

}  // namespace quorvane::platform

namespace quorvane::standin {

platform::Status get_stored(platform::RootKey root, const char* subkey, const char* name,
                            std::uint32_t* type, std::string* bytes) noexcept {
    return platform::in_store(root, subkey, name, [&](Store& store, const platform::Root& where) {
        return platform::find_value(store, where, subkey, name,
                                    [&](std::uint32_t stored_type, std::string_view stored) {
                                        *type = stored_type;
                                        bytes->assign(stored);
                                        return platform::kSuccess;
                                    });
    });
}

}  // namespace quorvane::standin
