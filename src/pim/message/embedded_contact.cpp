// The contact reader starts at a BEGIN line and, after each contact, reads one more line to look
// for the next one. An embedded contact's BEGIN line has already been read by the message reader,
// and the line after its END belongs to the message. So the contact reader is given a relay
// stream: it replays "BEGIN:VCARD", then passes the caller's bytes on one at a time, and stops
// (reads as the end of the stream) as soon as the contact has been delivered. The one byte the
// line reader looked ahead at is handed back to the caller's stream.
#include "pim/message/embedded_contact.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "pim/vcard_parser.h"

namespace qel::pim::message {
namespace {

constexpr std::string_view kBeginLine = "BEGIN:VCARD\n";

// State of one relay; lives on the stack of read_embedded_contact for the relay's whole life.
struct Relay {
    std::FILE* source = nullptr;
    std::FILE* stream = nullptr;  // the relay stream the contact reader reads
    std::size_t replayed = 0;     // bytes of kBeginLine handed out
    bool stopped = false;
    bool delivered = false;
    tOSIF_ERROR contact_result = OSIF_ERR_PARSE;
};

ssize_t relay_read(void* cookie, char* buffer, std::size_t size) {
    auto& relay = *static_cast<Relay*>(cookie);
    if (relay.stopped || size == 0) return 0;
    if (relay.replayed < kBeginLine.size()) {
        const std::size_t n = std::min(size, kBeginLine.size() - relay.replayed);
        std::memcpy(buffer, kBeginLine.data() + relay.replayed, n);
        relay.replayed += n;
        return static_cast<ssize_t>(n);
    }
    // One byte at a time: the relay stream never holds more of the caller's bytes than the one
    // the line reader looks ahead at.
    const int c = std::fgetc(relay.source);
    if (c == EOF) return 0;
    buffer[0] = static_cast<char>(c);
    return 1;
}

// Called by the contact reader when the contact is complete, before it looks for another one.
void on_contact(tOSIF_STOREID, tagvObject*, std::uint32_t status, std::uintptr_t context) {
    auto& relay = *reinterpret_cast<Relay*>(context);
    if (relay.delivered) return;
    relay.delivered = true;
    relay.contact_result = status;
    relay.stopped = true;
    // The byte the line reader put back after the END line is still in the relay's buffer; it
    // belongs to the caller. With the relay stopped, the contact reader then sees the end.
    const int pending = std::fgetc(relay.stream);
    if (pending != EOF) std::ungetc(pending, relay.source);
}

}  // namespace

tOSIF_ERROR read_embedded_contact(std::FILE* stream) noexcept {
    if (!stream) return OSIF_ERR_PARSE;
    Relay relay;
    relay.source = stream;
    const cookie_io_functions_t io{relay_read, nullptr, nullptr, nullptr};
    relay.stream = fopencookie(&relay, "r", io);
    if (!relay.stream) return OSIF_ERR_MEMORY;
    const tOSIF_ERROR result = OSIF_ParseVCards(relay.stream, on_contact, reinterpret_cast<std::uintptr_t>(&relay));
    std::fclose(relay.stream);
    if (!relay.delivered) return result == OSIF_ERR_MEMORY ? OSIF_ERR_MEMORY : OSIF_ERR_PARSE;
    return relay.contact_result;
}

}  // namespace qel::pim::message
