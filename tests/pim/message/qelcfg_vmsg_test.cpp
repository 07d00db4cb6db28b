// "qelcfg pim vmsg" run as a program: every message of the file with its fields, headers,
// multipart record and parts in JSON (texts decoded to UTF-8, base64 parts as files), the
// readable listing, and the exit codes of the reader's results.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "message_fixture.h"

namespace pimmsg {
namespace {

using qel::test::ProgramRun;

using QelcfgVmsgTest = pimsupport::WithQelcfg<MessageTest>;

TEST_F(QelcfgVmsgTest, JsonHoldsEveryMessageWithItsParts) {
    const auto path = qel::test::source_dir() / "tests/pim/message/samples/email_multipart_sentbox.vmg";
    const auto two = qel::test::source_dir() / "tests/pim/message/samples/two_messages_outbox.vmg";
    const ProgramRun r = run({"pim", "vmsg", path.string(), "--json"});
    EXPECT_EQ(r.exit_code, 0);
    const auto j = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(j.is_discarded()) << r.out;
    EXPECT_EQ(j["status"], 18);
    ASSERT_EQ(j["messages"].size(), 1u);
    const auto& m = j["messages"][0];
    EXPECT_EQ(m["store"], 4);
    EXPECT_EQ(m["luid"], "000000A1");
    EXPECT_EQ(m["version"], "1.1");
    EXPECT_EQ(m["status_text"], "UNREAD");
    EXPECT_EQ(m["type"], "EMAIL");
    EXPECT_EQ(m["folder"], "SENTBOX");
    EXPECT_EQ(m["headers"]["SUBJECT"], nlohmann::json::array({"Report"}));
    EXPECT_EQ(m["headers"]["TO"], nlohmann::json::array({"rita@example.org"}));
    EXPECT_EQ(m["headers"]["CC"], nlohmann::json::array());
    EXPECT_EQ(m["multipart"]["subtype"], "mixed");
    EXPECT_EQ(m["multipart"]["boundary"], "----=_NextPart_001 x");
    ASSERT_EQ(m["parts"].size(), 2u);
    EXPECT_EQ(m["parts"][0]["transfer_encoding"], "quoted-printable");
    EXPECT_EQ(m["parts"][0]["text"].get<std::string>().substr(0, 42),
              "The numbers are in the attachment. Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_TRUE(m["parts"][1].contains("file"));
    EXPECT_EQ(m["parts"][1]["file_size"], 17);

    const ProgramRun r2 = run({"pim", "vmsg", two.string(), "--json"});
    const auto j2 = nlohmann::json::parse(r2.out, nullptr, false);
    ASSERT_EQ(j2["messages"].size(), 2u) << r2.out;
    EXPECT_EQ(j2["messages"][0]["store"], 5);
    EXPECT_EQ(j2["messages"][0]["multipart"], nullptr);
    EXPECT_EQ(j2["messages"][0]["headers"]["SUBJECT"], nlohmann::json::array({"Caf\xC3\xA9"}));
    EXPECT_EQ(j2["messages"][0]["parts"][0]["text"], "Caf\xC3\xA9 at noon?");
    EXPECT_EQ(j2["messages"][1]["store"], 3);  // "outbox" in lower case
    EXPECT_EQ(j2["messages"][1]["status_text"], nullptr);
}

TEST_F(QelcfgVmsgTest, ListingAndExitCodes) {
    const auto path = qel::test::source_dir() / "tests/pim/message/samples/two_messages_outbox.vmg";
    const ProgramRun listing = run({"pim", "vmsg", path.string()});
    EXPECT_EQ(listing.exit_code, 0);
    EXPECT_NE(listing.out.find("Message 1 (store 5, outbox)"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("Result 18, 2 message(s)"), std::string::npos) << listing.out;

    const auto refused = qel::test::source_dir() / "tests/pim/message/samples/version_2_0.vmg";
    const ProgramRun bad = run({"pim", "vmsg", refused.string(), "--json"});
    EXPECT_EQ(bad.exit_code, 2);
    EXPECT_EQ(nlohmann::json::parse(bad.out, nullptr, false)["status"], 20);

    const ProgramRun missing = run({"pim", "vmsg", (dir_.path() / "none.vmg").string(), "--json"});
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_EQ(nlohmann::json::parse(missing.out, nullptr, false)["status"], 7);
}

}  // namespace
}  // namespace pimmsg
