// The modem manager over a real pseudo-terminal: opening by name, the line it configures and puts
// back, bytes both ways, the write queue's limit, and stopping with threads that wait or hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <termios.h>
#include <thread>

#include "../../platform/serial/pty_port.h"
#include "dialup/transport/modem_manager.h"
#include "platform/sync/clock.h"

using qel::test::PtyPort;
namespace pf = qel::platform;

namespace {

// A receiver that collects characters and lets a test wait for them; it can be made to hang
// inside FireChar until released.
class Receiver : public ICommunication {
public:
    std::int32_t FireChar(char c) override {
        std::unique_lock lock(mutex_);
        received_ += c;
        ++inside_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !hold_; });
        --inside_;
        changed_.notify_all();
        return 0;
    }
    std::string wait_for(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(30), [&] { return received_.size() >= count; });
        return received_;
    }
    void hold() {
        std::lock_guard lock(mutex_);
        hold_ = true;
    }
    void wait_until_inside() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return inside_ > 0; });
    }
    void release_and_wait_out() {
        std::unique_lock lock(mutex_);
        hold_ = false;
        changed_.notify_all();
        changed_.wait(lock, [this] { return inside_ == 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string received_;
    int inside_ = 0;
    bool hold_ = false;
};

constexpr HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr HRESULT kDenied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);

}  // namespace

TEST(ModemManagerOpen, ResultsForNamesAndPorts) {
    PtyPort pty(12);
    cModemManager modem;
    EXPECT_EQ(modem.Open(nullptr), E_INVALIDARG);
    EXPECT_EQ(modem.Open(""), E_INVALIDARG);
    EXPECT_EQ(kNotFound, static_cast<HRESULT>(0x80070002));
    EXPECT_EQ(modem.Open("COM13"), kNotFound);
    EXPECT_FALSE(modem.IsOpen());

    // COM12 has no plain device name: only its device-namespace form opens it.
    ASSERT_EQ(modem.Open("COM12"), S_OK);
    EXPECT_TRUE(modem.IsOpen());
    cModemManager second;
    EXPECT_EQ(second.Open("\\\\.\\COM12"), kDenied);
    EXPECT_EQ(modem.Close(), 0);
    EXPECT_FALSE(modem.IsOpen());
    EXPECT_EQ(second.Open("\\\\.\\COM12"), S_OK);
}

TEST(ModemManagerOpen, LowPortsOpenAsGiven) {
    PtyPort pty(4);
    cModemManager modem;
    EXPECT_EQ(modem.Open("COM4"), S_OK);
    EXPECT_EQ(modem.Open("\\\\.\\COM4"), S_OK) << "opening again closes the port first";
    modem.Clear();
    EXPECT_EQ(modem.Open("COM4"), E_FAIL) << "a manager without its events opened a port";
}

TEST(ModemManagerStart, RefusesWithoutReceiverOrPort) {
    PtyPort pty(4);
    Receiver receiver;
    cModemManager modem;
    EXPECT_EQ(modem.Start(&receiver), E_FAIL);
    ASSERT_EQ(modem.Open("COM4"), S_OK);
    EXPECT_EQ(modem.Start(nullptr), E_POINTER);
    EXPECT_FALSE(modem.IsOpen()) << "a failed start leaves the port closed";
    EXPECT_FALSE(modem.IsRunning());
}

TEST(ModemManagerStart, ConfiguresTheLineAndCloseRestoresIt) {
    PtyPort pty(4);
    termios before = pty.slave_termios();
    cfsetospeed(&before, B4800);
    cfsetispeed(&before, B4800);
    before.c_iflag |= IXON | ICRNL;
    before.c_lflag |= ECHO;
    pty.set_slave_termios(before);
    before = pty.slave_termios();

    Receiver receiver;
    for (BOOL hardware : {TRUE, FALSE}) {
        cModemManager modem;
        modem.SetHardwareFlowControl(hardware);
        ASSERT_EQ(modem.Open("COM4"), S_OK);
        ASSERT_EQ(modem.Start(&receiver), S_OK);
        EXPECT_TRUE(modem.IsRunning());
        const DCB& dcb = modem.CurrentDcb();
        EXPECT_EQ(dcb.BaudRate, 19200u);
        EXPECT_EQ(dcb.ByteSize, 8);
        EXPECT_EQ(dcb.Parity, NOPARITY);
        EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
        EXPECT_EQ(dcb.fNull, 1u);
        EXPECT_EQ(dcb.fAbortOnError, 1u);
        EXPECT_EQ(dcb.fOutxCtsFlow, hardware ? 1u : 0u);
        EXPECT_EQ(dcb.fRtsControl, hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE);

        const termios line = pty.slave_termios();
        EXPECT_EQ(cfgetospeed(&line), B19200);
        EXPECT_EQ((line.c_cflag & CRTSCTS) != 0, hardware == TRUE);
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL), 0u);
        EXPECT_EQ(line.c_lflag & ECHO, 0u);
        EXPECT_EQ(line.c_cflag & CSTOPB, 0u);

        EXPECT_EQ(modem.Close(), 0);
        EXPECT_TRUE(qel::test::same_termios(pty.slave_termios(), before)) << "hardware flow " << hardware;
    }
}

TEST(ModemManagerTransfer, BytesFromTheFarEndReachFireCharInOrder) {
    PtyPort pty(5);
    Receiver receiver;
    cModemManager modem;
    ASSERT_EQ(modem.Open("COM5"), S_OK);
    ASSERT_EQ(modem.Start(&receiver), S_OK);
    const std::string answer = "\r\nOK\r\n" + qel::test::pattern(1500) + "\r\nCONNECT 115200\r\n";
    pty.send(answer);
    EXPECT_EQ(receiver.wait_for(answer.size()), answer);
    pty.send(std::string_view("\0N\0", 3));  // NUL bytes are discarded
    EXPECT_EQ(receiver.wait_for(answer.size() + 1), answer + "N");
    EXPECT_EQ(modem.Stop(1), 0);
    EXPECT_FALSE(modem.IsRunning());
}

TEST(ModemManagerTransfer, WrittenTextReachesTheFarEnd) {
    PtyPort pty(5);
    Receiver receiver;
    cModemManager modem;
    ASSERT_EQ(modem.Open("COM5"), S_OK);
    ASSERT_EQ(modem.Start(&receiver), S_OK);
    EXPECT_EQ(modem.Write("AT\r"), 0);
    EXPECT_EQ(modem.Write("ATZ\rignored", 4), 0);
    EXPECT_EQ(modem.Write(nullptr), 1);
    EXPECT_EQ(pty.receive(7), "AT\rATZ\r");
}

TEST(ModemManagerTransfer, APendingBlockIsSentUnchangedAndWhatDoesNotFitIsRefused) {
    PtyPort pty(5);
    Receiver receiver;
    cModemManager modem;
    ASSERT_EQ(modem.Open("COM5"), S_OK);
    // Queued before the writer runs, so that the 2000 bytes are still pending.
    const std::string pending = qel::test::pattern(2000);
    EXPECT_EQ(modem.Write(pending.data(), 2000), 0);
    EXPECT_EQ(modem.Write(std::string(100, '!').data(), 100), 1);
    EXPECT_EQ(modem.Write(std::string(5000, '!').data(), 5000), 1);
    ASSERT_EQ(modem.Start(&receiver), S_OK);
    EXPECT_EQ(pty.receive(2000), pending);
    std::byte extra[8];
    EXPECT_EQ(pty.far_end().read(extra, 100).error, WAIT_TIMEOUT) << "refused bytes were sent";
}

TEST(ModemManagerStop, AStopWhileTheReaderWaitsReturnsAtOnce) {
    PtyPort pty(6);
    Receiver receiver;
    cModemManager modem;
    ASSERT_EQ(modem.Open("COM6"), S_OK);
    ASSERT_EQ(modem.Start(&receiver), S_OK);
    // At full scale a stop that had to wait out a thread would take 10000 ms or more.
    pf::ScopedTimeScale real(1.0);
    const DWORD start = pf::tick_count();
    EXPECT_EQ(modem.Stop(1), 0);
    EXPECT_LT(pf::tick_count() - start, cModemManager::kThreadStopTimeout);
    EXPECT_FALSE(modem.IsRunning());
    EXPECT_EQ(modem.Stop(1), 0);

    // The port can be started again and still works.
    ASSERT_EQ(modem.Start(&receiver), S_OK);
    pty.send("RING");
    EXPECT_EQ(receiver.wait_for(4), "RING");
}

TEST(ModemManagerStop, AStopWhileTheReaderHangsInFireCharReturnsAfterTheLimit) {
    PtyPort pty(7);
    Receiver receiver;
    receiver.hold();
    {
        cModemManager modem;
        ASSERT_EQ(modem.Open("COM7"), S_OK);
        ASSERT_EQ(modem.Start(&receiver), S_OK);
        pty.send("x");
        receiver.wait_until_inside();

        pf::ScopedTimeScale fast(0.005);
        const DWORD start = pf::tick_count();
        EXPECT_EQ(modem.Stop(1), 0);
        EXPECT_GE(pf::tick_count() - start, cModemManager::kThreadStopTimeout);
        EXPECT_FALSE(modem.IsRunning());
        EXPECT_EQ(modem.Close(), 0);
    }
    // The forgotten reader finishes on its own once FireChar returns, after its manager is gone.
    receiver.release_and_wait_out();
    EXPECT_EQ(receiver.wait_for(1), "x");
}

TEST(ModemManagerStop, AStopWithoutPurgeWaitsForTheReaderAndCloseEndsIt) {
    PtyPort pty(7);
    Receiver receiver;
    cModemManager modem;
    ASSERT_EQ(modem.Open("COM7"), S_OK);
    ASSERT_EQ(modem.Start(&receiver), S_OK);
    // Make sure the reader is inside its next read: one byte through, then a moment for it to
    // issue the read that follows.
    pty.send("x");
    EXPECT_EQ(receiver.wait_for(1), "x");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pf::ScopedTimeScale fast(0.005);
    const DWORD start = pf::tick_count();
    EXPECT_EQ(modem.Stop(0), 0);
    EXPECT_GE(pf::tick_count() - start, cModemManager::kThreadStopTimeout) << "the unpurged read ended by itself";
    EXPECT_EQ(modem.Close(), 0);
    // The port is free again: the forgotten reader's read ended with the close.
    EXPECT_EQ(modem.Open("COM7"), S_OK);
}

TEST(ModemManagerStop, AStopWithBothThreadsStuckReturnsAfterBothLimits) {
    PtyPort pty(7);
    Receiver receiver;
    cModemManager modem;
    ASSERT_EQ(modem.Open("COM7"), S_OK);
    ASSERT_EQ(modem.Start(&receiver), S_OK);
    // The far end reads nothing: once the terminal is full the writer's write waits, the queue
    // fills behind it and Write is refused. Queue until it has been refused for a while.
    const std::string block = qel::test::pattern(cSynchBuffer::kSize);
    std::size_t queued = 0;
    auto refused_since = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - refused_since < std::chrono::milliseconds(200)) {
        ASSERT_LT(queued, 64u << 20) << "the terminal never filled";
        if (modem.Write(block.data(), static_cast<DWORD>(block.size())) == 0) {
            queued += block.size();
            refused_since = std::chrono::steady_clock::now();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    pf::ScopedTimeScale fast(0.002);
    const DWORD start = pf::tick_count();
    EXPECT_EQ(modem.Stop(0), 0);
    EXPECT_GE(pf::tick_count() - start, 2 * cModemManager::kThreadStopTimeout);
    // Close purges with abort: the stuck write ends, and what reached the far end is the blocks
    // in order, unchanged.
    EXPECT_EQ(modem.Close(), 0);
    const std::string got = pty.receive(queued, 100);
    ASSERT_FALSE(got.empty());
    for (std::size_t at = 0; at < got.size(); at += block.size()) {
        ASSERT_EQ(got.substr(at, block.size()), block.substr(0, std::min(block.size(), got.size() - at))) << at;
    }
}

TEST(ModemManagerFarEnd, AFarEndThatClosesEndsTheReaderWithoutSpinning) {
    PtyPort pty(8);
    Receiver receiver;
    cModemManager modem;
    ASSERT_EQ(modem.Open("COM8"), S_OK);
    ASSERT_EQ(modem.Start(&receiver), S_OK);
    pty.send("NO CARRIER");
    EXPECT_EQ(receiver.wait_for(10), "NO CARRIER");
    pty.far_end().close();
    EXPECT_EQ(modem.Write("AT\r"), 0);  // the writer's write fails and ends it

    // Without a purge only threads that already ended let Stop return before its limits.
    pf::ScopedTimeScale real(1.0);
    const DWORD start = pf::tick_count();
    EXPECT_EQ(modem.Stop(0), 0);
    EXPECT_LT(pf::tick_count() - start, cModemManager::kThreadStopTimeout);
    EXPECT_EQ(modem.Close(), 0);
    EXPECT_FALSE(modem.IsOpen());
}
