// Reading vCard files (2.1 and 3.0): the contact keyword table and OSIF_ParseVCards, which reads
// contact after contact into the shared parse record (pim/pim_object_record.h) and hands each
// complete contact to a callback.
//
// Promises: one parse at a time uses the record (parses on other threads wait); the lists of a
// contact are freed when the next contact begins, so a file of any length holds one contact's
// memory and temporary files at a time. Result codes are those of osif_records.h: 18, 19 when a
// contact had warnings, 20 for a refused file (no BEGIN, unsupported version, missing END, or no
// contact at all), 11 when memory runs out. Nothing throws.
#pragma once

#include <cstdint>
#include <cstdio>

#include "pim/osif_records.h"

// Receives one parsed object: (store identifier, the parse record, running result, context). The
// record is valid during the call and afterwards until the next object of any parse begins.
using OSIF_ObjectCallback = void (*)(tOSIF_STOREID storeId, tagvObject* object, std::uint32_t status,
                                     std::uintptr_t context);

// Contact keyword tokens (0 for names not in the table).
enum tVCardToken : int {
    VCARD_UNKNOWN = 0,
    VCARD_BEGIN = 1,
    VCARD_LUID = 2,
    VCARD_VERSION = 3,
    VCARD_N = 4,
    VCARD_FN = 5,
    VCARD_BDAY = 6,
    VCARD_ADR = 7,
    VCARD_ORG = 8,
    VCARD_TITLE = 9,
    VCARD_TEL = 10,
    VCARD_EMAIL = 11,
    VCARD_END = 12,
    VCARD_URL = 13,
    VCARD_NOTE = 14,
    VCARD_NICKNAME = 15,
    VCARD_ROLE = 16,
    VCARD_PHOTO = 17,
    VCARD_LOGO = 18,
    VCARD_SOUND = 19,
    VCARD_MANAGER = 20,
    VCARD_ASSISTANT = 21,
    VCARD_SPOUSE = 22,
    VCARD_GENDER = 23,
    VCARD_CHILDREN = 24,
    VCARD_ANNIVERSARY = 25,
    VCARD_NETMEETING_SERVER = 26,
    VCARD_NETMEETING_ALIAS = 27,
    VCARD_FREE_BUSY = 28,
    VCARD_CATEGORIES = 29,
    VCARD_DEPT = 30,
    VCARD_ASST_TEL = 31,
    VCARD_OFFICELOC = 32,
    VCARD_SEND_PLAIN_TEXT = 33,
    VCARD_WAB_GENDER = 34,
};

// The token of a property name (compared whole, case-insensitively; blanks already removed).
int VCardKeywordToken(const char* name) noexcept;

// Reads every contact of stream; callback (optional) gets store 0 for each complete contact.
tOSIF_ERROR OSIF_ParseVCards(std::FILE* stream, OSIF_ObjectCallback callback, std::uintptr_t context) noexcept;

// Reads one contact whose BEGIN line has already been read (a contact embedded in another object)
// into `object`, which the caller zeroed and later frees with OSIF_FreeObject(OSIF_STORE_PHONEBOOK).
// Consumes nothing past the contact's END line. 18, 19 with warnings, 20 when refused (unsupported
// version, no END before the end of the stream), 11 when memory runs out.
tOSIF_ERROR OSIF_ParseVCardBody(std::FILE* stream, tagvObject& object) noexcept;
