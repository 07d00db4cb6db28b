// The body of a message: mail headers, single-part content (quoted-printable soft breaks, blank
// lines, charsets), multipart content (subtypes, quoted and bare boundaries, each part's own
// content type and transfer encoding, base64 parts in files and when those files go), and bodies
// that end too early.
#include <gtest/gtest.h>

#include <filesystem>

#include "message_fixture.h"

namespace pimmsg {
namespace {

class ContentTest : public MessageTest {};

TEST_F(ContentTest, MailHeadersGoToTheirListsAndTheFirstBlankLineEndsThem) {
    const Parse p = parse_text(message(
        "", "Date: Tue, 1 Jan 2008\r\nFrom: a@x\r\nTo: b@x\r\nTo: c@x\r\nCc: d@x\r\nBcc: e@x\r\nReply-To: f@x\r\n"
            "MIME-Version: 1.0\r\nImportance: high\r\nSUBJECT;CHARSET=UTF-8:caf\xC3\xA9\r\nX-Mailer: m\r\n\r\n"
            "From: not a header\r\n"));
    EXPECT_EQ(p.result, OSIF_SUCCESS_WARNINGS);  // X-Mailer
    ASSERT_EQ(p.messages.size(), 1u);
    const auto& h = p.messages[0].headers;
    EXPECT_EQ(h.at("DATE")[0][0], "Tue, 1 Jan 2008");
    EXPECT_EQ(h.at("FROM").size(), 1u);
    ASSERT_EQ(h.at("TO").size(), 2u);
    EXPECT_EQ(h.at("TO")[1][0], "c@x");
    EXPECT_EQ(h.at("CC")[0][0], "d@x");
    EXPECT_EQ(h.at("BCC")[0][0], "e@x");
    EXPECT_EQ(h.at("REPLY-TO")[0][0], "f@x");
    EXPECT_EQ(h.at("MIME-VERSION")[0][0], "1.0");
    EXPECT_EQ(h.at("IMPORTANCE")[0][0], "high");
    EXPECT_EQ(h.at("SUBJECT")[0][0], "caf\xC3\xA9");
    ASSERT_EQ(p.messages[0].parts.size(), 1u);
    EXPECT_EQ(p.messages[0].parts[0].text, "From: not a header");
}

TEST_F(ContentTest, SinglePartKeepsItsTypeAndEncodingAndStaysEncodedUntilRead) {
    const Parse p = parse_text(message(
        "", "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
            "Gr=C3=BC=\r\n=C3=9Fe\r\n\r\nzweite Zeile\r\n"));
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_FALSE(p.messages[0].multipart);
    ASSERT_EQ(p.messages[0].parts.size(), 1u);
    const SeenPart& part = p.messages[0].parts[0];
    EXPECT_EQ(part.content_type, "text/plain; charset=UTF-8");
    EXPECT_EQ(part.transfer_encoding, "quoted-printable");
    EXPECT_EQ(part.flags, OSIF_ENC_QP | OSIF_ENC_CHARSET);
    // Soft break joined, the blank line kept, CR LF between lines, still encoded.
    EXPECT_EQ(part.text, "Gr=C3=BC=C3=9Fe\r\n\r\nzweite Zeile");
    EXPECT_EQ(part.decoded, "Gr\xC3\xBC\xC3\x9F" "e\r\n\r\nzweite Zeile");
}

TEST_F(ContentTest, ABodyWithoutContentHasNoPart) {
    const Parse p = parse_text(message("", "Subject: only\r\n"));
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_TRUE(p.messages[0].parts.empty());
    const Parse empty = parse_text(message("", "\r\n"));
    ASSERT_EQ(empty.messages.size(), 1u);
    ASSERT_EQ(empty.messages[0].parts.size(), 1u);
    EXPECT_EQ(empty.messages[0].parts[0].text, "");
}

std::string multipart_body(const std::string& type_line, const std::string& boundary) {
    return "Content-Type: " + type_line + "\r\n\r\npreamble\r\n--" + boundary +
           "\r\nContent-Type: text/plain; charset=ISO-8859-1\r\n\r\nfirst \xE9\r\n--" + boundary +
           "\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: 8bit\r\n\r\n<p>second</p>\r\n--" + boundary +
           "--\r\nepilogue\r\n";
}

TEST_F(ContentTest, QuotedBoundaryKeepsItsSpaceAndABareOneEndsThere) {
    const Parse quoted = parse_text(message("", multipart_body("multipart/mixed; boundary=\"a b\"", "a b")));
    EXPECT_EQ(quoted.result, OSIF_SUCCESS);
    ASSERT_EQ(quoted.messages.size(), 1u);
    const Seen& q = quoted.messages[0];
    EXPECT_TRUE(q.multipart);
    EXPECT_EQ(q.boundary, "a b");
    EXPECT_EQ(q.subtype, OSIF_MULTIPART_MIXED);
    EXPECT_EQ(q.multipart_type, "multipart/mixed; boundary=\"a b\"");
    ASSERT_EQ(q.parts.size(), 2u);
    EXPECT_EQ(q.parts[0].content_type, "text/plain; charset=ISO-8859-1");
    EXPECT_EQ(q.parts[0].flags, OSIF_ENC_CHARSET);
    EXPECT_EQ(q.parts[0].decoded, "first \xC3\xA9");
    EXPECT_EQ(q.parts[1].content_type, "text/html");
    EXPECT_EQ(q.parts[1].transfer_encoding, "8bit");
    EXPECT_EQ(q.parts[1].flags, OSIF_ENC_8BIT);
    EXPECT_EQ(q.parts[1].text, "<p>second</p>");

    // Unquoted, the boundary ends at the space: "a".
    const Parse bare = parse_text(message("", multipart_body("multipart/alternative; boundary=a b", "a")));
    EXPECT_EQ(bare.result, OSIF_SUCCESS);
    ASSERT_EQ(bare.messages.size(), 1u);
    EXPECT_EQ(bare.messages[0].boundary, "a");
    EXPECT_EQ(bare.messages[0].subtype, OSIF_MULTIPART_ALTERNATIVE);
    EXPECT_EQ(bare.messages[0].parts.size(), 2u);
    // With the quoted file's lines, "--a b--" is not exactly "--a--": it opens a third part that
    // runs past END:VBODY to the end of the stream.
    const Parse mixed = parse_text(message("", multipart_body("multipart/alternative; boundary=a b", "a b")));
    EXPECT_EQ(mixed.result, OSIF_ERR_PARSE);
    EXPECT_TRUE(mixed.messages.empty());
}

TEST_F(ContentTest, SubtypesAndBoundarySpellings) {
    const struct {
        const char* type;
        std::uint32_t subtype;
        const char* boundary;
    } cases[] = {
        {"multipart/digest; boundary=xyz", OSIF_MULTIPART_DIGEST, "xyz"},
        {"MULTIPART/PARALLEL;BOUNDARY=xyz;x=1", OSIF_MULTIPART_PARALLEL, "xyz"},
        {"multipart/related; boundary = \"xyz\"", OSIF_MULTIPART_OTHER, "xyz"},
        {"multipart/mixed; x-boundary-note=1; boundary=xyz", OSIF_MULTIPART_MIXED, "xyz"},
    };
    for (const auto& c : cases) {
        const Parse p = parse_text(message("", std::string("Content-Type: ") + c.type +
                                                   "\r\n\r\n--xyz\r\n\r\nonly\r\n--xyz--\r\n"));
        EXPECT_EQ(p.result, OSIF_SUCCESS) << c.type;
        ASSERT_EQ(p.messages.size(), 1u) << c.type;
        EXPECT_EQ(p.messages[0].subtype, c.subtype) << c.type;
        EXPECT_EQ(p.messages[0].boundary, c.boundary) << c.type;
        ASSERT_EQ(p.messages[0].parts.size(), 1u) << c.type;
        EXPECT_EQ(p.messages[0].parts[0].text, "only") << c.type;
        EXPECT_FALSE(p.messages[0].parts[0].content_type.has_value()) << c.type;
    }
}

TEST_F(ContentTest, PartHeadersOtherThanTypeAndEncodingWarn) {
    const Parse p = parse_text(message(
        "", "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Disposition: inline\r\n\r\nx\r\n"
            "--b\r\n--b--\r\n"));
    EXPECT_EQ(p.result, OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(p.messages.size(), 1u);
    ASSERT_EQ(p.messages[0].parts.size(), 2u);  // the second part has no headers and no content
    EXPECT_EQ(p.messages[0].parts[0].text, "x");
    EXPECT_FALSE(p.messages[0].parts[1].text.has_value());
}

const std::string kBase64Part =
    "--b\r\nContent-Type: image/png; name=\"dot.png\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk  \r\n"
    "YPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==\r\n";

TEST_F(ContentTest, Base64PartsAreKeptInFilesUntilTheNextObjectStarts) {
    const std::string body = "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\ntext\r\n" + kBase64Part + "--b--\r\n";
    std::vector<std::filesystem::path> files;
    struct Context {
        std::vector<std::filesystem::path>* files;
        std::vector<bool> earlier_gone;
    } context{&files, {}};
    const std::string text = message("", body) + message("", body);
    TextStream stream(text);
    const auto result = OSIF_ParseVMessages(
        stream.get(),
        [](tOSIF_STOREID, tagvObject* object, std::uint32_t, std::uintptr_t ctx) {
            auto& c = *reinterpret_cast<Context*>(ctx);
            bool gone = true;
            for (const auto& f : *c.files) gone = gone && !std::filesystem::exists(f);
            c.earlier_gone.push_back(gone);
            for (const tagPart* p = object->body.msg.parts; p; p = p->next) {
                if (p->content && p->content->file) c.files->emplace_back(std::u16string(p->content->file->path));
            }
        },
        reinterpret_cast<std::uintptr_t>(&context));
    EXPECT_EQ(result, OSIF_SUCCESS);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(context.earlier_gone, (std::vector<bool>{true, true}));
    EXPECT_EQ(files[0].parent_path(), tmp());
    EXPECT_TRUE(files[0].filename().string().starts_with("qel"));
    EXPECT_TRUE(std::filesystem::exists(files[1]));  // the last object's file lives on
    qel::pim::release_parse_record();
    EXPECT_EQ(files_in_tmp(), 0u);
}

TEST_F(ContentTest, Base64LinesAreCopiedTrimmedWithLineEnds) {
    const Parse p = parse_text(message("", "Content-Type: multipart/mixed; boundary=b\r\n\r\n" + kBase64Part + "--b--\r\n"));
    ASSERT_EQ(p.messages.size(), 1u);
    ASSERT_EQ(p.messages[0].parts.size(), 1u);
    const SeenPart& part = p.messages[0].parts[0];
    EXPECT_EQ(part.flags, OSIF_ENC_BASE64);
    EXPECT_FALSE(part.text.has_value());
    ASSERT_TRUE(part.file.has_value());
    EXPECT_EQ(part.file_bytes,
              "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk\n"
              "YPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==\n");
    // A single-part base64 body goes to a file as well.
    const Parse single = parse_text(message("", "Content-Transfer-Encoding: BASE64\r\n\r\naGVsbG8=\r\n"));
    ASSERT_EQ(single.messages.size(), 1u);
    ASSERT_EQ(single.messages[0].parts.size(), 1u);
    EXPECT_EQ(single.messages[0].parts[0].file_bytes, "aGVsbG8=\n");
}

TEST_F(ContentTest, TheEndOfTheStreamInsideContentRefusesAndLeavesNoFile) {
    for (const std::string& cut : {
             std::string("BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n\r\nno end"),
             std::string("BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n"
                         "Content-Type: multipart/mixed; boundary=b\r\n\r\n") + kBase64Part,
             std::string("BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n"
                         "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n"),
             std::string("BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\nSubject: x\r\n"),
         }) {
        const Parse p = parse_text(cut);
        EXPECT_EQ(p.result, OSIF_ERR_PARSE) << cut;
        EXPECT_TRUE(p.messages.empty());
        EXPECT_EQ(files_in_tmp(), 0u) << cut;
    }
}

TEST_F(ContentTest, MultipartWithoutEndVbodyIsRefused) {
    const std::string text =
        "BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\n\r\nx\r\n--b--\r\nEND:VENV\r\nEND:VMSG\r\n";
    EXPECT_EQ(parse_text(text).result, OSIF_ERR_PARSE);
    // Single content without END:VBODY runs to the end of the stream.
    EXPECT_EQ(parse_text("BEGIN:VMSG\r\nVERSION:1.1\r\nBEGIN:VENV\r\nBEGIN:VBODY\r\n\r\nx\r\nEND:VENV\r\nEND:VMSG\r\n").result,
              OSIF_ERR_PARSE);
    EXPECT_EQ(files_in_tmp(), 0u);
}

TEST_F(ContentTest, MultipartWithoutBoundaryIsReadAsOneContent) {
    const Parse p = parse_text(message("", "Content-Type: multipart/mixed\r\n\r\n--x\r\nbody\r\n"));
    EXPECT_EQ(p.result, OSIF_SUCCESS);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_FALSE(p.messages[0].multipart);
    ASSERT_EQ(p.messages[0].parts.size(), 1u);
    EXPECT_EQ(p.messages[0].parts[0].text, "--x\r\nbody");
}

}  // namespace
}  // namespace pimmsg
