// Property values as the caller's text: reading a value component as UTF-16, 8-bit or UTF-8 text
// or as a date (quoted-printable, character set and backslash escapes resolved), writing text and
// dates into a property (escaped, charset chosen, encoded), and display names of objects.
//
// Promises: never writes past a caller's buffer; absent properties or components read as empty;
// nothing throws (memory exhaustion inside the standard library ends the process).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pim/osif_records.h"
#include "platform/win32.h"

// Value component index of prop as UTF-16 (empty when absent). Records the code page used.
void PropToBSTR(tagProp* prop, int index, std::u16string& out) noexcept;
// The same as 8-bit text in the ANSI code page.
void PropToSTR(std::string& out, tagProp* prop, int index) noexcept;
// PropToSTR into buffer: 0 copied, 1 empty value (buffer empty), OSIF_ERR_MEMORY when buffer has
// fewer than length + 1 characters.
tOSIF_ERROR osif_GetProp(tagProp* prop, int index, char* buffer, std::size_t size) noexcept;
// The value as UTF-8.
std::string PropToUTF8(tagProp* prop, int index) noexcept;
// Component 0 as a date (StrToOleDateTime); with ignoreTime only the part before "T".
void PropToDATE(tagProp* prop, DATE& out, bool ignoreTime) noexcept;
// The contact's FN, else the components of N joined by single spaces.
void GetVCardNameAsBSTR(tagvObject* contact, std::u16string& out) noexcept;
// A display name of the object for its store, at most size - 1 characters.
void osif_GetObjectName(tOSIF_STOREID storeId, tagvObject* object, char* buffer,
                        std::size_t size) noexcept;

// Stores text as component index: escaped, converted to a code page (CHARSET added when one is
// named), quoted-printable when wanted and needed.
void BSTRtoProp(std::u16string_view text, tagProp* prop, bool quotedPrintable, int index) noexcept;
// 8-bit text in the ANSI code page, or UTF-8, through BSTRtoProp.
void STRtoProp(const char* text, tagProp* prop, bool quotedPrintable, int index) noexcept;
void UTF8toProp(const char* text, tagProp* prop, bool quotedPrintable, int index) noexcept;
// DATEToStr of date stored as component 0.
void DATEtoProp(DATE date, tagProp* prop, bool iso, bool withTime, bool asLocal) noexcept;

// The reading conversions without a property ("=0D=0A" becomes CR LF, the incoming default code
// page applies, 932 when Shift-JIS is detected).
std::u16string StringToBSTR(const char* text) noexcept;
std::string StringToSTR(const char* text) noexcept;
DATE StringToDATE(const char* text) noexcept;
