// Character sets of versit values: the table of names and code pages, the incoming and outgoing
// default code pages, Shift-JIS detection and the conversions between 8-bit text and UTF-16.
//
// Promises: the table is searched in its order and the first match wins both ways; the default
// code pages are computed once per process (under a lock) and kept; nothing throws.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win32.h"

struct tagCharset {
    const char* name;
    UINT codePage;
};
inline constexpr std::size_t OSIF_CHARSET_ROWS = 47;
extern const std::array<tagCharset, OSIF_CHARSET_ROWS> g_Charset;

// The code page of the first row whose name equals name upper-cased; 0 when none (or null).
UINT CharsetToCodePage(const char* name) noexcept;
// The name of the first row with codePage; null when none.
const char* CodePageToCharset(UINT codePage) noexcept;

// Incoming default: 1252, or the code page named by "DefaultInputCharset" of the general
// configuration (the native code page when that name is unknown; "NATIVE" silently).
UINT GetIncomingDefaultCodePage() noexcept;
// Outgoing default: 65001, or the code page named by "DefaultOutputCharset" likewise.
UINT GetOutgoingDefaultCodePage() noexcept;
// The table name of the outgoing default code page; null for 1252 or a code page without a row.
const char* GetOutgoingCHARSET() noexcept;
// The system's default ANSI code page.
UINT GetNativeCodepage() noexcept;
// Whether a general-configuration character-set value (value name "DefaultInputCharset" or
// "DefaultOutputCharset") is set; its text in value. The one place that reads those values.
bool ReadCharsetSetting(const char16_t* valueName, std::string& value) noexcept;
// Forgets the computed default code pages (tests only).
void ResetDefaultCodePages() noexcept;

// True when the system default locale is 1041 or the user's "schemelangid" under
// "Control Panel\Appearance" is 1041 (logs "OSIF:  using Shift_Jis Locale:%d").
bool IsShiftJisLocale() noexcept;
// In a Shift-JIS locale: at the first lead byte (0x81-0x84, 0x88-0x9F, 0xA1-0xEA) among the first
// length bytes, whether the whole text converts under 932 without invalid characters; else false.
bool IsItShiftJIS1(const char* text, std::size_t length) noexcept;

// 8-bit text in codePage to UTF-16: false (out empty) for an invalid code page, text that does
// not convert, or memory exhaustion. The two UTF-8 conversions give an empty text when memory
// runs out.
bool DecodeToBSTR(UINT codePage, std::string_view text, std::u16string& out) noexcept;
std::string WideCharToUTF8(std::u16string_view text) noexcept;
std::u16string UTF8ToWideChar(std::string_view text) noexcept;
