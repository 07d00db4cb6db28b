// The phone modem on a real pseudo-terminal, reached as a COM port through the platform's serial
// piece: conversations, the COM link, changes at run time, and stopping in the middle of an
// answer.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/sync/clock.h"
#include "port_client.h"
#include "sim/phone/phone_modem.h"
#include "support/test_support.h"

namespace qel::sim {
namespace {

using test::PortClient;

class PhoneModemTest : public testing::Test {
protected:
    qel::test::TempDir com_dir_;
    qel::test::ScopedEnv env_{"QEL_COM_DIR", com_dir_.path().string()};
    // Pauses and port time-outs pass quickly, with room left for real I/O on a busy machine.
    platform::ScopedTimeScale scale_{0.05};
};

TEST_F(PhoneModemTest, AnswersAtThroughTheComPort) {
    PhoneBehaviour b;
    std::string error;
    auto phone = PhoneModem::start(b, 5, &error);
    ASSERT_TRUE(phone) << error;
    EXPECT_EQ(phone->port_name(), "COM5");
    EXPECT_EQ(phone->link_path(), com_dir_.path() / "COM5");
    EXPECT_EQ(std::filesystem::read_symlink(phone->link_path()), phone->slave_path());

    PortClient port("COM5");
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.send("AT\r"));
    EXPECT_EQ(port.receive_until("OK\r\n"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(phone->received_commands(), (std::vector<std::string>{"AT"}));
}

TEST_F(PhoneModemTest, ReplaysTheDialerQueryByteByByte) {
    PhoneBehaviour b;
    b.operator_number = "262001";
    b.byte_delay_ms = 2;
    b.answer_delay_ms = 20;
    auto phone = PhoneModem::start(b, 6);
    ASSERT_TRUE(phone);
    PortClient port("COM6");
    ASSERT_TRUE(port.ok());
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"AT\r", "AT\r\r\nOK\r\n"},
        {"AT+COPS?\r", "AT+COPS?\r\r\n+COPS: 0,0,\"Quorlan Mobile\"\r\n\r\nOK\r\n"},
        {"AT+COPS=3,2\r", "AT+COPS=3,2\r\r\nOK\r\n"},
        {"AT+COPS?\r", "AT+COPS?\r\r\n+COPS: 0,2,\"262001\"\r\n\r\nOK\r\n"},
        {"AT+GMM\r", "AT+GMM\r\r\n+GMM: Corvo 6300i GSM\r\n\r\nOK\r\n"},
        {"AT+CAD?\r", "AT+CAD?\r\r\nERROR\r\n"},
        {"ATD+4930123;\r", "ATD+4930123;\r\r\nOK\r\n"},
    };
    for (const auto& [command, answer] : steps) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(port.send(command));
        const std::string final = answer.ends_with("ERROR\r\n") ? "ERROR\r\n" : "OK\r\n";
        EXPECT_EQ(port.receive_until(final), answer);
    }
    EXPECT_EQ(phone->received_commands(),
              (std::vector<std::string>{"AT", "AT+COPS?", "AT+COPS=3,2", "AT+COPS?", "AT+GMM", "AT+CAD?", "ATD+4930123;"}));
}

TEST_F(PhoneModemTest, SilenceAndBehaviourChangesAtRunTime) {
    PhoneBehaviour b;
    b.echo = false;
    b.scripted = {{"AT", std::nullopt, 1}};
    auto phone = PhoneModem::start(b, 4);
    ASSERT_TRUE(phone);
    PortClient port("COM4");
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.send("AT\r"));
    ASSERT_TRUE(phone->wait_for_commands(1, 60000));
    EXPECT_EQ(port.drain(), "");  // the scripted silence
    ASSERT_TRUE(port.send("AT\r"));
    EXPECT_EQ(port.receive_until("OK\r\n"), "\r\nOK\r\n");

    PhoneBehaviour cdma = phone->behaviour();
    cdma.cdma = true;
    cdma.verbose = false;
    phone->set_behaviour(cdma);
    ASSERT_TRUE(port.send("AT+CAD?\r"));
    EXPECT_EQ(port.receive_until("OK\r\n"), "+CAD: 1\r\nOK\r\n");
    phone->clear_received_commands();
    EXPECT_TRUE(phone->received_commands().empty());
}

TEST_F(PhoneModemTest, StopEndsAnAnswerInTheMiddle) {
    PhoneBehaviour b;
    b.byte_delay_ms = 3600000;  // each answer byte would take an hour, even scaled
    auto phone = PhoneModem::start(b, 3);
    ASSERT_TRUE(phone);
    PortClient port("COM3");
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.send("AT\r"));
    // The echo comes at once; the answer hangs in its first pause when stop() is called.
    EXPECT_EQ(port.receive_until("AT\r"), "AT\r");
    ASSERT_TRUE(phone->wait_for_commands(1, 60000));
    phone->stop();
    phone->stop();  // idempotent
    EXPECT_EQ(port.drain(), "");
    // The pseudo-terminal stays until the modem is destroyed; then the port sees a hang-up and
    // the COM link is gone.
    const auto link = phone->link_path();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    phone.reset();
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    std::byte buf[8];
    DWORD done = 0;
    EXPECT_FALSE(port.port().read(buf, &done));
}

TEST_F(PhoneModemTest, PortFailuresAreReported) {
    std::string error;
    EXPECT_FALSE(PhoneModem::start(PhoneBehaviour{}, -2, &error));
    EXPECT_NE(error.find("COM-2"), std::string::npos) << error;
    {
        qel::test::ScopedEnv unset("QEL_COM_DIR", std::nullopt);
        EXPECT_FALSE(PhoneModem::start(PhoneBehaviour{}, 5, &error));
        EXPECT_NE(error.find("QEL_COM_DIR is not set"), std::string::npos) << error;
        // Without a COM number no link is needed: the slave is reached by its path.
        auto phone = PhoneModem::start(PhoneBehaviour{});
        ASSERT_TRUE(phone);
        EXPECT_EQ(phone->port_name(), "");
        EXPECT_TRUE(phone->link_path().empty());
        EXPECT_TRUE(std::filesystem::exists(phone->slave_path()));
    }
}

}  // namespace
}  // namespace qel::sim
