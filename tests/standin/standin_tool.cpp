// Drives the stand-in registry from a process of its own, so tests can run several at once,
// kill one mid-write, or start with a fresh environment. Values live under HKEY_CURRENT_USER.
//   set SUBKEY NAME TYPE TEXT      stores TEXT (no zero byte added); prints the status
//   get SUBKEY NAME                prints the status and the bytes read
//   fill SUBKEY COUNT              stores values 0..COUNT-1 as "<SUBKEY>:<i>"; exit 1 on any failure
//   storm THREADS ACKS             writes from THREADS threads until killed, appending
//                                  "<thread> <i>\n" to the file ACKS after each write that returned 0
//   verify ACKS                    checks every acknowledged storm write; prints how many
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"

namespace {

using quorvane::platform::kCurrentUser;

int put(const std::string& subkey, const std::string& name, const std::string& text, std::uint32_t type = 1) {
    return quorvane::platform::set_value(kCurrentUser, subkey.c_str(), name.c_str(), type, text.data(),
                                         static_cast<std::uint32_t>(text.size()));
}

int read(const std::string& subkey, const std::string& name, std::string* text) {
    std::uint32_t size = 1 << 20;
    text->assign(size, '\0');
    const int status = quorvane::platform::get_value(kCurrentUser, subkey.c_str(), name.c_str(), text->data(), &size);
    text->resize(status == 0 ? size : 0);
    return status;
}

std::string storm_key(int thread) { return "Storm\\T" + std::to_string(thread); }
std::string storm_text(int thread, long i) { return std::to_string(thread) + ":" + std::to_string(i) + std::string(1, '\0'); }

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 5 && args[0] == "set") {
        std::printf("%d\n", put(args[1], args[2], args[4], static_cast<std::uint32_t>(std::stoul(args[3]))));
        return 0;
    }
    if (args.size() == 3 && args[0] == "get") {
        std::string text;
        const int status = read(args[1], args[2], &text);
        std::printf("%d %s\n", status, text.c_str());
        return 0;
    }
    if (args.size() == 3 && args[0] == "fill") {
        for (long i = 0; i < std::stol(args[2]); ++i) {
            if (put(args[1], std::to_string(i), args[1] + ":" + std::to_string(i)) != 0) return 1;
        }
        return 0;
    }
    if (args.size() == 3 && args[0] == "storm") {
        const int acks = open(args[2].c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        std::vector<std::thread> threads;
        for (int t = 0; t < std::stoi(args[1]); ++t) {
            threads.emplace_back([t, acks] {
                for (long i = 0;; ++i) {
                    if (put(storm_key(t), std::to_string(i), storm_text(t, i)) != 0) std::abort();
                    const std::string ack = std::to_string(t) + " " + std::to_string(i) + "\n";
                    if (write(acks, ack.data(), ack.size()) != static_cast<ssize_t>(ack.size())) std::abort();
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
        return 0;
    }
    if (args.size() == 2 && args[0] == "verify") {
        std::ifstream acks(args[1]);
        long checked = 0;
        int thread = 0;
        for (long i = 0; acks >> thread >> i; ++checked) {
            std::string text;
            if (read(storm_key(thread), std::to_string(i), &text) != 0 || text != storm_text(thread, i)) {
                std::printf("lost %d %ld\n", thread, i);
                return 1;
            }
        }
        std::printf("%ld\n", checked);
        return 0;
    }
    std::fprintf(stderr, "usage: standin_tool set|get|fill|storm|verify ...\n");
    return 2;
}
