// "qelcfg pim vnote FILE [--json]": every note of a vNote file with its status, LUID, version and
// six properties (dcreated, last_modified, categories, class, body, summary: the first occurrence
// of each, decoded to UTF-8), as a listing or as {"status": <reader's result>, "notes": [...]};
// exit 0 when the result is 18 or 19, else 2 (7 when the file cannot be opened).
//
// "qelcfg pim changelog show LOG [--json]": every entry of an IrMC change log with its line
// number, malformed lines reported by line number; exit 0 when the log was read to its end without
// a malformed line, else 1. "qelcfg pim changelog add LOG --type M|D|H --count N --timestamp T
// --luid L" appends one entry (creating the log); texts that would not read back as given are
// refused with exit 2. "qelcfg pim changelog purge LOG [--temp-dir DIR]" keeps the newest 250
// entries, the temporary file in DIR (default: the log's folder); exit 0, or 1 when the purge
// failed (the log is then unchanged).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "pim/charsets.h"
#include "pim/notes/change_log.h"
#include "pim/notes/vnote_parser.h"
#include "pim/osif_files.h"
#include "pim/prop_values.h"

namespace qelcfg {
namespace {

using Json = nlohmann::ordered_json;

std::string dump(const Json& j) { return j.dump(2, ' ', false, Json::error_handler_t::replace); }

// ---- notes ----

void collect_note(tOSIF_STOREID, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    auto& out = *reinterpret_cast<std::vector<Json>*>(context);
    const tagvNote& n = object->body.note;
    Json note = Json::object();
    note["status"] = status;
    note["luid"] = object->luid;
    note["version"] = object->version;
    note["dcreated"] = PropToUTF8(n.DCREATED, 0);
    note["last_modified"] = PropToUTF8(n.LAST_MODIFIED, 0);
    note["categories"] = PropToUTF8(n.CATEGORIES, 0);
    note["class"] = PropToUTF8(n.CLASS, 0);
    note["body"] = PropToUTF8(n.BODY, 0);
    note["summary"] = PropToUTF8(n.SUMMARY, 0);
    out.push_back(std::move(note));
}

// A listing value: lines after the first are indented under it.
std::string indented(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
        if (text[i] == '\n') out += std::string(20, ' ');
    }
    return out;
}

int show_notes(const std::string& path, bool json) {
    std::FILE* stream = nullptr;
    std::vector<Json> notes;
    tOSIF_ERROR status = OSIF_ERR_OPEN;
    const std::u16string wide = UTF8ToWideChar(path);
    if (FILE_Open(&stream, wide.c_str(), "rb") == 0 && stream) {
        status = OSIF_ParseVNotes(stream, collect_note, reinterpret_cast<std::uintptr_t>(&notes));
        FILE_Close(stream, path.c_str());
    } else if (!json) {
        std::cerr << "qelcfg: cannot open " << path << "\n";
    }
    if (json) {
        Json list = Json::array();
        for (Json& note : notes) list.push_back(std::move(note));
        Json out = Json::object();
        out["status"] = status;
        out["notes"] = std::move(list);
        std::cout << dump(out) << "\n";
    } else {
        std::size_t n = 0;
        for (const Json& note : notes) {
            std::cout << "Note " << ++n << "\n";
            for (const auto& [name, value] : note.items()) {
                const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
                if (text.empty()) continue;
                char label[24];
                std::snprintf(label, sizeof label, "  %-18s", name.c_str());
                std::cout << label << indented(text) << "\n";
            }
        }
        std::cout << "Result " << status << ", " << notes.size() << " note(s)\n";
    }
    return status == OSIF_SUCCESS || status == OSIF_SUCCESS_WARNINGS ? 0 : 2;
}

// ---- change log ----

// Closes a stream opened by FILE_Open.
struct Closer {
    void operator()(std::FILE* f) const noexcept { FILE_Close(f, ""); }
};
using Stream = std::unique_ptr<std::FILE, Closer>;

Stream open_stream(const std::string& path, const char* mode) {
    std::FILE* f = nullptr;
    const std::u16string wide = UTF8ToWideChar(path);
    FILE_Open(&f, wide.c_str(), mode);
    return Stream(f);
}

int show_log(const std::string& path, bool json) {
    Json entries = Json::array();
    Json malformed = Json::array();
    std::uint32_t status = OSIF_CL_ERROR;
    if (Stream log = open_stream(path, "rb")) {
        tagClEntry e{};
        for (std::size_t line = 1;; ++line) {
            status = OSIF_ReadClEntry(log.get(), &e);
            if (status == OSIF_CL_END_OF_LOG || status == OSIF_CL_ERROR) break;
            if (status == OSIF_CL_MALFORMED) {
                malformed.push_back(line);
                continue;
            }
            Json entry = Json::object();
            entry["line"] = line;
            entry["type"] = std::string(1, static_cast<char>(e.type));
            entry["count"] = e.changeCount;
            entry["timestamp"] = e.timestamp;
            entry["luid"] = e.luid;
            entries.push_back(std::move(entry));
        }
    } else if (!json) {
        std::cerr << "qelcfg: cannot open " << path << "\n";
    }
    const bool ok = status == OSIF_CL_END_OF_LOG && malformed.empty();
    if (json) {
        Json out = Json::object();
        out["status"] = status;
        out["entries"] = std::move(entries);
        out["malformed"] = std::move(malformed);
        std::cout << dump(out) << "\n";
        return ok ? 0 : 1;
    }
    if (!entries.empty()) std::cout << "line   type  count        timestamp           luid\n";
    std::size_t next_malformed = 0;
    auto report_malformed_before = [&](std::size_t line) {
        while (next_malformed < malformed.size() && malformed[next_malformed].get<std::size_t>() < line) {
            std::cout << "line " << malformed[next_malformed++].get<std::size_t>() << ": malformed entry\n";
        }
    };
    for (const Json& e : entries) {
        report_malformed_before(e["line"].get<std::size_t>());
        char row[64];
        std::snprintf(row, sizeof row, "%-6zu %-5s %-12d ", e["line"].get<std::size_t>(),
                      e["type"].get<std::string>().c_str(), e["count"].get<int>());
        std::string timestamp = e["timestamp"].get<std::string>();
        timestamp.resize(std::max<std::size_t>(timestamp.size(), 19), ' ');
        std::cout << row << timestamp << " " << e["luid"].get<std::string>() << "\n";
    }
    report_malformed_before(SIZE_MAX);
    std::cout << entries.size() << " entr" << (entries.size() == 1 ? "y" : "ies") << ", " << malformed.size()
              << " malformed line(s)";
    if (status == OSIF_CL_ERROR) std::cout << ", the log could not be read to its end";
    std::cout << "\n";
    return ok ? 0 : 1;
}

// Why a text cannot go into a log field as given (it would not read back the same), or nothing.
const char* unreadable(std::string_view text, bool timestamp) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return "holds a line end or NUL";
    if (timestamp && text.find(':') != std::string_view::npos) return "holds a colon";
    if (text.find("\\;") != std::string_view::npos || text.find("\\\\") != std::string_view::npos) {
        return "holds a backslash escape";
    }
    return nullptr;
}

struct AddArgs {
    std::string log;
    std::string type;
    std::int32_t count = 0;
    std::string timestamp;
    std::string luid;
};

int add_entry(const AddArgs& a) {
    if (a.timestamp.size() > OSIF_CL_TIMESTAMP_MAX || a.luid.size() > OSIF_CL_LUID_MAX) {
        std::cerr << "qelcfg: the timestamp takes at most " << OSIF_CL_TIMESTAMP_MAX << " characters and the LUID at most "
                  << OSIF_CL_LUID_MAX << "\n";
        return 2;
    }
    for (const auto& [name, text, is_timestamp] :
         {std::tuple{"timestamp", &a.timestamp, true}, std::tuple{"LUID", &a.luid, false}}) {
        if (const char* why = unreadable(*text, is_timestamp)) {
            std::cerr << "qelcfg: the " << name << " " << why << " and would not read back as given\n";
            return 2;
        }
    }
    tagClEntry e{};
    e.type = static_cast<unsigned char>(a.type[0]);
    e.changeCount = a.count;
    a.timestamp.copy(e.timestamp, OSIF_CL_TIMESTAMP_MAX);
    a.luid.copy(e.luid, OSIF_CL_LUID_MAX);
    Stream log = open_stream(a.log, "ab");
    if (!log) {
        std::cerr << "qelcfg: cannot open " << a.log << "\n";
        return 1;
    }
    if (OSIF_WriteClEntry(log.get(), &e) != OSIF_CL_OK) {
        std::cerr << "qelcfg: cannot write to " << a.log << "\n";
        return 1;
    }
    return 0;
}

// Lines of a file (LF characters, plus a last line without one); nothing when it cannot be read.
std::optional<std::size_t> count_lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::size_t lines = 0;
    char last = '\n';
    for (char c; in.get(c);) {
        if (c == '\n') ++lines;
        last = c;
    }
    return last == '\n' ? lines : lines + 1;
}

int purge_log(const std::string& log, const std::string& temp_dir) {
    const auto before = count_lines(log);
    const std::u16string wide_log = UTF8ToWideChar(log);
    const std::u16string wide_dir = UTF8ToWideChar(temp_dir);
    if (OSIF_CLPurge(wide_log.c_str(), wide_dir.c_str()) != 0) {
        std::cerr << "qelcfg: the change log " << log << " could not be purged; it is unchanged\n";
        return 1;
    }
    const std::size_t lines = before.value_or(0);
    if (lines <= OSIF_CL_KEEP) {
        std::cout << lines << " entries, nothing to purge\n";
    } else {
        std::cout << "Purged " << lines - OSIF_CL_KEEP << " entries, " << OSIF_CL_KEEP << " kept\n";
    }
    return 0;
}

void setup(CLI::App& app) {
    CLI::App* pim = nullptr;
    try {
        pim = app.get_subcommand("pim");
    } catch (const CLI::Error&) {
        return;
    }
    {
        CLI::App* cmd = pim->add_subcommand("vnote", "List every note of a vNote file");
        auto file = std::make_shared<std::string>();
        auto json = std::make_shared<bool>(false);
        cmd->add_option("FILE", *file, "The file to read")->required();
        cmd->add_flag("--json", *json, "Print one JSON object");
        cmd->callback([file, json] { set_exit_code(show_notes(*file, *json)); });
    }
    CLI::App* log = pim->add_subcommand("changelog", "Show, extend or purge an IrMC change log");
    log->require_subcommand(1);
    {
        CLI::App* cmd = log->add_subcommand("show", "List every entry of a change log");
        auto path = std::make_shared<std::string>();
        auto json = std::make_shared<bool>(false);
        cmd->add_option("LOG", *path, "The change log")->required();
        cmd->add_flag("--json", *json, "Print one JSON object");
        cmd->callback([path, json] { set_exit_code(show_log(*path, *json)); });
    }
    {
        CLI::App* cmd = log->add_subcommand("add", "Append one entry to a change log");
        auto a = std::make_shared<AddArgs>();
        cmd->add_option("LOG", a->log, "The change log (created when missing)")->required();
        cmd->add_option("--type", a->type, "M changed, D deleted, H hard-deleted")
            ->required()
            ->check(CLI::IsMember({"M", "D", "H"}));
        cmd->add_option("--count", a->count, "Change counter")->required();
        cmd->add_option("--timestamp", a->timestamp, "Time of the change (at most 18 characters)")->required();
        cmd->add_option("--luid", a->luid, "The object's LUID (at most 512 characters)")->required();
        cmd->callback([a] { set_exit_code(add_entry(*a)); });
    }
    {
        CLI::App* cmd = log->add_subcommand("purge", "Keep the newest 250 entries of a change log");
        auto path = std::make_shared<std::string>();
        auto dir = std::make_shared<std::string>();
        cmd->add_option("LOG", *path, "The change log")->required();
        cmd->add_option("--temp-dir", *dir, "Folder of the temporary file (default: the log's folder)");
        cmd->callback([path, dir] { set_exit_code(purge_log(*path, *dir)); });
    }
}

CommandRegistrar registrar{77, setup};

}  // namespace
}  // namespace qelcfg
