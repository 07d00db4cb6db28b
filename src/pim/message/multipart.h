// Building a message's multipart record: choosing a boundary that occurs in none of the parts'
// content, and the display name carried by a content type's "name=" parameter.
//
// Promises: nothing is created when a step fails (unknown subtype, no free boundary, memory); the
// parts are only read. A boundary is "----=_NextPart_" and three digits, the lowest free one.
// Nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "pim/osif_records.h"

// Room for a boundary text and its terminator.
inline constexpr std::size_t OSIF_BOUNDARY_SIZE = 19;

// Writes into out the first of "----=_NextPart_001" ... "----=_NextPart_999" that occurs in no
// part's content (a part's first value text, or the bytes of its content file). False, with out
// empty, when all of them occur or out holds fewer than OSIF_BOUNDARY_SIZE characters.
bool OSIF_FindUniqueBoundary(const tagPart* parts, std::span<char> out) noexcept;

// A new multipart record in *out for subtype 1 mixed, 2 alternative, 3 digest or 4 parallel: the
// subtype, a unique boundary and the content type 'multipart/<subtype>; boundary="<boundary>"'.
// False, with *out untouched, for any other subtype, when no boundary is free, or when memory runs
// out. The caller frees the record with OSIF_FreeMultipart.
bool OSIF_CreateMultipart(tagMultipart** out, const tagPart* parts, std::uint32_t subtype) noexcept;

// The value of the content type's "name=" parameter (case-insensitive; blanks after "=" skipped;
// a double-quoted value runs to the closing quote, a bare one to a blank or ";"), converted from
// the ANSI code page into name. True when the parameter is present.
bool OSIF_GetNameParam(const char* contentType, std::u16string& name) noexcept;
