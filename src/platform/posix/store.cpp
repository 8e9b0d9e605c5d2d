#include "platform/posix/store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstdlib>

namespace quorvane::standin {

namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;
constexpr platform::Status kBusy = 170;

constexpr const char* kStatementSql[kStatementCount] = {
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    "INSERT INTO keys(parent, name) VALUES (?1, ?2)",
    "SELECT type, data FROM key_values WHERE key = ?1 AND name = ?2",
    "INSERT INTO key_values(key, name, type, data) VALUES (?1, ?2, ?3, ?4) "
    "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data",
};

// Keys form one tree per hive; names compare with ASCII case folding (NOCASE) and keep the
// spelling of their first write. The three hives are the rows with parent 0.
constexpr const char* kSchemaSql =
    "CREATE TABLE keys("
    "  id INTEGER PRIMARY KEY,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  UNIQUE(parent, name));"
    "CREATE TABLE key_values("
    "  key INTEGER NOT NULL REFERENCES keys(id),"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE(key, name));"
    "INSERT INTO keys(id, parent, name) VALUES"
    "  (1, 0, 'HKEY_LOCAL_MACHINE'), (2, 0, 'HKEY_CURRENT_USER'), (3, 0, 'HKEY_USERS');"
    "PRAGMA user_version = 1;";

platform::Status errno_status(int error) noexcept {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS: return 5;
        case ENOSPC:
        case EDQUOT: return 112;
        case ENOMEM: return 14;
        default: return 1016;
    }
}

// Creates the store's folder and the folders above it that are missing, owner-only.
platform::Status make_folders(const std::string& file) {
    for (std::size_t slash = file.find('/', 1); slash != std::string::npos;
         slash = file.find('/', slash + 1)) {
        const std::string folder = file.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno_status(errno);
    }
    return platform::kSuccess;
}

// Creates the file owner-only before SQLite does (it would use 0644), and tells whether the
// owner may write it: a store whose write bit was taken away is opened read-only, even by root.
platform::Status prepare_file(const std::string& file, bool* writable) noexcept {
    const int fd = open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return errno_status(errno);
    struct stat info {};
    const int stat_result = fstat(fd, &info);
    close(fd);
    if (stat_result != 0) return errno_status(errno);
    *writable = (info.st_mode & S_IWUSR) != 0;
    return platform::kSuccess;
}

platform::Status create_schema(sqlite3* db) noexcept {
    int code = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) return to_status(code);
    sqlite3_stmt* statement = nullptr;
    code = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    int version = 0;
    if (code == SQLITE_OK && (code = sqlite3_step(statement)) == SQLITE_ROW) {
        version = sqlite3_column_int(statement, 0);
        code = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    if (code == SQLITE_OK && version == 0) code = sqlite3_exec(db, kSchemaSql, nullptr, nullptr, nullptr);
    // A newer schema than this library knows is not ours to touch.
    if (code == SQLITE_OK && version > kSchemaVersion) code = SQLITE_CORRUPT;
    if (code == SQLITE_OK) code = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return to_status(code);
}

// The journal, the durability and the schema of a store that may be brand new.
platform::Status set_up(sqlite3* db) noexcept {
    const int code = sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    return code == SQLITE_OK ? create_schema(db) : to_status(code);
}

// Runs `step` again while another process holds the lock it needs, up to the busy timeout:
// switching a new file to WAL does not wait on the busy handler, so two processes opening a new
// store at once would otherwise see "busy".
template <class Step>
platform::Status with_retries(Step step) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    platform::Status status = step();
    while (status == kBusy && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        status = step();
    }
    return status;
}

platform::Status open_at(Store& store, const std::string& file) {
    platform::Status status = make_folders(file);
    bool writable = false;
    if (status == platform::kSuccess) status = prepare_file(file, &writable);
    if (status != platform::kSuccess) return status;

    const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
    int code = sqlite3_open_v2(file.c_str(), &store.db, flags, nullptr);
    if (code == SQLITE_OK) code = sqlite3_busy_timeout(store.db, kBusyTimeoutMs);
    if (code != SQLITE_OK) return to_status(code);
    if (writable) status = with_retries([&] { return set_up(store.db); });
    for (int i = 0; status == platform::kSuccess && i < kStatementCount; ++i) {
        status = to_status(sqlite3_prepare_v3(store.db, kStatementSql[i], -1, SQLITE_PREPARE_PERSISTENT,
                                              &store.statements[i], nullptr));
    }
    return status;
}

void close_store(Store& store) noexcept {
    for (sqlite3_stmt*& statement : store.statements) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    sqlite3_close(store.db);
    store.db = nullptr;
}

}  // namespace

std::string store_path() {
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home != nullptr && data_home[0] == '/') return std::string(data_home) + "/quorvane/registry.db";
    const char* home = std::getenv("HOME");
    std::string base = home != nullptr && home[0] == '/' ? home : "";
    if (base.empty()) {
        const passwd* user = getpwuid(getuid());
        if (user != nullptr && user->pw_dir != nullptr) base = user->pw_dir;
    }
    return base + "/.local/share/quorvane/registry.db";
}

platform::Status to_status(int sqlite_code) noexcept {
    switch (sqlite_code & 0xff) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE: return platform::kSuccess;
        case SQLITE_PERM:
        case SQLITE_READONLY:
        case SQLITE_AUTH:
        case SQLITE_CANTOPEN: return 5;
        case SQLITE_FULL: return 112;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_SCHEMA: return 1009;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return 170;
        case SQLITE_NOMEM: return 14;
        default: return 1016;
    }
}

platform::Status open_store(Store& store) noexcept {
    platform::Status status = 14;
    try {
        status = open_at(store, store_path());
    } catch (...) {
        // only std::string's allocations can throw here
    }
    if (status != platform::kSuccess) close_store(store);
    return status;
}

std::mutex& store_mutex() noexcept {
    static std::mutex mutex;
    return mutex;
}

Store& the_store() noexcept {
    static Store store;
    return store;
}

}  // namespace quorvane::standin
