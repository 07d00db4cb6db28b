// "qelcfg device-type" and "qelcfg icon" run as a program: the printed type and identifiers, the
// saved image, and the exit codes of bad usage and of a missing icon or library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/install_cfg.h"
#include "platform/registry/registry.h"
#include "platform/utf.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

class QelcfgDevclass : public testing::Test {
protected:
    QelcfgDevclass() : env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()) {
        qel::platform::reg_reset_for_tests();
    }
    ~QelcfgDevclass() override { qel::platform::reg_reset_for_tests(); }

    void SetUp() override {
        if (!qel::test::qelcfg_program()) GTEST_SKIP() << "qelcfg is not built";
    }

    qel::test::ProgramRun run(const std::vector<std::string>& args) { return qel::test::run_qelcfg(args); }

    qel::test::TempDir dir_;
    qel::test::ScopedEnv env_;
};

TEST_F(QelcfgDevclass, DeviceTypeShowsTypeAndEveryColumn) {
    qel::test::ProgramRun phone = run({"device-type", "5a020c"});
    EXPECT_EQ(phone.exit_code, 0);
    EXPECT_EQ(phone.out,
              "Class of device  5a020c (major 2, minor 3, minor byte 0x0c)\n"
              "Device type      1 QEL_DEVICE_PHONE\n"
              "Icon (older)     20500\n"
              "Icon (XP)        20550\n"
              "Icon (Vista+)    20776\n");
    qel::test::ProgramRun combo = run({"device-type", "0x0005C0", "--state", "2"});
    EXPECT_EQ(combo.exit_code, 0);
    EXPECT_NE(combo.out.find("Device type      0 QEL_DEVICE_UNKNOWN\n"), std::string::npos);
    EXPECT_NE(combo.out.find("Icon (Vista+)    20635\n"), std::string::npos);
}

TEST_F(QelcfgDevclass, DeviceTypeRefusesMalformedClasses) {
    for (const char* bad : {"5a020", "5a020c0", "5g020c", "", "0x5a02"}) {
        EXPECT_EQ(run({"device-type", bad}).exit_code, 2) << bad;
    }
    EXPECT_EQ(run({"device-type"}).exit_code, 2);
}

TEST_F(QelcfgDevclass, IconIsSavedFromTheInstalledLibrary) {
    const fs::path install = dir_.path() / "install";
    fs::create_directories(install);
    fs::copy(qel::test::source_dir() / "icons", install / "icons");
    CBTInstallCfg cfg;
    cfg.m_szInstallDir = *qel::platform::utf8_to_utf16(install.string());
    ASSERT_EQ(cfg.Save(), ERROR_SUCCESS);
    qel::platform::reg_reset_for_tests();  // let the program see the hive as another process would

    const fs::path out = dir_.path() / "phone.png";
    qel::test::ProgramRun r = run({"icon", "20776", "-o", out.string()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(qel::test::read_file(out), qel::test::read_file(install / "icons" / "20776.png"));
    EXPECT_EQ(r.out, out.string() + ": icon 20776, png 32x32\n");

    EXPECT_EQ(run({"icon", "20776", "-o", out.string(), "--size", "48"}).exit_code, 0);
    EXPECT_EQ(qel::test::read_file(out), qel::test::read_file(install / "icons" / "20776-48.png"));

    EXPECT_EQ(run({"icon", "1", "-o", (dir_.path() / "none.png").string()}).exit_code, 1);
    EXPECT_FALSE(fs::exists(dir_.path() / "none.png"));
    EXPECT_EQ(run({"icon", "20776"}).exit_code, 2);
}

TEST_F(QelcfgDevclass, IconWithoutLibraryFails) {
    EXPECT_EQ(run({"icon", "20776", "-o", (dir_.path() / "x.png").string()}).exit_code, 1);
    EXPECT_EQ(run({"icon", "20776", "-o", (dir_.path() / "x.png").string(), "--library",
                   (dir_.path() / "absent").string()})
                  .exit_code,
              1);
    EXPECT_FALSE(fs::exists(dir_.path() / "x.png"));
}

}  // namespace
