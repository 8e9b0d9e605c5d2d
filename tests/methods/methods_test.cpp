// The three methods' logic against a scripted registry and a recording JNIEnv: exact lines,
// the calls made (and not made), and what is given back on every path.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "Quorvane.h"
#include "capture.h"
#include "qword_cases.h"
#include "fake_registry.h"
#include "jni_double.h"

namespace quorvane::test {
namespace {

using Strings = std::vector<std::string>;

class Methods : public ::testing::Test {
protected:
    void SetUp() override { fake::reset(); }
    void TearDown() override { EXPECT_EQ(jni.outstanding_texts, 0) << "a text was not given back"; }

    jstring arg(const char* text) { return text == nullptr ? nullptr : jni.string(text); }

    // Calls a method with four text arguments (the reader and the QWORD writer take the first
    // three); returns its printed lines, and its result in `result` ("null" or a number).
    std::string call(const std::string& method, const Strings& args, std::string* result = nullptr,
                     jlong qword = 42) {
        std::vector<jstring> a;
        for (const std::string& text : args) a.push_back(text == "<null>" ? nullptr : jni.string(text));
        a.resize(4, nullptr);
        StdoutCapture capture;
        std::string outcome;
        if (method == "qword") {
            outcome = std::to_string(Java_Quorvane_RegSetKeyRegQwordValue(jni.env(), nullptr, a[0], a[1], a[2], qword));
        } else if (method == "expand") {
            outcome = std::to_string(Java_Quorvane_RegSetKeyRegExpandStrValue(jni.env(), nullptr, a[0], a[1], a[2], a[3]));
        } else {
            jstring text = Java_Quorvane_RegGetKeyRegStrValue(jni.env(), nullptr, a[0], a[1], a[2]);
            outcome = text == nullptr ? "null" : *reinterpret_cast<const std::string*>(text);
        }
        if (result != nullptr) *result = outcome;
        return capture.take();
    }

    JniDouble jni;
};

TEST_F(Methods, QwordWriterTracesAndStoresEightLittleEndianBytes) {
    for (const QwordCase& c : qword_cases()) {
        fake::reset();
        std::string result;
        const std::string out = call("qword", {"HKEY_CURRENT_USER", "Software\\Acme", "Answer"}, &result, c.data);
        EXPECT_EQ(out, std::string("Java_Quorvane_RegSetKeyRegQwordValue: Key=HKEY_CURRENT_USER, \nSubkey=Software\\Acme, \n"
                                   "value=Answer, \ndataQword=") + c.traced +
                           "\nJava_Quorvane_RegSetKeyRegQwordValue:  RegSetKeyValuesuccess.\n");
        EXPECT_EQ(result, "0");
        ASSERT_EQ(fake::calls.size(), 1u);
        EXPECT_EQ(fake::calls[0].root, platform::kCurrentUser);
        EXPECT_EQ(fake::calls[0].subkey, "Software\\Acme");
        EXPECT_EQ(fake::calls[0].name, "Answer");
        EXPECT_EQ(fake::calls[0].type, 11u);
        EXPECT_EQ(fake::calls[0].data, c.bytes) << c.traced;
    }
}

TEST_F(Methods, ExpandWriterHandsOverTheTextAndItsZeroByteUnchanged) {
    const Strings texts = {"%USERPROFILE%\\acme", "", "%s%n%x%p", "\xe4\xb8\xad\xe6\x96\x87", std::string("a\xc0\x80" "b")};
    for (const std::string& text : texts) {
        fake::reset();
        std::string result;
        const std::string out = call("expand", {"HKEY_LOCAL_MACHINE", "%s\\%n", "%x", text}, &result);
        EXPECT_EQ(out, "Java_Quorvane_RegSetKeyRegExpandStrValue: Key=HKEY_LOCAL_MACHINE, \nSubkey=%s\\%n, \nvalue=%x, \n"
                       "dataExpandStr=" + text + "\nJava_Quorvane_RegSetKeyRegExpandStrValue: RegSetKeyValue success.\n");
        EXPECT_EQ(result, "0");
        ASSERT_EQ(fake::calls.size(), 1u);
        EXPECT_EQ(fake::calls[0].root, platform::kLocalMachine);
        EXPECT_EQ(fake::calls[0].type, 2u);
        EXPECT_EQ(fake::calls[0].data, text + '\0');
        EXPECT_EQ(fake::calls[0].size, text.size() + 1);
    }
}

TEST_F(Methods, EachRootNameSelectsItsPredefinedKey) {
    const std::pair<const char*, platform::RootKey> roots[] = {
        {"HKEY_CLASSES_ROOT", static_cast<platform::RootKey>(0xFFFFFFFF80000000ULL)},
        {"HKEY_CURRENT_CONFIG", static_cast<platform::RootKey>(0xFFFFFFFF80000005ULL)},
        {"HKEY_CURRENT_USER", static_cast<platform::RootKey>(0xFFFFFFFF80000001ULL)},
        {"HKEY_LOCAL_MACHINE", static_cast<platform::RootKey>(0xFFFFFFFF80000002ULL)},
        {"HKEY_USERS", static_cast<platform::RootKey>(0xFFFFFFFF80000003ULL)},
    };
    for (const auto& [name, key] : roots) {
        fake::reset();
        call("qword", {name, "", ""});
        ASSERT_EQ(fake::calls.size(), 1u);
        EXPECT_EQ(fake::calls[0].root, key) << name;
    }
}

const char* const kMethods[] = {"qword", "expand", "get"};

std::string prefix(const std::string& method) {
    if (method == "qword") return "Java_Quorvane_RegSetKeyRegQwordValue: ";
    if (method == "expand") return "Java_Quorvane_RegSetKeyRegExpandStrValue: ";
    return "Java_Quorvane_RegGetKeyRegStrValue: ";
}

std::string failure(const std::string& method) { return method == "get" ? "null" : "-1"; }

TEST_F(Methods, AnUnknownRootNamePrintsOneLineAndTouchesNothing) {
    const Strings names = {"hkey_local_machine", "HKLM", " HKEY_LOCAL_MACHINE", "HKEY_LOCAL_MACHINE ",
                           "HKEY_LOCAL_MACHINE\\", "HKEY_LOCAL_MACHINE\\Software", "", "<null>"};
    for (const char* method : kMethods) {
        for (const std::string& name : names) {
            fake::reset();
            std::string result;
            EXPECT_EQ(call(method, {name, "Software", "v", "d"}, &result), prefix(method) + "ERROR!! No such a Key.\n")
                << method << " '" << name << "'";
            EXPECT_EQ(result, failure(method));
            EXPECT_TRUE(fake::calls.empty());
        }
    }
}

TEST_F(Methods, AMissingArgumentFailsWithStatus87BeforeAnyTraceOrRegistryCall) {
    for (const char* method : kMethods) {
        const std::size_t positions = std::string(method) == "expand" ? 4 : 3;
        for (std::size_t missing = 1; missing < positions; ++missing) {
            fake::reset();
            Strings args = {"HKEY_USERS", "S", "v", "d"};
            args[missing] = "<null>";
            std::string result;
            EXPECT_EQ(call(method, args, &result), prefix(method) + "ERROR!! dwErr=87, msgBuffer=text of 87\r\n\n")
                << method << " argument " << missing;
            EXPECT_EQ(result, failure(method));
            EXPECT_TRUE(fake::calls.empty());
        }
    }
}

TEST_F(Methods, ATextTheJvmCannotGiveEndsTheCallSilentlyWithTheErrorPending) {
    for (const char* method : kMethods) {
        const int positions = std::string(method) == "expand" ? 4 : 3;
        for (int refused = 0; refused < positions; ++refused) {
            fake::reset();
            jni.calls.clear();
            jni.exception_pending = false;
            jni.texts_before_refusal = refused;
            std::string result;
            EXPECT_EQ(call(method, {"HKEY_USERS", "S", "v", "d"}, &result), "") << method << " " << refused;
            EXPECT_EQ(result, failure(method));
            EXPECT_TRUE(fake::calls.empty());
            EXPECT_TRUE(jni.exception_pending);
            // Only the texts already taken are given back; nothing is asked of the JVM after the refusal.
            Strings expected(static_cast<std::size_t>(refused) + 1, "GetStringUTFChars");
            expected.insert(expected.end(), static_cast<std::size_t>(refused), "ReleaseStringUTFChars");
            EXPECT_EQ(jni.calls, expected);
        }
    }
    jni.texts_before_refusal = -1;
}

TEST_F(Methods, AFailedRegistryCallPrintsTheStatusAndTheSystemText) {
    for (const char* method : kMethods) {
        for (platform::Status status : {5, 161, -1}) {
            fake::reset();
            fake::replies.push_back({status, {}});
            std::string result;
            const std::string out = call(method, {"HKEY_CURRENT_USER", "S", "v", "d"}, &result);
            const std::string line = prefix(method) + "ERROR!! dwErr=" + std::to_string(status) +
                                     ", msgBuffer=text of " + std::to_string(status) + "\r\n\n";
            ASSERT_GE(out.size(), line.size());
            EXPECT_EQ(out.substr(out.size() - line.size()), line);
            EXPECT_EQ(result, failure(method));
            EXPECT_EQ(fake::calls.size(), 1u);
        }
    }
}

TEST_F(Methods, AStatusWithoutSystemTextPrintsAnEmptyText) {
    fake::message_lookup_fails = true;
    fake::replies.push_back({1234567, {}});
    const std::string out = call("qword", {"HKEY_CURRENT_USER", "S", "v"});
    EXPECT_NE(out.find("\nJava_Quorvane_RegSetKeyRegQwordValue: ERROR!! dwErr=1234567, msgBuffer=\n"), std::string::npos) << out;
}

// --- the reader ---

std::string reader_trace() {
    return "Java_Quorvane_RegGetKeyRegStrValue: Key=HKEY_CURRENT_USER, \nSubkey=Software\\Acme, \nvalue=Home\n";
}

const Strings kReaderArgs = {"HKEY_CURRENT_USER", "Software\\Acme", "Home"};

TEST_F(Methods, ReaderBuildsTheStringFromTheTextBytesWithGb2312) {
    struct Case {
        std::string written;  // the bytes the registry writes
        std::string text;     // the text up to its end
    };
    const Case cases[] = {
        {std::string("C:\\acme\0", 8), "C:\\acme"},
        {std::string("\0", 1), ""},
        {std::string("one\0two\0\0", 9), "one"},
        {"\xd6\xd0\xce\xc4", "\xd6\xd0\xce\xc4"},
        {"ABCD", "ABCD"},  // no zero byte of its own: the text ends after the bytes written
        {"", ""},
    };
    for (const Case& c : cases) {
        fake::reset();
        jni.calls.clear();
        fake::replies.push_back({0, c.written});
        std::string result;
        EXPECT_EQ(call("get", kReaderArgs, &result),
                  reader_trace() + "Java_Quorvane_RegGetKeyRegStrValue: RegGetValue success. dataStr = " + c.text + "\n");
        EXPECT_EQ(result, c.text);
        EXPECT_EQ(jni.constructed_bytes, c.text);
        EXPECT_EQ(jni.constructed_charset, "GB2312");
        ASSERT_EQ(fake::calls.size(), 1u);
        EXPECT_EQ(fake::calls[0].size, 1048576u);
        const std::string length = std::to_string(c.text.size());
        EXPECT_EQ(jni.calls, (Strings{"GetStringUTFChars", "GetStringUTFChars", "GetStringUTFChars",
                                      "FindClass java/lang/String", "NewStringUTF GB2312",
                                      "GetMethodID <init> ([BLjava/lang/String;)V", "NewByteArray " + length,
                                      "SetByteArrayRegion 0 " + length, "NewObject", "ReleaseStringUTFChars",
                                      "ReleaseStringUTFChars", "ReleaseStringUTFChars"}));
    }
}

TEST_F(Methods, ReaderRetriesWithTheSizeTheRegistryAskedFor) {
    const std::string big(2 * 1048576 + 3, 'q');
    fake::replies.push_back({234, {}, static_cast<std::uint32_t>(big.size() + 1)});
    fake::replies.push_back({0, big + '\0'});
    std::string result;
    EXPECT_EQ(call("get", kReaderArgs, &result),
              reader_trace() + "Java_Quorvane_RegGetKeyRegStrValue: need to malloc a larger data 2097156\n" +
                  "Java_Quorvane_RegGetKeyRegStrValue: RegGetValue success. dataStr = " + big + "\n");
    EXPECT_EQ(result, big);
    ASSERT_EQ(fake::calls.size(), 2u);
    EXPECT_EQ(fake::calls[0].size, 1048576u);
    EXPECT_EQ(fake::calls[1].size, 2097156u);
}

TEST_F(Methods, ReaderKeepsAskingWhileTheValueGrows) {
    fake::replies.push_back({234, {}, 2000000});
    fake::replies.push_back({234, {}, 3000000});
    fake::replies.push_back({0, "done"});
    std::string result;
    const std::string out = call("get", kReaderArgs, &result);
    EXPECT_NE(out.find("larger data 2000000\nJava_Quorvane_RegGetKeyRegStrValue: need to malloc a larger data 3000000\n"),
              std::string::npos);
    EXPECT_EQ(result, "done");
    ASSERT_EQ(fake::calls.size(), 3u);
    EXPECT_EQ(fake::calls[2].size, 3000000u);
}

TEST_F(Methods, ReaderSizesTheBufferWithout32BitOverflow) {
    fake::replies.push_back({234, {}, 0xFFFFFFFFu});
    fake::replies.push_back({2, {}});
    std::string result;
    const std::string out = call("get", kReaderArgs, &result);
    EXPECT_NE(out.find("need to malloc a larger data -1\n"), std::string::npos);
    ASSERT_EQ(fake::calls.size(), 2u);  // the fake wrote into the whole first MiB of the 4 GiB buffer
    EXPECT_EQ(fake::calls[1].size, 0xFFFFFFFFu);
    EXPECT_EQ(result, "null");
}

TEST_F(Methods, ReaderWithoutMemoryForItsBufferReportsStatus8) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#endif
    const auto read_without_memory = [this] {
        const rlim_t limit = rlim_t{1} << 31;  // 2 GiB of address space: no 4 GiB buffer
        const rlimit rl{limit, limit};
        setrlimit(RLIMIT_AS, &rl);
        fake::replies.push_back({234, {}, 0xFFFFFFFFu});
        std::string result;
        const std::string out = call("get", kReaderArgs, &result);
        const bool ok = out == reader_trace() + "Java_Quorvane_RegGetKeyRegStrValue: need to malloc a larger data -1\n" +
                                   "Java_Quorvane_RegGetKeyRegStrValue: ERROR!! dwErr=8, msgBuffer=text of 8\r\n\n" &&
                        result == "null" && fake::calls.size() == 1 && jni.outstanding_texts == 0;
        std::exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(read_without_memory(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Methods, ReaderStopsAtAFailingJniStepAndLeavesItsExceptionPending) {
    const Strings steps = {"FindClass", "NewStringUTF", "GetMethodID", "NewByteArray", "NewObject"};
    for (const std::string& step : steps) {
        fake::reset();
        jni.calls.clear();
        jni.exception_pending = false;
        jni.fail = step;
        fake::replies.push_back({0, "text"});
        std::string result;
        call("get", kReaderArgs, &result);
        EXPECT_EQ(result, "null") << step;
        EXPECT_TRUE(jni.exception_pending);
        // After the failing step only the three texts are given back.
        std::size_t failed = 0;
        while (failed < jni.calls.size() && jni.calls[failed].rfind(step, 0) != 0) ++failed;
        ASSERT_LT(failed, jni.calls.size()) << step;
        EXPECT_EQ(Strings(jni.calls.begin() + static_cast<std::ptrdiff_t>(failed) + 1, jni.calls.end()),
                  Strings(3, "ReleaseStringUTFChars"))
            << step;
    }
}

}  // namespace
}  // namespace quorvane::test
