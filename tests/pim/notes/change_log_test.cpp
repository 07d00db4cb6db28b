// Change-log entries: the line format both ways, the field limits and escapes that decide
// between an entry and a malformed line, over-long lines, the end of the log and read or write
// errors, and the search by LUID that must leave the stream where it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "notes_fixture.h"
#include "pim/notes/change_log.h"

namespace pimnotes {
namespace {

struct Read {
    std::uint32_t result;
    tagClEntry entry;
};

std::vector<Read> read_all(const std::string& text) {
    TextStream s(text);
    std::vector<Read> out;
    for (int guard = 0; guard < 100; ++guard) {
        Read r{};
        r.result = OSIF_ReadClEntry(s.get(), &r.entry);
        out.push_back(r);
        if (r.result == OSIF_CL_END_OF_LOG || r.result == OSIF_CL_ERROR) break;
    }
    return out;
}

Read read_one(const std::string& line) { return read_all(line + "\n").front(); }

tagClEntry entry(char type, std::int32_t count, const std::string& timestamp, const std::string& luid) {
    tagClEntry e{};
    e.type = static_cast<unsigned char>(type);
    e.changeCount = count;
    std::strncpy(e.timestamp, timestamp.c_str(), sizeof e.timestamp - 1);
    std::strncpy(e.luid, luid.c_str(), sizeof e.luid - 1);
    return e;
}

class ChangeLogEntryTest : public NotesTest {};

TEST_F(ChangeLogEntryTest, ReadsTheFourFieldsOfALine) {
    const Read r = read_one("M:12:20080105T102030Z:ABC");
    ASSERT_EQ(r.result, OSIF_CL_OK);
    EXPECT_EQ(r.entry.type, static_cast<std::uint32_t>('M'));
    EXPECT_EQ(r.entry.changeCount, 12);
    EXPECT_STREQ(r.entry.timestamp, "20080105T102030Z");
    EXPECT_STREQ(r.entry.luid, "ABC");
    for (const char* line : {"D:0::", "H:-5:T:L", "M:+7:T:L", "Mx:1:T:L"}) {
        EXPECT_EQ(read_one(line).result, OSIF_CL_OK) << line;
    }
    EXPECT_EQ(read_one("H:-5:T:L").entry.changeCount, -5);
    EXPECT_EQ(read_one("Mx:1:T:L").entry.type, static_cast<std::uint32_t>('M'));  // the first character is the type
    // The LUID is the rest of the line, so a LUID holding colons reads back whole.
    EXPECT_STREQ(read_one("D:3:T:a:b::c").entry.luid, "a:b::c");
    // Lines end at CR as well as LF.
    const auto crlf = read_all("M:1:T:L1\r\nD:2:T:L2\rjunk\n");
    ASSERT_EQ(crlf.size(), 3u);
    EXPECT_STREQ(crlf[0].entry.luid, "L1");
    EXPECT_STREQ(crlf[1].entry.luid, "L2");
    EXPECT_EQ(crlf[2].result, OSIF_CL_END_OF_LOG);
}

TEST_F(ChangeLogEntryTest, MalformedLinesGiveTwentyAndAZeroedEntry) {
    for (const std::string& line :
         {std::string("X:1:T:L"), std::string("m:1:T:L"), std::string(":1:T:L"), std::string("M:1:T"),
          std::string("M:1"), std::string(""), std::string("M::T:L"), std::string("M:1a:T:L"), std::string("M:-:T:L"),
          std::string("M: 1:T:L"), std::string("M:12345678901:T:L"), std::string("M:2147483648:T:L"),
          std::string("M:-2147483649:T:L"), std::string("M:1:") + std::string(19, 't') + ":L",
          std::string("M:1:T:") + std::string(513, 'l'), std::string("M:1:T:L\0x", 9)}) {
        const Read r = read_one(line);
        EXPECT_EQ(r.result, OSIF_CL_MALFORMED) << line;
        EXPECT_EQ(r.entry.type, 0u) << line;
        EXPECT_EQ(r.entry.luid[0], '\0') << line;
    }
    // The limits themselves are fine: 10 counter characters, 18 timestamp, 512 LUID characters.
    EXPECT_EQ(read_one("M:2147483647:T:L").entry.changeCount, 2147483647);
    EXPECT_EQ(read_one("M:-999999999:T:L").entry.changeCount, -999999999);
    EXPECT_EQ(read_one("M:0000000001:T:L").entry.changeCount, 1);
    const Read limits = read_one("M:1:" + std::string(18, 't') + ":" + std::string(512, 'l'));
    ASSERT_EQ(limits.result, OSIF_CL_OK);
    EXPECT_EQ(std::strlen(limits.entry.timestamp), 18u);
    EXPECT_EQ(std::strlen(limits.entry.luid), 512u);
}

TEST_F(ChangeLogEntryTest, EscapesStandForTheirCharacterAndCountOnceTowardsTheLimits) {
    const Read r = read_one("M:1:T\\;1:A\\\\B\\;C\\x\\");
    ASSERT_EQ(r.result, OSIF_CL_OK);
    EXPECT_STREQ(r.entry.timestamp, "T;1");
    EXPECT_STREQ(r.entry.luid, "A\\B;C\\x\\");
    // A backslash does not protect a colon: it still separates the fields.
    EXPECT_STREQ(read_one("M:1:a\\:b").entry.timestamp, "a\\");
    // 18 escaped characters are 36 written ones, still within the timestamp's 18.
    std::string escaped;
    for (int i = 0; i < 18; ++i) escaped += "\\;";
    const Read wide = read_one("M:1:" + escaped + ":L");
    ASSERT_EQ(wide.result, OSIF_CL_OK);
    EXPECT_EQ(std::string(wide.entry.timestamp), std::string(18, ';'));
}

TEST_F(ChangeLogEntryTest, LinesOfMoreThan544CharactersAreMalformedAndConsumedWhole) {
    // The longest entry line is 544 characters: type, 10-digit counter, 18 + 512 characters.
    const std::string longest = "M:1234567890:" + std::string(18, 't') + ":" + std::string(512, 'l');
    ASSERT_EQ(longest.size(), 544u);
    EXPECT_EQ(read_one(longest).result, OSIF_CL_OK);
    // One more character, and a line that would otherwise fit its fields once cut: both refused, and
    // the reader goes on with the next line rather than reading the rest as an entry.
    const std::string tail = "M:99:T:TAIL";
    const auto reads = read_all(longest + "x\n" + "D:1:T:" + std::string(600, ' ') + tail + "\nH:2:T:NEXT\n");
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(reads[0].result, OSIF_CL_MALFORMED);
    EXPECT_EQ(reads[1].result, OSIF_CL_MALFORMED);
    EXPECT_EQ(reads[2].result, OSIF_CL_OK);
    EXPECT_STREQ(reads[2].entry.luid, "NEXT");
    EXPECT_EQ(reads[3].result, OSIF_CL_END_OF_LOG);
}

TEST_F(ChangeLogEntryTest, EndOfTheLogAndReadErrors) {
    EXPECT_EQ(read_all("").front().result, OSIF_CL_END_OF_LOG);
    const auto unterminated = read_all("M:1:T:L");
    ASSERT_EQ(unterminated.size(), 2u);
    EXPECT_EQ(unterminated[0].result, OSIF_CL_OK);
    EXPECT_EQ(unterminated[1].result, OSIF_CL_END_OF_LOG);
    // An empty line is a line (malformed), not the end.
    const auto blank = read_all("\nM:1:T:L\n");
    EXPECT_EQ(blank[0].result, OSIF_CL_MALFORMED);
    EXPECT_EQ(blank[1].result, OSIF_CL_OK);

    if (!start_viewer()) GTEST_SKIP() << "UDP port 37926 on 127.0.0.5 is not available";
    // A stream opened for writing only cannot be read: a read error, not the end of the log.
    std::FILE* write_only = std::fopen((dir() / "w.log").c_str(), "w");
    ASSERT_NE(write_only, nullptr);
    tagClEntry e{};
    EXPECT_EQ(OSIF_ReadClEntry(write_only, &e), OSIF_CL_ERROR);
    std::fclose(write_only);
    EXPECT_EQ(OSIF_ReadClEntry(nullptr, &e), OSIF_CL_ERROR);
    EXPECT_EQ(drain(), (LogLines{{1, "OSIF:  OSIF_ReadClEntry - error reading Change Log file"},
                                 {1, "OSIF:  OSIF_ReadClEntry - error reading Change Log file"}}));
}

TEST_F(ChangeLogEntryTest, WrittenEntriesGoToTheEndAndReadBack) {
    TextStream s("M:1:T:first\n");
    const tagClEntry a = entry('D', 42, "20080105T102030Z", "LUID-1");
    const tagClEntry b = entry('H', -3, "", "x:y");
    ASSERT_EQ(OSIF_WriteClEntry(s.get(), &a), OSIF_CL_OK);  // the stream is at its start
    ASSERT_EQ(OSIF_WriteClEntry(s.get(), &b), OSIF_CL_OK);
    EXPECT_EQ(s.contents(), "M:1:T:first\nD:42:20080105T102030Z:LUID-1\nH:-3::x:y\n");
    std::rewind(s.get());
    tagClEntry r{};
    ASSERT_EQ(OSIF_ReadClEntry(s.get(), &r), OSIF_CL_OK);
    for (const tagClEntry* expected : {&a, &b}) {
        ASSERT_EQ(OSIF_ReadClEntry(s.get(), &r), OSIF_CL_OK);
        EXPECT_EQ(r.type, expected->type);
        EXPECT_EQ(r.changeCount, expected->changeCount);
        EXPECT_STREQ(r.timestamp, expected->timestamp);
        EXPECT_STREQ(r.luid, expected->luid);
    }
    EXPECT_EQ(OSIF_ReadClEntry(s.get(), &r), OSIF_CL_END_OF_LOG);
}

TEST_F(ChangeLogEntryTest, WritingCutsUnterminatedFieldsAndReportsWriteErrors) {
    tagClEntry e{};
    e.type = 'M';
    std::memset(e.timestamp, 't', sizeof e.timestamp);  // no terminator anywhere in the fields
    std::memset(e.luid, 'l', sizeof e.luid);
    TextStream s("");
    ASSERT_EQ(OSIF_WriteClEntry(s.get(), &e), OSIF_CL_OK);
    EXPECT_EQ(s.contents(), "M:0:" + std::string(18, 't') + ":" + std::string(512, 'l') + "\n");

    EXPECT_EQ(OSIF_WriteClEntry(nullptr, &e), OSIF_CL_ERROR);
    EXPECT_EQ(OSIF_WriteClEntry(s.get(), nullptr), OSIF_CL_ERROR);
    std::FILE* full = std::fopen("/dev/full", "w");
    if (!full) GTEST_SKIP() << "/dev/full is not available";
    const tagClEntry small = entry('M', 1, "T", "L");
    EXPECT_EQ(OSIF_WriteClEntry(full, &small), OSIF_CL_ERROR);
    std::fclose(full);
}

TEST_F(ChangeLogEntryTest, FindLooksOnlyAheadAndRestoresThePosition) {
    TextStream s("M:1:T:AAA\nX:bad\nD:2:T:BBB\nH:3:T:AAAA\n");
    const tagClEntry aaa = entry('M', 0, "", "AAA");
    const tagClEntry bbb = entry('M', 0, "", "BBB");
    const tagClEntry missing = entry('M', 0, "", "AA");
    EXPECT_TRUE(OSIF_FindClEntry(s.get(), &aaa));
    EXPECT_TRUE(OSIF_FindClEntry(s.get(), &bbb));  // past a malformed line
    EXPECT_FALSE(OSIF_FindClEntry(s.get(), &missing));
    EXPECT_EQ(std::ftell(s.get()), 0L);
    tagClEntry r{};
    ASSERT_EQ(OSIF_ReadClEntry(s.get(), &r), OSIF_CL_OK);
    // Now past AAA: it is no longer ahead (AAAA is another LUID), BBB still is.
    EXPECT_FALSE(OSIF_FindClEntry(s.get(), &aaa));
    EXPECT_TRUE(OSIF_FindClEntry(s.get(), &bbb));
    ASSERT_EQ(OSIF_ReadClEntry(s.get(), &r), OSIF_CL_MALFORMED);
    ASSERT_EQ(OSIF_ReadClEntry(s.get(), &r), OSIF_CL_OK);
    EXPECT_STREQ(r.luid, "BBB");
    // At the end nothing is found and the end stays readable as the end.
    ASSERT_EQ(OSIF_ReadClEntry(s.get(), &r), OSIF_CL_OK);
    EXPECT_FALSE(OSIF_FindClEntry(s.get(), &bbb));
    EXPECT_EQ(OSIF_ReadClEntry(s.get(), &r), OSIF_CL_END_OF_LOG);
    EXPECT_FALSE(OSIF_FindClEntry(nullptr, &bbb));
    EXPECT_FALSE(OSIF_FindClEntry(s.get(), nullptr));
}

}  // namespace
}  // namespace pimnotes
