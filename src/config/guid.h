// Text form of GUIDs in the configuration store and the mapping of 16-bit Bluetooth UUIDs to
// GUIDs. Part of the configuration base (see reg_key.h for the list of base files).
//
// Text form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", 38 characters. GuidToString writes upper
// case; CGuidStr writes lower case; both parsers take either case.
// Promises: never read or write past the buffers named below; no allocation, no exceptions.
#pragma once

#include "platform/win32.h"

// Characters of the braced text, without the terminator.
inline constexpr int kGuidTextChars = 38;

// Writes the braced upper-case text of tGuid and a terminator: szGuid holds at least 39 characters.
void GuidToString(const GUID& tGuid, char16_t* szGuid);

// Parses the braced text into guid. Only text with "{" at character 0, "-" at 9, 14, 19 and 24
// and "}" at 37 is taken; anything else (a null pointer, text too short included) leaves guid
// unchanged. The hexadecimal digits are not validated: a decimal digit counts its value, any
// other character its upper-case code minus 55 (so "A" to "F" in either case give 10 to 15).
// The text is read only as far as the checks above need (38 characters, stopping early at a
// terminator).
void StringToGuid(GUID& guid, const char16_t* szGuid);

// The Bluetooth base UUID 00000000-0000-1000-8000-00805F9B34FB with its first field replaced by
// the 16-bit uuid (upper half zero: only the low 16 bits of uuid are used).
void MapUuidToGuid(DWORD uuid, GUID* pguid);

// A GUID and its lower-case braced text.
class CGuidStr {
public:
    // Formats guid.
    explicit CGuidStr(const GUID& guid);
    // Copies the text (at most 63 characters) and parses it as
    // "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}" would: fields are read in order
    // until one fails; unless all 11 were read the GUID is all zero.
    explicit CGuidStr(const char16_t* szGuid);

    const GUID& Guid() const { return m_guid; }
    const char16_t* Str() const { return m_szGuid; }
    operator const GUID&() const { return m_guid; }
    operator const char16_t*() const { return m_szGuid; }

private:
    GUID m_guid{};
    char16_t m_szGuid[64]{};
};
