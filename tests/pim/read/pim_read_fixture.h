// Fixture of the vCard and vCalendar reading tests: a registry, a temporary folder (so the value
// files of base64 properties can be counted) and a pinned time zone of their own, the default
// code pages forgotten around each case; streams over text; a callback that records what each
// delivered object held at the moment of delivery.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "pim/charsets.h"
#include "pim/pim_object_record.h"
#include "platform/registry/registry.h"
#include "support/test_support.h"

namespace pimread {

class PimReadTest : public ::testing::Test {
protected:
    PimReadTest()
        : registry_env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()),
          tmp_env_("TMPDIR", (dir_.path() / "tmp").string()),
          tz_env_("TZ", "UTC0") {
        std::filesystem::create_directories(dir_.path() / "tmp");
        qel::platform::reg_reset_for_tests();
        ResetDefaultCodePages();
        tzset();
    }
    ~PimReadTest() override {
        qel::pim::release_parse_record();
        ResetDefaultCodePages();
        qel::platform::reg_reset_for_tests();
    }

    std::filesystem::path tmp() const { return dir_.path() / "tmp"; }
    std::size_t files_in_tmp() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp())) ++n;
        return n;
    }
    // Writes text to a file of the test folder and returns its path.
    std::filesystem::path write_file(const std::string& name, const std::string& text) const {
        const auto path = dir_.path() / name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }

    qel::test::TempDir dir_;
    qel::test::ScopedEnv registry_env_;
    qel::test::ScopedEnv tmp_env_;
    qel::test::ScopedEnv tz_env_;
};

// A read stream over text (a real temporary file, so put-back and end-of-file behave as on disk).
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

}  // namespace pimread
