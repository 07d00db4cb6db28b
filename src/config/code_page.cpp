// Code-page conversion of stored 8-bit names (see code_page.h).
#include "config/code_page.h"

#include <vector>

#include "platform/text/text.h"

using namespace qel::platform;

namespace {

// Converts; returns false when the first conversion yields nothing (pNativeOut untouched then).
bool convert(const char* pUtf8In, UINT utf8CodePage, char* pNativeOut, UINT nativeCodePage, int maxNativeLen) {
    const int wideLength = multi_byte_to_wide_char(utf8CodePage, 0, pUtf8In, -1, nullptr, 0);
    if (wideLength <= 1) {
        return false;  // nothing, or only the terminator
    }
    std::vector<char16_t> wide(static_cast<std::size_t>(wideLength));
    if (multi_byte_to_wide_char(utf8CodePage, 0, pUtf8In, -1, wide.data(), wideLength) <= 1) {
        return false;
    }
    // Cut at the longest prefix of characters whose native form fits with the terminator.
    int characters = wideLength - 1;
    for (;;) {
        const int needed = wide_char_to_multi_byte(nativeCodePage, 0, wide.data(), characters, nullptr, 0,
                                                   nullptr, nullptr);
        if (needed < maxNativeLen || characters == 0) {
            const int written = characters == 0 ? 0
                                                : wide_char_to_multi_byte(nativeCodePage, 0, wide.data(), characters,
                                                                          pNativeOut, maxNativeLen - 1, nullptr, nullptr);
            pNativeOut[written > 0 ? written : 0] = '\0';
            return true;
        }
        --characters;
        // Never split a surrogate pair.
        if (characters > 0 && wide[static_cast<std::size_t>(characters)] >= 0xDC00 &&
            wide[static_cast<std::size_t>(characters)] < 0xE000 &&
            wide[static_cast<std::size_t>(characters - 1)] >= 0xD800 &&
            wide[static_cast<std::size_t>(characters - 1)] < 0xDC00) {
            --characters;
        }
    }
}

}  // namespace

void BtRegUtf8ToNative(const char* pUtf8In, UINT utf8CodePage, char* pNativeOut, UINT nativeCodePage,
                       int maxNativeLen) {
    if (pUtf8In == nullptr || pNativeOut == nullptr || maxNativeLen <= 0) {
        return;
    }
    if (!convert(pUtf8In, utf8CodePage, pNativeOut, nativeCodePage, maxNativeLen)) {
        pNativeOut[0] = '\0';
    }
}

void BtUtf8ToNative(const char* pUtf8In, UINT utf8CodePage, char* pNativeOut, UINT nativeCodePage,
                    int maxNativeLen) {
    if (pUtf8In == nullptr || pNativeOut == nullptr || maxNativeLen <= 0) {
        return;
    }
    convert(pUtf8In, utf8CodePage, pNativeOut, nativeCodePage, maxNativeLen);
}
