#include <cstdint>
#include <cstring>

#include "Quorvane.h"
#include "frame/frame.h"

namespace {
constexpr const char* kPrefix = "Java_Quorvane_RegSetKeyRegExpandStrValue: ";
constexpr const char* kSuccessLine = "Java_Quorvane_RegSetKeyRegExpandStrValue: RegSetKeyValue success.\n";
}  // namespace

using namespace quorvane;

JNIEXPORT jint JNICALL Java_Quorvane_RegSetKeyRegExpandStrValue(JNIEnv* env, jclass, jstring key,
                                                                jstring subkey, jstring value,
                                                                jstring data) {
    const frame::ArgTexts texts(env, {key, subkey, value, data});
    const auto root = frame::resolve(kPrefix, texts);
    if (!root) return frame::kWriteFailed;

    const char* dataExpandStr = texts[3];
    crt_printf("Java_Quorvane_RegSetKeyRegExpandStrValue: Key=%s, \nSubkey=%s, \nvalue=%s, \ndataExpandStr=%s\n",
               texts[0], texts[1], texts[2], dataExpandStr);
    // The registry takes a 32-bit size; a longer text must fail, not be stored cut short.
    const std::size_t size = std::strlen(dataExpandStr) + 1;
    const platform::Status status =
        size > UINT32_MAX ? platform::kInvalidParameter
                          : platform::set_value(*root, texts[1], texts[2], platform::kRegExpandSz,
                                                dataExpandStr, static_cast<std::uint32_t>(size));
    return frame::finish_write(kPrefix, kSuccessLine, status);
}
