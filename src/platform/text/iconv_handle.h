// An owned iconv conversion descriptor and the two conversions the codecs need from it: bytes of a
// character set to UTF-16 (invalid input replaced and reported), and one code point to bytes.
// A descriptor carries conversion state, so one object must not be used by two threads at once.
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace qel::platform::text {

class IconvHandle {
public:
    // A descriptor from the character set `from` to `to` (iconv names), or nothing when the C
    // library has no such conversion.
    static std::optional<IconvHandle> open(const char* to, const char* from);
    IconvHandle(IconvHandle&& other) noexcept;
    IconvHandle& operator=(IconvHandle&& other) noexcept;
    ~IconvHandle();

    // Returns the descriptor to its initial shift state.
    void reset();

    // Converts `bytes` (this handle goes from the character set to UTF-32 in host order) and
    // appends the result as UTF-16. An invalid sequence becomes U+FFFD and conversion goes on with
    // the next byte; a sequence cut short by the end of input becomes U+FFFD. False when any
    // replacement happened.
    bool decode(std::string_view bytes, std::u16string& out);

    // Converts one code point (this handle goes from UTF-32 in host order to the character set)
    // and appends its bytes. False, with nothing appended, when the character set lacks it.
    bool encode_one(char32_t c, std::string& out);

    // Appends what a stateful character set needs to return to its initial state.
    void finish(std::string& out);

private:
    explicit IconvHandle(iconv_t cd) : cd_(cd) {}
    iconv_t cd_;
};

// The iconv name of UTF-32 in this machine's byte order.
const char* utf32_host_name();

}  // namespace qel::platform::text
