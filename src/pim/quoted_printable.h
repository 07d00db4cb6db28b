// Quoted-printable text: the encoder, the decoder and the line-by-line file decoder of the
// versit object library.
//
// Promises: never writes more than dstSize bytes (terminator included) and never reads past the
// source's terminator, whatever the input; with a null dst nothing is written and the full length
// is still returned, so callers measure first and convert with a buffer of that length plus 1.
#pragma once

#include <cstddef>

#include "pim/osif_records.h"

// Space and tab, and 0x21..0x7E except "=", ":", ";" and backslash, are copied; every other byte
// becomes "=" and two upper-case hexadecimal digits. No soft line breaks. Returns the full
// encoded length.
std::size_t CharToQuotedPrintable(const char* src, char* dst, std::size_t dstSize) noexcept;

// "=" and two hexadecimal digits (a non-digit counts as 15) become one byte; other bytes are
// copied. An "=" with fewer than two characters after it before the terminator is dropped with
// them. Returns the full decoded length.
std::size_t QuotedPrintableToChar(const char* src, char* dst, std::size_t dstSize) noexcept;

// Decodes the file inPath into outPath line by line: a line ending in "=" is decoded without it
// and joined to the next, any other is written with "\n". 0, or OSIF_ERR_OPEN when a file cannot
// be opened.
tOSIF_ERROR DecodeQuotedPrintable(const char16_t* inPath, const char16_t* outPath) noexcept;
