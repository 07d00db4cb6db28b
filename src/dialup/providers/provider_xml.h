// Reading the access-point database: deciphering and parsing "providers.bin" and the walk over
// its elements.
//
// Format (after deciphering with the key root of data_cipher.h, read in the ANSI code page):
//   <providers>                                       document element, name without case
//     <provider ID="26201, 26206" APN="internet.t-d1.de" Login="t-mobile" Password="tm"/>
//   </providers>
// "ID" and "APN" are required, "Login" and "Password" optional (attribute names exact). Children
// of other names, and "provider" elements without "ID" or "APN", are skipped one by one.
//
// Traces (QelTrace): "%s failed on line %d. error=0x%x\n", "%s breaks on line %d. code=%d\n" and
// "%s OK\n", with "openXmlFile\n" or "_LoadXML_findAPN\n" as the name.
// Thread-safety: no shared state; the documents and records belong to the caller.
#pragma once

#include <cstdint>
#include <memory>

#include <pugixml.hpp>

#include "dialup/providers/provider_settings.h"
#include "platform/win32.h"

// Loads the database and appends the accounts of operator id: 0 on success (found or not), 1
// when the document does not parse, a negative HRESULT on failure (E_INVALIDARG for a null record
// or name; the platform error of a read or decryption failure as an HRESULT).
HRESULT _LoadXML_findAPN(const char* inFileName, std::int32_t id, sProvider* psProvider);

// Reads, deciphers and parses the file into a new document: 0, 1 (does not parse; *pp_doc is
// then empty), or a negative HRESULT.
HRESULT openXmlFile(const char* xmlFileName, std::unique_ptr<pugi::xml_document>* pp_doc);

// Calls callback(context, child) for each child of node in document order until the callback
// returns false: 1 when a callback stopped the walk, 0 when every child was visited.
template <typename Context>
int enumXmlChilds(const pugi::xml_node& node, bool (*callback)(Context*, const pugi::xml_node&),
                  Context* context) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (!callback(context, child)) return 1;
    }
    return 0;
}

// Walk callback: stops at the first element named "providers" (without case), storing it.
bool findHeadElement(pugi::xml_node* pp_head, const pugi::xml_node& child);

// Walk callback: appends the account of a "provider" element whose "ID" list holds the record's
// identity; always continues.
bool findAPN(sProvider* psProvider, const pugi::xml_node& child);

// Whether the operator number occurs in an "ID" list: numbers separated by commas and/or blanks.
// Scan: skip blanks, read a decimal number (digits only; none reads as 0), compare; then a
// blank or comma must follow (blanks, then commas, are skipped) or the scan ends with false, as it
// does at the end of the text. A null list gives false.
bool findNumNetInList(const char16_t* bstrList, std::int32_t nProviderID);
// The same with the operator number as decimal text (read as the list's numbers are).
bool findNumNetInList(const char16_t* bstrList, const char* szProviderID);
