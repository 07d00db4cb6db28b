// Quoted-printable decoding and encoding of arbitrary text: the measured length must equal what is
// then decoded into an exactly sized buffer, a smaller buffer must be cut and stay terminated, and
// encoding then decoding must give the input back. Buffers are heap blocks of exactly the size
// given, so any write or read past them shows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "pim/quoted_printable.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // cut at a NUL by the calls
    const char* src = text.c_str();
    const std::size_t length = std::strlen(src);

    const std::size_t decoded = QuotedPrintableToChar(src, nullptr, 0);
    check(decoded <= length);
    auto exact = std::make_unique<char[]>(decoded + 1);
    check(QuotedPrintableToChar(src, exact.get(), decoded + 1) == decoded);
    check(exact[decoded] == '\0');
    if (decoded > 0) {
        auto cut = std::make_unique<char[]>(decoded);
        check(QuotedPrintableToChar(src, cut.get(), decoded) == decoded);
        check(cut[decoded - 1] == '\0');
        check(std::memcmp(cut.get(), exact.get(), decoded - 1) == 0);
    }

    const std::size_t encoded = CharToQuotedPrintable(src, nullptr, 0);
    check(encoded >= length && encoded <= 3 * length);
    auto out = std::make_unique<char[]>(encoded + 1);
    check(CharToQuotedPrintable(src, out.get(), encoded + 1) == encoded);
    check(std::strlen(out.get()) == encoded);
    auto back = std::make_unique<char[]>(length + 1);
    check(QuotedPrintableToChar(out.get(), back.get(), length + 1) == length);
    check(std::memcmp(back.get(), src, length + 1) == 0);
    return 0;
}
