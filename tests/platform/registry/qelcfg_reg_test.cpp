// "qelcfg reg" run as a program against a registry in a temporary folder.
#include <fstream>

#include "registry_test_util.h"

namespace qel::test {
namespace {

class QelcfgRegTest : public RegistryTest {
protected:
    void SetUp() override {
        if (!qelcfg_program()) GTEST_SKIP() << "qelcfg is not built";
    }

    ProgramRun reg(std::vector<std::string> args) {
        args.insert(args.begin(), "reg");
        return run_qelcfg(args);
    }
};

TEST_F(QelcfgRegTest, SetQueryDeleteWithPlatformLikeOutput) {
    const std::string key = "HKCU\\Software\\Quorlan\\Dev";
    EXPECT_EQ(reg({"set", key, "Name", "--type", "REG_SZ", "--data", "Phone é"}).exit_code, 0);
    EXPECT_EQ(reg({"set", key, "Count", "-t", "REG_DWORD", "-d", "0x1f"}).exit_code, 0);
    EXPECT_EQ(reg({"set", key, "--ve", "-d", "default"}).exit_code, 0);
    EXPECT_EQ(reg({"set", key + "\\Sub", "M", "-t", "REG_MULTI_SZ", "-d", "a\\0b"}).exit_code, 0);
    EXPECT_EQ(reg({"set", key + "\\Sub", "B", "-t", "REG_BINARY", "-d", "01,02,ff"}).exit_code, 0);
    EXPECT_EQ(reg({"set", key + "\\Sub", "Q", "-t", "REG_QWORD", "-d", "12345678901"}).exit_code, 0);

    ProgramRun flat = reg({"query", "HKEY_CURRENT_USER\\Software\\Quorlan\\Dev"});
    EXPECT_EQ(flat.exit_code, 0);
    EXPECT_EQ(flat.out,
              "\nHKEY_CURRENT_USER\\Software\\Quorlan\\Dev\n"
              "    Name    REG_SZ    Phone é\n"
              "    Count    REG_DWORD    0x1f\n"
              "    (Default)    REG_SZ    default\n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\Quorlan\\Dev\\Sub\n");
    ProgramRun deep = reg({"query", "hkcu\\Software\\Quorlan", "/s"});
    EXPECT_EQ(deep.exit_code, 0);
    EXPECT_EQ(deep.out,
              "\nHKEY_CURRENT_USER\\Software\\Quorlan\n"
              "HKEY_CURRENT_USER\\Software\\Quorlan\\Dev\n"
              "    Name    REG_SZ    Phone é\n"
              "    Count    REG_DWORD    0x1f\n"
              "    (Default)    REG_SZ    default\n"
              "\n"
              "HKEY_CURRENT_USER\\Software\\Quorlan\\Dev\\Sub\n"
              "    M    REG_MULTI_SZ    a\\0b\n"
              "    B    REG_BINARY    0102FF\n"
              "    Q    REG_QWORD    0x2dfdc1c35\n"
              "\n");
    EXPECT_EQ(reg({"query", "HKCU\\Software\\Quorlan", "-s"}).out, deep.out);

    RegKey dev;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\Dev", KEY_READ, dev.put()), ERROR_SUCCESS);
    EXPECT_EQ(query_dword(dev.get(), u"count"), 0x1Fu);

    EXPECT_EQ(reg({"delete", key, "Count"}).exit_code, 0);
    EXPECT_EQ(reg({"delete", key, "Count"}).exit_code, 1);
    EXPECT_EQ(reg({"delete", key, "--ve"}).exit_code, 0);
    EXPECT_EQ(value_names(dev.get()), std::vector<std::u16string>{u"Name"});
    EXPECT_EQ(reg({"delete", key}).exit_code, 1) << "a key with sub-keys needs --tree";
    EXPECT_EQ(reg({"delete", key, "--tree"}).exit_code, 0);
    EXPECT_EQ(query(dev.get(), u"Name"), std::nullopt);
    EXPECT_EQ(reg({"query", key}).exit_code, 1);
}

TEST_F(QelcfgRegTest, ExportAndImportFiles) {
    RegKey key = create(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\Ports");
    ASSERT_EQ(set_dword(key.get(), u"COM", 5), ERROR_SUCCESS);
    auto file = dir_.path() / "ports.reg";
    EXPECT_EQ(reg({"export", "HKLM\\Software\\Quorlan", file.string(), "--utf16"}).exit_code, 0);
    EXPECT_EQ(read_file(file).substr(0, 4), std::string("\xFF\xFEW\0", 4));
    EXPECT_EQ(reg({"delete", "HKLM\\Software\\Quorlan", "--tree"}).exit_code, 0);
    EXPECT_EQ(reg({"import", file.string()}).exit_code, 0);
    RegKey again;
    ASSERT_EQ(reg_open_key(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\Ports", KEY_READ, again.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(query_dword(again.get(), u"COM"), 5u);

    std::ofstream(dir_.path() / "bad.reg") << "Windows Registry Editor Version 5.00\n[HKCU\\A]\n\"x\"=bad\n";
    EXPECT_EQ(reg({"import", (dir_.path() / "bad.reg").string()}).exit_code, 1);
    EXPECT_EQ(reg({"import", (dir_.path() / "missing.reg").string()}).exit_code, 1);
    EXPECT_EQ(reg({"export", "HKLM\\Software\\Missing", file.string()}).exit_code, 1);
}

TEST_F(QelcfgRegTest, ShowPrintsTheStacksTreeOfBothRoots) {
    RegKey user = create(HKEY_CURRENT_USER, u"Software\\Quorlan\\Devices\\Phone");
    ASSERT_EQ(set_dword(user.get(), u"Class", 0x5a020c), ERROR_SUCCESS);
    create(HKEY_CURRENT_USER, u"Software\\Other");
    ProgramRun r = reg({"show"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Quorlan: not present\n\n"
              "HKEY_CURRENT_USER\\Software\\Quorlan\n"
              "HKEY_CURRENT_USER\\Software\\Quorlan\\Devices\n"
              "HKEY_CURRENT_USER\\Software\\Quorlan\\Devices\\Phone\n"
              "    Class    REG_DWORD    0x5a020c\n"
              "\n");
}

TEST_F(QelcfgRegTest, BadUsageExitsWithTwo) {
    EXPECT_EQ(reg({"query", "HKEY_USERS\\X"}).exit_code, 2);
    EXPECT_EQ(reg({"query", "HKCU\\X", "/x"}).exit_code, 2);
    EXPECT_EQ(reg({"set", "HKCU\\X", "v", "-t", "REG_FLOAT", "-d", "1"}).exit_code, 2);
    EXPECT_EQ(reg({"set", "HKCU\\X", "v", "-t", "REG_DWORD", "-d", "4294967296"}).exit_code, 2);
    EXPECT_EQ(reg({"set", "HKCU\\X", "v", "-t", "REG_DWORD"}).exit_code, 2);
    EXPECT_EQ(reg({"set", "HKCU\\X", "v", "-t", "REG_BINARY", "-d", "abc"}).exit_code, 2);
    EXPECT_EQ(reg({"set", "HKCU\\X", "v", "--ve", "-d", "x"}).exit_code, 2);
    EXPECT_EQ(reg({"delete", "HKCU"}).exit_code, 2);
    EXPECT_EQ(reg({"frobnicate"}).exit_code, 2);
    EXPECT_EQ(reg({}).exit_code, 2);
    RegKey sw;
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"X", KEY_READ, sw.put()), ERROR_FILE_NOT_FOUND)
        << "nothing was written";
}

}  // namespace
}  // namespace qel::test
