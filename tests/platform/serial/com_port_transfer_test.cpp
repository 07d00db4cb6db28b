// Reads and writes on a port over a real pseudo-terminal: what completes a read, overlapped
// completion through the event, cancellation by purge and from another thread, blocked writes,
// and a far end that hangs up.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/last_error.h"
#include "platform/serial/com_port.h"
#include "platform/sync/clock.h"
#include "platform/sync/event.h"
#include "pty_port.h"

using namespace qel::platform;
using qel::test::PtyPort;

namespace {

std::span<std::byte> bytes(std::string& s) { return std::as_writable_bytes(std::span(s.data(), s.size())); }
std::span<const std::byte> bytes(std::string_view s) { return std::as_bytes(std::span(s.data(), s.size())); }

struct OpenPort {
    explicit OpenPort(unsigned number) : pty(number), port(*ComPort::open(pty.name())) {}
    PtyPort pty;
    ComPort port;
};

// An overlapped record with its own manual-reset event.
struct Pending : OVERLAPPED {
    Pending() { hEvent = create_event(true, false); }
};

}  // namespace

TEST(ComPortTransfer, BytesCrossBothWaysUnchanged) {
    OpenPort p(1);
    const std::string out = qel::test::pattern(3000) + "\r\n\x11\x13\x7f\xff";
    DWORD done = 0;
    ASSERT_TRUE(p.port.write(bytes(out), &done)) << last_error();
    EXPECT_EQ(done, out.size());
    EXPECT_EQ(p.pty.receive(out.size()), out);

    p.pty.send("AT\r\x03\x1a");
    std::string in(5, '\0');
    std::string got;
    while (got.size() < 5) {
        ASSERT_TRUE(p.port.read(bytes(in).first(5 - got.size()), &done));
        got.append(in.data(), done);
    }
    EXPECT_EQ(got, "AT\r\x03\x1a");
}

TEST(ComPortTransfer, AReadWaitsForTheFirstByteAndReturnsWhatIsThere) {
    OpenPort p(1);
    std::string buffer(64, '\0');
    Pending ov;
    DWORD done = 99;
    ASSERT_FALSE(p.port.read_overlapped(bytes(buffer), &done, &ov));
    ASSERT_EQ(last_error(), ERROR_IO_PENDING);
    EXPECT_EQ(ov.Internal, STATUS_PENDING);
    EXPECT_FALSE(p.port.overlapped_result(&ov, &done, false));
    EXPECT_EQ(last_error(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(wait_for_single_object(ov.hEvent, 0), WAIT_TIMEOUT);

    p.pty.send("OK");
    ASSERT_EQ(wait_for_single_object(ov.hEvent, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(p.port.overlapped_result(&ov, &done, true));
    ASSERT_GE(done, 1u);
    EXPECT_EQ(buffer.substr(0, done), std::string("OK").substr(0, done));
}

TEST(ComPortTransfer, OnlyOneReadRunsAtATime) {
    OpenPort p(1);
    std::string a(1, '\0'), b(1, '\0');
    Pending first, second;
    ASSERT_FALSE(p.port.read_overlapped(bytes(a), nullptr, &first));
    ASSERT_EQ(last_error(), ERROR_IO_PENDING);
    EXPECT_FALSE(p.port.read_overlapped(bytes(b), nullptr, &second));
    EXPECT_EQ(last_error(), ERROR_BUSY);
    p.pty.send("x");
    DWORD done = 0;
    ASSERT_TRUE(p.port.overlapped_result(&first, &done, true));
    EXPECT_EQ(a, "x");
}

TEST(ComPortTransfer, ReadTimeoutsEndReadsWithWhatArrived) {
    ScopedTimeScale fast(0.01);
    OpenPort p(1);
    std::string buffer(8, '\0');
    DWORD done = 99;

    ASSERT_TRUE(p.port.set_timeouts({MAXDWORD, 0, 0, 0, 0}));
    ASSERT_TRUE(p.port.read(bytes(buffer), &done));
    EXPECT_EQ(done, 0u) << "an immediate read waited for data";

    ASSERT_TRUE(p.port.set_timeouts({0, 0, 500, 0, 0}));
    const DWORD start = tick_count();
    done = 99;
    ASSERT_TRUE(p.port.read(bytes(buffer), &done));
    EXPECT_EQ(done, 0u);
    EXPECT_GE(tick_count() - start, 500u);

    p.pty.send("abc");
    std::string got;
    for (int i = 0; i < 100 && got.size() < 3; ++i) {
        ASSERT_TRUE(p.port.read(bytes(buffer), &done));
        got.append(buffer.data(), done);
    }
    EXPECT_EQ(got, "abc");
}

TEST(ComPortTransfer, PurgeWithAbortEndsAPendingReadAtOnce) {
    OpenPort p(1);
    std::string buffer(1, '\0');
    Pending ov;
    ASSERT_FALSE(p.port.read_overlapped(bytes(buffer), nullptr, &ov));
    ASSERT_EQ(last_error(), ERROR_IO_PENDING);
    ASSERT_TRUE(p.port.purge(PURGE_TXCLEAR | PURGE_RXCLEAR));
    EXPECT_EQ(wait_for_single_object(ov.hEvent, 0), WAIT_TIMEOUT) << "a clear without abort ended the read";
    ASSERT_TRUE(p.port.purge(PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_EQ(wait_for_single_object(ov.hEvent, 0), WAIT_OBJECT_0);
    DWORD done = 99;
    EXPECT_FALSE(p.port.overlapped_result(&ov, &done, true));
    EXPECT_EQ(last_error(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(done, 0u);

    // The port reads on afterwards.
    p.pty.send("z");
    ASSERT_TRUE(p.port.read(bytes(buffer), &done));
    EXPECT_EQ(buffer, "z");
}

TEST(ComPortTransfer, CancelFromAnotherThreadEndsABlockingRead) {
    OpenPort p(1);
    std::atomic<DWORD> error{0};
    std::thread reader([&] {
        std::string buffer(1, '\0');
        DWORD done = 0;
        error = p.port.read(bytes(buffer), &done) ? ERROR_SUCCESS : last_error();
    });
    // Cancel once the read is waiting (no read running yet: nothing to cancel).
    while (!p.port.cancel_io()) {
        ASSERT_EQ(last_error(), ERROR_NOT_FOUND);
        std::this_thread::yield();
    }
    reader.join();
    EXPECT_EQ(error.load(), ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(p.port.cancel_io());
    EXPECT_EQ(last_error(), ERROR_NOT_FOUND);
}

TEST(ComPortTransfer, CloseEndsTransfersRunningOnOtherThreads) {
    OpenPort p(1);
    Pending ov;
    std::string buffer(1, '\0');
    ASSERT_FALSE(p.port.read_overlapped(bytes(buffer), nullptr, &ov));
    std::atomic<DWORD> error{0};
    std::thread waiter([&] {
        DWORD done = 0;
        error = p.port.overlapped_result(&ov, &done, true) ? ERROR_SUCCESS : last_error();
    });
    p.port.close();
    waiter.join();
    EXPECT_EQ(error.load(), ERROR_OPERATION_ABORTED);
}

TEST(ComPortTransfer, NullBytesAreDroppedOnlyWhenTheBlockSaysSo) {
    OpenPort p(1);
    DCB dcb;
    ASSERT_TRUE(p.port.get_state(&dcb));
    dcb.fNull = 1;
    ASSERT_TRUE(p.port.set_state(dcb));
    p.pty.send(std::string_view("\0a\0\0b", 5));
    std::string buffer(1, '\0');
    std::string got;
    DWORD done = 0;
    while (got.size() < 2) {
        ASSERT_TRUE(p.port.read(bytes(buffer), &done));
        got.append(buffer.data(), done);
    }
    EXPECT_EQ(got, "ab");

    dcb.fNull = 0;
    ASSERT_TRUE(p.port.set_state(dcb));
    p.pty.send(std::string_view("\0c", 2));
    got.clear();
    while (got.size() < 2) {
        ASSERT_TRUE(p.port.read(bytes(buffer), &done));
        got.append(buffer.data(), done);
    }
    EXPECT_EQ(got, std::string("\0c", 2));
}

TEST(ComPortTransfer, AWriteTheFarEndDoesNotTakeWaitsAndAbortEndsIt) {
    OpenPort p(1);
    const std::string big = qel::test::pattern(256 * 1024);
    Pending ov;
    DWORD done = 0;
    ASSERT_FALSE(p.port.write_overlapped(bytes(big), &done, &ov)) << "the pseudo-terminal took 256 KiB at once";
    ASSERT_EQ(last_error(), ERROR_IO_PENDING);
    COMSTAT status;
    ASSERT_TRUE(p.port.clear_error(nullptr, &status));
    EXPECT_GT(status.cbOutQue, 0u);
    ASSERT_TRUE(p.port.purge(PURGE_TXABORT | PURGE_TXCLEAR));
    EXPECT_FALSE(p.port.overlapped_result(&ov, &done, true));
    EXPECT_EQ(last_error(), ERROR_OPERATION_ABORTED);
    EXPECT_LT(done, big.size());
}

TEST(ComPortTransfer, ABlockedWriteFinishesInOrderAsTheFarEndReads) {
    OpenPort p(1);
    const std::string big = qel::test::pattern(200 * 1024);
    Pending ov;
    DWORD done = 0;
    const bool at_once = p.port.write_overlapped(bytes(big), &done, &ov);
    ASSERT_TRUE(at_once || last_error() == ERROR_IO_PENDING);
    EXPECT_EQ(p.pty.receive(big.size()), big);
    ASSERT_TRUE(p.port.overlapped_result(&ov, &done, true));
    EXPECT_EQ(done, big.size());
}

TEST(ComPortTransfer, AFarEndThatHangsUpFailsPendingAndLaterTransfers) {
    OpenPort p(1);
    Pending ov;
    std::string buffer(1, '\0');
    ASSERT_FALSE(p.port.read_overlapped(bytes(buffer), nullptr, &ov));
    ASSERT_EQ(last_error(), ERROR_IO_PENDING);
    p.pty.far_end().close();
    DWORD done = 0;
    EXPECT_FALSE(p.port.overlapped_result(&ov, &done, true));
    EXPECT_EQ(last_error(), ERROR_BROKEN_PIPE);

    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(p.port.read(bytes(buffer), &done));
        EXPECT_EQ(last_error(), ERROR_BROKEN_PIPE);
        EXPECT_FALSE(p.port.write(bytes("AT\r"), &done));
        EXPECT_EQ(last_error(), ERROR_BROKEN_PIPE);
    }
    DWORD errors = 1;
    EXPECT_TRUE(p.port.clear_error(&errors, nullptr));
    EXPECT_EQ(errors, 0u);
    p.port.close();
    EXPECT_FALSE(p.port.is_open());
}
