// Opening COM ports by name: which names are ports, where they lead, exclusive opening, and the
// termios a port leaves behind.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/last_error.h"
#include "platform/serial/com_port.h"
#include "pty_port.h"

using namespace qel::platform;
using qel::test::PtyPort;

TEST(ComPortNames, PlainNamesStopAtNineAndTheDeviceNamespaceReachesEveryPort) {
    qel::test::TempDir dir;
    qel::test::ScopedEnv env("QEL_COM_DIR", dir.path().string());
    EXPECT_EQ(com_port_device("COM4"), dir.path() / "COM4");
    EXPECT_EQ(com_port_device("com4"), dir.path() / "COM4");
    EXPECT_EQ(com_port_device("\\\\.\\COM4"), dir.path() / "COM4");
    EXPECT_EQ(com_port_device("\\\\.\\COM12"), dir.path() / "COM12");
    EXPECT_EQ(com_port_device("\\\\.\\COM255"), dir.path() / "COM255");
    for (const char* bad : {"COM12", "COM0", "\\\\.\\COM0", "\\\\.\\COM256", "COM04", "COM", "COMX", "LPT1",
                            "COM4 ", "\\\\?\\COM4", "", "\\\\.\\"}) {
        set_last_error(ERROR_SUCCESS);
        EXPECT_FALSE(com_port_device(bad).has_value()) << bad;
        EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND) << bad;
    }
}

TEST(ComPortNames, WithoutAComDirectoryPortsAreTheSerialDevices) {
    qel::test::ScopedEnv env("QEL_COM_DIR", std::nullopt);
    EXPECT_EQ(com_port_device("COM1"), std::filesystem::path("/dev/ttyS0"));
    EXPECT_EQ(com_port_device("\\\\.\\COM12"), std::filesystem::path("/dev/ttyS11"));
}

TEST(ComPortOpen, PortsAboveNineOpenOnlyUnderTheirDeviceNamespaceName) {
    PtyPort pty(12);
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(ComPort::open("COM12").has_value());
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
    auto port = ComPort::open("\\\\.\\COM12");
    ASSERT_TRUE(port.has_value()) << last_error();
    EXPECT_TRUE(port->is_open());
    EXPECT_EQ(port->device(), pty.dir() / "COM12");
}

TEST(ComPortOpen, LowPortsOpenUnderBothNames) {
    PtyPort pty(4);
    {
        auto port = ComPort::open("COM4");
        ASSERT_TRUE(port.has_value()) << last_error();
    }
    auto port = ComPort::open("\\\\.\\COM4");
    ASSERT_TRUE(port.has_value()) << last_error();
}

TEST(ComPortOpen, MissingDanglingAndNonTerminalDevicesAreNotFound) {
    PtyPort pty(4);
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(ComPort::open("COM5").has_value());
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);

    std::filesystem::create_symlink(pty.dir() / "nowhere", pty.dir() / "COM6");
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(ComPort::open("COM6").has_value());
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);

    std::ofstream(pty.dir() / "plain") << "not a terminal";
    std::filesystem::create_symlink(pty.dir() / "plain", pty.dir() / "COM7");
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(ComPort::open("COM7").has_value());
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
}

TEST(ComPortOpen, SecondOpenIsRefusedUntilTheFirstCloses) {
    PtyPort pty(3);
    auto first = ComPort::open("COM3");
    ASSERT_TRUE(first.has_value());
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(ComPort::open("\\\\.\\COM3").has_value());
    EXPECT_EQ(last_error(), ERROR_ACCESS_DENIED);
    first->close();
    EXPECT_FALSE(first->is_open());
    EXPECT_TRUE(ComPort::open("COM3").has_value()) << last_error();
}

TEST(ComPortOpen, ClosedHandleRefusesEveryCall) {
    PtyPort pty(3);
    auto port = ComPort::open("COM3");
    ASSERT_TRUE(port.has_value());
    port->close();
    port->close();
    DCB dcb;
    COMMTIMEOUTS timeouts;
    std::byte b{};
    DWORD done = 0;
    EXPECT_FALSE(port->get_state(&dcb));
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(port->set_timeouts(timeouts));
    EXPECT_FALSE(port->purge(PURGE_RXCLEAR));
    EXPECT_FALSE(port->read({&b, 1}, &done));
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);

    ComPort moved = std::move(*ComPort::open("COM3"));
    ComPort& from = *port;
    from = std::move(moved);
    EXPECT_TRUE(from.is_open());
}
