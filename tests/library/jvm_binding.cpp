// The methods called with the JNIEnv of a real JVM, started in this process with -Xcheck:jni.
#include <gtest/gtest.h>

#include "Quorvane.h"
#include "binding.h"
#include "capture.h"
#include "platform/posix/store.h"

namespace quorvane::test {
namespace {

JNIEnv* env = nullptr;

class Jvm : public ::testing::Environment {
public:
    void SetUp() override {
        JavaVMOption options[] = {{const_cast<char*>("-Xcheck:jni"), nullptr}};
        JavaVMInitArgs init{JNI_VERSION_10, 1, options, JNI_FALSE};
        JavaVM* vm = nullptr;
        ASSERT_EQ(JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&env), &init), JNI_OK);
    }
};
const auto* const jvm = ::testing::AddGlobalTestEnvironment(new Jvm);

// Runs one native call in its own local frame, with its output captured; the call's own JNI
// warnings, if any, land in the captured output and so fail the exact comparisons.
// Local references made for one call, freed when it is done.
struct LocalFrame {
    LocalFrame() { env->PushLocalFrame(16); }
    ~LocalFrame() { env->PopLocalFrame(nullptr); }
};

template <class Call>
Outcome run(const std::vector<Arg>& args, Call call) {
    std::vector<jstring> strings;
    for (const Arg& arg : args) strings.push_back(arg ? env->NewStringUTF(arg->c_str()) : nullptr);
    strings.resize(4, nullptr);
    Outcome outcome;
    {
        StdoutCapture capture;
        outcome.result = call(strings);
        outcome.out = capture.take();
    }
    if (env->ExceptionCheck()) {
        env->ExceptionDescribe();
        outcome.result += " (exception pending)";
    }
    return outcome;
}

}  // namespace

Outcome set_qword(const std::vector<Arg>& args, jlong data) {
    const LocalFrame frame;
    return run(args, [&](const std::vector<jstring>& s) {
        return std::to_string(Java_Quorvane_RegSetKeyRegQwordValue(env, nullptr, s[0], s[1], s[2], data));
    });
}

Outcome set_expand(const std::vector<Arg>& args) {
    const LocalFrame frame;
    return run(args, [&](const std::vector<jstring>& s) {
        return std::to_string(Java_Quorvane_RegSetKeyRegExpandStrValue(env, nullptr, s[0], s[1], s[2], s[3]));
    });
}

// The Java string in UTF-8 proper (not the modified form, where U+0000 has two bytes).
std::string utf8(jstring text) {
    jclass string_class = env->FindClass("java/lang/String");
    jmethodID get_bytes = env->GetMethodID(string_class, "getBytes", "(Ljava/lang/String;)[B");
    auto bytes = static_cast<jbyteArray>(env->CallObjectMethod(text, get_bytes, env->NewStringUTF("UTF-8")));
    if (env->ExceptionCheck()) return "(exception)";
    std::string result(static_cast<std::size_t>(env->GetArrayLength(bytes)), '\0');
    env->GetByteArrayRegion(bytes, 0, env->GetArrayLength(bytes), reinterpret_cast<jbyte*>(result.data()));
    return result;
}

Outcome get_str(const std::vector<Arg>& args) {
    const LocalFrame frame;
    jstring text = nullptr;
    Outcome outcome = run(args, [&](const std::vector<jstring>& s) -> std::string {
        text = Java_Quorvane_RegGetKeyRegStrValue(env, nullptr, s[0], s[1], s[2]);
        return {};
    });
    outcome.result = text == nullptr ? "null" : utf8(text);
    return outcome;
}

bool reader_decodes() { return true; }

Stored stored(platform::RootKey root, const std::string& subkey, const std::string& name) {
    Stored value{};
    value.status = standin::get_stored(root, subkey.c_str(), name.c_str(), &value.type, &value.bytes);
    return value;
}

}  // namespace quorvane::test
