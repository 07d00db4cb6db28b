// The message and note bodies of the versit object record, and the message's body-part and
// multipart records (kept apart from osif_records.h, which includes this header, so that the
// message side can grow on its own).
//
// Promises: plain data, all-zero is empty; every pointer owns memory from OSIF_Alloc. Freed by
// OSIF_FreeParts and OSIF_FreeMultipart (osif_objects.h), which delete content files.
#pragma once

#include <cstdint>

struct tagString;
struct tagProp;

// Note body (store 2): six lists in this order.
struct tagvNote {
    tagProp* DCREATED;
    tagProp* LAST_MODIFIED;
    tagProp* CATEGORIES;
    tagProp* CLASS;
    tagProp* BODY;
    tagProp* SUMMARY;
};
inline constexpr unsigned OSIF_VNOTE_LISTS = 6;

// One body part of a message. flags: OSIF_ENC_QP/BASE64/8BIT from the transfer encoding, plus
// OSIF_ENC_CHARSET when the content type contains "CHARSET".
struct tagPart {
    std::uint32_t flags;
    tagString* contentType;       // CONTENT-TYPE text (one node)
    tagString* transferEncoding;  // CONTENT-TRANSFER-ENCODING text (one node)
    tagProp* content;             // first property: value component 0, or a file reference
    tagPart* next;
};

// Multipart subtypes.
inline constexpr std::uint32_t OSIF_MULTIPART_OTHER = 0;
inline constexpr std::uint32_t OSIF_MULTIPART_MIXED = 1;
inline constexpr std::uint32_t OSIF_MULTIPART_ALTERNATIVE = 2;
inline constexpr std::uint32_t OSIF_MULTIPART_DIGEST = 3;
inline constexpr std::uint32_t OSIF_MULTIPART_PARALLEL = 4;

struct tagMultipart {
    std::uint32_t subtype;
    tagString* boundary;
    tagString* contentType;
    tagString* transferEncoding;
};

// Message body (stores 3 to 6).
struct tagvMsg {
    tagString* STATUS;  // "X-IRMC-STATUS"
    tagString* TYPE;    // "X-IRMC-TYPE"
    tagString* FOLDER;  // "X-BT-FOLDER"
    tagProp* MIME_VERSION;
    tagProp* DATE;
    tagProp* FROM;
    tagProp* TO;
    tagProp* CC;
    tagProp* BCC;
    tagProp* REPLY_TO;
    tagProp* SUBJECT;
    tagProp* IMPORTANCE;
    tagMultipart* multipart;
    tagPart* parts;
};
inline constexpr unsigned OSIF_VMSG_HEADER_LISTS = 9;
