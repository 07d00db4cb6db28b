// Code pages: conversion between UTF-16 and the 8-bit encodings the system names by number, with
// the platform's semantics (lengths measured without a buffer, "?" for a character the code page
// lacks, unknown code pages refused), and the process's "ANSI" code page.
//
// Lengths are in units of the text's own type (bytes for 8-bit text, code units for UTF-16). A
// source length of -1 means "zero-terminated, terminator included"; a destination size of 0 asks
// for the length needed. A result of 0 is a failure, with the thread's last error set:
// ERROR_INVALID_PARAMETER (bad arguments or code page), ERROR_INSUFFICIENT_BUFFER (destination too
// small), ERROR_NO_UNICODE_TRANSLATION (invalid input with MB_ERR_INVALID_CHARS).
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;

namespace qel::platform {

int multi_byte_to_wide_char(UINT code_page, DWORD flags, const char* source, int source_length,
                            char16_t* destination, int destination_size);

// `default_char` (null: "?") replaces characters the code page lacks; `used_default` (may be
// null) is set when that happened.
int wide_char_to_multi_byte(UINT code_page, DWORD flags, const char16_t* source, int source_length,
                            char* destination, int destination_size, const char* default_char,
                            BOOL* used_default);

bool is_valid_code_page(UINT code_page);

// The process's ANSI code page: 1252 unless QEL_ACP names another (read once).
UINT ansi_code_page();

// Whole-string helpers over the calls above (unknown code page: empty result).
std::u16string to_utf16(std::string_view text, UINT code_page = CP_UTF8);
std::string from_utf16(std::u16string_view text, UINT code_page = CP_UTF8);

}  // namespace qel::platform
