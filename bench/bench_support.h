// Helpers shared by the versit reading benchmarks: a generated text held in a real temporary file
// (rewound for each parse), and a parse loop that reports bytes and objects per second and the
// peak heap in use during a parse above what was in use before it, sampled at every delivered
// object (so a reader whose memory grows with the number of objects shows it).
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "pim/pim_object_record.h"

namespace bench {

// A temporary file holding text; closed (and so removed) with the object.
struct TextFile {
    explicit TextFile(const std::string& text) : stream(std::tmpfile()), size(text.size()) {
        std::fwrite(text.data(), 1, text.size(), stream);
    }
    ~TextFile() { std::fclose(stream); }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    std::FILE* stream;
    std::size_t size;
};

// What a parse's deliveries saw: how many objects, and the most heap in use at any of them.
struct HeapSample {
    std::size_t objects = 0;
    std::size_t peak = 0;
};

// A delivery callback whose context is a HeapSample.
inline void sample_heap(tOSIF_STOREID, tagvObject*, std::uint32_t, std::uintptr_t context) {
    auto& s = *reinterpret_cast<HeapSample*>(context);
    ++s.objects;
    s.peak = std::max(s.peak, mallinfo2().uordblks);
}

// Runs parse(stream, context) over the whole file once per iteration, with a fresh parse record
// each time; parse must deliver to sample_heap with the given context.
template <typename Parse>
void run_parse_with_peak_heap(benchmark::State& state, const TextFile& file, Parse parse) {
    std::size_t objects = 0;
    std::size_t peak_growth = 0;
    for (auto _ : state) {
        qel::pim::release_parse_record();
        std::rewind(file.stream);
        const std::size_t before = mallinfo2().uordblks;
        HeapSample s;
        benchmark::DoNotOptimize(parse(file.stream, reinterpret_cast<std::uintptr_t>(&s)));
        objects = s.objects;
        peak_growth = std::max(peak_growth, s.peak > before ? s.peak - before : 0);
    }
    qel::pim::release_parse_record();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objects));
    state.counters["objects"] = static_cast<double>(objects);
    state.counters["peak_heap_growth_bytes"] = static_cast<double>(peak_growth);
}

}  // namespace bench
