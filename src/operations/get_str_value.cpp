#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Quorvane.h"
#include "frame/frame.h"

namespace {

constexpr const char* kPrefix = "Java_Quorvane_RegGetKeyRegStrValue: ";
constexpr std::uint32_t kFirstCapacity = 1048576;

struct FreeDeleter {
    void operator()(char* block) const noexcept { std::free(block); }
};
using ValueBuffer = std::unique_ptr<char[], FreeDeleter>;

// Room for `capacity` bytes and a spare one that ends the text; computed in 64 bits.
ValueBuffer allocate(std::uint32_t capacity) noexcept {
    return ValueBuffer(static_cast<char*>(std::malloc(std::size_t{capacity} + 1)));
}

// new String(bytes of dataStr, "GB2312"); null with the JVM's exception pending if a step fails.
jstring to_java_string(JNIEnv* env, const char* dataStr) noexcept {
    const auto length = static_cast<jsize>(std::strlen(dataStr));
    jclass string_class = env->FindClass("java/lang/String");
    if (string_class == nullptr) return nullptr;
    jstring charset = env->NewStringUTF("GB2312");
    if (charset == nullptr) return nullptr;
    jmethodID constructor = env->GetMethodID(string_class, "<init>", "([BLjava/lang/String;)V");
    if (constructor == nullptr) return nullptr;
    jbyteArray bytes = env->NewByteArray(length);
    if (bytes == nullptr) return nullptr;
    env->SetByteArrayRegion(bytes, 0, length, reinterpret_cast<const jbyte*>(dataStr));
    return static_cast<jstring>(env->NewObject(string_class, constructor, bytes, charset));
}

}  // namespace

using namespace quorvane;

JNIEXPORT jstring JNICALL Java_Quorvane_RegGetKeyRegStrValue(JNIEnv* env, jclass, jstring key,
                                                             jstring subkey, jstring value) {
    std::uint32_t capacity = kFirstCapacity;
    const frame::ArgTexts texts(env, {key, subkey, value});
    const auto root = frame::resolve(kPrefix, texts);
    if (!root) return nullptr;

    crt_printf("Java_Quorvane_RegGetKeyRegStrValue: Key=%s, \nSubkey=%s, \nvalue=%s\n", texts[0],
               texts[1], texts[2]);
    for (;;) {
        const ValueBuffer buffer = allocate(capacity);
        if (!buffer) {
            frame::report_failure(kPrefix, platform::kNotEnoughMemory);
            return nullptr;
        }
        const platform::Status status =
            platform::get_value(*root, texts[1], texts[2], buffer.get(), &capacity);
        if (status == platform::kMoreData) {
            crt_printf("Java_Quorvane_RegGetKeyRegStrValue: need to malloc a larger data %d\n",
                       static_cast<int>(capacity));
            continue;
        }
        if (status != platform::kSuccess) {
            frame::report_failure(kPrefix, status);
            return nullptr;
        }
        // Numeric and binary data hold no zero byte of their own: end the text after the bytes written.
        buffer[capacity] = '\0';
        crt_printf("Java_Quorvane_RegGetKeyRegStrValue: RegGetValue success. dataStr = %s\n",
                   buffer.get());
        return to_java_string(env, buffer.get());
    }
}
