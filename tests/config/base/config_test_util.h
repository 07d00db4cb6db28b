// Shared helpers of the configuration base tests: a fixture with empty hives in a temporary
// folder and the native registry view, and a small record type; the short forms of registry
// calls are those of the record tests.
#pragma once

#include <string>

#include "../records/records_test_util.h"
#include "config/cfg_base.h"
#include "config/record_values.h"
#include "config/registry_view.h"
#include "platform/process_info.h"

namespace qel::test {

// The record tests' fixture, with the native registry view of a process that is not WOW64.
class ConfigTest : public RecordsTest {
protected:
    ConfigTest() {
        set_wow64_for_tests(std::nullopt);
        qel::config::ResetRegistryViewForTests();
    }
    ~ConfigTest() override {
        set_wow64_for_tests(std::nullopt);
        qel::config::ResetRegistryViewForTests();
    }
};

// A record with one number ("Count", default 7) and one text ("Label", default "none").
class TestCfg : public CBTCfg {
public:
    explicit TestCfg(const char16_t* name = nullptr, const char16_t* path = u"Software\\Quorlan\\Test")
        : CBTCfg(name, path) {}
    void GetAll(HKEY hKey) override {
        qel::config::get_dword(hKey, u"Count", count);
        qel::config::get_text(hKey, u"Label", label, MAX_PATH);
    }
    void PutAll(HKEY hKey) override {
        qel::config::put_dword(hKey, u"Count", count);
        qel::config::put_text(hKey, u"Label", label, MAX_PATH);
    }

    DWORD count = 7;
    std::u16string label = u"none";
};

}  // namespace qel::test
