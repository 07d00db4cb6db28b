// Fixture of the message reading tests: a registry and a temporary folder of their own (so the
// content files of base64 parts can be counted), default code pages forgotten around each case;
// streams over text; a callback that records what each delivered message held when it was
// delivered.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pim/charsets.h"
#include "pim/message/vmsg_parser.h"
#include "pim/pim_object_record.h"
#include "platform/registry/registry.h"
#include "support/test_support.h"

namespace pimmsg {

class MessageTest : public ::testing::Test {
protected:
    MessageTest()
        : registry_env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()),
          tmp_env_("TMPDIR", (dir_.path() / "tmp").string()) {
        std::filesystem::create_directories(dir_.path() / "tmp");
        qel::platform::reg_reset_for_tests();
        ResetDefaultCodePages();
    }
    ~MessageTest() override {
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
    // What is left to read.
    std::string rest() const {
        std::string out;
        int c;
        while ((c = std::fgetc(file_)) != EOF) out.push_back(static_cast<char>(c));
        return out;
    }

private:
    std::FILE* file_;
};

// What one part held at delivery.
struct SeenPart {
    std::uint32_t flags = 0;
    std::optional<std::string> content_type, transfer_encoding;
    std::optional<std::string> text;  // value component 0
    std::optional<std::filesystem::path> file;
    std::string file_bytes;           // the file's bytes at delivery
    std::string decoded;              // ContentToBSTR, as UTF-8
};

// What one delivered message held at delivery.
struct Seen {
    std::uint32_t store = 0;
    std::uint32_t status = 0;
    std::string luid, version;
    std::optional<std::string> status_text, type, folder;
    std::map<std::string, std::vector<std::vector<std::string>>> headers;  // list name -> values
    bool multipart = false;
    std::uint32_t subtype = 0;
    std::string boundary, multipart_type;
    std::vector<SeenPart> parts;
};

struct Parse {
    std::uint32_t result = 0;
    std::vector<Seen> messages;
};

Parse parse_text(const std::string& text);
Parse parse_stream(std::FILE* stream);

// A message around a body: BEGIN:VMSG, the given header lines, an envelope holding the body.
std::string message(const std::string& head, const std::string& body);

}  // namespace pimmsg
