// "qelcfg pim vcard" and "qelcfg pim vcal" run as a program: every object of the file (not only
// the first), the JSON fields in UTF-8, and the exit codes of the reader's results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "pim_read_fixture.h"

namespace pimread {
namespace {

namespace fs = std::filesystem;

using qel::test::ProgramRun;

using QelcfgPimTest = pimsupport::WithQelcfg<PimReadTest>;

TEST_F(QelcfgPimTest, VCardJsonListsEveryContact) {
    const auto path = write_file("c.vcf",
                                 "BEGIN:VCARD\r\nVERSION:2.1\r\nX-IRMC-LUID:7\r\nN;CHARSET=ISO-8859-1:M\xFCller;Ann\r\n"
                                 "TEL;WORK:1\r\nEMAIL:a@x\r\nEND:VCARD\r\n"
                                 "BEGIN:VCARD\r\nN:Two\r\nitem1.X:1\r\nEND:VCARD\r\nX:1\r\n");
    const ProgramRun r = run({"pim", "vcard", path.string(), "--json"});
    EXPECT_EQ(r.exit_code, 0);
    const auto j = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(j.is_discarded()) << r.out;
    EXPECT_EQ(j["status"], 19);
    ASSERT_EQ(j["contacts"].size(), 2u);
    const auto& first = j["contacts"][0];
    EXPECT_EQ(first["status"], 18);
    EXPECT_EQ(first["version"], "2.1");
    EXPECT_EQ(first["luid"], "7");
    EXPECT_EQ(first["last_name"], "M\xC3\xBCller");
    EXPECT_EQ(first["first_name"], "Ann");
    EXPECT_EQ(first["business_phone"], "1");
    EXPECT_EQ(first["email"], "a@x ");
    for (const char* key : {"middle_name", "title", "suffix", "job_title", "company", "home_phone", "business_fax",
                            "mobile_phone", "business_address", "home_address", "note"}) {
        EXPECT_EQ(first[key], "") << key;
    }
    EXPECT_EQ(j["contacts"][1]["status"], 19);
    EXPECT_EQ(j["contacts"][1]["last_name"], "Two");
}

TEST_F(QelcfgPimTest, VCalJsonListsEveryItemAndExitCodesFollowTheResult) {
    const auto path = write_file("c.vcs",
                                 "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:A\r\nDESCRIPTION:d\r\nDTSTART:20080105T102030\r\n"
                                 "X-BLUETOOTH-ALLDAYEVENT:TRUE\r\nEND:VEVENT\r\nBEGIN:VTODO\r\nSUMMARY:B\r\nEND:VTODO\r\n"
                                 "END:VCALENDAR\r\n");
    const ProgramRun r = run({"pim", "vcal", path.string(), "--json"});
    EXPECT_EQ(r.exit_code, 0);
    const auto j = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(j.is_discarded()) << r.out;
    EXPECT_EQ(j["status"], 19);
    ASSERT_EQ(j["items"].size(), 2u);
    EXPECT_EQ(j["items"][0]["kind"], "event");
    EXPECT_EQ(j["items"][0]["all_day"], true);
    EXPECT_EQ(j["items"][0]["start"], "20080105T102030");
    EXPECT_EQ(j["items"][0]["end"], "45010101T000000");
    EXPECT_EQ(j["items"][1]["kind"], "todo");
    EXPECT_EQ(j["items"][1]["summary"], "A");  // the to-do's SUMMARY follows the event's in the record
    EXPECT_EQ(j["items"][1]["status"], 19);

    const ProgramRun missing = run({"pim", "vcard", (dir_.path() / "none.vcf").string(), "--json"});
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_EQ(nlohmann::json::parse(missing.out, nullptr, false)["status"], 7);

    const ProgramRun listing = run({"pim", "vcard", write_file("l.vcf", "BEGIN:VCARD\r\nN:Lee\r\nEND:VCARD\r\n\r\n").string()});
    EXPECT_EQ(listing.exit_code, 0);
    EXPECT_NE(listing.out.find("last_name         Lee"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("Result 18, 1 contact(s)"), std::string::npos) << listing.out;

    // A contact cut off before its END is refused: the reader's 20 and exit status 2.
    const ProgramRun cut = run({"pim", "vcard", write_file("cut.vcf", "BEGIN:VCARD\r\nN:Lee\r\n").string()});
    EXPECT_EQ(cut.exit_code, 2);
    EXPECT_NE(cut.out.find("Result 20, 0 contact(s)"), std::string::npos) << cut.out;
}

}  // namespace
}  // namespace pimread
