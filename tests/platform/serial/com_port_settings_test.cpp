// Line settings: what a port reports when opened, what set_state puts into termios, what it keeps
// only in the handle, what it refuses, and the termios put back on close. A pseudo-terminal's
// driver always reports 8 data bits without parity enable (it stores the other bits), so the
// termios checks here look at the bits it keeps.
#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/serial/com_port.h"
#include "pty_port.h"

using namespace qel::platform;
using qel::test::PtyPort;

namespace {

termios distinctive(termios t) {
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CRTSCTS)) | CSTOPB;
    t.c_iflag |= IXON | ICRNL;
    t.c_lflag |= ECHO | ICANON;
    t.c_cc[VSTART] = 0x01;
    t.c_cc[VSTOP] = 0x02;
    return t;
}

}  // namespace

TEST(ComPortSettings, OpenReportsTheTerminalsLineAndMakesItRaw) {
    PtyPort pty(2);
    pty.set_slave_termios(distinctive(pty.slave_termios()));
    auto port = ComPort::open("COM2");
    ASSERT_TRUE(port.has_value());
    DCB dcb;
    ASSERT_TRUE(port->get_state(&dcb));
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(dcb.fOutX, 1u);
    EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.XonChar, 0x01);
    EXPECT_EQ(dcb.XoffChar, 0x02);

    const termios now = pty.slave_termios();
    EXPECT_EQ(now.c_lflag & (ECHO | ICANON), 0u) << "a port's terminal echoes or edits lines";
    EXPECT_EQ(now.c_iflag & ICRNL, 0u) << "a port's terminal translates input";
    EXPECT_EQ(now.c_cc[VMIN], 1);
}

TEST(ComPortSettings, EveryFieldWrittenIsReadBackAndTermiosCarriesItsPart) {
    PtyPort pty(2);
    auto port = ComPort::open("COM2");
    ASSERT_TRUE(port.has_value());
    DCB dcb;
    dcb.BaudRate = CBR_57600;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fOutxDsrFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fDsrSensitivity = 1;
    dcb.fTXContinueOnXoff = 1;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.fErrorChar = 1;
    dcb.fNull = 1;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fAbortOnError = 1;
    dcb.XonLim = 100;
    dcb.XoffLim = 200;
    dcb.ByteSize = 6;
    dcb.Parity = ODDPARITY;
    dcb.StopBits = ONE5STOPBITS;
    dcb.XonChar = 0x05;
    dcb.XoffChar = 0x06;
    dcb.ErrorChar = '?';
    dcb.EofChar = 0x1A;
    dcb.EvtChar = '\n';
    ASSERT_TRUE(port->set_state(dcb)) << last_error();
    DCB back;
    ASSERT_TRUE(port->get_state(&back));
    EXPECT_EQ(back, dcb);

    const termios t = pty.slave_termios();
    EXPECT_EQ(cfgetospeed(&t), B57600);
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(PARODD));
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_iflag & INPCK, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 0x05);
    EXPECT_EQ(t.c_cc[VSTOP], 0x06);

    dcb.Parity = MARKPARITY;
    dcb.BaudRate = CBR_14400;  // no such termios rate: the handle keeps it, the line runs at 9600
    dcb.fOutX = dcb.fInX = 0;
    ASSERT_TRUE(port->set_state(dcb));
    ASSERT_TRUE(port->get_state(&back));
    EXPECT_EQ(back.BaudRate, CBR_14400);
    const termios mark = pty.slave_termios();
    EXPECT_EQ(cfgetospeed(&mark), B9600);
    EXPECT_EQ(mark.c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(PARODD | CMSPAR));
    EXPECT_EQ(mark.c_iflag & (IXON | IXOFF), 0u);
}

TEST(ComPortSettings, InvalidBlocksAreRefusedAndChangeNothing) {
    PtyPort pty(2);
    auto port = ComPort::open("COM2");
    ASSERT_TRUE(port.has_value());
    DCB before;
    ASSERT_TRUE(port->get_state(&before));
    const termios line = pty.slave_termios();

    auto refused = [&](auto change) {
        DCB dcb = before;
        change(dcb);
        set_last_error(ERROR_SUCCESS);
        EXPECT_FALSE(port->set_state(dcb));
        EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    };
    refused([](DCB& d) { d.BaudRate = 0; });
    refused([](DCB& d) { d.ByteSize = 4; });
    refused([](DCB& d) { d.ByteSize = 9; });
    refused([](DCB& d) { d.Parity = 5; });
    refused([](DCB& d) { d.StopBits = 3; });
    refused([](DCB& d) { d.fDtrControl = 3; });
    refused([](DCB& d) {
        d.fInX = 1;
        d.XonChar = d.XoffChar = 0x11;
    });
    DCB after;
    ASSERT_TRUE(port->get_state(&after));
    EXPECT_EQ(after, before);
    EXPECT_TRUE(qel::test::same_termios(pty.slave_termios(), line));
}

TEST(ComPortSettings, TimeoutsRoundTripAndPurgeRefusesUnknownFlags) {
    PtyPort pty(2);
    auto port = ComPort::open("COM2");
    ASSERT_TRUE(port.has_value());
    COMMTIMEOUTS timeouts;
    ASSERT_TRUE(port->get_timeouts(&timeouts));
    EXPECT_EQ(timeouts, COMMTIMEOUTS{});
    const COMMTIMEOUTS wanted{MAXDWORD, 2, 3, 4, 5};
    ASSERT_TRUE(port->set_timeouts(wanted));
    ASSERT_TRUE(port->get_timeouts(&timeouts));
    EXPECT_EQ(timeouts, wanted);
    EXPECT_FALSE(port->purge(0x10));
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(port->purge(0));
}

TEST(ComPortSettings, CloseRestoresTheTermiosInForceAtOpen) {
    PtyPort pty(9);
    pty.set_slave_termios(distinctive(pty.slave_termios()));
    const termios before = pty.slave_termios();
    {
        auto port = ComPort::open("COM9");
        ASSERT_TRUE(port.has_value());
        DCB dcb;
        ASSERT_TRUE(port->get_state(&dcb));
        dcb.BaudRate = CBR_115200;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fOutX = 0;
        dcb.fOutxCtsFlow = 1;
        ASSERT_TRUE(port->set_state(dcb));
        EXPECT_FALSE(qel::test::same_termios(pty.slave_termios(), before));
    }
    EXPECT_TRUE(qel::test::same_termios(pty.slave_termios(), before));
}
