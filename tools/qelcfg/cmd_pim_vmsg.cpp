// "qelcfg pim vmsg FILE [--json]": every message of a vMessage file, read by the library's
// message reader, as a listing or, with --json, as one JSON object:
// {"status": <reader's result>, "messages": [{"status", "store", "luid", "version", "status_text",
// "type", "folder", "headers": {"DATE": [...], ...}, "multipart": null or {"subtype", "boundary",
// "content_type"}, "parts": [{"content_type", "transfer_encoding", "text" or "file" and
// "file_size"}]}]}, texts in UTF-8. The status is the reader's result (7 when the file cannot be
// opened). Exit codes: 0 when the result is 18 or 19, 2 otherwise.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "pim/charsets.h"
#include "pim/message/vmsg_parser.h"
#include "pim/msg_content.h"
#include "pim/osif_files.h"
#include "pim/prop_values.h"

namespace qelcfg {
namespace {

using Json = nlohmann::ordered_json;

Json text_or_null(const tagString* s) {
    if (!s || !s->str) return nullptr;
    return std::string(s->str);
}

// Every value component of each property of a header list, joined with ";", in UTF-8.
Json header_texts(tagProp* list) {
    Json out = Json::array();
    for (tagProp* prop = list; prop; prop = prop->next) {
        std::string text;
        int index = 0;
        for (const tagString* v = prop->values; v; v = v->next, ++index) {
            if (index) text += ";";
            text += PropToUTF8(prop, index);
        }
        out.push_back(text);
    }
    return out;
}

const char* subtype_name(std::uint32_t subtype) {
    switch (subtype) {
        case OSIF_MULTIPART_MIXED: return "mixed";
        case OSIF_MULTIPART_ALTERNATIVE: return "alternative";
        case OSIF_MULTIPART_DIGEST: return "digest";
        case OSIF_MULTIPART_PARALLEL: return "parallel";
        default: return "other";
    }
}

const char* store_name(tOSIF_STOREID store) {
    switch (store) {
        case OSIF_STORE_SENTBOX: return "sent box";
        case OSIF_STORE_OUTBOX: return "outbox";
        default: return "inbox";
    }
}

Json part_json(const tagPart* part) {
    Json p = {{"content_type", text_or_null(part->contentType)},
              {"transfer_encoding", text_or_null(part->transferEncoding)}};
    const tagProp* content = part->content;
    if (content && content->file && content->file->path) {
        const std::filesystem::path path(std::u16string(content->file->path));
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        p["file"] = path.string();
        p["file_size"] = error ? 0 : size;
    } else {
        std::u16string text;
        ContentToBSTR(part, text);
        p["text"] = WideCharToUTF8(text);
    }
    return p;
}

// Called for each message while it is valid: everything shown is taken now.
void collect(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    auto& out = *reinterpret_cast<std::vector<Json>*>(context);
    tagvMsg& m = object->body.msg;
    Json headers = Json::object();
    const std::pair<const char*, tagProp*> lists[] = {
        {"DATE", m.DATE}, {"FROM", m.FROM}, {"TO", m.TO}, {"CC", m.CC}, {"BCC", m.BCC},
        {"REPLY-TO", m.REPLY_TO}, {"SUBJECT", m.SUBJECT}, {"MIME-VERSION", m.MIME_VERSION},
        {"IMPORTANCE", m.IMPORTANCE}};
    for (const auto& [name, list] : lists) headers[name] = header_texts(list);
    Json multipart = nullptr;
    if (m.multipart) {
        multipart = {{"subtype", subtype_name(m.multipart->subtype)},
                     {"boundary", text_or_null(m.multipart->boundary)},
                     {"content_type", text_or_null(m.multipart->contentType)}};
    }
    Json parts = Json::array();
    for (const tagPart* p = m.parts; p; p = p->next) parts.push_back(part_json(p));
    out.push_back({{"status", status},
                   {"store", store},
                   {"luid", std::string(object->luid)},
                   {"version", std::string(object->version)},
                   {"status_text", text_or_null(m.STATUS)},
                   {"type", text_or_null(m.TYPE)},
                   {"folder", text_or_null(m.FOLDER)},
                   {"headers", std::move(headers)},
                   {"multipart", std::move(multipart)},
                   {"parts", std::move(parts)}});
}

std::string dump(const Json& j) { return j.dump(2, ' ', false, Json::error_handler_t::replace); }

std::string plain(const Json& value) { return value.is_string() ? value.get<std::string>() : value.dump(); }

void line(const char* label, const std::string& text, const char* indent = "  ") {
    if (text.empty()) return;
    char head[40];
    std::snprintf(head, sizeof head, "%s%-18s", indent, label);
    std::cout << head << text << "\n";
}

void list_message(std::size_t n, const Json& m) {
    const auto store = m["store"].get<tOSIF_STOREID>();
    std::cout << "Message " << n << " (store " << store << ", " << store_name(store) << ")\n";
    line("status", std::to_string(m["status"].get<std::uint32_t>()));
    for (const char* key : {"luid", "version", "status_text", "type", "folder"}) {
        if (!m[key].is_null()) line(key, m[key].get<std::string>());
    }
    for (const auto& [name, texts] : m["headers"].items()) {
        for (const auto& text : texts) line(name.c_str(), text.get<std::string>());
    }
    if (!m["multipart"].is_null()) {
        line("multipart", plain(m["multipart"]["subtype"]) + ", boundary \"" + plain(m["multipart"]["boundary"]) + "\"");
    }
    std::size_t k = 0;
    for (const auto& part : m["parts"]) {
        std::string head = part["content_type"].is_null() ? std::string("(no content type)") : plain(part["content_type"]);
        if (!part["transfer_encoding"].is_null()) head += " [" + plain(part["transfer_encoding"]) + "]";
        line(("part " + std::to_string(++k)).c_str(), head);
        if (part.contains("file")) {
            line("file", plain(part["file"]) + " (" + plain(part["file_size"]) + " bytes)", "    ");
        } else {
            std::cout << "    " << plain(part["text"]) << "\n";
        }
    }
}

int show(const std::string& path, bool json) {
    std::FILE* stream = nullptr;
    std::vector<Json> messages;
    tOSIF_ERROR status = OSIF_ERR_OPEN;
    const std::u16string wide = UTF8ToWideChar(path);
    if (FILE_Open(&stream, wide.c_str(), "rb") == 0 && stream) {
        status = OSIF_ParseVMessages(stream, collect, reinterpret_cast<std::uintptr_t>(&messages));
        FILE_Close(stream, path.c_str());
    } else if (!json) {
        std::cerr << "qelcfg: cannot open " << path << "\n";
    }
    if (json) {
        Json list = Json::array();
        for (Json& m : messages) list.push_back(std::move(m));
        std::cout << dump({{"status", status}, {"messages", std::move(list)}}) << "\n";
    } else {
        for (std::size_t n = 0; n < messages.size(); ++n) list_message(n + 1, messages[n]);
        std::cout << "Result " << status << ", " << messages.size() << " message(s)\n";
    }
    return status == OSIF_SUCCESS || status == OSIF_SUCCESS_WARNINGS ? 0 : 2;
}

void setup(CLI::App& app) {
    CLI::App* pim = nullptr;
    try {
        pim = app.get_subcommand("pim");
    } catch (const CLI::Error&) {
        return;  // the pim command is registered first (order 75)
    }
    CLI::App* cmd = pim->add_subcommand("vmsg", "List every message of a vMessage file");
    auto file = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    cmd->add_option("FILE", *file, "The file to read")->required();
    cmd->add_flag("--json", *json, "Print one JSON object");
    cmd->callback([file, json] { set_exit_code(show(*file, *json)); });
}

CommandRegistrar registrar{76, setup};

}  // namespace
}  // namespace qelcfg
