#include <cstdint>

#include "Quorvane.h"
#include "frame/frame.h"

namespace {
constexpr const char* kPrefix = "Java_Quorvane_RegSetKeyRegQwordValue: ";
constexpr const char* kSuccessLine = "Java_Quorvane_RegSetKeyRegQwordValue:  RegSetKeyValuesuccess.\n";
}  // namespace

using namespace quorvane;

JNIEXPORT jint JNICALL Java_Quorvane_RegSetKeyRegQwordValue(JNIEnv* env, jclass, jstring key,
                                                            jstring subkey, jstring value,
                                                            jlong data) {
    const frame::ArgTexts texts(env, {key, subkey, value});
    const std::int64_t dataQword = data;
    const auto root = frame::resolve(kPrefix, texts);
    if (!root) return frame::kWriteFailed;

    crt_printf("Java_Quorvane_RegSetKeyRegQwordValue: Key=%s, \nSubkey=%s, \nvalue=%s, \ndataQword=%lld\n",
               texts[0], texts[1], texts[2], static_cast<long long>(dataQword));
    return frame::finish_write(kPrefix, kSuccessLine,
                               platform::set_value(*root, texts[1], texts[2], platform::kRegQword,
                                                   &dataQword, sizeof dataQword));
}
