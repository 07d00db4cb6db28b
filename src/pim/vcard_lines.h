// Internal steps the vCard and vCalendar readers share: one logical line as an owned string with
// the end of the stream told apart from a blank line, the split into name, parameters and value,
// the keyword lookup, and reading a version number.
#pragma once

#include <cstdio>
#include <memory>
#include <span>
#include <string_view>

#include "pim/osif_lines.h"
#include "pim/osif_records.h"

namespace qel::pim::reading {

struct OsifDeleter {
    void operator()(char* p) const noexcept { OSIF_Free(p); }
};
using OsifText = std::unique_ptr<char, OsifDeleter>;

// True when nothing is left to read (the stream is null or its next byte is the end).
bool at_end(std::FILE* stream) noexcept;

// One logical line as split by OSIF_SplitPropertyLine. `ended` is set when no line was left (the
// reader gave nothing and the stream is at its end), `blank` when the line is empty.
struct SplitLine {
    OsifText text;
    char name[OSIF_NAME_SIZE] = {};
    char params[OSIF_PARAMS_SIZE] = {};
    char* value = nullptr;  // inside text
    bool ended = false;
    bool blank = false;
    bool out_of_memory = false;
};

// Reads and splits the next line; removes blanks from the name (and from the parameters when
// asked: the readers do it inside objects).
void read_split(std::FILE* stream, SplitLine& line, bool strip_params) noexcept;

// The index of the entry equal to name (ASCII case-insensitive) plus one, or 0.
int lookup(std::span<const std::string_view> table, const char* name) noexcept;

// The version text as a decimal number the way the C library's atof reads it (leading blanks,
// digits, one point); 0 when it does not start with a number.
double version_number(const char* text) noexcept;

// The value as an integer the way atoi reads it; 0 when it does not start with one.
long integer_value(const char* text) noexcept;

// Copies text into a fixed field of `size` bytes, cut to fit and terminated.
void copy_field(char* field, std::size_t size, const char* text) noexcept;

}  // namespace qel::pim::reading
