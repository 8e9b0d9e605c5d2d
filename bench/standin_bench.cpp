// Google Benchmark for the stand-in registry: writes to a key that exists (hot) and to new keys
// (cold), and reads of values from 8 bytes to 16 MiB.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace {

using quorvane::platform::kCurrentUser;

void SetHotKey(benchmark::State& state) {
    const std::string data(static_cast<std::size_t>(state.range(0)), 'h');
    for (auto _ : state) {
        quorvane::platform::set_value(kCurrentUser, "Software\\QuorvaneBench\\Hot", "v", 3, data.data(),
                                      static_cast<std::uint32_t>(data.size()));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void SetColdKey(benchmark::State& state) {
    const std::string data(8, 'c');
    const std::string base = "Software\\QuorvaneBench\\Cold" + std::to_string(std::rand()) + "\\";
    std::int64_t n = 0;
    for (auto _ : state) {
        const std::string subkey = base + std::to_string(n++);
        quorvane::platform::set_value(kCurrentUser, subkey.c_str(), "v", 3, data.data(), 8);
    }
}

void Get(benchmark::State& state) {
    const auto size = static_cast<std::uint32_t>(state.range(0));
    const std::string data(size, 'g');
    const std::string name = "g" + std::to_string(size);
    quorvane::platform::set_value(kCurrentUser, "Software\\QuorvaneBench\\Get", name.c_str(), 3, data.data(), size);
    std::vector<char> buffer(size);
    for (auto _ : state) {
        std::uint32_t room = size;
        quorvane::platform::get_value(kCurrentUser, "Software\\QuorvaneBench\\Get", name.c_str(), buffer.data(), &room);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

constexpr std::int64_t kSizes[] = {8, 1 << 10, 64 << 10, 1 << 20, 4 << 20, 16 << 20};

void sizes(benchmark::internal::Benchmark* b) {
    for (std::int64_t size : kSizes) b->Arg(size);
}

BENCHMARK(SetHotKey)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(SetColdKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(Get)->Apply(sizes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
