// The methods called in Quorvane.dll, loaded by name as a JVM would, with a JNIEnv double.
#include <gtest/gtest.h>
#include <windows.h>

#include "binding.h"
#include "capture.h"
#include "jni_double.h"
#include "test_env.h"

namespace quorvane::test {
namespace {

using SetQword = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jlong);
using SetExpand = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jstring);
using GetStr = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring);

struct Dll {
    SetQword set_qword = nullptr;
    SetExpand set_expand = nullptr;
    GetStr get_str = nullptr;
};

const Dll& dll() {
    static const Dll loaded = [] {
        Dll d;
        HMODULE module = LoadLibraryA("Quorvane.dll");
        if (module == nullptr) return d;
        d.set_qword = reinterpret_cast<SetQword>(reinterpret_cast<void*>(GetProcAddress(module, "Java_Quorvane_RegSetKeyRegQwordValue")));
        d.set_expand = reinterpret_cast<SetExpand>(reinterpret_cast<void*>(GetProcAddress(module, "Java_Quorvane_RegSetKeyRegExpandStrValue")));
        d.get_str = reinterpret_cast<GetStr>(reinterpret_cast<void*>(GetProcAddress(module, "Java_Quorvane_RegGetKeyRegStrValue")));
        return d;
    }();
    return loaded;
}

template <class Call>
Outcome run(const std::vector<Arg>& args, Call call) {
    JniDouble jni;
    std::vector<jstring> strings;
    for (const Arg& arg : args) strings.push_back(arg ? jni.string(*arg) : nullptr);
    strings.resize(4, nullptr);
    Outcome outcome;
    {
        StdoutCapture capture;
        outcome.result = call(jni, strings);
        outcome.out = capture.take();
    }
    EXPECT_EQ(jni.outstanding_texts, 0) << "a text was not given back";
    return outcome;
}

}  // namespace

TEST(Dll, ExportsTheThreeMethodsByTheirJniNames) {
    EXPECT_NE(dll().set_qword, nullptr);
    EXPECT_NE(dll().set_expand, nullptr);
    EXPECT_NE(dll().get_str, nullptr);
}

Outcome set_qword(const std::vector<Arg>& args, jlong data) {
    return run(args, [&](JniDouble& jni, const std::vector<jstring>& s) {
        return std::to_string(dll().set_qword(jni.env(), nullptr, s[0], s[1], s[2], data));
    });
}

Outcome set_expand(const std::vector<Arg>& args) {
    return run(args, [&](JniDouble& jni, const std::vector<jstring>& s) {
        return std::to_string(dll().set_expand(jni.env(), nullptr, s[0], s[1], s[2], s[3]));
    });
}

Outcome get_str(const std::vector<Arg>& args) {
    return run(args, [&](JniDouble& jni, const std::vector<jstring>& s) -> std::string {
        if (dll().get_str(jni.env(), nullptr, s[0], s[1], s[2]) == nullptr) return "null";
        EXPECT_EQ(jni.constructed_charset, "GB2312");
        return jni.constructed_bytes;
    });
}

bool reader_decodes() { return false; }

Stored stored(platform::RootKey root, const std::string& subkey, const std::string& name) {
    Stored value{};
    DWORD type = 0;
    DWORD size = 0;
    const HKEY key = reinterpret_cast<HKEY>(root);
    const DWORD flags = RRF_RT_ANY | RRF_NOEXPAND;
    value.status = RegGetValueA(key, subkey.c_str(), name.c_str(), flags, &type, nullptr, &size);
    if (value.status != ERROR_SUCCESS) return value;
    value.bytes.resize(size);
    value.status = RegGetValueA(key, subkey.c_str(), name.c_str(), flags, &type, value.bytes.data(), &size);
    value.bytes.resize(size);
    value.type = type;
    return value;
}

}  // namespace quorvane::test

namespace quorvane::test {
namespace {

struct ThreadWork {
    JniDouble* jni;
    std::string subkey;
    int calls;
    int failures = 0;
};

DWORD WINAPI mixed_calls(void* parameter) {
    auto* work = static_cast<ThreadWork*>(parameter);
    JNIEnv* env = work->jni->env();
    jstring root = work->jni->string("HKEY_CURRENT_USER");
    jstring bad_root = work->jni->string("HKCU");
    jstring subkey = work->jni->string(work->subkey);
    for (int n = 0; n < work->calls; ++n) {
        jstring name = work->jni->string("v" + std::to_string(n % 16));
        switch (n % 4) {
            case 0: work->failures += dll().set_expand(env, nullptr, root, subkey, name, work->jni->string("x" + std::to_string(n))) != 0; break;
            case 1: work->failures += dll().set_qword(env, nullptr, root, subkey, name, n) != 0; break;
            case 2: dll().get_str(env, nullptr, root, subkey, work->jni->string("missing")); break;
            default: work->failures += dll().set_qword(env, nullptr, bad_root, subkey, name, n) != -1; break;
        }
    }
    return 0;
}

// Threads calling the DLL at once: each line whole, each trace block unbroken, and every
// thread's last writes stored.
TEST(DllThreads, LinesStayWholeAndWritesLand) {
    constexpr int kThreads = 4;
    constexpr int kCalls = 400;
    JniDouble jni;
    std::vector<ThreadWork> work;
    const std::string base = fresh_name("Software\\QuorvaneThreads\\run");
    for (int t = 0; t < kThreads; ++t) work.push_back({&jni, base + "\\T" + std::to_string(t), kCalls});
    std::string out;
    {
        StdoutCapture capture;
        std::vector<HANDLE> threads;
        for (ThreadWork& w : work) threads.push_back(CreateThread(nullptr, 0, mixed_calls, &w, 0, nullptr));
        WaitForMultipleObjects(kThreads, threads.data(), TRUE, INFINITE);
        for (HANDLE thread : threads) CloseHandle(thread);
        out = capture.take();
    }
    for (const ThreadWork& w : work) EXPECT_EQ(w.failures, 0);
    EXPECT_EQ(jni.outstanding_texts, 0);

    // Text mode wrote each "\n" as "\r\n"; a message text brings its own "\r\n" before that.
    std::vector<std::string> lines_out;
    for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = out.substr(start, end - start);
        ASSERT_FALSE(line.empty() || line.back() != '\r') << "line " << lines_out.size() + 1;
        line.pop_back();
        lines_out.push_back(line);
    }
    const std::string qword = "Java_Quorvane_RegSetKeyRegQwordValue: ";
    const std::string expand = "Java_Quorvane_RegSetKeyRegExpandStrValue: ";
    const std::string get = "Java_Quorvane_RegGetKeyRegStrValue: ";
    int traces = 0;
    for (std::size_t i = 0; i < lines_out.size(); ++i) {
        const std::string& line = lines_out[i];
        SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + line);
        const std::string* method = nullptr;
        for (const std::string* prefix : {&qword, &expand, &get}) {
            if (line.rfind(*prefix, 0) == 0) method = prefix;
        }
        ASSERT_NE(method, nullptr);
        const std::string body = line.substr(method->size());
        if (body.rfind("Key=", 0) == 0) {
            ++traces;
            std::vector<std::string> rest = {"Subkey=", "value="};
            if (method != &get) rest.push_back(method == &qword ? "dataQword=" : "dataExpandStr=");
            for (const std::string& label : rest) ASSERT_EQ(lines_out.at(++i).rfind(label, 0), 0u);
        } else if (body.rfind("ERROR!! dwErr=", 0) == 0) {
            ASSERT_EQ(body.back(), '\r');  // the message text's own line end
            ASSERT_EQ(lines_out.at(++i), "");
        } else {
            EXPECT_TRUE(body == "ERROR!! No such a Key." || line == qword + " RegSetKeyValuesuccess." ||
                        line == expand + "RegSetKeyValue success.");
        }
    }
    EXPECT_EQ(traces, kThreads * kCalls * 3 / 4);
    for (const ThreadWork& w : work) {
        const Stored last = stored(platform::kCurrentUser, w.subkey, "v" + std::to_string((kCalls - 1 - 2) % 16));
        EXPECT_EQ(last.type, 11u);  // the last round's QWORD write (n % 4 == 1)
    }
}

}  // namespace
}  // namespace quorvane::test
