// Random sequences of writes and reads through the stand-in, compared with a plain in-memory
// model of what the registry does. QV_MODEL_SEED picks the sequence (fixed by default),
// QV_MODEL_OPS its length.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "test_env.h"

namespace quorvane::test {
namespace {

using platform::RootKey;
using platform::Status;

std::string fold(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

struct Value {
    std::uint32_t type;
    std::string bytes;
};

// The registry as a map from a key's folded full path to its values by folded name.
class Model {
public:
    Status set(RootKey root, const std::string& subkey, const std::string& name, const Value& value) {
        std::string path;
        const Status status = resolve(root, subkey, &path);
        if (status == 0) values_[path][fold(name)] = value;
        return status;
    }

    Status get(RootKey root, const std::string& subkey, const std::string& name, std::uint32_t room,
               std::string* out, std::uint32_t* size) const {
        std::string path;
        Status status = resolve(root, subkey, &path);
        if (status != 0) return status;
        const auto key = values_.find(path);
        if (key == values_.end() || !key->second.count(fold(name))) return 2;
        const Value& value = key->second.at(fold(name));
        std::string bytes = value.bytes;
        if (value.type == 2) {
            bytes = expand(bytes.substr(0, bytes.find('\0'))) + '\0';
        } else if ((value.type == 1 || value.type == 7) && !bytes.empty() && bytes.back() != '\0') {
            bytes += '\0';
        }
        *size = static_cast<std::uint32_t>(bytes.size());
        if (bytes.size() > room) return 234;
        *out = bytes;
        return 0;
    }

private:
    static Status resolve(RootKey root, const std::string& subkey, std::string* path) {
        if (!subkey.empty() && subkey[0] == '\\') return 161;
        const std::map<RootKey, std::string> roots = {
            {platform::kLocalMachine, "lm"}, {platform::kCurrentUser, "cu"}, {platform::kUsers, "u"},
            {platform::kClassesRoot, "lm\\software\\classes"},
            {platform::kCurrentConfig, "lm\\system\\currentcontrolset\\hardware profiles\\current"}};
        *path = roots.at(root);
        std::string component;
        for (char c : subkey + '\\') {
            if (c != '\\') {
                component += c;
            } else if (!component.empty()) {
                *path += "\\" + fold(component);
                component.clear();
            }
        }
        return 0;
    }

    static std::string expand(const std::string& text) {
        std::string out;
        std::size_t at = 0;
        while (true) {
            const std::size_t open = text.find('%', at);
            const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
            if (close == std::string::npos) return out + text.substr(at);
            const std::string name = text.substr(open + 1, close - open - 1);
            const char* value = fold(name) == "qv_model" ? "<expanded>" : nullptr;
            out += text.substr(at, open - at) + (value ? value : text.substr(open, close - open + 1));
            at = close + 1;
        }
    }

    std::map<std::string, std::map<std::string, Value>> values_;
};

std::uint64_t env_number(const char* name, std::uint64_t otherwise) {
    const char* text = std::getenv(name);
    return text != nullptr ? std::strtoull(text, nullptr, 10) : otherwise;
}

TEST(Model, RandomWritesAndReadsMatchTheModel) {
    set_environment("QV_MODEL", "<expanded>");
    const std::uint64_t seed = env_number("QV_MODEL_SEED", 20261211);
    const std::uint64_t ops = env_number("QV_MODEL_OPS", 3000);
    std::mt19937_64 random(seed);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    const auto chance = [&](int percent) { return pick(100) < static_cast<std::size_t>(percent); };
    const auto vary_case = [&](std::string text) {
        for (char& c : text) {
            if (chance(30) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        return text;
    };

    const std::string run = fresh_name("model") + "_" + std::to_string(seed);
    const RootKey roots[] = {platform::kLocalMachine, platform::kCurrentUser, platform::kUsers,
                             platform::kClassesRoot, platform::kCurrentConfig};
    const char* const components[] = {"alpha", "beta", "gamma", "software", "classes"};
    const char* const names[] = {"", "name", "other", "x"};
    const std::uint32_t types[] = {0, 1, 2, 3, 4, 7, 11};
    Model model;
    for (std::uint64_t op = 0; op < ops; ++op) {
        const RootKey root = roots[pick(5)];
        std::string subkey = chance(3) ? "\\" : "";
        subkey += run;
        for (std::size_t depth = pick(3); depth > 0; --depth) subkey += (chance(10) ? "\\\\" : "\\") + vary_case(components[pick(5)]);
        if (chance(10)) subkey += "\\";
        const std::string name = vary_case(names[pick(4)]);
        SCOPED_TRACE("seed " + std::to_string(seed) + " op " + std::to_string(op) + ": " + subkey + " / " + name);
        if (chance(50)) {
            const std::uint32_t type = types[pick(7)];
            std::size_t size = chance(2) ? 1048570 + pick(12) : pick(24);
            std::string bytes;
            // Expandable text names no variable by chance: between its percent signs stand only
            // characters no environment variable's name has.
            const std::string alphabet = type == 2 ? "%.,;:" : "abcdefghijklmnopqrstuvwxyz";
            for (std::size_t i = 0; i < size; ++i) {
                bytes += type == 3 ? static_cast<char>(pick(256)) : alphabet[pick(alphabet.size())];
            }
            if (type == 2 && chance(50)) bytes += "%QV_MODEL%";
            if ((type == 1 || type == 2 || type == 7) && chance(50)) bytes += '\0';
            const Status expected = model.set(root, subkey, name, {type, bytes});
            ASSERT_EQ(platform::set_value(root, subkey.c_str(), name.c_str(), type, bytes.data(),
                                          static_cast<std::uint32_t>(bytes.size())), expected);
        } else {
            std::string expected_bytes;
            std::uint32_t expected_size = 0;
            const std::uint32_t rooms[] = {0, 8, 64, 1 << 20, 2 << 20};
            std::uint32_t room = rooms[pick(5)];
            const Status expected = model.get(root, subkey, name, room, &expected_bytes, &expected_size);
            std::string buffer(room, '\x7f');
            std::uint32_t size = room;
            ASSERT_EQ(platform::get_value(root, subkey.c_str(), name.c_str(), buffer.data(), &size), expected);
            if (expected == 0 || expected == 234) {
                ASSERT_EQ(size, expected_size);
            }
            if (expected == 0) {
                ASSERT_EQ(buffer.substr(0, size), expected_bytes);
            }
        }
    }
}

}  // namespace
}  // namespace quorvane::test
