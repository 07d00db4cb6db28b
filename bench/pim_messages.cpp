// Reading a generated file of 10,000 vMessages: half are SMS-style single-part messages with an
// originator contact, half are e-mails with a multipart body (a quoted-printable text part and,
// in every fifth, a base64 attachment kept in a temporary file). Reports bytes and messages per
// second, and the peak heap in use during a parse above what was in use before it (sampled at
// every delivered message): it must not grow with the number of messages.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "pim/message/vmsg_parser.h"

namespace {

std::string sms(int i) {
    const std::string n = std::to_string(i);
    return "BEGIN:VMSG\r\nVERSION:1.1\r\nX-IRMC-LUID:" + n + "\r\nX-IRMC-STATUS:READ\r\nX-IRMC-TYPE:SMS\r\n"
           "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Sender" + n + ";Sam\r\nTEL;CELL:+49170555" + n + "\r\nEND:VCARD\r\n"
           "BEGIN:VENV\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\nDate: Sat, 05 Jan 2008 10:20:30 +0100\r\n"
           "Content-Type: text/plain; charset=UTF-8\r\n\r\nMessage " + n + ": see you at ten, bring the key.\r\n"
           "END:VBODY\r\nEND:VENV\r\nEND:VENV\r\nEND:VMSG\r\n";
}

std::string mail(int i, bool attachment) {
    const std::string n = std::to_string(i);
    std::string m = "BEGIN:VMSG\r\nVERSION:1.1\r\nX-IRMC-LUID:" + n + "\r\nX-IRMC-TYPE:EMAIL\r\nX-BT-FOLDER:SENTBOX\r\n"
                    "BEGIN:VENV\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:Reader;Rita\r\nEMAIL:rita@example.org\r\nEND:VCARD\r\n"
                    "BEGIN:VENV\r\nBEGIN:VBODY\r\nDate: Sat, 05 Jan 2008 10:20:30 +0100\r\nFrom: sam@example.org\r\n"
                    "To: rita@example.org\r\nSubject: Report " + n + "\r\nMIME-Version: 1.0\r\n"
                    "Content-Type: multipart/mixed; boundary=\"----=_NextPart_001\"\r\n\r\n"
                    "------=_NextPart_001\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                    "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                    "The figures for week " + n + " are attached. Gr=C3=BC=C3=9Fe, and a line that is long =\r\n"
                    "enough to be broken with a soft line break.\r\n\r\nSam\r\n";
    if (attachment) {
        m += "------=_NextPart_001\r\nContent-Type: application/octet-stream; name=\"week" + n + ".csv\"\r\n"
             "Content-Transfer-Encoding: base64\r\n\r\n";
        for (int line = 0; line < 20; ++line) m += "MSwyLDMsNCw1LDYsNyw4LDksMTAsMTEsMTIsMTMsMTQsMTUsMTYsMTcsMTgsMTks\r\n";
    }
    return m + "------=_NextPart_001--\r\nEND:VBODY\r\nEND:VENV\r\nEND:VENV\r\nEND:VMSG\r\n";
}

void BM_VMessages(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += i % 2 ? mail(i, i % 5 == 1) : sms(i);
    const bench::TextFile file(text);
    bench::run_parse_with_peak_heap(state, file, [](std::FILE* f, std::uintptr_t ctx) {
        return OSIF_ParseVMessages(f, bench::sample_heap, ctx);
    });
}
BENCHMARK(BM_VMessages)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
