// The stand-in registry's SQLite store: one connection per process, opened on first use.
#pragma once

#include <sqlite3.h>

#include <mutex>
#include <string>

#include "platform/registry.h"

namespace quorvane::standin {

// A statement of the store's, prepared once and reset after each use.
enum Statement {
    kBeginImmediate,
    kCommit,
    kRollback,
    kFindKey,
    kAddKey,
    kFindValue,
    kPutValue,
    kStatementCount
};

struct Store {
    sqlite3* db = nullptr;
    sqlite3_stmt* statements[kStatementCount] = {};
};

// The store's file: $XDG_DATA_HOME/quorvane/registry.db, by default under ~/.local/share.
std::string store_path();

// The registry status for an SQLite result code (0 for SQLITE_OK, SQLITE_ROW and SQLITE_DONE).
platform::Status to_status(int sqlite_code) noexcept;

// Opens (creating it and its folder where missing) and prepares the store; 0 or a status.
platform::Status open_store(Store& store) noexcept;

std::mutex& store_mutex() noexcept;
Store& the_store() noexcept;

// Runs `body(store)` with the process's store open and to itself; the status of opening it
// when that fails (a failed open is tried again by the next call). What `body` throws (only
// std::bad_alloc) passes on to the caller, with the store unlocked.
template <class Body>
platform::Status with_store(Body body) {
    const std::lock_guard<std::mutex> lock(store_mutex());
    Store& store = the_store();
    if (store.db == nullptr) {
        const platform::Status status = open_store(store);
        if (status != platform::kSuccess) return status;
    }
    return body(store);
}

// A value's type and bytes exactly as stored (no expansion, no added zero byte).
platform::Status get_stored(platform::RootKey root, const char* subkey, const char* name,
                            std::uint32_t* type, std::string* bytes) noexcept;

// Resets a prepared statement when it goes out of use.
class Use {
public:
    Use(Store& store, Statement which) noexcept : statement_(store.statements[which]) {}
    ~Use() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    sqlite3_stmt* operator*() const noexcept { return statement_; }

private:
    sqlite3_stmt* statement_;
};

}  // namespace quorvane::standin
