// Reading versit text: one logical property line from a stream (folding, quoted-printable soft
// breaks, base64 continuation), splitting it into name, parameters and value, and parsing the
// parameters and value components into a property; base64 values kept in temporary files.
//
// Promises: lines have no length limit; the fixed name and parameter buffers are never written
// past (longer text is cut); an escape at the very end of a text never reads past it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

#include "pim/osif_records.h"

// Sizes of the buffers OSIF_SplitPropertyLine fills.
inline constexpr std::size_t OSIF_NAME_SIZE = 52;     // at most 51 characters stored
inline constexpr std::size_t OSIF_PARAMS_SIZE = 128;  // at most 127 characters stored

// One logical line as a heap string (free with OSIF_Free). hint, when given, holds the encoding
// of the line as bits (1 quoted-printable, 2 base64); without it the first physical line's part
// before ":" decides. With returnBlank an empty first physical line is returned at once. At the
// end of the stream the result is an empty string; null only when memory runs out.
char* OSIF_ReadPropertyLine(std::FILE* stream, std::optional<std::uint32_t> hint,
                            bool returnBlank) noexcept;

// Splits line into name (OSIF_NAME_SIZE bytes) and parameter text (OSIF_PARAMS_SIZE bytes), both
// always terminated, and returns the start of the value inside line (its terminator when there is
// no ":"). Escape pairs (backslash + backslash, ";" or ":") are copied and end nothing.
const char* OSIF_SplitPropertyLine(char* name, char* params, const char* line) noexcept;

// Removes every space and tab from text in place (what the readers do to a name and parameters).
void OSIF_RemoveBlanks(char* text) noexcept;

// Cuts text at every unescaped ";" and appends the pieces to prop->params, then sets the encoding
// bits: CHARSET adds 8; then QUOTED-PRINTABLE 1, else BASE64 or ENCODING=B 2, else 8BIT 4.
void OSIF_ParseParams(const char* text, tagProp* prop) noexcept;

// Cuts text at unescaped ";" into at most maxCount components stored as value components 0, 1,
// ...; the rest is dropped; escapes stay in the text.
void OSIF_ParseValues(const char* text, int maxCount, tagProp* prop) noexcept;

// Writes value into a new temporary file ("qel" prefix) in lines of at most 65 characters and
// attaches it to prop as a file reference. OSIF_SUCCESS, OSIF_ERR_OPEN when the file cannot be
// opened, OSIF_ERR_FILE when no temporary name can be had. Without a property the file is
// removed again (nothing would own it) and the result is still OSIF_SUCCESS.
tOSIF_ERROR OSIF_ValueToTempFile(const char* value, tagProp* prop) noexcept;
