// The vCalendar reader over arbitrary bytes: it must end with one of its documented results, deliver
// only complete objects whose getters can be read, and leave no temporary value file behind once
// the parse record is released. The input is read through a memory stream, so any read past it
// shows.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pim/pim_object_record.h"
#include "pim/vcal_parser.h"
#include "qelcfg/QelPIMObject.h"
#include "qelcfg/QelVCalObject.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void count(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    check(status == OSIF_SUCCESS || status == OSIF_SUCCESS_WARNINGS);
    if (store == OSIF_STORE_PHONEBOOK) {
        const qbtapiM::QelPIMObject c(object, status);
        (void)c.GetFirstName();
        (void)c.GetBusinessAddress();
        (void)c.GetEmail();
        (void)c.GetNote();
    } else {
        check(store == OSIF_STORE_CALENDAR);
        const qbtapiM::QelVCalObject e(object, status);
        check(e.GetCalObjectType() == 1 || e.GetCalObjectType() == 2);
        (void)e.GetEventSummary();
        (void)e.GetStartDate();
    }
    ++*reinterpret_cast<std::size_t*>(context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!stream) return 0;
    std::size_t objects = 0;
    const tOSIF_ERROR result = OSIF_ParseVCalendars(stream, u"fuzz.vcs", count, reinterpret_cast<std::uintptr_t>(&objects));
    std::fclose(stream);
    check(result == OSIF_SUCCESS || result == OSIF_SUCCESS_WARNINGS || result == OSIF_ERR_PARSE ||
          result == OSIF_ERR_MEMORY);
    qel::pim::release_parse_record();
    return 0;
}
