// The versit object library's records: the string list, the property, the parsed object with its
// common header and one body per kind, the store identifiers, the result codes and the library's
// memory functions.
//
// Promises: the records are plain data (all-zero is a valid empty record); every pointer in them
// owns memory from OSIF_Alloc (text is 8-bit and NUL-terminated, file paths are UTF-16), and the
// freeing routines of osif_props.h and osif_objects.h give it back. The body union is as large as
// its largest member, so an object of any kind fits one tagvObject.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pim/osif_message.h"

// Store identifiers: the kind of object a parser delivers; they also select the body to free.
using tOSIF_STOREID = std::uint32_t;
inline constexpr tOSIF_STOREID OSIF_STORE_PHONEBOOK = 0;  // vCard
inline constexpr tOSIF_STOREID OSIF_STORE_CALENDAR = 1;   // vCalendar event or to-do
inline constexpr tOSIF_STOREID OSIF_STORE_NOTES = 2;      // vNote
inline constexpr tOSIF_STOREID OSIF_STORE_INBOX = 3;      // vMessage, default message folder
inline constexpr tOSIF_STOREID OSIF_STORE_SENTBOX = 4;    // vMessage, "SENTBOX"
inline constexpr tOSIF_STOREID OSIF_STORE_OUTBOX = 5;     // vMessage, "OUTBOX"
inline constexpr tOSIF_STOREID OSIF_STORE_FOLDER4 = 6;    // vMessage, a fourth folder

// Result codes of the library.
using tOSIF_ERROR = std::uint32_t;
inline constexpr tOSIF_ERROR OSIF_ERR_FILE = 1;          // a file operation failed
inline constexpr tOSIF_ERROR OSIF_ERR_OPEN = 7;          // a file could not be opened
inline constexpr tOSIF_ERROR OSIF_ERR_MEMORY = 11;       // memory exhausted, or buffer too small
inline constexpr tOSIF_ERROR OSIF_SUCCESS = 18;
inline constexpr tOSIF_ERROR OSIF_SUCCESS_WARNINGS = 19; // blank line, unknown property...
inline constexpr tOSIF_ERROR OSIF_ERR_PARSE = 20;        // empty input, no BEGIN, bad version...

// A heap block of `size` bytes, or null when size is 0 or memory is exhausted.
void* OSIF_Alloc(std::size_t size) noexcept;
// Releases a block from OSIF_Alloc; null is ignored.
void OSIF_Free(void* p) noexcept;

// Encoding bits of tagProp::flags (and of the message part record).
inline constexpr std::uint32_t OSIF_ENC_QP = 1;       // value is quoted-printable
inline constexpr std::uint32_t OSIF_ENC_BASE64 = 2;   // "BASE64" or "ENCODING=B"
inline constexpr std::uint32_t OSIF_ENC_8BIT = 4;     // "8BIT"
inline constexpr std::uint32_t OSIF_ENC_CHARSET = 8;  // a CHARSET parameter is present

// One node of a singly linked list of 8-bit strings.
struct tagString {
    char* str;          // owned text, or null
    std::uint8_t flag;  // 1 whenever a node is created
    tagString* next;
};

// A value kept in a file: one owned pointer to an owned UTF-16 path.
struct tagFileRef {
    char16_t* path;
};

// One occurrence of a property; the occurrences of one kind form a list.
struct tagProp {
    std::uint32_t flags;     // OSIF_ENC_* bits
    tagString* params;       // parameters as written between the semicolons
    tagString* values;       // value components, node i = component i
    tagFileRef* file;        // set when the value is kept in a file
    std::uint32_t codePage;  // code page last used to decode the text, 0 = not yet known
    tagProp* next;
};

// Contact body: one list head per supported property, in this order.
struct tagvCard {
    tagProp* N;
    tagProp* FN;
    tagProp* NICKNAME;
    tagProp* ADR;
    tagProp* ORG;
    tagProp* TITLE;
    tagProp* ROLE;
    tagProp* TEL;
    tagProp* URL;
    tagProp* EMAIL;
    tagProp* NOTE;
    tagProp* BDAY;
    tagProp* SPOUSE;
    tagProp* ANNIVERSARY;
    tagProp* CHILDREN;
    tagProp* ASSISTANT;
    tagProp* MANAGER;
    tagProp* GENDER;
    tagProp* NETMEETING_SERVER;
    tagProp* NETMEETING_ALIAS;
    tagProp* FREE_BUSY;
    tagProp* CATEGORIES;
    tagProp* OFFICELOC;
    tagProp* PHOTO;
    tagProp* SOUND;
    tagProp* LOGO;
    tagProp* SEND_PLAIN_TEXT;
};
// The lists from N to OFFICELOC (the ones pruned of empty properties).
inline constexpr std::size_t OSIF_VCARD_PRUNED_LISTS = 23;
inline constexpr std::size_t OSIF_VCARD_LISTS = 27;

// Calendar body: which property a slot holds depends on calKind (1 event, 2 to-do).
inline constexpr std::size_t OSIF_VCAL_SLOTS = 18;
inline constexpr std::size_t OSIF_VCAL_SOURCE_PATH = 264;
struct tagvCal {
    tagProp* slots[OSIF_VCAL_SLOTS];
    std::uint8_t allDay;                         // events: "X-BLUETOOTH-ALLDAYEVENT" is "TRUE"
    char16_t sourcePath[OSIF_VCAL_SOURCE_PATH];  // file the calendar was read from, cut to fit
};

// Header sizes.
inline constexpr std::size_t OSIF_LUID_SIZE = 512;    // at most 511 characters kept
inline constexpr std::size_t OSIF_VERSION_SIZE = 25;  // at most 24 characters kept

// The record a parser fills: the common header, then the body of the object's kind.
struct tagvObject {
    std::uint32_t reserved;         // left zero by the parsers
    char luid[OSIF_LUID_SIZE];      // "X-IRMC-LUID"
    char version[OSIF_VERSION_SIZE];  // "VERSION"
    std::uint8_t calKind;           // calendar objects: 1 event, 2 to-do
    union {
        tagvCard card;  // store 0
        tagvCal cal;    // store 1
        tagvNote note;  // store 2
        tagvMsg msg;    // stores 3 to 6
    } body;
};
