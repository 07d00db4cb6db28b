// "qelcfg pim vnote" and "qelcfg pim changelog" run as a program: every note with its six
// properties decoded, the JSON shapes, line numbers of malformed log lines, entries added and
// refused, purges that succeed and fail, and the exit codes of each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "notes_fixture.h"

namespace pimnotes {
namespace {

namespace fs = std::filesystem;

using qel::test::ProgramRun;

class QelcfgNotesTest : public pimsupport::WithQelcfg<NotesTest> {
protected:
    static nlohmann::json json_of(const ProgramRun& r) { return nlohmann::json::parse(r.out, nullptr, false); }
};

TEST_F(QelcfgNotesTest, VNoteJsonListsEveryNoteDecoded) {
    const auto path = write_file("n.vnt",
                                 "BEGIN:VNOTE\r\nVERSION:1.1\r\nX-IRMC-LUID:42\r\nDCREATED:20051030T111735Z\r\n"
                                 "LAST-MODIFIED:20051030T112041Z\r\nCATEGORIES:Work\r\nCLASS:PRIVATE\r\n"
                                 "BODY;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:v=C3=A5r=0D=0Aline 2\r\n"
                                 "SUMMARY:A multi\\nline\r\nEND:VNOTE\r\n"
                                 "BEGIN:VNOTE\r\nVERSION:1.1\r\nX-UNKNOWN:1\r\nBODY;CHARSET=ISO-8859-1:M\xFCller\r\nEND:VNOTE\r\n");
    const ProgramRun r = run({"pim", "vnote", path.string(), "--json"});
    EXPECT_EQ(r.exit_code, 0);
    const auto j = json_of(r);
    ASSERT_FALSE(j.is_discarded()) << r.out;
    EXPECT_EQ(j["status"], 19);
    ASSERT_EQ(j["notes"].size(), 2u);
    const auto& first = j["notes"][0];
    EXPECT_EQ(first["status"], 18);
    EXPECT_EQ(first["luid"], "42");
    EXPECT_EQ(first["version"], "1.1");
    EXPECT_EQ(first["dcreated"], "20051030T111735Z");
    EXPECT_EQ(first["last_modified"], "20051030T112041Z");
    EXPECT_EQ(first["categories"], "Work");
    EXPECT_EQ(first["class"], "PRIVATE");
    EXPECT_EQ(first["body"], "v\xC3\xA5r\r\nline 2");
    EXPECT_EQ(first["summary"], "A multi\r\nline");
    const auto& second = j["notes"][1];
    EXPECT_EQ(second["status"], 19);
    EXPECT_EQ(second["body"], "M\xC3\xBCller");
    EXPECT_EQ(second["luid"], "");
    EXPECT_EQ(second["summary"], "");
}

TEST_F(QelcfgNotesTest, VNoteListingAndExitCodes) {
    const auto good = write_file("g.vnt", "BEGIN:VNOTE\nVERSION:1.1\nSUMMARY:Shopping\nBODY:milk\\nbread\nEND:VNOTE\n");
    const ProgramRun listing = run({"pim", "vnote", good.string()});
    EXPECT_EQ(listing.exit_code, 0);
    EXPECT_NE(listing.out.find("Note 1\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("  summary           Shopping\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("  body              milk\n                    bread\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("Result 18, 1 note(s)"), std::string::npos) << listing.out;

    const ProgramRun refused = run({"pim", "vnote", write_file("v2.vnt", "BEGIN:VNOTE\nVERSION:2.0\nEND:VNOTE\n").string(), "--json"});
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_EQ(json_of(refused)["status"], 20);
    EXPECT_TRUE(json_of(refused)["notes"].empty());
    const ProgramRun missing = run({"pim", "vnote", (dir() / "none.vnt").string(), "--json"});
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_EQ(json_of(missing)["status"], 7);
    EXPECT_EQ(run({"pim", "vnote"}).exit_code, 2);
}

TEST_F(QelcfgNotesTest, ChangelogShowReportsEntriesAndMalformedLinesByNumber) {
    const auto log = write_file("change.log", "M:12:20080105T102030Z:ABC\nX:1:T:L\nD:3::x:y\nM:12345678901:T:L\n");
    const ProgramRun r = run({"pim", "changelog", "show", log.string(), "--json"});
    EXPECT_EQ(r.exit_code, 1);
    const auto j = json_of(r);
    ASSERT_FALSE(j.is_discarded()) << r.out;
    EXPECT_EQ(j["status"], 5);
    ASSERT_EQ(j["entries"].size(), 2u);
    EXPECT_EQ(j["entries"][0], nlohmann::json::parse(
                                   R"({"line":1,"type":"M","count":12,"timestamp":"20080105T102030Z","luid":"ABC"})"));
    EXPECT_EQ(j["entries"][1]["line"], 3);
    EXPECT_EQ(j["entries"][1]["luid"], "x:y");
    EXPECT_EQ(j["malformed"], nlohmann::json::parse("[2, 4]"));

    const ProgramRun listing = run({"pim", "changelog", "show", log.string()});
    EXPECT_EQ(listing.exit_code, 1);
    EXPECT_NE(listing.out.find("1      M     12           20080105T102030Z    ABC\nline 2: malformed entry\n"),
              std::string::npos)
        << listing.out;
    EXPECT_NE(listing.out.find("line 4: malformed entry\n2 entries, 2 malformed line(s)"), std::string::npos)
        << listing.out;

    const auto clean = write_file("clean.log", "H:1:T:L\n");
    EXPECT_EQ(run({"pim", "changelog", "show", clean.string()}).exit_code, 0);
    const ProgramRun none = run({"pim", "changelog", "show", (dir() / "none.log").string(), "--json"});
    EXPECT_EQ(none.exit_code, 1);
    EXPECT_EQ(json_of(none)["status"], 1);
}

TEST_F(QelcfgNotesTest, ChangelogAddAppendsAndRefusesWhatWouldNotReadBack) {
    const fs::path log = dir() / "change.log";
    EXPECT_EQ(run({"pim", "changelog", "add", log.string(), "--type", "M", "--count", "12", "--timestamp",
                   "20080105T102030Z", "--luid", "ABC"})
                  .exit_code,
              0);
    EXPECT_EQ(run({"pim", "changelog", "add", log.string(), "--type", "D", "--count", "-1", "--timestamp", "",
                   "--luid", "a:b"})
                  .exit_code,
              0);
    EXPECT_EQ(qel::test::read_file(log), "M:12:20080105T102030Z:ABC\nD:-1::a:b\n");
    const std::vector<std::vector<std::string>> refused = {
        {"--type", "X", "--count", "1", "--timestamp", "T", "--luid", "L"},
        {"--type", "M", "--count", "x", "--timestamp", "T", "--luid", "L"},
        {"--type", "M", "--count", "1", "--timestamp", std::string(19, 't'), "--luid", "L"},
        {"--type", "M", "--count", "1", "--timestamp", "T", "--luid", std::string(513, 'l')},
        {"--type", "M", "--count", "1", "--timestamp", "10:20", "--luid", "L"},
        {"--type", "M", "--count", "1", "--timestamp", "T", "--luid", "two\nlines"},
        {"--type", "M", "--count", "1", "--timestamp", "T", "--luid", "a\\;b"},
        {"--type", "M", "--count", "1", "--timestamp", "T"},
    };
    for (const auto& args : refused) {
        std::vector<std::string> full = {"pim", "changelog", "add", log.string()};
        full.insert(full.end(), args.begin(), args.end());
        EXPECT_EQ(run(full).exit_code, 2) << args[1] << " " << args[3] << " " << args[5];
    }
    EXPECT_EQ(qel::test::read_file(log), "M:12:20080105T102030Z:ABC\nD:-1::a:b\n");
    EXPECT_EQ(run({"pim", "changelog", "add", (dir() / "no" / "log").string(), "--type", "M", "--count", "1",
                   "--timestamp", "T", "--luid", "L"})
                  .exit_code,
              1);
}

TEST_F(QelcfgNotesTest, ChangelogPurgeKeepsTheNewest250) {
    std::string text;
    for (int i = 1; i <= 300; ++i) text += "M:" + std::to_string(i) + ":T:L" + std::to_string(i) + "\n";
    const auto log = write_file("change.log", text);
    const ProgramRun r = run({"pim", "changelog", "purge", log.string(), "--temp-dir", dir().string()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find("Purged 50 entries, 250 kept"), std::string::npos) << r.out;
    const std::string after = qel::test::read_file(log);
    EXPECT_EQ(after.substr(0, after.find('\n')), "M:51:T:L51");
    const ProgramRun again = run({"pim", "changelog", "purge", log.string()});
    EXPECT_EQ(again.exit_code, 0);
    EXPECT_NE(again.out.find("250 entries, nothing to purge"), std::string::npos) << again.out;

    const auto big = write_file("big.log", text);
    EXPECT_EQ(run({"pim", "changelog", "purge", big.string(), "--temp-dir", (dir() / "missing").string()}).exit_code, 1);
    EXPECT_EQ(qel::test::read_file(big), text);
    EXPECT_EQ(run({"pim", "changelog", "purge", (dir() / "none.log").string()}).exit_code, 1);
}

}  // namespace
}  // namespace pimnotes
