// The change log and notes: purging a 100,000-line change log to its newest 250 lines (the log is
// rewritten before each purge, outside the timing), reading every entry of a 100,000-line log, and
// reading a generated file of 10,000 notes (quoted-printable bodies with soft breaks, every
// property): bytes and objects per second.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "pim/notes/change_log.h"
#include "pim/notes/vnote_parser.h"

namespace {

namespace fs = std::filesystem;

std::string change_log(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += (i % 3 == 0 ? "D:" : "M:") + std::to_string(i) + ":20080105T102030Z:" + std::to_string(100000 + i) +
                "-0000-4000-8000-00000000ABCD\n";
    }
    return text;
}

std::string note(int i) {
    const std::string n = std::to_string(i);
    return "BEGIN:VNOTE\r\nVERSION:1.1\r\nX-IRMC-LUID:" + n +
           "\r\nDCREATED:20051030T111735Z\r\nLAST-MODIFIED:20051030T112041Z\r\nCATEGORIES:Work\r\nCLASS:PRIVATE\r\n"
           "SUMMARY:Note " + n + "\r\n"
           "BODY;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:Shopping list number " + n + "=0D=0Amilk, bread, v=C3=A5r=\r\n"
           "ious things that make the line long enough to be folded by a soft line break=0D=0Aend\r\n"
           "END:VNOTE\r\n";
}

// A folder of the temporary directory, removed afterwards.
struct Folder {
    Folder() : path(fs::temp_directory_path() / ("qel-bench-changelog-" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

void write(const fs::path& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

void BM_PurgeChangeLog(benchmark::State& state) {
    const Folder folder;
    const fs::path log = folder.path / "change.log";
    const std::string text = change_log(static_cast<int>(state.range(0)));
    const std::u16string wide_log = log.u16string();
    const std::u16string wide_folder = folder.path.u16string();
    for (auto _ : state) {
        state.PauseTiming();
        write(log, text);
        state.ResumeTiming();
        if (OSIF_CLPurge(wide_log.c_str(), wide_folder.c_str()) != 0) state.SkipWithError("purge failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * state.range(0)));
}
BENCHMARK(BM_PurgeChangeLog)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadChangeLog(benchmark::State& state) {
    const std::string text = change_log(static_cast<int>(state.range(0)));
    const bench::TextFile file(text);
    std::size_t entries = 0;
    for (auto _ : state) {
        std::rewind(file.stream);
        tagClEntry e{};
        entries = 0;
        while (OSIF_ReadClEntry(file.stream, &e) == OSIF_CL_OK) ++entries;
        benchmark::DoNotOptimize(e);
    }
    if (entries != static_cast<std::size_t>(state.range(0))) state.SkipWithError("not every entry was read");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * entries));
}
BENCHMARK(BM_ReadChangeLog)->Arg(100000)->Unit(benchmark::kMillisecond);

void count(tOSIF_STOREID, tagvObject*, std::uint32_t, std::uintptr_t context) {
    ++*reinterpret_cast<std::size_t*>(context);
}

void BM_ParseVNotes(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += note(i);
    const bench::TextFile file(text);
    std::size_t notes = 0;
    for (auto _ : state) {
        std::rewind(file.stream);
        notes = 0;
        benchmark::DoNotOptimize(OSIF_ParseVNotes(file.stream, count, reinterpret_cast<std::uintptr_t>(&notes)));
    }
    qel::pim::release_parse_record();
    if (notes != static_cast<std::size_t>(state.range(0))) state.SkipWithError("not every note was delivered");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * notes));
}
BENCHMARK(BM_ParseVNotes)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
