#include "frame/frame.h"

#include <cstring>

namespace quorvane::frame {

namespace {

struct RootKeyRow {
    const char* name;
    platform::RootKey key;
};

constexpr std::array<RootKeyRow, 5> kRootKeys{{
    {"HKEY_CLASSES_ROOT", platform::kClassesRoot},
    {"HKEY_CURRENT_CONFIG", platform::kCurrentConfig},
    {"HKEY_CURRENT_USER", platform::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", platform::kLocalMachine},
    {"HKEY_USERS", platform::kUsers},
}};

constexpr std::size_t kMsgBufferSize = 500;

}  // namespace

std::optional<platform::RootKey> lookup_root_key(const char* name) noexcept {
    if (name == nullptr) return std::nullopt;
    for (const RootKeyRow& row : kRootKeys) {
        if (std::strcmp(row.name, name) == 0) return row.key;
    }
    return std::nullopt;
}

void report_failure(const char* prefix, platform::Status status) noexcept {
    char msgBuffer[kMsgBufferSize];
    // A status without system text (or one whose text wants inserts) still prints a text.
    if (platform::format_message(status, msgBuffer, kMsgBufferSize) == 0) msgBuffer[0] = '\0';
    msgBuffer[kMsgBufferSize - 1] = '\0';
    crt_printf("%sERROR!! dwErr=%d, msgBuffer=%s\n", prefix, static_cast<int>(status), msgBuffer);
}

ArgTexts::ArgTexts(JNIEnv* env, std::initializer_list<jstring> args) noexcept : env_(env) {
    for (jstring arg : args) {
        if (count_ == kMaxArgs) break;
        strings_[count_] = arg;
        if (arg != nullptr) {
            texts_[count_] = env_->GetStringUTFChars(arg, nullptr);
            if (texts_[count_] == nullptr) {
                refused_ = true;  // no further JNI call but the releases
                break;
            }
        }
        ++count_;
    }
}

ArgTexts::~ArgTexts() {
    for (std::size_t i = 0; i < count_; ++i) {
        if (texts_[i] != nullptr) env_->ReleaseStringUTFChars(strings_[i], texts_[i]);
    }
}

std::optional<platform::RootKey> resolve(const char* prefix, const ArgTexts& texts) noexcept {
    if (texts.refused_) return std::nullopt;
    const std::optional<platform::RootKey> root = lookup_root_key(texts[0]);
    if (!root) {
        crt_printf("%sERROR!! No such a Key.\n", prefix);
        return std::nullopt;
    }
    for (std::size_t i = 1; i < texts.count_; ++i) {
        if (texts[i] == nullptr) {
            report_failure(prefix, platform::kInvalidParameter);
            return std::nullopt;
        }
    }
    return root;
}

jint finish_write(const char* prefix, const char* success_line, platform::Status status) noexcept {
    if (status == platform::kSuccess) {
        crt_printf("%s", success_line);
        return kWriteSucceeded;
    }
    report_failure(prefix, status);
    return kWriteFailed;
}

}  // namespace quorvane::frame
