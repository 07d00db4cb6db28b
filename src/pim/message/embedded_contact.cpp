// An embedded contact is read with the contact reader's per-contact step into a record of its own,
// which is freed at once (with any value files), so the message's record is never touched.
#include "pim/message/embedded_contact.h"

#include "pim/osif_objects.h"
#include "pim/vcard_parser.h"

namespace qel::pim::message {

tOSIF_ERROR read_embedded_contact(std::FILE* stream) noexcept {
    if (!stream) return OSIF_ERR_PARSE;
    tagvObject contact{};
    const tOSIF_ERROR result = OSIF_ParseVCardBody(stream, contact);
    OSIF_FreeObject(OSIF_STORE_PHONEBOOK, &contact);
    return result;
}

}  // namespace qel::pim::message
