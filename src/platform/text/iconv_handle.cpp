#include "platform/text/iconv_handle.h"

#include <bit>
#include <cerrno>
#include <mutex>
#include <utility>

#include "platform/text/codec.h"

namespace qel::platform::text {
namespace {

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);
constexpr std::size_t kFailed = static_cast<std::size_t>(-1);

// Opening and closing descriptors load and unload the C library's conversion modules. The C
// library locks that itself, but with locks a thread sanitizer cannot see; taking our own lock
// around both (rare: once per thread and code page) keeps the ordering visible.
std::mutex& module_lock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

const char* utf32_host_name() {
    return std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
}

std::optional<IconvHandle> IconvHandle::open(const char* to, const char* from) {
    iconv_t cd;
    {
        std::lock_guard guard(module_lock());
        cd = iconv_open(to, from);
    }
    if (cd == kNoDescriptor) return std::nullopt;
    return IconvHandle(cd);
}

IconvHandle::IconvHandle(IconvHandle&& other) noexcept : cd_(std::exchange(other.cd_, kNoDescriptor)) {}

IconvHandle& IconvHandle::operator=(IconvHandle&& other) noexcept {
    std::swap(cd_, other.cd_);
    return *this;
}

IconvHandle::~IconvHandle() {
    if (cd_ != kNoDescriptor) {
        std::lock_guard guard(module_lock());
        iconv_close(cd_);
    }
}

void IconvHandle::reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

bool IconvHandle::decode(std::string_view bytes, std::u16string& out) {
    reset();
    bool clean = true;
    char* in = const_cast<char*>(bytes.data());  // iconv does not write through it
    std::size_t in_left = bytes.size();
    bool flushed = false;
    char32_t buffer[256];
    while (!flushed) {
        char* o = reinterpret_cast<char*>(buffer);
        std::size_t o_left = sizeof buffer;
        std::size_t result;
        if (in_left > 0) {
            result = iconv(cd_, &in, &in_left, &o, &o_left);
        } else {
            result = iconv(cd_, nullptr, nullptr, &o, &o_left);
            flushed = result != kFailed;
        }
        const int err = errno;
        for (const char32_t* p = buffer; p < reinterpret_cast<char32_t*>(o); ++p) append_utf16(*p, out);
        if (result != kFailed || err == E2BIG) continue;
        clean = false;
        out += kReplacementChar;
        if (err == EILSEQ && in_left > 0) {
            ++in;  // go on with the byte after the one refused
            --in_left;
        } else {
            in_left = 0;  // EINVAL: the input ends inside a sequence
            if (err != EINVAL) break;
            reset();
        }
    }
    return clean;
}

bool IconvHandle::encode_one(char32_t c, std::string& out) {
    char* in = reinterpret_cast<char*>(&c);
    std::size_t in_left = sizeof c;
    char buffer[32];
    char* o = buffer;
    std::size_t o_left = sizeof buffer;
    if (iconv(cd_, &in, &in_left, &o, &o_left) == kFailed) return false;
    out.append(buffer, static_cast<std::size_t>(o - buffer));
    return true;
}

void IconvHandle::finish(std::string& out) {
    char buffer[32];
    char* o = buffer;
    std::size_t o_left = sizeof buffer;
    if (iconv(cd_, nullptr, nullptr, &o, &o_left) != kFailed) {
        out.append(buffer, static_cast<std::size_t>(o - buffer));
    }
}

}  // namespace qel::platform::text
