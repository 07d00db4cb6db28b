// "qelcfg sim phone" as a program: a conversation through its COM port, the modem entry it
// writes, the folder it makes without QEL_COM_DIR, ending at the end of input, and bad usage;
// and the stop request the program waits on.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/interrupt.h"
#include "platform/registry/registry.h"
#include "platform/sync/clock.h"
#include "platform/text/text.h"
#include "port_client.h"
#include "sim/registry/stack_machine_records.h"
#include "support/test_support.h"

namespace qel::sim {
namespace {

using qel::test::ProgramRun;
using qel::test::run_qelcfg;

// Replaces standard input with an empty pipe (already at its end) for one scope, so a program
// started meanwhile sees the end of its input at once.
class EndedInput {
public:
    EndedInput() : saved_(::dup(0)) {
        int p[2];
        if (::pipe(p) == 0) {
            ::dup2(p[0], 0);
            ::close(p[0]);
            ::close(p[1]);
        }
    }
    ~EndedInput() {
        ::dup2(saved_, 0);
        ::close(saved_);
    }

private:
    int saved_;
};

bool wait_for_path(const std::filesystem::path& p) {
    for (int i = 0; i < 2000; ++i) {
        if (std::filesystem::is_symlink(p)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class SimPhoneCommand : public testing::Test {
protected:
    void SetUp() override {
        if (!qel::test::qelcfg_program()) GTEST_SKIP() << "qelcfg is not built";
        platform::reg_reset_for_tests();
    }
    void TearDown() override { platform::reg_reset_for_tests(); }

    qel::test::TempDir registry_dir_;
    qel::test::ScopedEnv registry_env_{"QEL_REGISTRY_DIR", registry_dir_.path().string()};
    qel::test::TempDir com_dir_;
    qel::test::ScopedEnv com_env_{"QEL_COM_DIR", com_dir_.path().string()};
    qel::test::ScopedEnv world_env_{"QEL_STACK_WORLD", std::nullopt};
    platform::ScopedTimeScale scale_{0.05};
};

TEST_F(SimPhoneCommand, AnswersThroughItsPortAndShowsWhatItReceived) {
    ProgramRun run;
    std::thread program([&] {
        run = run_qelcfg({"sim", "phone", "--com", "5", "--operator", "23415", "--no-echo", "--plain", "--max-commands",
                          "2", "--seconds", "60", "--ignore-input"});
    });
    const auto link = com_dir_.path() / "COM5";
    bool talked = false;
    if (wait_for_path(link)) {
        test::PortClient port("COM5");
        if (port.ok()) {
            EXPECT_TRUE(port.send("AT+COPS=3,2\r"));
            EXPECT_EQ(port.receive_until("OK\r\n"), "OK\r\n");
            EXPECT_TRUE(port.send("AT+COPS?\r"));
            EXPECT_EQ(port.receive_until("OK\r\n"), "+COPS: 0,2,\"23415\"\r\nOK\r\n");
            talked = true;
        }
    }
    program.join();  // the second command line ends the program (or --seconds does)
    ASSERT_TRUE(talked) << run.out;
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("Port:        COM5\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("QEL_COM_DIR: " + com_dir_.path().string() + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Slave:       /dev/"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("> AT+COPS=3,2\n> AT+COPS?\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Stopped after 2 command lines."), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link goes with the program";

    // The dialer finds the modem of COM5 in the registry the program wrote.
    platform::RegKey key;
    ASSERT_EQ(platform::reg_open_key(HKEY_LOCAL_MACHINE, std::u16string(kModemClassPath) + u"\\0000", KEY_READ,
                                     key.put()),
              ERROR_SUCCESS);
    char16_t text[32] = {};
    DWORD size = sizeof text - 2, type = 0;
    ASSERT_EQ(platform::reg_query_value(key.get(), u"AttachedTo", &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(text), u"COM5");
}

TEST_F(SimPhoneCommand, EndOfInputStopsItAndWithoutComDirItMakesAFolder) {
    qel::test::TempDir runtime;
    qel::test::ScopedEnv runtime_env("XDG_RUNTIME_DIR", runtime.path().string());
    qel::test::ScopedEnv unset("QEL_COM_DIR", std::nullopt);
    ProgramRun run;
    {
        EndedInput input;
        run = run_qelcfg({"sim", "phone", "--com", "6", "--seconds", "60", "--no-registry"});
    }
    EXPECT_EQ(run.exit_code, 0) << run.out;
    const auto dir = runtime.path() / "qel" / "com";
    EXPECT_NE(run.out.find("QEL_COM_DIR: " + dir.string() + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Stopped after 0 command lines."), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    EXPECT_FALSE(std::filesystem::exists(dir / "COM6"));
}

TEST_F(SimPhoneCommand, BadUsageAndBadWorlds) {
    EndedInput input;
    EXPECT_EQ(run_qelcfg({"sim", "phone", "--operator", "12"}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"sim", "phone", "--dial", "maybe"}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"sim", "phone", "--device", "00:11:22:33:44:55"}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"sim", "phone", "--com", "0"}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"sim", "phone", "--echo", "--no-echo"}).exit_code, 2);
    EXPECT_EQ(run_qelcfg({"sim", "phone", "--world", (com_dir_.path() / "missing.json").string()}).exit_code, 1);
    EXPECT_TRUE(std::filesystem::is_empty(com_dir_.path())) << "no phone was started";
}

TEST_F(SimPhoneCommand, WorldShowListsThePhoneModem) {
    const ProgramRun run = run_qelcfg({"world", "show"});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("phone modem: GSM, operator 262021, model \"Corvo 6300i GSM\", contexts 1-3, echo\n"),
              std::string::npos)
        << run.out;
}

// The process-wide stop request: a time limit passes with none; a signal is latched for good.
// (Runs in this test process: after it, every wait here answers "interrupt".)
TEST(StopRequest, TimeLimitThenALatchedInterrupt) {
    EXPECT_EQ(platform::wait_for_stop_request(false, std::chrono::milliseconds(20)), platform::StopRequest::none);
    std::raise(SIGINT);  // handled: the process goes on
    EXPECT_EQ(platform::wait_for_stop_request(false, std::nullopt), platform::StopRequest::interrupt);
    std::raise(SIGTERM);
    EXPECT_EQ(platform::wait_for_stop_request(true, std::chrono::milliseconds(0)), platform::StopRequest::interrupt)
        << "the first request stays the answer";
}

}  // namespace
}  // namespace qel::sim
