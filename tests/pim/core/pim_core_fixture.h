// Fixture of the versit core tests: a registry and a temporary folder of their own (so temporary
// value files can be counted), a pinned time zone (Central European, with summer time), the
// default code pages forgotten before and after each case; and helpers for streams and lists.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "pim/charsets.h"
#include "pim/osif_props.h"
#include "platform/registry/registry.h"
#include "support/test_support.h"

namespace pimtest {

inline constexpr const char* kBerlinTz = "CET-1CEST,M3.5.0,M10.5.0/3";

class PimCoreTest : public ::testing::Test {
protected:
    PimCoreTest()
        : registry_env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()),
          tmp_env_("TMPDIR", (dir_.path() / "tmp").string()),
          tz_env_("TZ", kBerlinTz) {
        std::filesystem::create_directories(dir_.path() / "tmp");
        qel::platform::reg_reset_for_tests();
        ResetDefaultCodePages();
        tzset();
    }
    ~PimCoreTest() override {
        ResetDefaultCodePages();
        qel::platform::reg_reset_for_tests();
    }

    std::filesystem::path tmp() const { return dir_.path() / "tmp"; }
    std::size_t files_in_tmp() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp())) ++n;
        return n;
    }

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

    qel::test::TempDir dir_;
    qel::test::ScopedEnv registry_env_;
    qel::test::ScopedEnv tmp_env_;
    qel::test::ScopedEnv tz_env_;
};

// A read stream over text (a real temporary file, so positions and put-back behave as on disk).
class TextStream {
public:
    explicit TextStream(const std::string& text) : file_(std::tmpfile()) {
        std::fwrite(text.data(), 1, text.size(), file_);
        std::rewind(file_);
    }
    ~TextStream() { std::fclose(file_); }
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;
    std::FILE* get() const { return file_; }

private:
    std::FILE* file_;
};

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
