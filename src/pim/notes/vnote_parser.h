// Reading vNote files (version 1.1): the note keyword table and OSIF_ParseVNotes, which reads
// note after note into the shared parse record (pim/pim_object_record.h) and hands each complete
// note to a callback with store 2.
//
// Promises: one parse at a time uses the record (parses on other threads wait); the six lists of
// a note are freed when the next note begins. Result codes are those of osif_records.h: 18, 19
// when a note had warnings (a blank line, an unknown property), 20 for a refused file (no
// BEGIN:VNOTE first, an unsupported version, a note without VERSION or without its END, an empty
// stream), 11 when memory runs out. A file that simply ends after its last note, or goes on with
// a line that is not BEGIN:VNOTE, gives the running result of the notes read. DCREATED,
// LAST-MODIFIED, CATEGORIES, CLASS, BODY and SUMMARY each append a property with its parameters and
// the whole value (semicolons and escapes as written) as value component 0. Nothing throws.
#pragma once

#include <cstdint>
#include <cstdio>

#include "pim/osif_records.h"
#include "pim/vcard_parser.h"

// Note keyword tokens (0 for names not in the table).
enum tVNoteToken : int {
    VNOTE_UNKNOWN = 0,
    VNOTE_BEGIN = 1,
    VNOTE_LUID = 2,
    VNOTE_VERSION = 3,
    VNOTE_DCREATED = 4,
    VNOTE_LAST_MODIFIED = 5,
    VNOTE_SUMMARY = 6,
    VNOTE_BODY = 7,
    VNOTE_CATEGORIES = 8,
    VNOTE_CLASS = 9,
    VNOTE_END = 10,
};

// The token of a property name (compared whole, ASCII case-insensitively; blanks already removed).
int VNoteKeywordToken(const char* name) noexcept;

// The list of the note body a property token appends to, or null for tokens without one.
tagProp** VNoteList(int token, tagvNote& note) noexcept;

// Reads every note of stream; callback (optional) gets (2, record, running result, context) for
// each complete note.
tOSIF_ERROR OSIF_ParseVNotes(std::FILE* stream, OSIF_ObjectCallback callback, std::uintptr_t context) noexcept;
