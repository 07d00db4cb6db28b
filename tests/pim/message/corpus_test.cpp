// Every file of the shared sample corpus's vmessage/ folder, and every sample message file of
// this folder (phone SMS with nested envelopes in CRLF and LF, an e-mail with a vCard 3.0
// originator, a quoted-printable part and a base64 attachment, outbox messages, a UTF-16 file and
// broken files), read by the message reader: the result code and the number of delivered
// messages match corpus_expectations.txt, and no content file outlives the parse record.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "message_fixture.h"

namespace pimmsg {
namespace {

class CorpusTest : public MessageTest {
protected:
    // Reads every file under root/folder and compares it with the expectations whose path starts
    // with folder + "/".
    void check_folder(const std::filesystem::path& root, const std::string& folder) {
        const auto expected = pimsupport::read_corpus_expectations("tests/pim/message/corpus_expectations.txt");
        ASSERT_FALSE(expected.empty()) << "corpus_expectations.txt is missing or empty";
        std::size_t seen = 0;
        for (const auto& [path, relative] : pimsupport::corpus_files(root, folder)) {
            std::FILE* stream = std::fopen(path.c_str(), "rb");
            ASSERT_NE(stream, nullptr) << relative;
            const Parse p = parse_stream(stream);
            std::fclose(stream);
            ++seen;
            pimsupport::expect_corpus_outcome(expected, relative, {p.result, p.messages.size()}, "messages");
        }
        std::size_t listed = 0;
        for (const auto& [path, outcome] : expected) listed += path.starts_with(folder + "/") ? 1 : 0;
        EXPECT_EQ(seen, listed) << "files listed for " << folder << " are missing";
        qel::pim::release_parse_record();
        EXPECT_EQ(files_in_tmp(), 0u) << "content files were left behind";
    }
};

TEST_F(CorpusTest, SharedCorpusFilesGiveTheirRecordedResults) {
    const auto corpus = qel::test::corpus_dir();
    if (!corpus) GTEST_SKIP() << "the sample corpus is not present (set QEL_CORPUS_DIR to its folder)";
    if (!std::filesystem::is_directory(*corpus / "vmessage")) GTEST_SKIP() << "the corpus has no vmessage folder";
    check_folder(*corpus, "vmessage");
}

TEST_F(CorpusTest, SampleFilesGiveTheirRecordedResults) {
    check_folder(qel::test::source_dir() / "tests/pim/message", "samples");
}

TEST_F(CorpusTest, TheSampleEmailKeepsEveryFieldAndPart) {
    std::FILE* stream = std::fopen((qel::test::source_dir() / "tests/pim/message/samples/email_multipart_sentbox.vmg").c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    const Parse p = parse_stream(stream);
    std::fclose(stream);
    ASSERT_EQ(p.messages.size(), 1u);
    const Seen& m = p.messages[0];
    EXPECT_EQ(m.store, OSIF_STORE_SENTBOX);
    EXPECT_EQ(m.luid, "000000A1");
    EXPECT_EQ(m.type, "EMAIL");
    EXPECT_EQ(m.boundary, "----=_NextPart_001 x");
    ASSERT_EQ(m.parts.size(), 2u);
    EXPECT_EQ(m.parts[0].decoded,
              "The numbers are in the attachment. Gr\xC3\xBC\xC3\x9F" "e, and a long line that goes on after a soft break.");
    EXPECT_EQ(m.parts[1].file_bytes, "MSwyLDMKNCw1LDYK\n");
}

}  // namespace
}  // namespace pimmsg
