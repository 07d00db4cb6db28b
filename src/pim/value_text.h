// Shared steps of reading and writing value text (used by the property and message-content
// conversions): "=0D=0A" line breaks, quoted-printable decoding into a string, backslash escapes,
// the incoming code page with Shift-JIS detection, and conversion of wide text to a code page.
//
// Promises: plain functions over strings; they may throw std::bad_alloc, which the public
// conversions catch at their edge.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace qel::pim {

// Every "=0D=0A" replaced by CR LF.
std::string expand_crlf_escapes(std::string_view text);
// The whole quoted-printable decoding of text (embedded NUL bytes kept).
std::string decode_quoted_printable(const char* text);
// Backslash escapes resolved: "\n" and "\N" become CR LF, "\x" becomes x, a final "\" is dropped.
std::u16string resolve_escapes(std::u16string_view text);
// The incoming default code page, or 932 when it is 1252 and text looks like Shift-JIS.
UINT incoming_code_page_for(std::string_view text);
// Whether text is all 7-bit.
bool is_ascii(std::u16string_view text);
// Wide text in codePage (65001 through WideCharToUTF8).
std::string encode_to(UINT codePage, std::u16string_view text);

}  // namespace qel::pim
