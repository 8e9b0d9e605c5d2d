// The native methods end to end: exact lines, results and stored values, run unchanged through
// a real JVM over the stand-in (Linux) and through Quorvane.dll over Wine's registry (Windows).
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "binding.h"
#include "capture.h"
#include "qword_cases.h"
#include "test_env.h"

namespace quorvane::test {
namespace {

using platform::kCurrentUser;

const char* const kQword = "Java_Quorvane_RegSetKeyRegQwordValue: ";
const char* const kExpand = "Java_Quorvane_RegSetKeyRegExpandStrValue: ";
const char* const kGet = "Java_Quorvane_RegGetKeyRegStrValue: ";

std::string operator""_b(const char* bytes, std::size_t size) { return {bytes, size}; }

std::string message(platform::Status status) {
    char text[500] = "";
    platform::format_message(status, text, sizeof text);
    return text;
}

std::string error_line(const char* prefix, platform::Status status) {
    return std::string(prefix) + "ERROR!! dwErr=" + std::to_string(status) + ", msgBuffer=" + message(status) + "\n";
}

class Library : public ::testing::Test {
protected:
    static void SetUpTestSuite() { base = fresh_name("Software\\QuorvaneLibraryTest\\run"); }
    static std::string key(const std::string& leaf) { return base + "\\" + leaf; }
    static inline std::string base;
};

TEST_F(Library, QwordWriterStoresEightLittleEndianBytes) {
    for (const QwordCase& c : qword_cases()) {
        const std::string subkey = key("Qword");
        const Outcome o = set_qword({"HKEY_CURRENT_USER", subkey, c.traced}, c.data);
        EXPECT_EQ(o.out, lines(std::string(kQword) + "Key=HKEY_CURRENT_USER, \nSubkey=" + subkey + ", \nvalue=" +
                               c.traced + ", \ndataQword=" + c.traced + "\n" + kQword + " RegSetKeyValuesuccess.\n"));
        EXPECT_EQ(o.result, "0");
        const Stored s = stored(kCurrentUser, subkey, c.traced);
        EXPECT_EQ(s.status, 0);
        EXPECT_EQ(s.type, 11u);
        EXPECT_EQ(s.bytes, c.bytes) << c.traced;
    }
}

TEST_F(Library, ExpandWriterStoresTheTextUnexpandedWithItsZeroByte) {
    const std::string texts[] = {"%USERPROFILE%\\acme", "", "%s%n%x%p%d", "\xe4\xb8\xad\xe6\x96\x87"};
    int n = 0;
    for (const std::string& text : texts) {
        const std::string subkey = key("Expand%s");
        const std::string name = "v%n" + std::to_string(++n);
        const Outcome o = set_expand({"HKEY_CURRENT_USER", subkey, name, text});
        EXPECT_EQ(o.out, lines(std::string(kExpand) + "Key=HKEY_CURRENT_USER, \nSubkey=" + subkey + ", \nvalue=" + name +
                               ", \ndataExpandStr=" + text + "\n" + kExpand + "RegSetKeyValue success.\n"));
        EXPECT_EQ(o.result, "0");
        const Stored s = stored(kCurrentUser, subkey, name);
        EXPECT_EQ(s.status, 0);
        EXPECT_EQ(s.type, 2u);
        EXPECT_EQ(s.bytes, text + '\0');
    }
}

TEST_F(Library, AnUnknownRootNamePrintsOneLineAndStoresNothing) {
    const Arg names[] = {"hkey_current_user", "HKCU", " HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\", "", std::nullopt};
    for (const Arg& name : names) {
        const std::string subkey = key("Miss");
        EXPECT_EQ(set_qword({name, subkey, "q"}, 1).out, lines(std::string(kQword) + "ERROR!! No such a Key.\n"));
        EXPECT_EQ(set_expand({name, subkey, "e", "x"}).out, lines(std::string(kExpand) + "ERROR!! No such a Key.\n"));
        const Outcome read = get_str({name, subkey, "q"});
        EXPECT_EQ(read.out, lines(std::string(kGet) + "ERROR!! No such a Key.\n"));
        EXPECT_EQ(read.result, "null");
        EXPECT_EQ(stored(kCurrentUser, subkey, "q").status, 2);
        EXPECT_EQ(stored(kCurrentUser, subkey, "e").status, 2);
    }
}

TEST_F(Library, MissingArgumentsFailWithStatus87AndNoTrace) {
    const std::string subkey = key("Nulls");
    EXPECT_EQ(set_qword({"HKEY_CURRENT_USER", std::nullopt, "v"}, 1).out, lines(error_line(kQword, 87)));
    EXPECT_EQ(set_qword({"HKEY_CURRENT_USER", subkey, std::nullopt}, 1).out, lines(error_line(kQword, 87)));
    EXPECT_EQ(set_expand({"HKEY_CURRENT_USER", subkey, "v", std::nullopt}).result, "-1");
    EXPECT_EQ(set_expand({"HKEY_CURRENT_USER", subkey, "v", std::nullopt}).out, lines(error_line(kExpand, 87)));
    EXPECT_EQ(get_str({"HKEY_CURRENT_USER", subkey, std::nullopt}).out, lines(error_line(kGet, 87)));
    EXPECT_EQ(stored(kCurrentUser, subkey, "v").status, 2);
}

TEST_F(Library, AFailedRegistryCallPrintsItsStatusAndTheSystemText) {
    const std::string subkey = "\\" + key("Lead");
    const Outcome q = set_qword({"HKEY_CURRENT_USER", subkey, "v"}, 7);
    EXPECT_EQ(q.result, "-1");
    EXPECT_EQ(q.out, lines(std::string(kQword) + "Key=HKEY_CURRENT_USER, \nSubkey=" + subkey +
                           ", \nvalue=v, \ndataQword=7\n" + error_line(kQword, 161)));
    const Outcome e = set_expand({"HKEY_CURRENT_USER", subkey, "v", "x"});
    EXPECT_EQ(e.result, "-1");
    EXPECT_NE(e.out.find(lines(error_line(kExpand, 161))), std::string::npos);
    EXPECT_FALSE(message(161).empty());
}

TEST_F(Library, ReaderReturnsTheTextOfAnyTypeOfValue) {
    set_environment("QV_LIBRARY_HOME", "C:\\Users\\qv");
    struct Case {
        const char* name;
        std::uint32_t type;
        std::string stored;
        std::string printed;  // dataStr, and the bytes handed to the String constructor
        std::string decoded;  // the String, in UTF-8
    };
    const Case cases[] = {
        {"sz", 1, "C:\\acme\0"_b, "C:\\acme", "C:\\acme"},
        {"empty", 1, "\0"_b, "", ""},
        {"multi", 7, "one\0two\0\0"_b, "one", "one"},
        {"expand", 2, "%QV_LIBRARY_HOME%\\acme\0"_b, "C:\\Users\\qv\\acme", "C:\\Users\\qv\\acme"},
        {"dword", 4, "ABCD", "ABCD", "ABCD"},
        {"qword", 11, "ABCDEFGH", "ABCDEFGH", "ABCDEFGH"},
        {"binary", 3, "xyz", "xyz", "xyz"},
        {"gb2312", 1, "\xd6\xd0\xce\xc4\0"_b, "\xd6\xd0\xce\xc4", "\xe4\xb8\xad\xe6\x96\x87"},
    };
    const std::string subkey = key("Read");
    for (const Case& c : cases) {
        ASSERT_EQ(platform::set_value(kCurrentUser, subkey.c_str(), c.name, c.type, c.stored.data(),
                                      static_cast<std::uint32_t>(c.stored.size())), 0);
        const Outcome o = get_str({"HKEY_CURRENT_USER", subkey, c.name});
        EXPECT_EQ(o.out, lines(std::string(kGet) + "Key=HKEY_CURRENT_USER, \nSubkey=" + subkey + ", \nvalue=" + c.name +
                               "\n" + kGet + "RegGetValue success. dataStr = " + c.printed + "\n"));
        EXPECT_EQ(o.result, reader_decodes() ? c.decoded : c.printed) << c.name;
    }
    for (const std::string& where : {subkey, key("Nowhere")}) {
        const Outcome o = get_str({"HKEY_CURRENT_USER", where, "missing"});
        EXPECT_EQ(o.out, lines(std::string(kGet) + "Key=HKEY_CURRENT_USER, \nSubkey=" + where +
                               ", \nvalue=missing\n" + error_line(kGet, 2)));
        EXPECT_EQ(o.result, "null");
    }
}

TEST_F(Library, ReaderGrowsItsBufferOnceForALargeValue) {
    // A REG_SZ: Wine garbles an expandable string this long.
    const std::string text(2 * 1048576 + 3, 'L');
    const std::string subkey = key("Large");
    ASSERT_EQ(platform::set_value(kCurrentUser, subkey.c_str(), "v", 1, text.c_str(),
                                  static_cast<std::uint32_t>(text.size() + 1)), 0);
    const Outcome o = get_str({"HKEY_CURRENT_USER", subkey, "v"});
    EXPECT_EQ(o.out, lines(std::string(kGet) + "Key=HKEY_CURRENT_USER, \nSubkey=" + subkey + ", \nvalue=v\n" + kGet +
                           "need to malloc a larger data 2097156\n" + kGet + "RegGetValue success. dataStr = " + text + "\n"));
    EXPECT_EQ(o.result, text);
}

TEST_F(Library, AnExpandableStringReadsBackExpanded) {
    set_environment("QV_LIBRARY_HOME", "C:\\Users\\qv");
    const std::string subkey = key("RoundTrip");
    ASSERT_EQ(set_expand({"HKEY_CURRENT_USER", subkey, "Home", "%QV_LIBRARY_HOME%\\acme;%QV_UNSET_NAME%"}).result, "0");
    EXPECT_EQ(get_str({"HKEY_CURRENT_USER", subkey, "Home"}).result, "C:\\Users\\qv\\acme;%QV_UNSET_NAME%");
}

}  // namespace
}  // namespace quorvane::test

namespace quorvane::test {
namespace {

// Whatever a Java caller passes: a result, the expected lines, and nothing stored in part.
TEST_F(Library, BadInputNeverCrashesAndIsStoredWholeOrNotAtAll) {
    const bool wine = under_wine();
    const std::string subkey = key("Bad");
    const std::string long_name(16384, 'n');
    const std::string huge_path(1 << 20, 'p');
    const std::string big_data(10 << 20, 'd');
    const std::string nul_text = "a\xc0\x80z";  // "a\u0000z" as the JVM hands it over
    const std::string printf_text = "%s%n%x%p";
    struct Row {
        const char* what;
        std::vector<Arg> args;  // root, subkey, name, data (the QWORD writer ignores data)
        platform::Status status;  // 0: stored; else the ERROR line's status (-1: no such key)
        std::optional<platform::Status> wine_status = std::nullopt;
        std::optional<platform::Status> read_status = std::nullopt;  // where the reader's differs
    };
    const Row rows[] = {
        {"empty subkey and name: the root key's default value", {"HKEY_CURRENT_USER", "", "", "root default"}, 0},
        {"empty value name: the key's default value", {"HKEY_CURRENT_USER", subkey, "", ""}, 0},
        {"empty root name", {"", subkey, "v", "x"}, -1},
        {"root with a path", {"HKEY_CURRENT_USER\\Software", subkey, "v", "x"}, -1},
        {"root with blanks", {" HKEY_CURRENT_USER ", subkey, "v", "x"}, -1},
        {"value name of 16,384 characters", {"HKEY_CURRENT_USER", subkey, long_name, "x"}, 87, std::nullopt, 2},
        // Wine keeps a path's length in 16 bits: 1 MiB wraps to an empty path, the root key.
        {"subkey path of 1 MiB", {"HKEY_CURRENT_USER", huge_path, "v", "x"}, 87, 0},
        {"printf directives everywhere", {"HKEY_CURRENT_USER", subkey + printf_text, printf_text, printf_text}, 0},
        {"U+0000 in every text", {"HKEY_CURRENT_USER", subkey + nul_text, nul_text, nul_text}, 0},
        {"data of 10 MiB", {"HKEY_CURRENT_USER", subkey, "big", big_data}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const platform::Status status = wine && row.wine_status ? *row.wine_status : row.status;
        const Outcome q = set_qword({row.args[0], row.args[1], row.args[2]}, 5);
        const Outcome e = set_expand(row.args);
        const Outcome g = get_str({row.args[0], row.args[1], row.args[2]});
        if (status == -1) {
            EXPECT_EQ(q.out + e.out + g.out, lines(std::string(kQword) + "ERROR!! No such a Key.\n" + kExpand +
                                                   "ERROR!! No such a Key.\n" + kGet + "ERROR!! No such a Key.\n"));
        }
        if (status > 0) {
            EXPECT_NE(q.out.find(lines(error_line(kQword, status))), std::string::npos) << q.out.substr(q.out.size() - 120);
            EXPECT_NE(e.out.find(lines(error_line(kExpand, status))), std::string::npos) << e.out.substr(e.out.size() - 120);
            EXPECT_NE(g.out.find(lines(error_line(kGet, row.read_status.value_or(status)))), std::string::npos)
                << g.out.substr(g.out.size() - 120);
        }
        EXPECT_EQ(q.result, status == 0 ? "0" : "-1");
        EXPECT_EQ(e.result, status == 0 ? "0" : "-1");
        if (status != 0) {
            EXPECT_EQ(g.result, "null");
            continue;
        }
        // The expandable string written last is what is stored, whole.
        const Stored s = stored(kCurrentUser, *row.args[1], *row.args[2]);
        EXPECT_EQ(s.status, 0);
        EXPECT_EQ(s.type, 2u);
        EXPECT_TRUE(s.bytes == *row.args[3] + '\0') << s.bytes.size() << " bytes stored";
        if (row.args[3]->size() < 32767 || !wine) {  // Wine garbles longer expandable strings when it reads them
            EXPECT_EQ(g.out.substr(g.out.size() - row.args[3]->size() - lines("\n").size()), *row.args[3] + lines("\n"));
        }
    }
}

}  // namespace
}  // namespace quorvane::test
