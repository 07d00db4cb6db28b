// Reading generated vCard 2.1 and vCalendar files: contacts with quoted-printable values,
// character sets and folded lines (with and without base64 photos), and events. Reports bytes
// and objects per second, and the peak heap in use during a parse above what was in use before
// it (sampled at every delivered object): it must not grow with the number of objects.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "pim/pim_object_record.h"
#include "pim/vcal_parser.h"
#include "pim/vcard_parser.h"

namespace {

std::string contact(int i, bool photo) {
    const std::string n = std::to_string(i);
    std::string c = "BEGIN:VCARD\r\nVERSION:2.1\r\nX-IRMC-LUID:" + n +
                    "\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller" + n + ";J=C3=B6rg;;Dr.;\r\n"
                    "FN:J\xC3\xB6rg M\xC3\xBCller\r\n"
                    "TEL;WORK;VOICE:+49 30 1234" + n + "\r\nTEL;CELL:+49 170 555" + n + "\r\n"
                    "ADR;HOME;CHARSET=ISO-8859-1:;;Stra\xDF" "e " + n + ";Berlin;;10115;Germany\r\n"
                    "EMAIL;INTERNET:user" + n + "@example.org\r\nORG:Example GmbH;Research\r\n"
                    "NOTE;ENCODING=QUOTED-PRINTABLE:A note that runs over the line length so it=\r\n"
                    " is folded with a soft break and goes on=0D=0Afor a second line\r\n"
                    "TITLE:Engineer\r\n  folded title part\r\n";
    if (photo) {
        c += "PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n";
        for (int line = 0; line < 40; ++line) c += "  /9j/4AAQSkZJRgABAQEASABIAAD/2wBDAP//////////////////////////\r\n";
        c += "\r\n";
    }
    return c + "END:VCARD\r\n";
}

std::string event(int i) {
    const std::string n = std::to_string(i);
    return "BEGIN:VEVENT\r\nX-IRMC-LUID:" + n + "\r\nSUMMARY;ENCODING=QUOTED-PRINTABLE:Meeting =E9 " + n +
           "\r\nDESCRIPTION:Room " + n + "\r\nDTSTART:20080105T102030Z\r\nDTEND:20080105T113000Z\r\n"
           "LOCATION:Hall\r\nAALARM:20080105T100000Z;;0;\r\nEND:VEVENT\r\n";
}

// A temporary file holding text, rewound for each parse.
struct File {
    explicit File(const std::string& text) : stream(std::tmpfile()), size(text.size()) {
        std::fwrite(text.data(), 1, text.size(), stream);
    }
    ~File() { std::fclose(stream); }
    std::FILE* stream;
    std::size_t size;
};

struct Sample {
    std::size_t objects = 0;
    std::size_t peak = 0;
};

void sample(tOSIF_STOREID, tagvObject*, std::uint32_t, std::uintptr_t context) {
    auto& s = *reinterpret_cast<Sample*>(context);
    ++s.objects;
    s.peak = std::max(s.peak, mallinfo2().uordblks);
}

template <typename Parse>
void run(benchmark::State& state, const File& file, Parse parse) {
    std::size_t objects = 0;
    std::size_t peak_growth = 0;
    for (auto _ : state) {
        qel::pim::release_parse_record();
        std::rewind(file.stream);
        const std::size_t before = mallinfo2().uordblks;
        Sample s;
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

void BM_VCards(benchmark::State& state) {
    const bool photos = state.range(1) != 0;
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += contact(i, photos);
    const File file(text + "X-END:1\r\n");
    run(state, file, [](std::FILE* f, std::uintptr_t ctx) { return OSIF_ParseVCards(f, sample, ctx); });
}
BENCHMARK(BM_VCards)->Args({1000, 0})->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);

void BM_VCalendar(benchmark::State& state) {
    // One calendar per event, as phones send them: the events of one calendar share its record
    // and its memory, by design, until the calendar ends.
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += "BEGIN:VCALENDAR\r\nVERSION:1.0\r\n" + event(i) + "END:VCALENDAR\r\n";
    const File file(text + "X-END:1\r\n");
    run(state, file,
        [](std::FILE* f, std::uintptr_t ctx) { return OSIF_ParseVCalendars(f, u"bench.vcs", sample, ctx); });
}
BENCHMARK(BM_VCalendar)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
