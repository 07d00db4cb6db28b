// The qelcfg commands of the access-point database and the data cipher, run as a program: what
// they print and their exit codes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "dialup/providers/cdma_devices.h"
#include "platform/registry/registry.h"
#include "providers_test_util.h"

namespace qel::test {
namespace {

constexpr char kList[] = R"(<serviceproviders format="2.0"><country code="de">
<provider><name>A</name><gsm>
  <network-id mcc="262" mnc="01"/>
  <apn value="web.a"><usage type="internet"/><username>u</username><password>p</password></apn>
  <apn value="second.a"/>
</gsm></provider></country></serviceproviders>)";

class ApnCommands : public ProvidersTest {
protected:
    void SetUp() override {
        if (!qelcfg_program()) GTEST_SKIP() << "qelcfg is not built";
        std::ofstream(file("list.xml")) << kList;
    }
    std::string db() const { return file("providers.bin").string(); }
};

TEST_F(ApnCommands, BuildThenLookUp) {
    ProgramRun run = run_qelcfg({"apn", "build-db", file("list.xml").string(), "-o", db()});
    ASSERT_EQ(run.exit_code, 0) << run.out;
    EXPECT_NE(run.out.find("2 access points"), std::string::npos) << run.out;

    run = run_qelcfg({"apn", "lookup", "26201", "--db", db()});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("operator 26201: 2 accounts\nweb.a\tu\tp\nsecond.a\t\t\n"), std::string::npos) << run.out;

    // A six-digit operator without entries of its own is found under its first five digits.
    run = run_qelcfg({"apn", "lookup", "262017", "--db", db()});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("operator 262017: none; looking up 26201\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("(shortened number)"), std::string::npos) << run.out;

    run = run_qelcfg({"apn", "lookup", "26202", "--db", db()});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.out.find("operator 26202: none"), std::string::npos) << run.out;
    EXPECT_EQ(run_qelcfg({"apn", "lookup", "99999", "--db", db()}).exit_code, 1) << "five digits: one lookup";
}

TEST_F(ApnCommands, LookupWithoutDbUsesTheSystemDirectory) {
    ASSERT_EQ(run_qelcfg({"apn", "build-db", file("list.xml").string(), "-o", file("system/providers.bin").string()})
                  .exit_code,
              0);
    const ProgramRun run = run_qelcfg({"apn", "lookup", "26201"});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("database: " + file("system/providers.bin").string()), std::string::npos) << run.out;
}

TEST_F(ApnCommands, LookupWithoutDbFallsBackToTheBuiltDatabase) {
    // A registry that never met the stack gets its installation record, whose folder holds the
    // database the build made from the public operator list.
    const auto built = binary_dir() / "share" / "qelcfg" / "providers.bin";
    if (!std::filesystem::exists(built)) GTEST_SKIP() << "the build made no default database";
    const ProgramRun run = run_qelcfg({"apn", "lookup", "26201"});
    EXPECT_EQ(run.exit_code, 0) << run.out;
    EXPECT_NE(run.out.find("database: " + built.lexically_normal().string()), std::string::npos) << run.out;
}

TEST_F(ApnCommands, BadUsageAndUnreadableDatabases) {
    ASSERT_EQ(run_qelcfg({"apn", "build-db", file("list.xml").string(), "-o", db()}).exit_code, 0);
    EXPECT_EQ(run_qelcfg({"apn", "lookup", "26x01", "--db", db()}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"apn", "lookup", "99999999999", "--db", db()}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"apn", "lookup", "26201", "--db", file("none.bin").string()}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"apn", "lookup", "26201", "--db", file("list.xml").string()}).exit_code, 2)
        << "not enciphered";
    EXPECT_EQ(run_qelcfg({"apn", "lookup"}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"apn", "build-db", file("none.xml").string(), "-o", db()}).exit_code, 1);
    EXPECT_EQ(run_qelcfg({"apn", "build-db", db(), "-o", file("again.bin").string()}).exit_code, 1)
        << "an enciphered file is no operator list";
    EXPECT_EQ(run_qelcfg({"apn", "build-db", file("list.xml").string()}).exit_code, 2) << "-o is required";
}

TEST_F(ApnCommands, CdmaListAndSave) {
    {
        qel::platform::RegKey key;
        ASSERT_EQ(qel::platform::reg_create_key(HKEY_CURRENT_USER, kPhoneIfKeyPath, KEY_ALL_ACCESS, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    EXPECT_EQ(run_qelcfg({"apn", "cdma", "00:1A:2B:C3:D4:EF"}).exit_code, 1);
    const ProgramRun saved = run_qelcfg({"apn", "cdma", "001a2bc3d4ef", "--save"});
    EXPECT_EQ(saved.exit_code, 0);
    EXPECT_NE(saved.out.find("added"), std::string::npos) << saved.out;
    const std::array<BYTE, 6> address{0x00, 0x1A, 0x2B, 0xC3, 0xD4, 0xEF};
    EXPECT_TRUE(check_CDMA_DEVICES(address, false)) << "the program wrote the shared registry";
    EXPECT_EQ(run_qelcfg({"apn", "cdma", "00:1a:2b:c3:d4:ef"}).exit_code, 0);
    EXPECT_EQ(run_qelcfg({"apn", "cdma", "001a2bc3d4"}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"apn", "cdma", "001a2bc3d4eg"}).exit_code, 2);
}

TEST_F(ApnCommands, CipherFileRoundTrip) {
    std::ofstream(file("plain.txt")) << "some text\n";
    ASSERT_EQ(run_qelcfg({"cipher", "encrypt", file("plain.txt").string(), file("c.bin").string()}).exit_code, 0);
    EXPECT_NE(read_file(file("c.bin")), "some text\n");
    ASSERT_EQ(run_qelcfg({"cipher", "decrypt", file("c.bin").string(), file("back.txt").string()}).exit_code, 0);
    EXPECT_EQ(read_file(file("back.txt")), "some text\n");
    EXPECT_EQ(run_qelcfg({"cipher", "decrypt", file("plain.txt").string(), file("x").string()}).exit_code, 1);
    EXPECT_EQ(run_qelcfg({"cipher", "encrypt", file("none").string(), file("x").string()}).exit_code, 1);
    EXPECT_EQ(run_qelcfg({"cipher", "encrypt", file("plain.txt").string()}).exit_code, 2);
}

}  // namespace
}  // namespace qel::test
