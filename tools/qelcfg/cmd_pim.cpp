// "qelcfg pim vcard FILE" and "qelcfg pim vcal FILE": every contact (or every event and to-do) of
// a file, read by the library's readers and shown through the object getters, as a listing or,
// with --json, as one JSON object: {"status": <reader's result>, "contacts": [...]} or
// {"status": ..., "items": [...]}, texts in UTF-8. The file's status is the reader's result (7
// when the file cannot be opened). Exit codes: 0 when the result is 18 or 19, 2 otherwise.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "pim/charsets.h"
#include "pim/osif_files.h"
#include "pim/vcal_parser.h"
#include "pim/vcard_parser.h"
#include "qelcfg/QelPIMObject.h"
#include "qelcfg/QelVCalObject.h"

namespace qelcfg {
namespace {

using Fields = std::vector<std::pair<const char*, nlohmann::ordered_json>>;

std::string utf8(const std::u16string& text) { return WideCharToUTF8(text); }

void collect_contact(tOSIF_STOREID, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    auto& out = *reinterpret_cast<std::vector<Fields>*>(context);
    const qbtapiM::QelPIMObject c(object, status);
    out.push_back({
        {"status", status},
        {"version", c.GetVersion()},
        {"luid", c.GetLuid()},
        {"last_name", utf8(c.GetLastName())},
        {"first_name", utf8(c.GetFirstName())},
        {"middle_name", utf8(c.GetMiddleName())},
        {"title", utf8(c.GetTitle())},
        {"suffix", utf8(c.GetSuffix())},
        {"job_title", utf8(c.GetJobTitle())},
        {"company", utf8(c.GetCompany())},
        {"business_phone", utf8(c.GetBusinessPhone())},
        {"home_phone", utf8(c.GetHomePhone())},
        {"business_fax", utf8(c.GetBusinessFax())},
        {"mobile_phone", utf8(c.GetMobilePhone())},
        {"business_address", utf8(c.GetBusinessAddress())},
        {"home_address", utf8(c.GetHomeAddress())},
        {"email", utf8(c.GetEmail())},
        {"note", utf8(c.GetNote())},
    });
}

void collect_item(tOSIF_STOREID, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    auto& out = *reinterpret_cast<std::vector<Fields>*>(context);
    const qbtapiM::QelVCalObject e(object, status);
    const std::uint32_t kind = e.GetCalObjectType();
    out.push_back({
        {"status", status},
        {"kind", kind == 1 ? "event" : kind == 2 ? "todo" : "unknown"},
        {"all_day", e.IsAllDay()},
        {"luid", e.GetLuid()},
        {"summary", utf8(e.GetEventSummary())},
        {"description", utf8(e.GetEventDescription())},
        {"start", utf8(e.GetStartDate())},
        {"end", utf8(e.GetEndDate())},
    });
}

// Strings that are not valid UTF-8 (a LUID or version in another character set) are shown with
// replacement characters rather than refused.
std::string dump(const nlohmann::ordered_json& j) { return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace); }

int show(const std::string& path, bool vcal, bool json) {
    std::FILE* stream = nullptr;
    std::vector<Fields> objects;
    tOSIF_ERROR status = OSIF_ERR_OPEN;
    const std::u16string wide = UTF8ToWideChar(path);
    if (FILE_Open(&stream, wide.c_str(), "rb") == 0 && stream) {
        const auto context = reinterpret_cast<std::uintptr_t>(&objects);
        status = vcal ? OSIF_ParseVCalendars(stream, wide.c_str(), collect_item, context)
                      : OSIF_ParseVCards(stream, collect_contact, context);
        FILE_Close(stream, path.c_str());
    } else if (!json) {
        std::cerr << "qelcfg: cannot open " << path << "\n";
    }
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Fields& fields : objects) {
            nlohmann::ordered_json o = nlohmann::ordered_json::object();
            for (const auto& [name, value] : fields) o[name] = value;
            list.push_back(std::move(o));
        }
        std::cout << dump({{"status", status}, {vcal ? "items" : "contacts", std::move(list)}}) << "\n";
    } else {
        std::size_t n = 0;
        for (const Fields& fields : objects) {
            std::cout << (vcal ? "Item " : "Contact ") << ++n << "\n";
            for (const auto& [name, value] : fields) {
                const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
                if (text.empty()) continue;
                char label[24];
                std::snprintf(label, sizeof label, "  %-18s", name);
                std::cout << label << text << "\n";
            }
        }
        std::cout << "Result " << status << ", " << objects.size() << (vcal ? " item(s)" : " contact(s)") << "\n";
    }
    return status == OSIF_SUCCESS || status == OSIF_SUCCESS_WARNINGS ? 0 : 2;
}

void setup(CLI::App& app) {
    CLI::App* pim = app.add_subcommand("pim", "Read PIM objects (contacts, calendars, messages, notes) and the change log");
    pim->require_subcommand(1);
    for (const bool vcal : {false, true}) {
        CLI::App* cmd = pim->add_subcommand(vcal ? "vcal" : "vcard",
                                            vcal ? "List every event and to-do of a vCalendar file"
                                                 : "List every contact of a vCard file");
        auto file = std::make_shared<std::string>();
        auto json = std::make_shared<bool>(false);
        cmd->add_option("FILE", *file, "The file to read")->required();
        cmd->add_flag("--json", *json, "Print one JSON object");
        cmd->callback([file, json, vcal] { set_exit_code(show(*file, vcal, *json)); });
    }
}

CommandRegistrar registrar{75, setup};

}  // namespace
}  // namespace qelcfg
