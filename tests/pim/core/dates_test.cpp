// Dates: OLE date arithmetic, ISO 8601 and mail dates, local time by the pinned time zone
// (Central European: UTC+1 in winter, UTC+2 in summer), and the empty date 4501-01-01.
#include <gtest/gtest.h>

#include <cmath>

#include "pim/ole_dates.h"
#include "pim/osif_props.h"
#include "pim/prop_values.h"
#include "pim_core_fixture.h"

using namespace pimtest;

class ZonedDates : public PimCoreTest {};

namespace {

DATE ole(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    auto date = OleDateFromTm(t);
    EXPECT_TRUE(date.has_value());
    return date.value_or(OSIF_EMPTY_DATE);
}

// Dates compared to the second.
void expect_same(DATE actual, DATE expected) { EXPECT_NEAR(actual, expected, 0.5 / 86400.0); }

DATE iso(const char* text) {
    DATE out = 0.0;
    StrToOleDateTime(out, text);
    return out;
}

std::string format(DATE date, bool iso_form, bool with_time, bool as_local) {
    std::string out = "stale";
    DATEToStr(out, date, iso_form, with_time, as_local);
    return out;
}

}  // namespace

TEST(OleDates, CalendarArithmetic) {
    EXPECT_EQ(ole(1899, 12, 30), 0.0);
    EXPECT_EQ(ole(1900, 1, 1), 2.0);
    EXPECT_EQ(ole(4501, 1, 1), OSIF_EMPTY_DATE);
    EXPECT_EQ(ole(2000, 2, 29, 12), 36585.5);
    // Before 1899-12-30 the time of day still counts forward: -1.25 is 1899-12-29 06:00.
    EXPECT_EQ(ole(1899, 12, 29, 6), -1.25);
    const auto back = TmFromOleDate(-1.25);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->tm_mday, 29);
    EXPECT_EQ(back->tm_hour, 6);
    // Out of range or impossible fields give nothing.
    std::tm bad{};
    bad.tm_year = 2001 - 1900;
    bad.tm_mon = 1;
    bad.tm_mday = 29;
    EXPECT_FALSE(OleDateFromTm(bad).has_value());
    EXPECT_FALSE(TmFromOleDate(NAN).has_value());
    EXPECT_FALSE(TmFromOleDate(1e300).has_value());
    // Round trip of every field, with the weekday.
    const auto t = TmFromOleDate(ole(2008, 1, 5, 23, 59, 59));
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->tm_year, 108);
    EXPECT_EQ(t->tm_mon, 0);
    EXPECT_EQ(t->tm_mday, 5);
    EXPECT_EQ(t->tm_sec, 59);
    EXPECT_EQ(t->tm_wday, 6);  // a Saturday
}

TEST_F(ZonedDates, IsoDatesInLocalTime) {
    // Winter: UTC+1; summer: UTC+2.
    expect_same(iso("20080105T102030Z"), ole(2008, 1, 5, 11, 20, 30));
    expect_same(iso("20080705T102030Z"), ole(2008, 7, 5, 12, 20, 30));
    expect_same(iso("20081231T233000Z"), ole(2009, 1, 1, 0, 30, 0));
    // Without a zone the time is taken as it is.
    expect_same(iso("20080105T102030"), ole(2008, 1, 5, 10, 20, 30));
    expect_same(iso("2008-01-05"), ole(2008, 1, 5));
    expect_same(iso("2008-01-05T10:20:30Z"), ole(2008, 1, 5, 10, 0, 0));  // "%2d%2d%2d" stops at ":"
    expect_same(iso("20080105"), ole(2008, 1, 5));
    expect_same(iso("20080105T10"), ole(2008, 1, 5, 10));
}

TEST_F(ZonedDates, MalformedIsoDatesGiveTheEmptyDate) {
    for (const char* text : {"", "2008/01/05", "20080105X102030", "20080105T102030A", "2008", "200801",
                             "20081305", "20080230", "20080105T256000", "-0010105", "garbage", "99999999T"}) {
        EXPECT_EQ(iso(text), OSIF_EMPTY_DATE) << text;
    }
    DATE out = 1.0;
    StrToOleDateTime(out, nullptr);
    EXPECT_EQ(out, OSIF_EMPTY_DATE);
    EXPECT_EQ(StrToDATE(u"2008/01/05"), OSIF_EMPTY_DATE);
    expect_same(StrToDATE(u"20080105T102030"), ole(2008, 1, 5, 10, 20, 30));
}

TEST_F(ZonedDates, FormattingDates) {
    const DATE winter = ole(2008, 1, 5, 10, 20, 30);
    const DATE summer = ole(2008, 7, 5, 10, 20, 30);
    EXPECT_EQ(format(winter, true, true, true), "20080105T102030");
    EXPECT_EQ(format(winter, true, true, false), "20080105T092030Z");
    EXPECT_EQ(format(summer, true, true, false), "20080705T082030Z");
    EXPECT_EQ(format(winter, true, false, false), "20080105");
    EXPECT_EQ(format(winter, true, false, true), "20080105");
    EXPECT_EQ(format(winter, false, true, true), "Sat, 05 Jan 2008 09:20:30 UT");
    EXPECT_EQ(format(ole(2008, 1, 1, 0, 30), false, false, false), "Mon, 31 Dec 2007 23:30:00 UT");
    // The empty date formats as 4501-01-01.
    EXPECT_EQ(format(OSIF_EMPTY_DATE, true, true, true), "45010101T000000");
    // Dates that cannot be converted give an empty text.
    EXPECT_EQ(format(NAN, true, true, true), "");
    EXPECT_EQ(format(1e9, false, true, true), "");
}

TEST_F(ZonedDates, IsoRoundTripThroughAProperty) {
    PropList list;
    tagProp* p = AppendProp(&list.head);
    DATEtoProp(ole(2008, 7, 5, 10, 20, 30), p, true, true, false);
    EXPECT_EQ(texts(p->values), (std::vector<std::string>{"20080705T082030Z"}));
    DATE back = 0;
    PropToDATE(p, back, false);
    expect_same(back, ole(2008, 7, 5, 10, 20, 30));
    PropToDATE(p, back, true);
    expect_same(back, ole(2008, 7, 5));
    PropToDATE(nullptr, back, false);
    EXPECT_EQ(back, OSIF_EMPTY_DATE);
    expect_same(StringToDATE("20080705"), ole(2008, 7, 5));
}

TEST_F(ZonedDates, Rfc822DatesToUtc) {
    expect_same(RFC822DateToDATE(u"Sat, 05 Jan 2008 10:20:30 +0100"), ole(2008, 1, 5, 9, 20, 30));
    expect_same(RFC822DateToDATE(u"Sat, 05 Jan 2008 10:20:30 EST"), ole(2008, 1, 5, 15, 20, 30));
    expect_same(RFC822DateToDATE(u"05 Jan 07 10:20:30 GMT"), ole(2007, 1, 5, 10, 20, 30));
    expect_same(RFC822DateToDATE(u"5 Jan 95 10:20:30 Z"), ole(1995, 1, 5, 10, 20, 30));
    expect_same(RFC822DateToDATE(u"05 Jan 2008 23:50:00 -0130"), ole(2008, 1, 6, 1, 20, 0));
    expect_same(RFC822DateToDATE(u"05 Jan 2008 10:00:00 A"), ole(2008, 1, 5, 11, 0, 0));
    expect_same(RFC822DateToDATE(u"05 Jan 2008 10:00:00 M"), ole(2008, 1, 5, 22, 0, 0));
    expect_same(RFC822DateToDATE(u"05 Jan 2008 10:00:00 Y"), ole(2008, 1, 4, 22, 0, 0));
    expect_same(RFC822DateToDATE(u"05 Jan 2008 10:00:00 J"), ole(2008, 1, 5, 10, 0, 0));
    expect_same(RFC822DateToDATE(u"Tue,  1  Jan  2008  00:00:00  PDT"), ole(2008, 1, 1, 7, 0, 0));
}

TEST_F(ZonedDates, InvalidRfc822DatesGiveTheEmptyDate) {
    for (const char16_t* text : {u"", u"Sat, 05 Jan 2008", u"Sat, 32 Jan 2008 10:20:30 GMT",
                                 u"Sat, 05 jan 2008 10:20:30 GMT", u"Sat, 05 Jan 2008 24:00:00 GMT",
                                 u"Sat, 05 Jan 2008 10:60:00 GMT", u"Sat, 05 Jan 2008 10:20 GMT",
                                 u"Sat, 05 Jan 2008 10:20:30 XYZ", u"Sat, 05 Jan 2008 10:20:30 +01",
                                 u"Sat, 30 Feb 2008 10:20:30 GMT", u"Sat, 05 Jan 20x8 10:20:30 GMT",
                                 u"Sat, 05 Jan 2008 10:20:30 +01a0", u"Sat, -5 Jan 2008 10:20:30 GMT"}) {
        EXPECT_EQ(RFC822DateToDATE(text), OSIF_EMPTY_DATE) << std::string(text, text + std::char_traits<char16_t>::length(text));
    }
    // Only the first 100 characters are read.
    const std::u16string padded = u"Sat," + std::u16string(100, u' ') + u"05 Jan 2008 10:20:30 GMT";
    EXPECT_EQ(RFC822DateToDATE(padded), OSIF_EMPTY_DATE);
}

TEST_F(ZonedDates, MailDatesFallBackToTheLegacyForm) {
    expect_same(MailStringToDATE("Sat, 05 Jan 2008 10:20:30 +0100"), ole(2008, 1, 5, 9, 20, 30));
    expect_same(MailStringToDATE("Jan 5 10:20:30 2008"), ole(2008, 1, 5, 10, 20, 30));
    expect_same(MailStringToDATE("Sat, Jan 5 10:20:30 2008"), ole(2008, 1, 5, 10, 20, 30));
    EXPECT_EQ(MailStringToDATE(""), OSIF_EMPTY_DATE);
    EXPECT_EQ(MailStringToDATE(nullptr), OSIF_EMPTY_DATE);
    EXPECT_EQ(MailStringToDATE("Foo 5 10:20:30 2008"), OSIF_EMPTY_DATE);
    EXPECT_EQ(MailStringToDATE("Jan 5 10:20"), OSIF_EMPTY_DATE);
    EXPECT_EQ(MailStringToDATE("Feb 30 10:20:30 2008"), OSIF_EMPTY_DATE);
    EXPECT_EQ(LegacyDateToOleDateTime(u"Jan 99999999999 10:20:30 2008"), OSIF_EMPTY_DATE);
}

TEST(OleDates, WideDateTextToEightBit) {
    char buffer[9];
    EXPECT_TRUE(strDateToCharDate(u"20080105", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "20080105");
    EXPECT_FALSE(strDateToCharDate(u"20080105T", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(strDateToCharDate(u"2008\u00e9", buffer, sizeof buffer));
    EXPECT_FALSE(strDateToCharDate(u"x", buffer, 0));
}
