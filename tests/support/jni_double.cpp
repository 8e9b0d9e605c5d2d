#include "jni_double.h"

#include <cstdarg>
#include <cstring>
#include <mutex>

namespace quorvane::test {

namespace {
JniDouble* current = nullptr;
std::mutex mutex;  // the library may be called from several threads at once
int class_handle;
int method_handle;
}  // namespace

JniDouble* JniDouble::self(JNIEnv*) { return current; }

bool JniDouble::failing(const char* function) {
    if (fail != function) return false;
    fail.clear();
    exception_pending = true;
    return true;
}

jstring JniDouble::string(std::string text) {
    const std::lock_guard<std::mutex> lock(mutex);
    return keep(std::move(text));
}

jstring JniDouble::keep(std::string text) {
    strings_.push_back(std::move(text));
    return reinterpret_cast<jstring>(&strings_.back());
}

JniDouble::JniDouble() {
    current = this;
    env_.functions = &table_;
    table_.GetStringUTFChars = [](JNIEnv* env, jstring str, jboolean*) -> const char* {
        JniDouble* d = self(env);
        const std::lock_guard<std::mutex> lock(mutex);
        d->calls.emplace_back("GetStringUTFChars");
        if (d->texts_before_refusal == 0 || d->failing("GetStringUTFChars")) {
            d->exception_pending = true;
            return nullptr;
        }
        if (d->texts_before_refusal > 0) --d->texts_before_refusal;
        ++d->outstanding_texts;
        return reinterpret_cast<const std::string*>(str)->c_str();
    };
    table_.ReleaseStringUTFChars = [](JNIEnv* env, jstring str, const char* chars) {
        JniDouble* d = self(env);
        const std::lock_guard<std::mutex> lock(mutex);
        d->calls.emplace_back(chars == reinterpret_cast<const std::string*>(str)->c_str()
                                  ? "ReleaseStringUTFChars"
                                  : "ReleaseStringUTFChars(mismatched)");
        --d->outstanding_texts;
    };
    table_.FindClass = [](JNIEnv* env, const char* name) -> jclass {
        JniDouble* d = self(env);
        const std::lock_guard<std::mutex> lock(mutex);
        d->calls.push_back(std::string("FindClass ") + name);
        return d->failing("FindClass") ? nullptr : reinterpret_cast<jclass>(&class_handle);
    };
    table_.NewStringUTF = [](JNIEnv* env, const char* text) -> jstring {
        JniDouble* d = self(env);
        const std::lock_guard<std::mutex> lock(mutex);
        d->calls.push_back(std::string("NewStringUTF ") + text);
        return d->failing("NewStringUTF") ? nullptr : d->keep(text);
    };
    table_.GetMethodID = [](JNIEnv* env, jclass, const char* name, const char* signature) -> jmethodID {
        JniDouble* d = self(env);
        const std::lock_guard<std::mutex> lock(mutex);
        d->calls.push_back(std::string("GetMethodID ") + name + " " + signature);
        return d->failing("GetMethodID") ? nullptr : reinterpret_cast<jmethodID>(&method_handle);
    };
    table_.NewByteArray = [](JNIEnv* env, jsize length) -> jbyteArray {
        JniDouble* d = self(env);
        const std::lock_guard<std::mutex> lock(mutex);
        d->calls.push_back("NewByteArray " + std::to_string(length));
        if (d->failing("NewByteArray")) return nullptr;
        d->arrays_.emplace_back(static_cast<std::size_t>(length));
        return reinterpret_cast<jbyteArray>(&d->arrays_.back());
    };
    table_.SetByteArrayRegion = [](JNIEnv* env, jbyteArray array, jsize start, jsize length,
                                   const jbyte* bytes) {
        JniDouble* d = self(env);
        const std::lock_guard<std::mutex> lock(mutex);
        d->calls.push_back("SetByteArrayRegion " + std::to_string(start) + " " + std::to_string(length));
        auto* target = reinterpret_cast<std::vector<jbyte>*>(array);
        if (length > 0) std::memcpy(target->data() + start, bytes, static_cast<std::size_t>(length));
    };
    table_.NewObjectV = [](JNIEnv* env, jclass, jmethodID, va_list args) -> jobject {
        JniDouble* d = self(env);
        const std::lock_guard<std::mutex> lock(mutex);
        d->calls.emplace_back("NewObject");
        auto* bytes = reinterpret_cast<std::vector<jbyte>*>(va_arg(args, jbyteArray));
        auto* charset = reinterpret_cast<const std::string*>(va_arg(args, jstring));
        if (d->failing("NewObject")) return nullptr;
        d->constructed_bytes.assign(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        d->constructed_charset = *charset;
        return d->keep(d->constructed_bytes);
    };
}

JniDouble::~JniDouble() { current = nullptr; }

}  // namespace quorvane::test
