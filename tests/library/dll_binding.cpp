// The methods called in Quorvane.dll, loaded by name as a JVM would, with a JNIEnv double.
#include <gtest/gtest.h>
#include <windows.h>

#include "binding.h"
#include "capture.h"
#include "jni_double.h"

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
