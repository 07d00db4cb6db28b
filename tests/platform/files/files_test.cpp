#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <set>

#include "platform/files.h"
#include "platform/last_error.h"
#include "support/test_support.h"

using namespace qel::platform;
using qel::test::ScopedEnv;
using qel::test::TempDir;

namespace fs = std::filesystem;

namespace {
// "<prefix><1 to 4 upper-case hex digits>.tmp"
bool is_temp_name(const std::string& name, std::string_view prefix) {
    if (!name.starts_with(prefix) || !name.ends_with(".tmp")) return false;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    return !digits.empty() && digits.size() <= 4 &&
           digits.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}
}  // namespace

TEST(TempFileName, CreatesDistinctEmptyPrivateFilesWithTheShortenedPrefix) {
    TempDir dir;
    std::set<fs::path> names;
    for (int i = 0; i < 300; ++i) {
        const auto name = temp_file_name(dir.path(), "qelcfg");
        ASSERT_TRUE(name.has_value()) << last_error();
        EXPECT_EQ(name->parent_path(), dir.path());
        EXPECT_TRUE(is_temp_name(name->filename().string(), "qel"))
            << name->filename();
        EXPECT_TRUE(names.insert(*name).second) << "reused " << *name;
    }
    struct stat st {};
    ASSERT_EQ(stat(names.begin()->c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const auto bare = temp_file_name(dir.path(), "");
    ASSERT_TRUE(bare.has_value());
    EXPECT_TRUE(is_temp_name(bare->filename().string(), ""));
}

TEST(TempFileName, AGivenNumberFormsTheNameWithoutCreatingIt) {
    TempDir dir;
    EXPECT_EQ(temp_file_name(dir.path(), "qel", 0x1A2F), dir.path() / "qel1A2F.tmp");
    EXPECT_EQ(temp_file_name(dir.path(), "ab", 0x12345), dir.path() / "ab2345.tmp");  // low 16 bits
    EXPECT_EQ(temp_file_name(dir.path(), "x", 7), dir.path() / "x7.tmp");
    EXPECT_FALSE(fs::exists(dir.path() / "qel1A2F.tmp"));
}

TEST(TempFileName, FailsForMissingFoldersLongFoldersAndSlashedPrefixes) {
    TempDir dir;
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(temp_file_name(dir.path() / "missing", "qel"));
    EXPECT_EQ(last_error(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(temp_file_name(dir.path(), "a/b"));
    EXPECT_EQ(last_error(), ERROR_INVALID_NAME);

    // The longest folder allowed is MAX_PATH - 14 characters, so the name fits a MAX_PATH buffer.
    fs::path longest = dir.path();
    while (longest.native().size() + 1 < MAX_PATH - 14) {
        longest /= std::string(std::min<std::size_t>(60, MAX_PATH - 14 - longest.native().size() - 1), 'd');
    }
    ASSERT_EQ(longest.native().size(), MAX_PATH - 14);
    ASSERT_TRUE(fs::create_directories(longest));
    const auto fits = temp_file_name(longest, "qel");
    ASSERT_TRUE(fits.has_value());
    EXPECT_LT(fits->native().size(), MAX_PATH);
    const fs::path too_long = longest.native() + "x";
    fs::create_directories(too_long);
    EXPECT_FALSE(temp_file_name(too_long, "qel"));
    EXPECT_EQ(last_error(), ERROR_BUFFER_OVERFLOW);
}

TEST(Folders, DocumentsFollowXdgVariableThenUserDirsFileThenHome) {
    TempDir dir;
    ScopedEnv home("HOME", dir.path().string());
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv docs("XDG_DOCUMENTS_DIR", std::nullopt);
    EXPECT_EQ(documents_dir(), dir.path() / "Documents");  // no user-dirs.dirs at all

    fs::create_directories(dir.path() / ".config");
    std::ofstream(dir.path() / ".config" / "user-dirs.dirs")
        << "# written by xdg-user-dirs-update\n"
        << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        << "  XDG_DOCUMENTS_DIR=\"$HOME/Mes \\\"documents\\\"\"\n";
    EXPECT_EQ(documents_dir(), dir.path() / "Mes \"documents\"");

    const fs::path other = dir.path() / "other";
    fs::create_directories(other);
    ScopedEnv other_config("XDG_CONFIG_HOME", other.string());
    std::ofstream(other / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n";
    EXPECT_EQ(documents_dir(), "/srv/docs");
    std::ofstream(other / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/\"\n";
    EXPECT_EQ(documents_dir(), dir.path());
    std::ofstream(other / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"relative/docs\"\nXDG_DOCUMENTS_DIR=\"$HOMEX\"\n";
    EXPECT_EQ(documents_dir(), dir.path() / "Documents");  // neither line is a usable path

    ScopedEnv direct("XDG_DOCUMENTS_DIR", "/direct");
    EXPECT_EQ(documents_dir(), "/direct");
}

TEST(Folders, SystemDirectoryIsQelSystemDirElseBesideTheUserData) {
    ScopedEnv data("XDG_DATA_HOME", "/data");
    ScopedEnv unset("QEL_SYSTEM_DIR", std::nullopt);
    EXPECT_EQ(system_dir(), "/data/qel/system");
    ScopedEnv set("QEL_SYSTEM_DIR", "/opt/qel/system");
    EXPECT_EQ(system_dir(), "/opt/qel/system");
}
