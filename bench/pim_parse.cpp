// Reading generated vCard 2.1 and vCalendar files: contacts with quoted-printable values,
// character sets and folded lines (with and without base64 photos), and events. Reports bytes
// and objects per second, and the peak heap in use during a parse above what was in use before
// it (sampled at every delivered object): it must not grow with the number of objects.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
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

void BM_VCards(benchmark::State& state) {
    const bool photos = state.range(1) != 0;
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += contact(i, photos);
    const bench::TextFile file(text + "X-END:1\r\n");
    bench::run_parse_with_peak_heap(state, file, [](std::FILE* f, std::uintptr_t ctx) { return OSIF_ParseVCards(f, bench::sample_heap, ctx); });
}
BENCHMARK(BM_VCards)->Args({1000, 0})->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);

void BM_VCalendar(benchmark::State& state) {
    // One calendar per event, as phones send them: the events of one calendar share its record
    // and its memory, by design, until the calendar ends.
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += "BEGIN:VCALENDAR\r\nVERSION:1.0\r\n" + event(i) + "END:VCALENDAR\r\n";
    const bench::TextFile file(text + "X-END:1\r\n");
    bench::run_parse_with_peak_heap(state, file,
        [](std::FILE* f, std::uintptr_t ctx) { return OSIF_ParseVCalendars(f, u"bench.vcs", bench::sample_heap, ctx); });
}
BENCHMARK(BM_VCalendar)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
