// OSIF_ParseVMessages and the structure of a message file: stores by folder, versions, the end of
// the file, envelopes (nested), and embedded originator and recipient contacts, which are read
// with the contact reader without costing the message any of its own fields.
#include <gtest/gtest.h>

#include "message_fixture.h"

namespace pimmsg {
namespace {

const std::string kBody = "Subject: hi\r\n\r\ntext\r\n";

class StructureTest : public MessageTest {};

TEST_F(StructureTest, StoreFollowsTheFolderSpelledExactly) {
    std::string file;
    for (const char* folder : {"SENTBOX", "OUTBOX", "INBOX", "", "outbox", "SENTBOX "}) {
        const std::string head = *folder ? std::string("X-BT-FOLDER:") + folder + "\r\n" : std::string();
        file += message(head, kBody);
    }
    const Parse p = parse_text(file);
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.messages.size(), 6u);
    EXPECT_EQ(p.messages[0].store, OSIF_STORE_SENTBOX);
    EXPECT_EQ(p.messages[1].store, OSIF_STORE_OUTBOX);
    EXPECT_EQ(p.messages[2].store, OSIF_STORE_INBOX);
    EXPECT_EQ(p.messages[3].store, OSIF_STORE_INBOX);
    EXPECT_FALSE(p.messages[3].folder.has_value());
    EXPECT_EQ(p.messages[4].store, OSIF_STORE_INBOX);
    EXPECT_EQ(p.messages[4].folder, "outbox");
    EXPECT_EQ(p.messages[5].store, OSIF_STORE_INBOX);
}

TEST_F(StructureTest, VersionsUpToOnePointOneAreRead) {
    for (const char* version : {"1.1", "1.0", "1.10"}) {
        const Parse p = parse_text("BEGIN:VMSG\r\nVERSION:" + std::string(version) +
                                   "\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n");
        EXPECT_EQ(p.result, OSIF_SUCCESS) << version;
        ASSERT_EQ(p.messages.size(), 1u) << version;
        EXPECT_EQ(p.messages[0].version, version);
    }
    for (const char* version : {"2.0", "1.2", "0", "x"}) {
        const Parse p = parse_text("BEGIN:VMSG\r\nVERSION:" + std::string(version) +
                                   "\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n");
        EXPECT_EQ(p.result, OSIF_ERR_PARSE) << version;
        EXPECT_TRUE(p.messages.empty()) << version;
    }
    // A message without VERSION is refused even when it is otherwise whole.
    const Parse none = parse_text("BEGIN:VMSG\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n");
    EXPECT_EQ(none.result, OSIF_ERR_PARSE);
    EXPECT_TRUE(none.messages.empty());
}

TEST_F(StructureTest, TheFileBeginsWithExactlyBeginVmsg) {
    EXPECT_EQ(parse_text("").result, OSIF_ERR_PARSE);
    EXPECT_EQ(parse_text("BEGIN:VCARD\r\nEND:VCARD\r\n").result, OSIF_ERR_PARSE);
    EXPECT_EQ(parse_text("BEGIN:vmsg\r\n").result, OSIF_ERR_PARSE);
    EXPECT_EQ(parse_text("X-IRMC-LUID:1\r\n" + message("", kBody)).result, OSIF_ERR_PARSE);
    // A UTF-16 file is not read as text.
    EXPECT_EQ(parse_text(std::string("\xFF\xFE" "B\0E\0G\0", 8)).result, OSIF_ERR_PARSE);
}

TEST_F(StructureTest, TheEndOfTheFileAfterTheLastMessageGivesTheRunningResult) {
    // Ends cleanly, ends after a line that is not a BEGIN, and carries the warning of a blank line.
    EXPECT_EQ(parse_text(message("", kBody) + message("", kBody)).result, OSIF_SUCCESS);
    const Parse tail = parse_text(message("", kBody) + "X-TRAILER:1\r\n" + message("", kBody));
    EXPECT_EQ(tail.result, OSIF_SUCCESS);
    EXPECT_EQ(tail.messages.size(), 1u);
    const Parse warned = parse_text(message("\r\n", kBody) + message("", kBody));
    EXPECT_EQ(warned.result, OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(warned.messages.size(), 2u);
    EXPECT_EQ(warned.messages[0].status, OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(warned.messages[1].status, OSIF_SUCCESS_WARNINGS);  // the running result
    // A message cut off before its END is refused, whatever came before.
    const std::string whole = message("", kBody);
    const Parse cut = parse_text(whole + whole.substr(0, whole.size() - 10));
    EXPECT_EQ(cut.result, OSIF_ERR_PARSE);
    EXPECT_EQ(cut.messages.size(), 1u);
}

TEST_F(StructureTest, LineFeedsAloneReadLikeCrLf) {
    std::string text = message("X-IRMC-LUID:7\r\nX-IRMC-STATUS:READ\r\n", "Subject: a\r\n\r\nline 1\r\nline 2\r\n");
    std::string lf;
    for (char c : text) {
        if (c != '\r') lf.push_back(c);
    }
    const Parse a = parse_text(text);
    const Parse b = parse_text(lf);
    ASSERT_EQ(a.messages.size(), 1u);
    ASSERT_EQ(b.messages.size(), 1u);
    EXPECT_EQ(b.result, a.result);
    EXPECT_EQ(b.messages[0].luid, "7");
    EXPECT_EQ(b.messages[0].status_text, "READ");
    ASSERT_EQ(b.messages[0].parts.size(), 1u);
    EXPECT_EQ(b.messages[0].parts[0].text, a.messages[0].parts[0].text);
    EXPECT_EQ(b.messages[0].parts[0].text, "line 1\r\nline 2");
}

TEST_F(StructureTest, EnvelopesNestAndTheBodyIsFoundInTheInnermost) {
    const std::string text =
        "BEGIN:VMSG\r\nVERSION:1.1\r\nX-IRMC-LUID:9\r\n"
        "BEGIN:VENV\r\nBEGIN:VENV\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\nSubject: deep\r\n\r\nbody\r\nEND:VBODY\r\n"
        "END:VENV\r\nEND:VENV\r\nEND:VENV\r\nX-IRMC-TYPE:SMS\r\nEND:VMSG\r\n";
    const Parse p = parse_text(text);
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].type, "SMS");  // read after the outermost envelope closed
    ASSERT_EQ(p.messages[0].parts.size(), 1u);
    EXPECT_EQ(p.messages[0].parts[0].text, "body");
    EXPECT_EQ(p.messages[0].headers.at("SUBJECT")[0][0], "deep");
}

TEST_F(StructureTest, AnEnvelopeWithoutBodyOrWithoutItsEndIsRefused) {
    EXPECT_EQ(parse_text("BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nEND:VENV\r\nEND:VMSG\r\n").result, OSIF_ERR_PARSE);
    EXPECT_EQ(parse_text("BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\n").result,
              OSIF_ERR_PARSE);
    // Only the first body of an envelope is read.
    const Parse twice = parse_text(
        "BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n\r\none\r\nEND:VBODY\r\n"
        "BEGIN:VBODY\r\n\r\ntwo\r\nEND:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n");
    ASSERT_EQ(twice.messages.size(), 1u);
    ASSERT_EQ(twice.messages[0].parts.size(), 1u);
    EXPECT_EQ(twice.messages[0].parts[0].text, "one");
}

const std::string kOriginator21 =
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Sender;Sam\r\nTEL;CELL:+4917012345\r\nEND:VCARD\r\n";
const std::string kRecipient30 =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Reader;Rita\r\nEMAIL:rita@example.org\r\nEND:VCARD\r\n";

TEST_F(StructureTest, FieldsReadBeforeEmbeddedContactsAreKept) {
    const std::string text =
        "BEGIN:VMSG\r\nVERSION:1.1\r\nX-IRMC-LUID:42\r\nX-IRMC-STATUS:UNREAD\r\nX-IRMC-TYPE:SMS\r\n"
        "X-BT-FOLDER:SENTBOX\r\n" + kOriginator21 +
        "BEGIN:VENV\r\n" + kRecipient30 + kRecipient30 +
        "BEGIN:VENV\r\n" + kRecipient30 +
        "BEGIN:VBODY\r\nDate: Tue, 1 Jan 2008 10:00:00 +0100\r\nSubject: kept\r\n"
        "Content-Type: text/plain; charset=UTF-8\r\n\r\nHello\r\nEND:VBODY\r\nEND:VENV\r\nEND:VENV\r\nEND:VMSG\r\n";
    const Parse p = parse_text(text + text);
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.messages.size(), 2u);
    for (const Seen& m : p.messages) {
        EXPECT_EQ(m.store, OSIF_STORE_SENTBOX);
        EXPECT_EQ(m.luid, "42");
        EXPECT_EQ(m.version, "1.1");
        EXPECT_EQ(m.status_text, "UNREAD");
        EXPECT_EQ(m.type, "SMS");
        EXPECT_EQ(m.folder, "SENTBOX");
        EXPECT_EQ(m.headers.at("DATE")[0][0], "Tue, 1 Jan 2008 10:00:00 +0100");
        EXPECT_EQ(m.headers.at("SUBJECT")[0][0], "kept");
        ASSERT_EQ(m.parts.size(), 1u);
        EXPECT_EQ(m.parts[0].decoded, "Hello");
    }
}

TEST_F(StructureTest, AnEmbeddedContactTakesNothingFromTheLinesAfterIt) {
    // Right after each contact's END comes a line of the message: a property, a blank line, a
    // continuation-free BEGIN, or the end of the file.
    const std::string text = "BEGIN:VMSG\r\nVERSION:1.1\r\n" + kOriginator21 + "X-IRMC-LUID:after\r\n" +
                             "BEGIN:VENV\r\n" + kRecipient30 + "BEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\nEND:VENV\r\n" +
                             kOriginator21 + "END:VMSG\r\n";
    const Parse p = parse_text(text);
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].luid, "after");

    const Parse blank = parse_text("BEGIN:VMSG\r\nVERSION:1.1\r\n" + kOriginator21 + "\r\nBEGIN:VENV\r\n" +
                                   "BEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n");
    EXPECT_EQ(blank.result, OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(blank.messages.size(), 1u);

    // The stream goes on right after the contact when the message is cut off there.
    TextStream s("BEGIN:VMSG\r\nVERSION:1.1\r\n" + kOriginator21);
    EXPECT_EQ(parse_stream(s.get()).result, OSIF_ERR_PARSE);
    EXPECT_EQ(s.rest(), "");
}

TEST_F(StructureTest, EmbeddedContactsPassOnTheirWarningsAndRefusals) {
    const std::string warned = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:A\r\nX-ODD:1\r\nEND:VCARD\r\n";
    const Parse w = parse_text("BEGIN:VMSG\r\nVERSION:1.1\r\n" + warned +
                               "BEGIN:VENV\r\nBEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n");
    EXPECT_EQ(w.result, OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(w.messages.size(), 1u);

    const std::string refused = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:A\r\nEND:VCARD\r\n";
    const Parse r = parse_text("BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\n" + refused +
                               "BEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n");
    EXPECT_EQ(r.result, OSIF_ERR_PARSE);
    EXPECT_TRUE(r.messages.empty());

    // A contact holding an agent contact ends at its own END.
    const std::string agent = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:A\r\nAGENT:\r\nBEGIN:VCARD\r\nN:B\r\nEND:VCARD\r\n"
                              "END:VCARD\r\n";
    const Parse a = parse_text("BEGIN:VMSG\r\nVERSION:1.1\r\n" + agent + "X-IRMC-LUID:5\r\n" +
                               "BEGIN:VENV\r\nBEGIN:VBODY\r\n\r\nx\r\nEND:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n");
    ASSERT_EQ(a.messages.size(), 1u);
    EXPECT_EQ(a.messages[0].luid, "5");
}

TEST_F(StructureTest, UnknownPropertiesWarnAndTheMessageGoesOn) {
    const Parse p = parse_text(message("X-NOK-DT:20080101T100000Z\r\nX-IRMC-BOX:INBOX\r\n", kBody));
    EXPECT_EQ(p.result, OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].status, OSIF_SUCCESS_WARNINGS);
    EXPECT_EQ(p.messages[0].store, OSIF_STORE_INBOX);
}

}  // namespace
}  // namespace pimmsg
