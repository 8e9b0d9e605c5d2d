// One table of registry scenarios, run through the platform interface by both builds: the
// Linux stand-in and, under Wine, the real registry. Both must give the same answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "test_env.h"

namespace quorvane::test {
namespace {

using platform::RootKey;
using platform::Status;

std::string operator""_b(const char* bytes, std::size_t size) { return {bytes, size}; }

enum Op { kSet, kGet };

struct Row {
    Op op;
    RootKey root;
    std::string subkey;  // "{B}" stands for this run's own key
    std::string name;
    std::uint32_t type;      // kSet
    std::string bytes;       // kSet: written; kGet: expected (status 0)
    std::uint32_t room;      // kGet: the room offered
    Status status;
    std::uint32_t size;      // kGet: the size reported (statuses 0 and 234)
    std::optional<Status> wine_status = std::nullopt;  // where Wine's registry differs from Windows
};

constexpr RootKey HKCU = platform::kCurrentUser;
constexpr RootKey HKLM = platform::kLocalMachine;
constexpr RootKey HKCR = platform::kClassesRoot;
constexpr RootKey HKCC = platform::kCurrentConfig;
constexpr std::uint32_t SZ = 1, EXPAND = 2, BINARY = 3, DWORD = 4, DWORD_BE = 5, LINK = 6, MULTI = 7,
                        NONE = 0, QWORD = 11;

const std::string k256(256, 'k');
const std::string k257(257, 'k');
const std::string v16383(16383, 'v');
const std::string v16384(16384, 'v');
const std::string big(2 * 1048576 + 3, 'b');

const std::vector<Row> kRows = {
    // A string value, read back whole, with any spelling of its names, and measured.
    {kSet, HKCU, "{B}\\Str", "Name", SZ, "hello\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Str", "Name", 0, "hello\0"_b, 100, 0, 6},
    {kGet, HKCU, "{b}\\sTR", "NAME", 0, "hello\0"_b, 6, 0, 6},
    {kGet, HKCU, "{B}\\Str", "Name", 0, "", 5, 234, 6},
    // Non-empty string types get the zero byte they lack; a multi-string comes back as stored.
    {kSet, HKCU, "{B}\\Str", "bare", SZ, "abc", 0, 0, 0},
    {kGet, HKCU, "{B}\\Str", "bare", 0, "abc\0"_b, 4, 0, 4},
    {kGet, HKCU, "{B}\\Str", "bare", 0, "", 3, 234, 4},
    {kSet, HKCU, "{B}\\Str", "empty", SZ, "", 0, 0, 0},
    {kGet, HKCU, "{B}\\Str", "empty", 0, "", 100, 0, 0},
    {kSet, HKCU, "{B}\\Str", "multi", MULTI, "one\0two\0\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Str", "multi", 0, "one\0two\0\0"_b, 100, 0, 9},
    // Expandable strings come back expanded, and their sizes count the expanded text.
    {kSet, HKCU, "{B}\\Exp", "known", EXPAND, "%QV_SCENARIO_DIR%\\acme\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Exp", "known", 0, "C:\\Users\\qv\\acme\0"_b, 100, 0, 17},
    {kGet, HKCU, "{B}\\Exp", "known", 0, "", 10, 234, 17},
    {kSet, HKCU, "{B}\\Exp", "case", EXPAND, "%qv_scenario_DIR%\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Exp", "case", 0, "C:\\Users\\qv\0"_b, 100, 0, 12},
    {kSet, HKCU, "{B}\\Exp", "unknown", EXPAND, "%QV_NOT_SET%;100%;%%\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Exp", "unknown", 0, "%QV_NOT_SET%;100%;%%\0"_b, 100, 0, 21},
    {kSet, HKCU, "{B}\\Exp", "chain", EXPAND, "%QV_NOT_SET%QV_SCENARIO_DIR%\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Exp", "chain", 0, "%QV_NOT_SET%QV_SCENARIO_DIR%\0"_b, 100, 0, 29},
    // Other types come back as their bytes.
    {kSet, HKCU, "{B}\\Num", "dword", DWORD, "\x2a\0\0\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Num", "dword", 0, "\x2a\0\0\0"_b, 100, 0, 4},
    {kSet, HKCU, "{B}\\Num", "qword", QWORD, "\xff\xff\xff\xff\xff\xff\xff\xff"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Num", "qword", 0, "\xff\xff\xff\xff\xff\xff\xff\xff"_b, 8, 0, 8},
    {kGet, HKCU, "{B}\\Num", "qword", 0, "", 7, 234, 8},
    {kSet, HKCU, "{B}\\Num", "binary", BINARY, "ABC", 0, 0, 0},
    {kGet, HKCU, "{B}\\Num", "binary", 0, "ABC", 3, 0, 3},
    {kSet, HKCU, "{B}\\Num", "none", NONE, "", 0, 0, 0},
    {kGet, HKCU, "{B}\\Num", "none", 0, "", 100, 0, 0},
    {kSet, HKCU, "{B}\\Num", "big-endian", DWORD_BE, "\0\0\0\x2a"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Num", "big-endian", 0, "", 100, 1630, 0},
    {kSet, HKCU, "{B}\\Num", "link", LINK, "x", 0, 0, 0},
    {kGet, HKCU, "{B}\\Num", "link", 0, "", 100, 1630, 0},
    // A value keeps its latest type and bytes.
    {kSet, HKCU, "{B}\\Num", "retyped", SZ, "text\0"_b, 0, 0, 0},
    {kSet, HKCU, "{B}\\Num", "RETYPED", DWORD, "\1\0\0\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Num", "retyped", 0, "\1\0\0\0"_b, 100, 0, 4},
    // Missing keys and values.
    {kGet, HKCU, "{B}\\Num", "missing", 0, "", 100, 2, 0},
    {kGet, HKCU, "{B}\\Nowhere", "dword", 0, "", 100, 2, 0},
    {kGet, HKLM, "{B}\\Num", "dword", 0, "", 100, 2, 0},
    // The default value, and the root key itself as an empty path.
    {kSet, HKCU, "{B}\\Def", "", SZ, "default\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Def", "", 0, "default\0"_b, 100, 0, 8},
    // Paths: a leading backslash is refused and creates nothing; trailing and doubled ones are ignored.
    {kSet, HKCU, "\\{B}\\Lead", "v", DWORD, "\1\0\0\0"_b, 0, 161, 0},
    {kGet, HKCU, "{B}\\Lead", "v", 0, "", 100, 2, 0},
    {kSet, HKCU, "{B}\\Trail\\", "v", DWORD, "\2\0\0\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Trail", "v", 0, "\2\0\0\0"_b, 100, 0, 4},
    {kSet, HKCU, "{B}\\\\Double\\\\Inner", "v", DWORD, "\3\0\0\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Double\\Inner", "v", 0, "\3\0\0\0"_b, 100, 0, 4},
    // Key and value name lengths (Wine's 8-bit calls refuse any path over 260 characters).
    {kSet, HKCU, "{B}\\" + k256, "v", DWORD, "\4\0\0\0"_b, 0, 0, 0, 234},
    {kGet, HKCU, "{B}\\" + k256, "v", 0, "\4\0\0\0"_b, 100, 0, 4, 234},
    {kSet, HKCU, "{B}\\" + k257, "v", DWORD, "\4\0\0\0"_b, 0, 87, 0, 234},
    {kSet, HKCU, "{B}\\Names", v16383, DWORD, "\5\0\0\0"_b, 0, 0, 0},
    {kGet, HKCU, "{B}\\Names", v16383, 0, "\5\0\0\0"_b, 100, 0, 4},
    {kSet, HKCU, "{B}\\Names", v16384, DWORD, "\5\0\0\0"_b, 0, 87, 0},
    {kGet, HKCU, "{B}\\Names", v16384, 0, "", 100, 2, 0},
    // Aliased roots land under HKEY_LOCAL_MACHINE and read back through both names.
    {kSet, HKCR, "{B}", "cr", SZ, "classes\0"_b, 0, 0, 0},
    {kGet, HKLM, "Software\\Classes\\{B}", "cr", 0, "classes\0"_b, 100, 0, 8},
    {kGet, HKCR, "{B}", "cr", 0, "classes\0"_b, 100, 0, 8},
    {kSet, HKCC, "{B}", "cc", SZ, "config\0"_b, 0, 0, 0},
    {kGet, HKLM, "System\\CurrentControlSet\\Hardware Profiles\\Current\\{B}", "cc", 0, "config\0"_b, 100, 0, 7},
    // A value larger than a first read's room.
    {kSet, HKCU, "{B}\\Big", "v", BINARY, big, 0, 0, 0},
    {kGet, HKCU, "{B}\\Big", "v", 0, "", 1048576, 234, static_cast<std::uint32_t>(big.size())},
    {kGet, HKCU, "{B}\\Big", "v", 0, big, static_cast<std::uint32_t>(big.size()), 0, static_cast<std::uint32_t>(big.size())},
};

std::string with_base(std::string path, const std::string& base) {
    for (const char* mark : {"{B}", "{b}"}) {
        for (std::size_t at; (at = path.find(mark)) != std::string::npos;) path.replace(at, 3, base);
    }
    return path;
}

TEST(Scenarios, BothRegistriesAnswerAlike) {
    set_environment("QV_SCENARIO_DIR", "C:\\Users\\qv");
    const std::string base = fresh_name("QuorvaneScenario");
    const bool wine = under_wine();
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const Row& row = kRows[i];
        const std::string subkey = with_base(row.subkey, base);
        SCOPED_TRACE("row " + std::to_string(i + 1) + ": " + (row.op == kSet ? "set " : "get ") +
                     subkey.substr(0, 60) + " / " + row.name.substr(0, 20));
        const Status expected = wine && row.wine_status ? *row.wine_status : row.status;
        if (row.op == kSet) {
            EXPECT_EQ(platform::set_value(row.root, subkey.c_str(), row.name.c_str(), row.type,
                                          row.bytes.data(), static_cast<std::uint32_t>(row.bytes.size())),
                      expected);
            continue;
        }
        std::string buffer(row.room, '\x7f');
        std::uint32_t size = row.room;
        ASSERT_EQ(platform::get_value(row.root, subkey.c_str(), row.name.c_str(), buffer.data(), &size), expected);
        if (expected == 0) {
            EXPECT_EQ(size, row.size);
            EXPECT_EQ(buffer.substr(0, size), row.bytes);
        } else if (expected == 234 && !(wine && row.wine_status)) {
            EXPECT_EQ(size, row.size);
        }
    }
}

TEST(Scenarios, EveryStatusTheLibraryMeetsHasASystemText) {
    for (Status status : {0, 2, 3, 5, 8, 14, 87, 112, 161, 170, 234, 1009, 1010, 1016, 1018, 1630}) {
        char buffer[500] = "untouched";
        const std::uint32_t length = platform::format_message(status, buffer, sizeof buffer);
        const std::string text(buffer);
        EXPECT_GT(length, 2u) << status;
        EXPECT_EQ(text.size(), length) << status;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << status;  // texts are masked: Wine has its own
    }
    char buffer[500] = "untouched";
    EXPECT_EQ(platform::format_message(0x7A11EDu, buffer, sizeof buffer), 0u);
}

}  // namespace
}  // namespace quorvane::test
