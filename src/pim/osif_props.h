// Property lists and string lists of the versit object library: building them, finding in them
// and freeing them.
//
// Promises: every function accepts null where the record says "or none" and then does nothing (or
// returns null); allocation failures leave the lists as they were. Text handed over "ownership
// passes" must come from OSIF_Alloc; comparisons are ASCII case-insensitive.
#pragma once

#include "pim/osif_records.h"

// Appends a new all-zero property to the list at *head (setting *head when empty); null when head
// is null or memory is exhausted.
tagProp* AppendProp(tagProp** head) noexcept;

// Appends a node holding a copy of text to prop->params.
void AddPropParam(tagProp* prop, const char* text) noexcept;

// Stores value (ownership passes) as component index, creating empty nodes up to it; a text
// already there is freed. A negative index or a failed allocation frees value.
void AddPropValue(tagProp* prop, char* value, int index) noexcept;

// Attaches a file reference holding a copy of path (replacing, and deleting, an earlier one).
void FileToProp(const char16_t* path, tagProp* prop) noexcept;

// A new empty node (flag 1), also stored at *slot when slot is given.
tagString* NewString(tagString** slot) noexcept;

// Frees the text in *slot and stores text there (ownership passes).
void SetStringValue(char** slot, char* text) noexcept;

// Frees the text in *slot and stores a heap copy of text (null when text is null).
void CopyStringValue(char** slot, const char* text) noexcept;

// The first node whose text contains needle, case-insensitively; nodes without text are skipped;
// null when none matches; the list itself when needle is null.
tagString* FindString(tagString* list, const char* needle) noexcept;

// Copies the text after the first "=" of param into out: up to the next double quote when it
// starts with one, else up to the first space; at most max characters; out (max + 1 bytes) is
// always terminated. Returns the number copied, 0 when param has no "=".
int GetStringValue(const char* param, char* out, int max) noexcept;

// The first property whose params contain p1 and, when given, p2 (FindString); null otherwise.
tagProp* FindProp(tagProp* list, const char* p1, const char* p2) noexcept;

// FindProp, or else a new property appended to *head with one empty value node and the
// parameters p1 and p2 (those given, in that order).
tagProp* FindOrAddProp(tagProp** head, const char* p1, const char* p2) noexcept;

// Frees every node and its text.
void OSIF_FreeStringList(tagString* list) noexcept;

// Deletes the file (logging "OSIF:  Unable to remove file (file=%S)" and the error on failure),
// then frees the path and the block.
void OSIF_FreeFileRef(tagFileRef* ref) noexcept;

// Frees every property of the list with its params, values and file reference (file deleted).
void OSIF_FreePropList(tagProp* list) noexcept;
