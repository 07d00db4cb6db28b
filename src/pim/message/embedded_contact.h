// Reading a contact that is embedded in another versit object (a message's originator or an
// envelope's recipient) with the library's own contact reader, after the caller has already read
// the contact's BEGIN:VCARD line.
//
// Promises: the contact reader sees the contact exactly as it would in a file of its own and
// consumes nothing past the contact's END line, so the caller goes on reading right after it.
// The contact is read into a record of its own and freed at once (it is not kept); the shared parse
// record and the caller's own records are never touched. Nothing throws.
#pragma once

#include <cstdio>

#include "pim/osif_records.h"

namespace qel::pim::message {

// Reads the contact that follows on stream. Returns the contact reader's result: 18 or 19 when
// the contact was complete, 20 when it was refused (unsupported version, no END before the end of
// the stream), 11 when memory ran out.
tOSIF_ERROR read_embedded_contact(std::FILE* stream) noexcept;

}  // namespace qel::pim::message
