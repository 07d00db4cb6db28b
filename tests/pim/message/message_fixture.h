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
#include "../pim_test_support.h"

namespace pimmsg {

class MessageTest : public pimsupport::PimTestBase {
protected:
    MessageTest() { ResetDefaultCodePages(); }
    ~MessageTest() override {
        qel::pim::release_parse_record();
        ResetDefaultCodePages();
    }
};

using pimsupport::TextStream;

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
