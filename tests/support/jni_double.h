// A stand-in JNIEnv that implements just the JNI functions the library calls: it records
// each call, hands out Java strings as plain texts, keeps count of texts not given back,
// and can be told to fail one function the way the JVM does (null, exception pending).
#pragma once

#include <jni.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace quorvane::test {

class JniDouble {
public:
    JniDouble();
    ~JniDouble();
    JniDouble(const JniDouble&) = delete;
    JniDouble& operator=(const JniDouble&) = delete;

    JNIEnv* env() { return &env_; }

    // A java.lang.String argument holding `text` (its modified UTF-8 bytes).
    jstring string(std::string text);

    // The JNI functions called so far, by name, in order.
    std::vector<std::string> calls;
    // The function that fails next (leaving an exception pending), or "".
    std::string fail;
    // How many GetStringUTFChars calls to let succeed before the next one fails (-1: all).
    int texts_before_refusal = -1;
    bool exception_pending = false;
    // Texts handed out by GetStringUTFChars and not given back.
    int outstanding_texts = 0;
    // What the String constructor received.
    std::string constructed_bytes;
    std::string constructed_charset;

private:
    static JniDouble* self(JNIEnv* env);
    jstring keep(std::string text);  // string() with the lock held
    bool failing(const char* function);

    JNIEnv env_{};
    JNINativeInterface_ table_{};
    std::deque<std::string> strings_;  // stable addresses serve as jstring handles
    std::deque<std::vector<jbyte>> arrays_;
};

}  // namespace quorvane::test
