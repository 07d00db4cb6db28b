// The write queue between callers and the writer thread, and the names ports are opened under.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "dialup/transport/com_port_name.h"
#include "dialup/transport/synch_buffer.h"

TEST(GetLongComPortName, OnlyComNamesLongerThanFourCharactersGetTheDeviceNamespace) {
    char buf[64];
    EXPECT_STREQ(GetLongComPortName("COM4", buf), "COM4");
    EXPECT_STREQ(GetLongComPortName("COM12", buf), "\\\\.\\COM12");
    EXPECT_STREQ(GetLongComPortName("COM255", buf), "\\\\.\\COM255");
    EXPECT_STREQ(GetLongComPortName("\\\\.\\COM12", buf), "\\\\.\\COM12");
    EXPECT_STREQ(GetLongComPortName("\\\\.\\COM4", buf), "\\\\.\\COM4");
    EXPECT_STREQ(GetLongComPortName("LPT12", buf), "LPT12");
    EXPECT_STREQ(GetLongComPortName("", buf), "");
    EXPECT_EQ(GetLongComPortName("COM1", buf), buf);
}

TEST(GetLongComPortName, ANameIsCutToTheBufferAndAlwaysTerminated) {
    char small[6];
    std::fill(std::begin(small), std::end(small), 'x');
    EXPECT_STREQ(GetLongComPortName("COM12", small), "\\\\.\\C");
    EXPECT_STREQ(GetLongComPortName(nullptr, small), "");
    char none[1] = {'x'};
    EXPECT_EQ(GetLongComPortName("COM12", std::span<char>(none, 0)), none);
    EXPECT_EQ(none[0], 'x');
}

TEST(SynchBuffer, BlocksComeOutWholeAndInOrder) {
    cSynchBuffer queue;
    EXPECT_TRUE(queue.put("AT", 2));
    EXPECT_TRUE(queue.put("", 0));
    EXPECT_TRUE(queue.put("Z\r", 2));
    EXPECT_EQ(queue.pending(), 4);
    ASSERT_EQ(queue.get(), 4);
    EXPECT_EQ(std::string(queue.data(), 4), "ATZ\r");
    EXPECT_EQ(queue.pending(), 0);
    EXPECT_FALSE(queue.put(nullptr, 3));
    EXPECT_FALSE(queue.put("x", -1));
    EXPECT_EQ(queue.pending(), 0);
}

TEST(SynchBuffer, ABlockThatDoesNotFitIsRefusedWholeAndThePendingBlockIsKept) {
    cSynchBuffer queue;
    const std::string pending(2000, 'p');
    ASSERT_TRUE(queue.put(pending.data(), 2000));
    const std::string more(100, 'm');
    EXPECT_FALSE(queue.put(more.data(), 100));
    EXPECT_EQ(queue.pending(), 2000);
    EXPECT_TRUE(queue.put(more.data(), 48));  // exactly full
    EXPECT_FALSE(queue.put("x", 1));
    ASSERT_EQ(queue.get(), 2048);
    EXPECT_EQ(std::string(queue.data(), 2000), pending);
    EXPECT_EQ(std::string(queue.data() + 2000, 48), more.substr(0, 48));

    EXPECT_FALSE(queue.put(std::string(2049, 'x').data(), 2049));
    EXPECT_EQ(queue.pending(), 0);
}

TEST(SynchBuffer, AbortReleasesAWaitingGetAndKeepsWhatIsPendingForAResume) {
    cSynchBuffer queue;
    std::atomic<int> got{-1};
    std::thread writer([&] { got = queue.get(); });
    queue.abort();
    writer.join();
    EXPECT_EQ(got.load(), 0);
    EXPECT_TRUE(queue.put("AT", 2));
    EXPECT_EQ(queue.get(), 0) << "an aborted queue handed out data";
    EXPECT_EQ(queue.pending(), 2);

    queue.resume();
    EXPECT_TRUE(queue.put("OK", 2));
    std::thread second([&] { got = queue.get(); });
    second.join();
    ASSERT_EQ(got.load(), 4);
    EXPECT_EQ(std::string(queue.data(), 4), "ATOK");
}

TEST(SynchBuffer, AWaitingGetTakesTheFirstBlockPut) {
    cSynchBuffer queue;
    std::atomic<int> got{-1};
    std::thread writer([&] { got = queue.get(); });
    EXPECT_TRUE(queue.put("ATD*99#\r", 8));
    writer.join();
    ASSERT_EQ(got.load(), 8);
    EXPECT_EQ(std::string(queue.data(), 8), "ATD*99#\r");
}
