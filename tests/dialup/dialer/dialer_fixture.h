// The dialer's test fixture: a temporary registry, system directory (with an access-point
// database built for the tests) and COM folder, a simulated phone on COM7 over a real
// pseudo-terminal, and the facade trace switched on so that trace lines can be checked.
//
// Database presets: 262001 and 262002 share "six.digit.apn" (with login and password); 26201 has
// two accounts; 26203 one; 2620 and 31000 exist only to show which numbers a query looks up.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/debug_stream.h"
#include "platform/sync/clock.h"
#include "sim/phone/phone_modem.h"
#include "support/test_support.h"

namespace qel::test {

inline constexpr const char* kPhonePort = "COM7";
inline constexpr int kPhoneComNumber = 7;

class DialerFixture : public ::testing::Test {
protected:
    DialerFixture();
    ~DialerFixture() override;

    // Starts the phone on COM7; null (and a failure) when it cannot.
    qel::sim::PhoneModem* start_phone(const qel::sim::PhoneBehaviour& behaviour);
    void remove_database();
    // Makes "COM<n>" name a device that does not exist.
    std::string dead_port(int n);
    bool traced(std::string_view fragment) const { return trace_.contains(fragment); }

    TempDir dir_;
    ScopedEnv registry_env_;
    ScopedEnv system_env_;
    ScopedEnv com_env_;
    std::unique_ptr<qel::sim::PhoneModem> phone_;
    qel::platform::DebugStreamCapture trace_;
};

}  // namespace qel::test
