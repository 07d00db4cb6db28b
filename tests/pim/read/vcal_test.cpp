// OSIF_ParseVCalendars and the QelVCalObject getters: the calendar's structure, versions, the
// kinds of component and their slots, nesting, the 2.0 blocks read at the calendar's level, the
// record shared by the components of one calendar, and the date getters.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pim/osif_records.h"
#include "pim/vcal_parser.h"
#include "pim_read_fixture.h"
#include "qelcfg/QelVCalObject.h"

namespace pimread {
namespace {

struct Item {
    std::uint32_t store = 0, status = 0, kind = 0;
    bool all_day = false;
    std::string version, luid;
    std::u16string summary, description, start, end, source;
    std::vector<std::size_t> slot_counts;
};

void record(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    auto& out = *reinterpret_cast<std::vector<Item>*>(context);
    qbtapiM::QelVCalObject o(object, status);
    Item i;
    i.store = store;
    i.status = status;
    i.kind = o.GetCalObjectType();
    i.all_day = o.IsAllDay();
    i.version = object->version;
    i.luid = o.GetLuid();
    i.summary = o.GetEventSummary();
    i.description = o.GetEventDescription();
    i.start = o.GetStartDate();
    i.end = o.GetEndDate();
    i.source = object->body.cal.sourcePath;
    for (const tagProp* slot : object->body.cal.slots) {
        std::size_t n = 0;
        for (const tagProp* p = slot; p; p = p->next) ++n;
        i.slot_counts.push_back(n);
    }
    out.push_back(std::move(i));
}

class VCalTest : public PimReadTest {
protected:
    tOSIF_ERROR parse(const std::string& text, const char16_t* source = nullptr) {
        TextStream s(text);
        items.clear();
        return OSIF_ParseVCalendars(s.get(), source, record, reinterpret_cast<std::uintptr_t>(&items));
    }
    std::vector<Item> items;
};

const std::string kEvent =
    "BEGIN:VEVENT\r\nSUMMARY:Lunch\r\nDESCRIPTION:With Bob\r\nDTSTART:20080105T102030\r\n"
    "DTEND:20080105T113000\r\nEND:VEVENT\r\n";

std::string calendar(const std::string& body, const std::string& version = "VERSION:1.0\r\n") {
    return "BEGIN:VCALENDAR\r\n" + version + body + "END:VCALENDAR\r\n";
}

TEST_F(VCalTest, CalendarStructureDecidesTheResult) {
    // The end of the stream after the last calendar, or any other line, gives the running result.
    // Every component was delivered with the source path.
    EXPECT_EQ(parse(calendar(kEvent), u"/data/cal.vcs"), OSIF_SUCCESS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].store, OSIF_STORE_CALENDAR);
    EXPECT_EQ(items[0].status, OSIF_SUCCESS);
    EXPECT_EQ(items[0].kind, OSIF_CAL_EVENT);
    EXPECT_EQ(items[0].source, u"/data/cal.vcs");
    EXPECT_EQ(parse(calendar(kEvent) + "\r\n"+ calendar(kEvent)), OSIF_SUCCESS);
    EXPECT_EQ(items.size(), 1u);

    // The first line must be BEGIN:VCALENDAR (blanks in the value are removed first).
    EXPECT_EQ(parse("BEGIN:VCARD\r\n" + kEvent), OSIF_ERR_PARSE);
    EXPECT_EQ(parse(""), OSIF_ERR_PARSE);
    EXPECT_EQ(parse("BEGIN: V CALENDAR\r\n" + kEvent + "END:VCALENDAR\r\nX:1\r\n"), OSIF_SUCCESS);  // no VERSION: only a log line
    EXPECT_EQ(items.size(), 1u);

    // A calendar without any component, or without its END, is refused.
    EXPECT_EQ(parse(calendar("") + "X:1\r\n"), OSIF_ERR_PARSE);
    EXPECT_EQ(parse("BEGIN:VCALENDAR\r\n" + kEvent), OSIF_ERR_PARSE);
    EXPECT_EQ(items.size(), 1u);  // the component itself was complete and delivered
}

TEST_F(VCalTest, Versions) {
    EXPECT_EQ(parse(calendar(kEvent, "") + "X:1\r\n"), OSIF_SUCCESS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].version, "1.0");
    EXPECT_EQ(parse(calendar(kEvent, "VERSION:2.0\r\n") + "X:1\r\n"), OSIF_SUCCESS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].version, "2.0");
    EXPECT_EQ(parse(calendar(kEvent, "VERSION:2.1\r\n") + "X:1\r\n"), OSIF_ERR_PARSE);
    EXPECT_TRUE(items.empty());
}

TEST_F(VCalTest, MandatoryPropertiesOfEachKind) {
    EXPECT_EQ(parse(calendar("BEGIN:VTODO\r\nSUMMARY:Call\r\nDUE:20080105\r\nEND:VTODO\r\n") + "X:1\r\n"),
              OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].kind, OSIF_CAL_TODO);
    EXPECT_EQ(items[0].status, OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(parse(calendar("BEGIN:VEVENT\r\nDTSTART:20080105\r\nEND:VEVENT\r\n") + "X:1\r\n"), OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(parse(calendar("BEGIN:VTODO\r\nCATEGORIES:A\r\nCOMPLETED:20080101\r\nDESCRIPTION:d\r\nDUE:20080105\r\n"
                             "PRIORITY:1\r\nSTATUS:X\r\nSUMMARY:s\r\nEND:VTODO\r\n") + "X:1\r\n"),
              OSIF_SUCCESS);
}

TEST_F(VCalTest, AllDayMarkMustBeExactlyTrue) {
    const std::string head = "BEGIN:VEVENT\r\nDTSTART:20080105\r\nDESCRIPTION:d\r\nX-BLUETOOTH-ALLDAYEVENT:";
    EXPECT_EQ(parse(calendar(head + "TRUE\r\nEND:VEVENT\r\n") + "X:1\r\n"), OSIF_SUCCESS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(items[0].all_day);
    EXPECT_EQ(parse(calendar(head + "True\r\nEND:VEVENT\r\n") + "X:1\r\n"), OSIF_SUCCESS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_FALSE(items[0].all_day);
}

TEST_F(VCalTest, SlotsDependOnTheKind) {
    EXPECT_EQ(parse(calendar("BEGIN:VEVENT\r\nDTSTART:1\r\nDESCRIPTION:d\r\nLOCATION:Here\r\nRRULE:D1\r\n"
                             "X-STRV-OL-MTSTATUS:1\r\nBEGIN:VALARM\r\nSUMMARY:inner\r\nEND:VALARM\r\nSUMMARY:outer\r\n"
                             "END:VEVENT\r\n") + "X:1\r\n"),
              OSIF_SUCCESS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].slot_counts[10], 1u);  // LOCATION
    EXPECT_EQ(items[0].slot_counts[13], 1u);  // RRULE
    EXPECT_EQ(items[0].slot_counts[17], 1u);  // X-STRV-OL-MTSTATUS
    // The alarm block is skipped without ending the event.
    EXPECT_EQ(items[0].summary, u"outer");
    EXPECT_EQ(items[0].slot_counts[8], 1u);

    EXPECT_EQ(parse(calendar("BEGIN:VTODO\r\nSUMMARY:s\r\nLOCATION:Here\r\nRRULE:D1\r\nX-STRV-OL-MTSTATUS:1\r\nEND:VTODO\r\n") +
                    "X:1\r\n"),
              OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].slot_counts[10], 0u);  // LOCATION dropped
    EXPECT_EQ(items[0].slot_counts[12], 1u);  // a to-do keeps RRULE in slot 12
    EXPECT_EQ(items[0].slot_counts[17], 0u);
}

TEST_F(VCalTest, ComponentsOfOneCalendarShareTheRecord) {
    const std::string todo = "BEGIN:VTODO\r\nSUMMARY:Task\r\nEND:VTODO\r\n";
    EXPECT_EQ(parse(calendar(kEvent + todo) + "X:1\r\n"), OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].status, OSIF_SUCCESS);
    EXPECT_EQ(items[1].status, OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(items[1].kind, OSIF_CAL_TODO);
    EXPECT_EQ(items[1].slot_counts[8], 2u);  // the event's SUMMARY, then the to-do's
    EXPECT_EQ(items[1].summary, u"Lunch");
}

TEST_F(VCalTest, BeginTagsAtTheCalendarLevel) {
    EXPECT_EQ(parse(calendar("BEGIN:VJOURNAL\r\nEND:VJOURNAL\r\n" + kEvent) + "X:1\r\n"), OSIF_ERR_PARSE);
    EXPECT_TRUE(items.empty());
    // A time-zone block is read at the calendar's level: its END ends the calendar, so the event
    // after it is never read (the lines after the calendar end the file).
    EXPECT_EQ(parse(calendar("BEGIN:VTIMEZONE\r\nTZID:Europe\r\nEND:VTIMEZONE\r\n" + kEvent, "VERSION:2.0\r\n")),
              OSIF_SUCCESS_WARNINGS);
    EXPECT_TRUE(items.empty());
}

TEST_F(VCalTest, DateGetters) {
    EXPECT_EQ(parse(calendar(kEvent) + "X:1\r\n"), OSIF_SUCCESS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].start, u"20080105T102030");
    EXPECT_EQ(items[0].end, u"20080105T113000");
    EXPECT_EQ(items[0].description, u"With Bob");
    EXPECT_EQ(parse(calendar("BEGIN:VTODO\r\nSUMMARY:s\r\nEND:VTODO\r\n") + "X:1\r\n"), OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].start, u"45010101T000000");
    EXPECT_EQ(items[0].end, u"45010101T000000");
}

TEST_F(VCalTest, KeywordsAndSlots) {
    EXPECT_EQ(VCalKeywordToken("x-bluetooth-alldayevent"), VCAL_ALLDAY);
    EXPECT_EQ(VCalKeywordToken("VALARM"), VCAL_UNKNOWN);
    EXPECT_EQ(VCalSlot(VCAL_DALARM, OSIF_CAL_EVENT), 11);
    EXPECT_EQ(VCalSlot(VCAL_DALARM, OSIF_CAL_TODO), 10);
    EXPECT_EQ(VCalSlot(VCAL_ATTACH, OSIF_CAL_TODO), 15);
    EXPECT_EQ(VCalSlot(VCAL_LOCATION, OSIF_CAL_TODO), -1);
}

}  // namespace
}  // namespace pimread
