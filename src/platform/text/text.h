// Code pages: conversion between UTF-16 and the 8-bit encodings the system names by number, with
// the platform's semantics (lengths measured without a buffer, "?" for a character the code page
// lacks, unknown code pages refused), and the process's "ANSI" code page.
//
// Lengths are in units of the text's own type (bytes for 8-bit text, code units for UTF-16). A
// source length of -1 means "zero-terminated, terminator included"; a destination size of 0 asks
// for the length needed. A result of 0 is a failure, with the thread's last error set:
// ERROR_INVALID_PARAMETER (bad arguments or code page), ERROR_INVALID_FLAGS (flags the code page
// does not take), ERROR_INSUFFICIENT_BUFFER (destination too small; nothing is written then),
// ERROR_NO_UNICODE_TRANSLATION (invalid input with MB_ERR_INVALID_CHARS or WC_ERR_INVALID_CHARS).
//
// Code pages: 65001, 65000, 1250..1258, 874, 932, 936, 949, 950, 437, 850, 852, 866, 20105..20108,
// 20127, 20866, 28591..28599, 28605, 50220..50222, 50225, 50932, 50949, 51932, 51949, 52936;
// CP_ACP and CP_THREAD_ACP mean ansi_code_page(), CP_OEMCP means 437. docs/text-and-files.md
// lists the converter behind each. Conversions are safe from any number of threads at once.
//
// Reading: an invalid or incomplete sequence becomes U+FFFD (one per maximal invalid subpart in
// UTF-8), or fails the call under MB_ERR_INVALID_CHARS. Writing: a character the code page lacks
// becomes the default character, never a "best fit" look-alike (as if WC_NO_BEST_FIT_CHARS were
// always given); an unpaired surrogate is such a character, except in UTF-8 and UTF-7 where it is
// written as U+FFFD (or fails under WC_ERR_INVALID_CHARS, UTF-8 only). As on the platform, UTF-7,
// UTF-8 and the ISO-2022 code pages take no default character and no used-default flag
// (ERROR_INVALID_PARAMETER), and UTF-7 and ISO-2022 take no flags at all.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

inline constexpr DWORD MB_PRECOMPOSED = 0x00000001;  // accepted, has no effect
inline constexpr DWORD MB_COMPOSITE = 0x00000002;    // accepted, has no effect
inline constexpr DWORD MB_USEGLYPHCHARS = 0x00000004;  // accepted, has no effect
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr DWORD WC_DISCARDNS = 0x00000010;    // accepted, has no effect
inline constexpr DWORD WC_SEPCHARS = 0x00000020;     // accepted, has no effect
inline constexpr DWORD WC_DEFAULTCHAR = 0x00000040;  // accepted, has no effect
inline constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;  // UTF-8 only
inline constexpr DWORD WC_COMPOSITECHECK = 0x00000200;  // accepted, has no effect
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;  // always in effect

namespace qel::platform {

int multi_byte_to_wide_char(UINT code_page, DWORD flags, const char* source, int source_length,
                            char16_t* destination, int destination_size);

// `default_char` (null: "?") replaces characters the code page lacks: its first byte, or its first
// two when the first is not ASCII (a double-byte character). `used_default` (may be null) is set
// to whether that happened, also when only measuring.
int wide_char_to_multi_byte(UINT code_page, DWORD flags, const char16_t* source, int source_length,
                            char* destination, int destination_size, const char* default_char,
                            BOOL* used_default);

// True for the code pages listed above. The aliases (CP_ACP, CP_OEMCP, CP_THREAD_ACP) are not code
// pages of their own and give false, as on the platform.
bool is_valid_code_page(UINT code_page);

// The process's ANSI code page: 1252 unless QEL_ACP names another valid code page by its decimal
// number (read once, on first use; anything else, an alias like 0 included, gives 1252).
UINT ansi_code_page();

// Whole-string helpers over the same converters (invalid input becomes U+FFFD, missing
// characters "?"; an unknown code page gives an empty result).
std::u16string to_utf16(std::string_view text, UINT code_page = CP_UTF8);
std::string from_utf16(std::u16string_view text, UINT code_page = CP_UTF8);

}  // namespace qel::platform
