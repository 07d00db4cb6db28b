// Message body content: text and files stored into a message part record (content type, transfer
// encoding, the content property) and the text read back out of it.
//
// Promises: a null part or empty text changes nothing; nothing throws.
#pragma once

#include <string>
#include <string_view>

#include "pim/osif_records.h"

// Stores text as the part's content: 1252 when all ASCII, else the outgoing default code page;
// content type "text/plain" or "text/html" with its charset (flags gain 8); quoted-printable when
// that changes the text (flags gain 1).
void BSTRtoContent(std::u16string_view text, tagPart* part, bool html) noexcept;
void STRtoContent(const char* text, tagPart* part, bool html) noexcept;
// Content type "text/plain; charset=US-ASCII; name="<displayName>"", transfer encoding "base64",
// a content property holding path as its file reference.
void FileToContent(const char16_t* path, tagPart* part, const char16_t* displayName) noexcept;
// The first content value, decoded (quoted-printable, charset of the content type, else the
// incoming default).
void ContentToBSTR(const tagPart* part, std::u16string& out) noexcept;
void ContentToSTR(const tagPart* part, std::string& out) noexcept;
