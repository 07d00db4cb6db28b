// Purging the change log to its newest 250 lines: what is kept and logged, logs left alone, and
// every way the purge can fail (no log, no folder, a folder that is a file, a temporary file that
// cannot be written whole, a rename that fails, a temporary file that would be the log itself),
// each of which must leave the log byte for byte as it was and no temporary file behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "notes_fixture.h"
#include "pim/notes/change_log.h"

namespace pimnotes {
namespace {

namespace fs = std::filesystem;

std::string lines(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) text += "M:" + std::to_string(i) + ":20080105T102030Z:LUID" + std::to_string(i) + "\n";
    return text;
}

class PurgeTest : public NotesTest {
protected:
    static std::uint32_t purge(const fs::path& log, const fs::path& folder) {
        return OSIF_CLPurge(log.u16string().c_str(), folder.u16string().c_str());
    }
    // The folder of a file on another file system than the test folder, where a rename into the
    // test folder fails; nothing when the machine has none that can be written.
    std::optional<fs::path> folder_on_other_file_system() const {
        struct stat here {};
        if (::stat(dir().c_str(), &here) != 0) return std::nullopt;
        for (const char* candidate : {"/dev/shm", "/run/shm", "/var/tmp", "/tmp"}) {
            struct stat there {};
            if (::stat(candidate, &there) != 0 || there.st_dev == here.st_dev) continue;
            const fs::path folder = fs::path(candidate) / ("qel-purge-" + dir().filename().string());
            std::error_code ec;
            if (fs::create_directory(folder, ec) && !ec) return folder;
        }
        return std::nullopt;
    }
};

TEST_F(PurgeTest, KeepsTheNewest250LinesAndLogsHowManyWereDropped) {
    if (!start_viewer()) GTEST_SKIP() << "UDP port 37926 on 127.0.0.5 is not available";
    const fs::path log = write_file("change.log", lines(1, 300));
    EXPECT_EQ(purge(log, dir()), 0u);
    EXPECT_EQ(qel::test::read_file(log), lines(51, 300));
    EXPECT_FALSE(fs::exists(dir() / "temp_change.log"));
    EXPECT_EQ(drain(), (LogLines{{4, "OSIF:  OSIF_CLPurge - Purged 50 entries from '" + log.string() + "'"}}));
    // Purging again changes nothing.
    EXPECT_EQ(purge(log, dir()), 0u);
    EXPECT_EQ(qel::test::read_file(log), lines(51, 300));
    EXPECT_TRUE(drain().empty());
}

TEST_F(PurgeTest, LogsOf250LinesOrFewerAreLeftAlone) {
    for (const std::string& text : {lines(1, 250), lines(1, 10), std::string(), lines(1, 249) + "M:250:T:no-end"}) {
        const fs::path log = write_file("change.log", text);
        const auto before = fs::last_write_time(log);
        EXPECT_EQ(purge(log, dir()), 0u);
        EXPECT_EQ(qel::test::read_file(log), text);
        EXPECT_EQ(fs::last_write_time(log), before);
        EXPECT_FALSE(fs::exists(dir() / "temp_change.log"));
    }
    // One line more is purged; a last line without its line end counts and gets one.
    const fs::path log = write_file("change.log", lines(1, 250) + "D:251:T:last");
    EXPECT_EQ(purge(log, dir()), 0u);
    EXPECT_EQ(qel::test::read_file(log), lines(2, 250) + "D:251:T:last\n");
}

TEST_F(PurgeTest, LinesOfAnyKindAndLengthCountAndAreKeptAsWritten) {
    // Malformed and very long lines are lines too; CR LF endings are kept.
    std::string text = "garbage\r\n" + std::string(100000, 'x') + "\n\n";
    for (int i = 0; i < 250; ++i) text += (i % 2 ? "M:1:T:L\r\n" : std::string(700, 'y') + "\n");
    const fs::path log = write_file("change.log", text);
    EXPECT_EQ(purge(log, dir()), 0u);
    EXPECT_EQ(qel::test::read_file(log), text.substr(text.size() - 125 * (9 + 701)));
}

TEST_F(PurgeTest, TheFolderDefaultsToTheLogsOwnAndPermissionsAreKept) {
    fs::create_directory(dir() / "logs");
    const fs::path log = dir() / "logs" / "change.log";
    write_file("logs/change.log", lines(1, 260));
    fs::permissions(log, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(OSIF_CLPurge(log.u16string().c_str(), nullptr), 0u);
    EXPECT_EQ(qel::test::read_file(log), lines(11, 260));
    EXPECT_EQ(fs::status(log).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    write_file("logs/change.log", lines(1, 260));
    EXPECT_EQ(OSIF_CLPurge(log.u16string().c_str(), u""), 0u);
    EXPECT_EQ(qel::test::read_file(log), lines(11, 260));
    EXPECT_FALSE(fs::exists(dir() / "logs" / "temp_change.log"));
}

TEST_F(PurgeTest, AMissingLogIsReportedWithTheOpenMessages) {
    if (!start_viewer()) GTEST_SKIP() << "UDP port 37926 on 127.0.0.5 is not available";
    const fs::path log = dir() / "none.log";
    EXPECT_EQ(purge(log, dir()), 1u);
    EXPECT_EQ(drain(), (LogLines{{1, "OSIF:  Unable to open file '" + log.string() + "' for writing"},
                                 {1, "OSIF:  Error: No such file or directory"},
                                 {1, "OSIF:  OSIF_CLPurge - Error opening change log"}}));
    EXPECT_FALSE(fs::exists(log));
}

TEST_F(PurgeTest, ATemporaryFileThatCannotBeCreatedLeavesTheLogAsItWas) {
    if (!start_viewer()) GTEST_SKIP() << "UDP port 37926 on 127.0.0.5 is not available";
    const std::string text = lines(1, 300);
    const fs::path log = write_file("change.log", text);
    const fs::path missing = dir() / "no-such-folder";
    EXPECT_EQ(purge(log, missing), 1u);
    EXPECT_EQ(drain(), (LogLines{{1, "OSIF:  Unable to open file '" + (missing / "temp_change.log").string() + "' for writing"},
                                 {1, "OSIF:  Error: No such file or directory"},
                                 {1, "OSIF:  OSIF_CLPurge - Error opening temp file"}}));
    EXPECT_EQ(qel::test::read_file(log), text);
    // A "folder" that is a file fails the same way, whoever runs the test.
    const fs::path file = write_file("plain-file", "x");
    EXPECT_EQ(purge(log, file), 1u);
    EXPECT_EQ(qel::test::read_file(log), text);
    EXPECT_EQ(qel::test::read_file(file), "x");
}

TEST_F(PurgeTest, ATemporaryFileThatCannotBeWrittenWholeLeavesTheLogAsItWas) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is not available";
    // The temporary file's name leads to a device where every write fails for lack of space.
    const std::string text = lines(1, 300);
    const fs::path log = write_file("change.log", text);
    fs::create_directory(dir() / "full");
    fs::create_symlink("/dev/full", dir() / "full" / "temp_change.log");
    EXPECT_EQ(purge(log, dir() / "full"), 1u);
    EXPECT_EQ(qel::test::read_file(log), text);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir() / "full" / "temp_change.log"))) << "temporary file left behind";
}

TEST_F(PurgeTest, AFailedRenameLeavesTheLogAsItWas) {
    const auto other = folder_on_other_file_system();
    if (!other) GTEST_SKIP() << "no writable folder on another file system than " << dir();
    if (!start_viewer()) {
        fs::remove_all(*other);
        GTEST_SKIP() << "UDP port 37926 on 127.0.0.5 is not available";
    }
    const std::string text = lines(1, 300);
    const fs::path log = write_file("change.log", text);
    EXPECT_EQ(purge(log, *other), 1u);
    EXPECT_EQ(qel::test::read_file(log), text);
    EXPECT_FALSE(fs::exists(*other / "temp_change.log")) << "temporary file left behind";
    const LogLines logged = drain();
    fs::remove_all(*other);
    EXPECT_EQ(logged, (LogLines{{1, "OSIF:  Unable to rename file (old=" + (*other / "temp_change.log").string() +
                                        ", new=" + log.string() + ")"}}));
}

TEST_F(PurgeTest, ALogNamedLikeTheTemporaryFileIsNotTruncated) {
    const std::string text = lines(1, 300);
    const fs::path log = write_file("temp_change.log", text);
    EXPECT_EQ(purge(log, dir()), 1u);
    EXPECT_EQ(qel::test::read_file(log), text);
    // The same file reached through another spelling of its folder.
    EXPECT_EQ(purge(log, dir() / "." / ""), 1u);
    EXPECT_EQ(qel::test::read_file(log), text);
}

}  // namespace
}  // namespace pimnotes
