// Quorvane.dll against the bare registry calls and a peer's call pattern, under Wine, in one
// run with the operations interleaved so that the machine's noise falls on all alike. The
// library's stdout goes to a file, as in production when output is redirected.
//   wine_bench.exe            the table (Markdown) and read-times.dat for the chart
//   wine_bench.exe memory     peak working set around one read of the 16 MiB value
#include <windows.h>
#include <io.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "frame/frame.h"  // crt_printf: the library's own way to print
#include "lean_jni.h"

namespace {

using SetQword = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring, jlong);
using GetStr = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jstring);

constexpr const char* kSubkey = "Software\\QuorvaneBench";
const HKEY kRoot = HKEY_CURRENT_USER;

double now_us() {
    static const double ticks_per_us = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e6;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticks_per_us;
}

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

struct Op {
    std::string name;
    std::function<void()> run;
    std::vector<double> samples;
};

// Runs the operations round after round, each round in a new order (so none always follows
// the same neighbour), timing each call on its own.
void interleave(std::vector<Op>& ops, int rounds) {
    for (Op& op : ops) op.run();  // warm-up
    std::vector<std::size_t> order(ops.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::mt19937 shuffle(20261211);
    for (int round = 0; round < rounds; ++round) {
        std::shuffle(order.begin(), order.end(), shuffle);
        for (std::size_t i : order) {
            const double start = now_us();
            ops[i].run();
            ops[i].samples.push_back(now_us() - start);
        }
    }
}

// One attempt of the reader's, done by hand: a fresh block of room + 1 bytes, the call, free.
void attempt(const std::string& name, DWORD room) {
    char* block = static_cast<char*>(std::malloc(std::size_t{room} + 1));
    RegGetValueA(kRoot, kSubkey, name.c_str(), RRF_RT_ANY, nullptr, block, &room);
    std::free(block);
}

// The reader's specified steps written out here, with nothing of the library: the measure of
// what the library adds to them.
void read_by_hand(const std::string& name) {
    crt_printf("Java_Quorvane_RegGetKeyRegStrValue: Key=%s, \nSubkey=%s, \nvalue=%s\n", "HKEY_CURRENT_USER", kSubkey,
               name.c_str());
    for (DWORD room = 1 << 20;;) {
        char* block = static_cast<char*>(std::malloc(std::size_t{room} + 1));
        const LSTATUS status = RegGetValueA(kRoot, kSubkey, name.c_str(), RRF_RT_ANY, nullptr, block, &room);
        if (status == ERROR_MORE_DATA) {
            crt_printf("Java_Quorvane_RegGetKeyRegStrValue: need to malloc a larger data %d\n", static_cast<int>(room));
            std::free(block);
            continue;
        }
        block[room] = '\0';
        crt_printf("Java_Quorvane_RegGetKeyRegStrValue: RegGetValue success. dataStr = %s\n", block);
        volatile std::size_t length = std::strlen(block);  // the length the byte array is made with
        static_cast<void>(length);
        std::free(block);
        return;
    }
}

// The two lines the QWORD writer prints, printed the same way.
void write_lines(long long data) {
    crt_printf("Java_Quorvane_RegSetKeyRegQwordValue: Key=%s, \nSubkey=%s, \nvalue=%s, \ndataQword=%lld\n",
               "HKEY_CURRENT_USER", kSubkey, "Answer", data);
    crt_printf("%s", "Java_Quorvane_RegSetKeyRegQwordValue:  RegSetKeyValuesuccess.\n");
}

std::string value_name(std::size_t size) { return "v" + std::to_string(size); }

// Stored as REG_SZ: Wine's RegGetValueA garbles an expandable string over 32K characters.
void store_text(std::size_t size) {
    const std::string text(size - 1, 'q');
    RegSetKeyValueA(kRoot, kSubkey, value_name(size).c_str(), REG_SZ, text.c_str(), static_cast<DWORD>(size));
}

std::string format_size(std::size_t size) {
    if (size >= (1u << 20)) return std::to_string(size >> 20) + " MiB";
    if (size >= 1024) return std::to_string(size >> 10) + " KiB";
    return std::to_string(size) + " B";
}

}  // namespace

int main(int argc, char** argv) {
    HMODULE dll = LoadLibraryA("Quorvane.dll");
    if (dll == nullptr) {
        std::fprintf(stderr, "cannot load Quorvane.dll\n");
        return 1;
    }
    const auto set_qword = reinterpret_cast<SetQword>(reinterpret_cast<void*>(GetProcAddress(dll, "Java_Quorvane_RegSetKeyRegQwordValue")));
    const auto get_str = reinterpret_cast<GetStr>(reinterpret_cast<void*>(GetProcAddress(dll, "Java_Quorvane_RegGetKeyRegStrValue")));
    quorvane::bench::LeanJni jni;
    const jstring root = jni.string("HKEY_CURRENT_USER");
    const jstring subkey = jni.string(kSubkey);
    FILE* results = _fdopen(_dup(1), "w");  // the table; stdout itself becomes the library's file
    if (std::freopen("quorvane-stdout.txt", "w", stdout) == nullptr) return 1;

    const std::size_t sizes[] = {8, 1024, 64 << 10, 1 << 20, 4 << 20, 16 << 20};
    // One read of the 16 MiB value in a fresh process, by the library or by a bare right-sized
    // RegGetValueA: the growth of the peak working set over the working set before the read.
    if (argc > 1 && std::strncmp(argv[1], "memory", 6) == 0) {
        const std::size_t size = 16 << 20;
        const std::string name = value_name(size);
        const bool bare = std::strcmp(argv[1], "memory-bare") == 0;
        PROCESS_MEMORY_COUNTERS before{}, after{};
        GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
        if (bare) {
            DWORD room = static_cast<DWORD>(size);
            char* block = static_cast<char*>(std::malloc(size));
            RegGetValueA(kRoot, kSubkey, name.c_str(), RRF_RT_ANY, nullptr, block, &room);
            std::free(block);
        } else {
            get_str(jni.env(), nullptr, root, subkey, jni.string(name.c_str()));
        }
        GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
        std::fflush(stdout);
        std::ifstream lines("quorvane-stdout.txt");
        int larger = 0;
        for (std::string line; std::getline(lines, line);) larger += line.find("need to malloc a larger data") != std::string::npos;
        if (!bare) std::fprintf(results, "| 16 MiB read by the library: registry calls | %d |\n", 1 + larger);
        std::fprintf(results, "| 16 MiB read %s: peak working set over the working set before it | %.1f MiB |\n",
                     bare ? "by a bare right-sized RegGetValueA" : "by the library",
                     static_cast<double>(after.PeakWorkingSetSize - before.WorkingSetSize) / (1 << 20));
        return 0;
    }

    // Writes: ours, the bare call, and the two lines ours prints, alone.
    long long data = 42;
    std::vector<Op> writes = {
        {"ours", [&] { set_qword(jni.env(), nullptr, root, subkey, jni.string("Answer"), data); }, {}},
        {"bare", [&] { RegSetKeyValueA(kRoot, kSubkey, "Answer", REG_QWORD, &data, sizeof data); }, {}},
        {"lines", [&] { write_lines(data); }, {}},
        {"bare+lines", [&] {
             RegSetKeyValueA(kRoot, kSubkey, "Answer", REG_QWORD, &data, sizeof data);
             write_lines(data);
         }, {}},
        {"malloc", [&] {
             void* volatile block = std::malloc(1048577);  // volatile: the pair must not be optimised away
             std::free(block);
         }, {}},
    };
    interleave(writes, 400);
    const double w_ours = median(writes[0].samples), w_bare = median(writes[1].samples);
    const double lines = median(writes[2].samples), bare_and_lines = median(writes[3].samples);
    const double first_buffer = median(writes[4].samples);
    std::fprintf(results, "## Under Wine: Quorvane.dll against the bare registry calls\n\n");
    std::fprintf(results, "Medians in microseconds; stdout of the library goes to a file.\n\n");
    std::fprintf(results, "| write | ours | bare RegSetKeyValueA | ours/bare | two lines alone | bare, then the lines | own overhead: ours - (bare, then the lines) | of bare |\n|---|---|---|---|---|---|---|---|\n");
    std::fprintf(results, "| QWORD | %.1f | %.1f | %.2f | %.1f | %.1f | %.1f | %.1f%% |\n", w_ours, w_bare, w_ours / w_bare, lines,
                 bare_and_lines, w_ours - bare_and_lines, 100 * (w_ours - bare_and_lines) / w_bare);

    // Reads of each size: ours, the bare call into a right-sized buffer, and JNA's pattern.
    std::ofstream chart("read-times.dat");
    chart << "# size_bytes ours_us bare_us pattern_us\n";
    std::vector<std::string> read_rows;
    for (std::size_t size : sizes) {
        store_text(size);
        const std::string name = value_name(size);
        std::vector<char> right_sized(size);
        const std::string text(size - 1, 'q');
        std::vector<Op> reads = {
            {"lines", [&] {
                 crt_printf("Java_Quorvane_RegGetKeyRegStrValue: Key=%s, \nSubkey=%s, \nvalue=%s\n", "HKEY_CURRENT_USER",
                            kSubkey, name.c_str());
                 crt_printf("Java_Quorvane_RegGetKeyRegStrValue: RegGetValue success. dataStr = %s\n", text.c_str());
             }, {}},
            {"ours", [&] { get_str(jni.env(), nullptr, root, subkey, jni.string(name.c_str())); }, {}},
            {"bare", [&] {
                 DWORD room = static_cast<DWORD>(size);
                 RegGetValueA(kRoot, kSubkey, name.c_str(), RRF_RT_ANY, nullptr, right_sized.data(), &room);
             }, {}},
            // The specified attempts alone: a fresh heap block, the registry call into it, free.
            {"first attempt", [&] { attempt(name, 1 << 20); }, {}},
            {"second attempt", [&] {
                 if (size > (1u << 20)) attempt(name, static_cast<DWORD>(size));
             }, {}},
            {"by hand", [&] { read_by_hand(name); }, {}},
            {"pattern", [&] {
                 HKEY key = nullptr;
                 RegOpenKeyExA(kRoot, kSubkey, 0, KEY_READ, &key);
                 DWORD type = 0, needed = 0;
                 RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &needed);
                 char* buffer = static_cast<char*>(std::malloc(needed + 1));
                 RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &needed);
                 std::free(buffer);
                 RegCloseKey(key);
             }, {}},
        };
        const int rounds = size <= (64 << 10) ? 300 : size <= (1 << 20) ? 40 : size <= (4 << 20) ? 15 : 7;
        interleave(reads, rounds);
        const double read_lines = median(reads[0].samples), ours = median(reads[1].samples);
        const double bare = median(reads[2].samples), first_attempt = median(reads[3].samples);
        const double second_attempt = median(reads[4].samples), by_hand = median(reads[5].samples);
        const double pattern = median(reads[6].samples);
        const double overhead = ours - by_hand;
        chart << size << " " << ours << " " << bare << " " << pattern << "\n";
        char row[400];
        std::snprintf(row, sizeof row, "| read %s | %.1f | %.1f | %.2f | %.1f | %.2f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f%% |\n",
                      format_size(size).c_str(), ours, bare, ours / bare, pattern, ours / pattern, read_lines,
                      first_attempt, second_attempt, by_hand, overhead,
                      100 * overhead / bare);
        read_rows.push_back(row);
    }
    std::fprintf(results, "\nThe reader's first buffer alone (malloc+free of 1,048,577 bytes): %.1f us.\n\n", first_buffer);
    std::fprintf(results, "| read | ours | bare RegGetValueA | ours/bare | peer pattern | ours/pattern | two lines alone | 1st attempt alone | 2nd attempt alone | the same steps by hand | own overhead: ours - by hand | of bare |\n|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const std::string& row : read_rows) std::fputs(row.c_str(), results);
    return 0;
}
