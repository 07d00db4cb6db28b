// Fixture of the note and change-log tests: a registry and temporary folder of their own (TMPDIR
// points into it, so stray temporary files can be counted), files written from text, streams over
// text, and a trace viewer on 127.0.0.5 that receives the library's "OSIF:" lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pim/pim_object_record.h"
#include "platform/registry/registry.h"
#include "platform/udp_socket.h"
#include "support/test_support.h"
#include "trace/pim_log.h"

namespace pimnotes {

using LogLines = std::vector<std::pair<int, std::string>>;

class NotesTest : public ::testing::Test {
protected:
    NotesTest()
        : registry_env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()),
          tmp_env_("TMPDIR", (dir_.path() / "tmp").string()) {
        std::filesystem::create_directories(dir_.path() / "tmp");
        qel::platform::reg_reset_for_tests();
        qel::trace::reset_pim_log();
    }
    ~NotesTest() override {
        qel::pim::release_parse_record();
        qel::trace::reset_pim_log();
        qel::platform::reg_reset_for_tests();
    }

    const std::filesystem::path& dir() const { return dir_.path(); }
    std::filesystem::path tmp() const { return dir_.path() / "tmp"; }
    std::size_t files_in_tmp() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp())) ++n;
        return n;
    }
    std::filesystem::path write_file(const std::string& name, const std::string& text) const {
        const auto path = dir_.path() / name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (!f) return path;
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }

    // Starts receiving the library's log lines; false (the caller skips) when the viewer's port
    // on 127.0.0.5 cannot be bound.
    bool start_viewer() {
        constexpr std::uint32_t kViewer = 0x7F000005;
        viewer_ = qel::platform::UdpSocket::bind(kViewer, qel::trace::kTraceViewerPort);
        if (!viewer_) return false;
        qel::platform::RegKey key;
        EXPECT_EQ(qel::platform::reg_create_key(HKEY_CURRENT_USER, u"Software\\QUORLAN\\BTConfig\\Debug",
                                                KEY_ALL_ACCESS, key.put(), nullptr),
                  0);
        const DWORD address = kViewer;
        EXPECT_EQ(qel::platform::reg_set_value(key.get(), u"LogIPAddr", REG_DWORD,
                                               reinterpret_cast<const BYTE*>(&address), sizeof address),
                  0);
        qel::trace::reset_pim_log();
        return true;
    }
    // Every line received since the last call: level and text.
    LogLines drain() {
        LogLines lines;
        if (!viewer_) return lines;
        while (auto datagram = viewer_->receive(20)) {
            if (datagram->size() < 8) continue;
            lines.emplace_back((*datagram)[0] | ((*datagram)[1] << 8),
                               std::string(datagram->begin() + 8, datagram->end()));
        }
        return lines;
    }

private:
    qel::test::TempDir dir_;
    qel::test::ScopedEnv registry_env_;
    qel::test::ScopedEnv tmp_env_;
    std::optional<qel::platform::UdpSocket> viewer_;
};

// A read (and write) stream over text: a real temporary file, so put-back, seeking and the end of
// the file behave as on disk.
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
    std::string contents() const {
        std::string out;
        const long at = std::ftell(file_);
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) out.push_back(static_cast<char>(c));
        std::fseek(file_, at, SEEK_SET);
        return out;
    }

private:
    std::FILE* file_;
};

}  // namespace pimnotes
