// Whole-object operations of the versit object library: freeing and pruning an object's body by
// its store, the diagnostic dumps, identifiers, comparing string lists and classifying
// telephone numbers.
//
// Promises: null records are ignored; the dump never builds a line longer than 261 characters.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pim/osif_records.h"

// Frees every list of the body that storeId selects (deleting value files) and zeroes the record.
void OSIF_FreeObject(tOSIF_STOREID storeId, tagvObject* object) noexcept;

// Frees a message's part list (strings, content properties and their files) and its multipart
// record.
void OSIF_FreeParts(tagPart* parts) noexcept;
void OSIF_FreeMultipart(tagMultipart* multipart) noexcept;

// Unlinks and frees every property that has neither a non-empty value text nor a file reference.
void OSIF_PruneEmptyProps(tagProp** head) noexcept;
// OSIF_PruneEmptyProps over the body's lists: the 23 contact lists from N to OFFICELOC, every
// calendar slot, the six note lists, the nine message header lists.
void OSIF_PruneObject(tOSIF_STOREID storeId, tagvObject* object) noexcept;

// Writes 8 characters of "0123456789abcdefghijklmnopqrstuvwxyz" and a terminator into out (9
// bytes). The identifiers one process makes do not repeat until 36^8 of them have been made,
// however quickly they are made (the sequence starts at a random point).
void OSIF_MakeId(char* out) noexcept;

// Logs "OSIF:  Dumping contents of vObject" and the object type (level 4).
void OSIF_DumpObject(tOSIF_STOREID storeId) noexcept;
// Logs data 16 bytes per line: prefix, offset, hexadecimal bytes and printable characters
// (level 4); nothing when the prefix leaves no room for a line of at most 261 characters.
void OSIF_HexDump(const char* prefix, const void* data, std::size_t length) noexcept;
// The lines OSIF_HexDump logs, whatever the log level (empty when the prefix is too long).
std::vector<std::string> OSIF_HexDumpLines(const char* prefix, const void* data, std::size_t length);

// 0 when neither list holds a non-empty text, 2 when exactly one does, else 1 when the texts
// differ node by node (empty against non-empty counts as different), else 0.
int OSIF_CompareStringLists(const tagString* a, const tagString* b) noexcept;

// Telephone type code of a "TEL" property's parameters: WORK 0 (1 with FAX), HOME 2 (3 with
// FAX), CELL 4, CAR 5, PAGER 6, ISDN 7; no parameters or an empty first one 2; else 3 with FAX,
// else 8.
int OSIF_ClassifyTel(tagString* params) noexcept;
