// Fixture of the versit core tests: a registry and a temporary folder of their own (so temporary
// value files can be counted), a pinned time zone (Central European, with summer time), the
// default code pages forgotten before and after each case; and helpers for streams and lists.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "pim/charsets.h"
#include "pim/osif_props.h"
#include "platform/registry/registry.h"
#include "../pim_test_support.h"

namespace pimtest {

inline constexpr const char* kBerlinTz = "CET-1CEST,M3.5.0,M10.5.0/3";

class PimCoreTest : public pimsupport::PimTestBase {
protected:
    PimCoreTest() : tz_env_("TZ", kBerlinTz) {
        ResetDefaultCodePages();
        tzset();
    }
    ~PimCoreTest() override { ResetDefaultCodePages(); }

    // Sets a string value of the general configuration key.
    static void set_general(const char16_t* name, std::u16string_view value) {
        qel::platform::RegKey key;
        ASSERT_EQ(qel::platform::reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\General", KEY_ALL_ACCESS,
                                                key.put(), nullptr),
                  0);
        const std::u16string text(value);
        ASSERT_EQ(qel::platform::reg_set_value(key.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                               static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
                  0);
    }

private:
    qel::test::ScopedEnv tz_env_;
};

using pimsupport::TextStream;

// The texts of a string list (null texts as "<null>").
inline std::vector<std::string> texts(const tagString* list) {
    std::vector<std::string> out;
    for (; list; list = list->next) out.push_back(list->str ? list->str : "<null>");
    return out;
}

// A heap copy for AddPropValue.
inline char* heap(const std::string& text) {
    char* p = static_cast<char*>(OSIF_Alloc(text.size() + 1));
    std::memcpy(p, text.c_str(), text.size() + 1);
    return p;
}

// Owns a property list for one test.
struct PropList {
    tagProp* head = nullptr;
    PropList() = default;
    PropList(const PropList&) = delete;
    PropList& operator=(const PropList&) = delete;
    ~PropList() { OSIF_FreePropList(head); }
};

}  // namespace pimtest
