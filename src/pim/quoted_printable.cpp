// Quoted-printable encoding and decoding of versit values.
#include "pim/quoted_printable.h"

#include <cstring>

#include "pim/osif_files.h"
#include "pim/osif_log.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool copied_as_is(unsigned char c) {
    if (c == ' ' || c == '\t') return true;
    if (c < 0x21 || c > 0x7E) return false;
    return c != '=' && c != ':' && c != ';' && c != '\\';
}

// The value of a hexadecimal digit; any other character counts as 15.
unsigned hex_value(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return 15;
}

// Writes bytes to dst while they and a terminator fit; counts them all.
class BoundedOut {
public:
    BoundedOut(char* dst, std::size_t size) : dst_(dst), size_(size) {}
    void put(char c) {
        if (dst_ && length_ + 1 < size_) dst_[length_] = c;
        ++length_;
    }
    std::size_t finish() {
        if (dst_ && size_ > 0) dst_[length_ < size_ ? length_ : size_ - 1] = '\0';
        return length_;
    }

private:
    char* dst_;
    std::size_t size_;
    std::size_t length_ = 0;
};

}  // namespace

std::size_t CharToQuotedPrintable(const char* src, char* dst, std::size_t dstSize) noexcept {
    BoundedOut out(dst, dstSize);
    if (src) {
        for (const char* p = src; *p; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            if (copied_as_is(c)) {
                out.put(*p);
            } else {
                out.put('=');
                out.put(kHex[c >> 4]);
                out.put(kHex[c & 0x0F]);
            }
        }
    }
    return out.finish();
}

std::size_t QuotedPrintableToChar(const char* src, char* dst, std::size_t dstSize) noexcept {
    BoundedOut out(dst, dstSize);
    if (src) {
        for (const char* p = src; *p;) {
            if (*p != '=') {
                out.put(*p++);
                continue;
            }
            if (!p[1] || !p[2]) break;  // a cut escape at the end decodes to nothing
            out.put(static_cast<char>((hex_value(p[1]) << 4) | hex_value(p[2])));
            p += 3;
        }
    }
    return out.finish();
}

tOSIF_ERROR DecodeQuotedPrintable(const char16_t* inPath, const char16_t* outPath) noexcept {
    std::FILE* in = nullptr;
    if (FILE_Open(&in, inPath, "r") != 0) return OSIF_ERR_OPEN;
    std::FILE* out = nullptr;
    if (FILE_Open(&out, outPath, "w") != 0) {
        FILE_Close(in, "");
        return OSIF_ERR_OPEN;
    }
    while (char* line = FILE_ReadLine(in)) {
        std::size_t length = std::strlen(line);
        const bool soft_break = length > 0 && line[length - 1] == '=';
        if (soft_break) line[--length] = '\0';
        const std::size_t size = QuotedPrintableToChar(line, nullptr, 0) + 1;
        char* decoded = static_cast<char*>(OSIF_Alloc(size));
        if (!decoded) {
            osif_log(OSIF_LOG_ERROR, "OSIF:  Unable to allocate %d bytes of memory in DecodeQuotedPrintable",
                     static_cast<int>(size));
        } else {
            const std::size_t n = QuotedPrintableToChar(line, decoded, size);
            std::fwrite(decoded, 1, n, out);
            if (!soft_break) std::fputc('\n', out);
            OSIF_Free(decoded);
        }
        OSIF_Free(line);
    }
    FILE_Close(in, "");
    FILE_Close(out, "");
    return 0;
}
