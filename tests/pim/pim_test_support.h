// Helpers shared by the versit test programs (core, reading, messages, notes): a fixture base with
// a registry and a temporary folder of its own (TMPDIR points into it, so stray temporary files
// can be counted), streams over text backed by real temporary files, a trace viewer that receives
// the library's "OSIF:" lines on a loopback address, and the reading of a corpus's checked-in
// expectations (result code and object count per file). Header-only, so each program compiles it
// with its own sources.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/udp_socket.h"
#include "support/test_support.h"
#include "trace/pim_log.h"

namespace pimsupport {

// A registry (QEL_REGISTRY_DIR) and a temporary folder (TMPDIR) of the test's own; the registry
// is forgotten before and after each case.
class PimTestBase : public ::testing::Test {
protected:
    PimTestBase()
        : registry_env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()),
          tmp_env_("TMPDIR", (dir_.path() / "tmp").string()) {
        std::filesystem::create_directories(dir_.path() / "tmp");
        qel::platform::reg_reset_for_tests();
    }
    ~PimTestBase() override { qel::platform::reg_reset_for_tests(); }

    const std::filesystem::path& dir() const { return dir_.path(); }
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
        EXPECT_NE(f, nullptr) << path;
        if (!f) return path;
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }

    qel::test::TempDir dir_;

private:
    qel::test::ScopedEnv registry_env_;
    qel::test::ScopedEnv tmp_env_;
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
    // What is left to read (the position moves to the end).
    std::string rest() const {
        std::string out;
        for (int c; (c = std::fgetc(file_)) != EOF;) out.push_back(static_cast<char>(c));
        return out;
    }
    // The whole file; the position is kept.
    std::string contents() const {
        const long at = std::ftell(file_);
        std::rewind(file_);
        std::string out = rest();
        std::fseek(file_, at, SEEK_SET);
        return out;
    }

private:
    std::FILE* file_;
};

using LogLines = std::vector<std::pair<int, std::string>>;

// Receives the library's log lines on the trace viewer's fixed port of one loopback address
// (each program uses an address of its own, so programs running at once never share a viewer).
class TraceViewer {
public:
    // Binds the port and points the library's log at it; false (the caller skips) when the port
    // cannot be bound.
    bool start(std::uint32_t address) {
        socket_ = qel::platform::UdpSocket::bind(address, qel::trace::kTraceViewerPort);
        if (!socket_) return false;
        qel::platform::RegKey key;
        EXPECT_EQ(qel::platform::reg_create_key(HKEY_CURRENT_USER, u"Software\\QUORLAN\\BTConfig\\Debug",
                                                KEY_ALL_ACCESS, key.put(), nullptr),
                  0);
        const DWORD value = address;
        EXPECT_EQ(qel::platform::reg_set_value(key.get(), u"LogIPAddr", REG_DWORD,
                                               reinterpret_cast<const BYTE*>(&value), sizeof value),
                  0);
        qel::trace::reset_pim_log();
        return true;
    }
    // The next line received within timeout_ms: level and text ({-1, "<nothing>"} when none).
    std::pair<int, std::string> next_line(int timeout_ms = 5000) {
        if (!socket_) return {-1, "<nothing>"};
        const auto datagram = socket_->receive(timeout_ms);
        if (!datagram || datagram->size() < 8) return {-1, "<nothing>"};
        return {(*datagram)[0] | ((*datagram)[1] << 8), std::string(datagram->begin() + 8, datagram->end())};
    }
    // Every line received so far (loopback datagrams arrive as they are sent), each waited for at
    // most timeout_ms.
    LogLines drain(int timeout_ms) {
        LogLines lines;
        if (!socket_) return lines;
        while (auto datagram = socket_->receive(timeout_ms)) {
            if (datagram->size() < 8) continue;
            lines.emplace_back((*datagram)[0] | ((*datagram)[1] << 8),
                               std::string(datagram->begin() + 8, datagram->end()));
        }
        return lines;
    }

private:
    std::optional<qel::platform::UdpSocket> socket_;
};

// A fixture for running the built qelcfg program: each case is skipped when it is not built.
template <typename Fixture>
class WithQelcfg : public Fixture {
protected:
    void SetUp() override {
        if (!qel::test::qelcfg_program()) GTEST_SKIP() << "qelcfg is not built";
    }
    static qel::test::ProgramRun run(const std::vector<std::string>& args) { return qel::test::run_qelcfg(args); }
};

// What reading one corpus file gave: the result code and the number of delivered objects.
struct CorpusOutcome {
    std::uint32_t result = 0;
    std::size_t objects = 0;
    bool operator==(const CorpusOutcome&) const = default;
};

// Path (relative to the corpus root) -> expected outcome.
using CorpusExpectations = std::map<std::string, CorpusOutcome>;

// Reads "<path> <result> <objects>" lines of a file under the source tree (# starts a comment);
// empty when the file is missing.
inline CorpusExpectations read_corpus_expectations(const std::filesystem::path& relative_to_source) {
    CorpusExpectations out;
    std::ifstream in(qel::test::source_dir() / relative_to_source);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string path;
        CorpusOutcome o;
        fields >> path >> o.result >> o.objects;
        out[path] = o;
    }
    return out;
}

// The regular files under root/folder (recursively), with their paths relative to root; only
// those ending in extension when one is given.
inline std::vector<std::pair<std::filesystem::path, std::string>> corpus_files(const std::filesystem::path& root,
                                                                              const std::string& folder,
                                                                              const std::string& extension = {}) {
    std::vector<std::pair<std::filesystem::path, std::string>> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
        if (!entry.is_regular_file()) continue;
        if (!extension.empty() && entry.path().extension() != extension) continue;
        out.emplace_back(entry.path(), std::filesystem::relative(entry.path(), root).generic_string());
    }
    return out;
}

// Fails unless the file has an expectation and its outcome matches it; noun names the objects.
inline void expect_corpus_outcome(const CorpusExpectations& expected, const std::string& relative,
                                  const CorpusOutcome& o, const char* noun) {
    const auto it = expected.find(relative);
    if (it == expected.end()) {
        ADD_FAILURE() << relative << " has no expectation (result " << o.result << ", " << o.objects << ")";
    } else {
        EXPECT_EQ(o, it->second) << relative << ": result " << o.result << ", " << o.objects << " " << noun;
    }
}

// Fails for every expectation whose file was not read.
inline void expect_every_file_read(const CorpusExpectations& expected, const CorpusExpectations& seen) {
    for (const auto& [path, outcome] : expected) EXPECT_TRUE(seen.count(path)) << path << " is not in the corpus";
}

}  // namespace pimsupport
