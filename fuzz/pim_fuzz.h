// What every harness of a PIM reader shares: the reader runs over the input through a memory
// stream (so any read past it shows), must end with one of its documented results, may deliver
// only objects whose getters can be read, and must leave no temporary value file behind once the
// parse record is released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pim/charsets.h"
#include "pim/msg_content.h"
#include "pim/pim_object_record.h"
#include "qelcfg/QelPIMObject.h"
#include "qelcfg/QelVCalObject.h"

namespace pimfuzz {

inline void check(bool condition) {
    if (!condition) std::abort();
}

// The delivery callback: reads the getters of contacts and calendar entries, decodes every part
// of a message, and counts every delivered object in the std::size_t behind `context`.
inline void count(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    check(status == OSIF_SUCCESS || status == OSIF_SUCCESS_WARNINGS);
    if (store == OSIF_STORE_PHONEBOOK) {
        const qbtapiM::QelPIMObject c(object, status);
        (void)c.GetFirstName();
        (void)c.GetBusinessAddress();
        (void)c.GetEmail();
        (void)c.GetNote();
    } else if (store == OSIF_STORE_CALENDAR) {
        const qbtapiM::QelVCalObject e(object, status);
        check(e.GetCalObjectType() == 1 || e.GetCalObjectType() == 2);
        (void)e.GetEventSummary();
        (void)e.GetStartDate();
    } else if (store >= OSIF_STORE_INBOX && store <= OSIF_STORE_FOLDER4) {
        for (const tagPart* part = object->body.msg.parts; part; part = part->next) {
            std::u16string text;
            ContentToBSTR(part, text);
            (void)WideCharToUTF8(text);
        }
    }
    ++*reinterpret_cast<std::size_t*>(context);
}

struct Outcome {
    tOSIF_ERROR result;
    std::size_t objects;
};

// Runs `parse(stream, context)` over the bytes and checks its result against the documented ones.
template <typename Parse>
Outcome parse_bytes(const std::uint8_t* data, std::size_t size, Parse parse) {
    Outcome outcome{OSIF_ERR_PARSE, 0};
    if (size == 0) return outcome;
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!stream) return outcome;
    outcome.result = parse(stream, reinterpret_cast<std::uintptr_t>(&outcome.objects));
    std::fclose(stream);
    check(outcome.result == OSIF_SUCCESS || outcome.result == OSIF_SUCCESS_WARNINGS ||
          outcome.result == OSIF_ERR_PARSE || outcome.result == OSIF_ERR_MEMORY);
    qel::pim::release_parse_record();
    return outcome;
}

}  // namespace pimfuzz
