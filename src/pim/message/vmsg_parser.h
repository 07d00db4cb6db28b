// Reading versit message files (vMessage 1.1): the message keyword table and OSIF_ParseVMessages,
// which reads message after message (envelopes, embedded contacts, the body's mail headers, and
// single-part or multipart content) and hands each complete message to a callback.
//
// Promises: a message is built apart from the shared parse record and moved into it only when it
// is complete, so embedded originator and recipient contacts (read with the contact reader and
// not kept) never disturb the message's own fields. The shared record then holds the message
// (store 3, 4 or 5) until the next object of any parse begins; starting the next message frees
// the previous one, deleting its base64 content files. Results are those of osif_records.h: 18,
// 19 when a message had warnings, 20 for a refused file (no BEGIN:VMSG, unsupported version,
// missing VERSION, missing body, the end of the stream inside a message), 11 when memory runs
// out, 1 or 7 when a content file cannot be made. A file that ends after its last message
// reports the running result. Nothing throws.
#pragma once

#include <cstdint>
#include <cstdio>

#include "pim/osif_records.h"
#include "pim/vcard_parser.h"

// Message keyword tokens (0 for names not in the table).
enum tVMsgToken : int {
    VMSG_UNKNOWN = 0,
    VMSG_DATE = 1,
    VMSG_FROM = 2,
    VMSG_SUBJECT = 3,
    VMSG_MIME_VERSION = 4,
    VMSG_TO = 5,
    VMSG_CC = 6,
    VMSG_REPLY_TO = 7,
    VMSG_CONTENT_TYPE = 8,
    VMSG_CONTENT_TRANSFER_ENCODING = 9,
    VMSG_VERSION = 10,
    VMSG_LUID = 11,
    VMSG_STATUS = 12,
    VMSG_TYPE = 13,
    VMSG_FOLDER = 14,
    VMSG_BEGIN = 15,
    VMSG_END = 16,
    VMSG_BCC = 17,
    VMSG_IMPORTANCE = 18,
};

// The token of a property name (compared whole, case-insensitively; blanks already removed).
int VMsgKeywordToken(const char* name) noexcept;

// The store of a message by its folder text: 5 for exactly "OUTBOX", 4 for exactly "SENTBOX",
// else 3 (no folder, "INBOX", any other spelling).
tOSIF_STOREID VMsgStoreOfFolder(const char* folder) noexcept;

// Reads every message of stream; callback (optional) gets the store and the message for each
// complete message, with the running result.
tOSIF_ERROR OSIF_ParseVMessages(std::FILE* stream, OSIF_ObjectCallback callback, std::uintptr_t context) noexcept;
