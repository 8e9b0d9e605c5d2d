// The least JNIEnv the library can run on, for timing: texts are handed out as they are,
// nothing is recorded, and the String constructor only hands back a fixed object.
#pragma once

#include <jni.h>

namespace quorvane::bench {

class LeanJni {
public:
    LeanJni() {
        env_.functions = &table_;
        table_.GetStringUTFChars = [](JNIEnv*, jstring text, jboolean*) {
            return reinterpret_cast<const char*>(text);
        };
        table_.ReleaseStringUTFChars = [](JNIEnv*, jstring, const char*) {};
        table_.FindClass = [](JNIEnv*, const char*) { return reinterpret_cast<jclass>(&object_); };
        table_.NewStringUTF = [](JNIEnv*, const char*) { return reinterpret_cast<jstring>(&object_); };
        table_.GetMethodID = [](JNIEnv*, jclass, const char*, const char*) {
            return reinterpret_cast<jmethodID>(&object_);
        };
        table_.NewByteArray = [](JNIEnv*, jsize) { return reinterpret_cast<jbyteArray>(&object_); };
        table_.SetByteArrayRegion = [](JNIEnv*, jbyteArray, jsize, jsize, const jbyte*) {};
        table_.NewObjectV = [](JNIEnv*, jclass, jmethodID, va_list) { return reinterpret_cast<jobject>(&object_); };
    }
    LeanJni(const LeanJni&) = delete;
    LeanJni& operator=(const LeanJni&) = delete;

    JNIEnv* env() { return &env_; }
    // A Java string argument: the text itself stands for it.
    static jstring string(const char* text) { return reinterpret_cast<jstring>(const_cast<char*>(text)); }

private:
    static inline int object_;
    JNIEnv env_{};
    JNINativeInterface_ table_{};
};

}  // namespace quorvane::bench
