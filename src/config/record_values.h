// Reading and writing the single values of a configuration record on an open key, with the
// encodings every record shares: numbers as REG_DWORD, texts as REG_SZ into a field of a fixed
// capacity, fixed byte fields and byte strings as REG_BINARY.
//
// Promises:
//  - A getter changes its field only when the value exists, has the expected type and fits the
//    field's capacity; anything else (missing, too long, another type) leaves the field as it was,
//    so the record's constructor values are the defaults of the store.
//  - A text capacity counts the terminator (a field of 260 wide characters holds 259); a putter
//    cuts a longer text at the capacity, so what is written can always be read back whole.
//  - Results of single value calls are not reported, as records ignore them; the few callers that
//    need them use the platform registry directly.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/win32.h"

namespace qel::config {

// REG_DWORD of exactly 4 bytes.
void get_dword(HKEY key, std::u16string_view name, DWORD& field);
void put_dword(HKEY key, std::u16string_view name, DWORD value);

// REG_SZ read into `capacity` wide characters (terminator included); the text ends at the first
// terminator found.
void get_text(HKEY key, std::u16string_view name, std::u16string& field, std::size_t capacity);
void put_text(HKEY key, std::u16string_view name, std::u16string_view text, std::size_t capacity);

// REG_BINARY of at most the field's size; a shorter value fills the front of the field and leaves
// the rest as it was.
void get_bytes(HKEY key, std::u16string_view name, std::span<BYTE> field);
void put_bytes(HKEY key, std::u16string_view name, std::span<const BYTE> bytes, DWORD type = REG_BINARY);

// A wide text stored as REG_BINARY: its UTF-16 bytes with the terminator, read with `capacity`
// characters (terminator included) as limit and any value type accepted.
void get_wide_binary(HKEY key, std::u16string_view name, std::u16string& field, std::size_t capacity);
void put_wide_binary(HKEY key, std::u16string_view name, std::u16string_view text, std::size_t capacity);

// REG_BINARY of at most `capacity` bytes of any length, replacing the whole field when read.
void get_byte_vector(HKEY key, std::u16string_view name, std::vector<BYTE>& field, std::size_t capacity);

// A byte string (a device name in UTF-8) kept in a field of `capacity` bytes, terminator
// included: read with any type up to the capacity and cut at the first NUL; written as its length
// plus one bytes with the given type.
void get_byte_string(HKEY key, std::u16string_view name, std::string& field, std::size_t capacity);
void put_byte_string(HKEY key, std::u16string_view name, std::string_view text, std::size_t capacity,
                     DWORD type = REG_BINARY);

// Cuts text to fit a field of `capacity` characters, terminator included.
std::u16string fit_text(std::u16string_view text, std::size_t capacity);
std::string fit_bytes(std::string_view text, std::size_t capacity);

// Equality ignoring letter case in the way registry names compare (upper-case folding).
bool equal_ignore_case(std::u16string_view a, std::u16string_view b);

}  // namespace qel::config
