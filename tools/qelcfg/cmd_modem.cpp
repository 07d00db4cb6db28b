// "qelcfg modem query PORT [--keep-open]": asks the phone on PORT for its operator, whether it is
// a CDMA phone and how many packet-data contexts it supports, and looks the operator's access
// points up in the provider database (system directory, else the installation folder).
// "qelcfg modem dial PORT NUMBER": places a voice call (the number is filtered as the dialer
// does: digits and +@wWsS=,!lL up to the first ";"). "qelcfg modem hangup PORT [--cdma]": ends it.
// --sim starts a simulated phone in this process on a temporary COM folder and names it PORT
// (which must then be COMn); --sim-operator, --sim-cdma and --sim-contexts choose its answers.
// Exit codes: 0 when the dialer's result is 0, 1 for any other result, 2 bad usage.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "commands.h"
#include "dialup/dialer/dialer.h"
#include "platform/environment.h"
#include "sim/phone/phone_modem.h"

namespace qelcfg {
namespace {

namespace fs = std::filesystem;

struct SimOptions {
    bool enabled = false;
    std::string operator_number = "26201";
    bool cdma = false;
    std::string contexts = "1-3";
};

std::string hex_result(int32_t result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

// The result code with what it means for the operation ("query", "dial" or "hangup").
std::string result_text(const std::string& operation, int32_t result) {
    switch (result) {
        case 0:
            return "0 (" + std::string(operation == "query" ? "access points found" : operation == "dial" ? "call placed"
                                                                                                          : "call ended") +
                   ")";
        case 1:
            return "1 (no access points for the operator, or no operator and not a CDMA phone)";
        case 2:
            return "2 (CDMA phone)";
        case 3:
            return "3 (port cannot be opened)";
        case 4:
            return "4 (the phone answered ERROR to the dial command)";
        default:
            break;
    }
    if (result == E_FAIL) return hex_result(result) + " (the phone gave no answer, or not OK)";
    if (result == E_INVALIDARG) return hex_result(result) + " (provider database cannot be loaded)";
    return hex_result(result) + " (the port's I/O cannot be started)";
}

// The number n of a port named "COMn" or "\\.\COMn", or nothing.
std::optional<int> com_number(std::string port) {
    if (port.rfind("\\\\.\\", 0) == 0) port = port.substr(4);
    if (port.size() < 4 || (port.compare(0, 3, "COM") != 0 && port.compare(0, 3, "com") != 0)) return std::nullopt;
    char* end = nullptr;
    const long n = std::strtol(port.c_str() + 3, &end, 10);
    if (*end != '\0' || n < 1 || n > 255) return std::nullopt;
    return static_cast<int>(n);
}

// A simulated phone on a temporary COM folder for the life of the command.
class SimulatedPhone {
public:
    ~SimulatedPhone() {
        phone_.reset();
        if (!folder_.empty()) {
            std::error_code ec;
            fs::remove_all(folder_, ec);
        }
    }

    bool start(const SimOptions& options, int com) {
        std::string pattern = (qel::platform::temp_dir() / "qelcfg-modem-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::cerr << "qelcfg: cannot make a folder for the simulated phone\n";
            return false;
        }
        folder_ = pattern;
        setenv("QEL_COM_DIR", folder_.c_str(), 1);
        qel::sim::PhoneBehaviour behaviour;
        behaviour.operator_number = options.operator_number;
        behaviour.cdma = options.cdma;
        if (options.cdma) behaviour.model = "Q CDMA Phone";
        if (options.contexts.empty()) {
            behaviour.context_range.reset();
        } else {
            behaviour.context_range = options.contexts;
        }
        std::string error;
        phone_ = qel::sim::PhoneModem::start(behaviour, com, &error);
        if (!phone_) std::cerr << "qelcfg: cannot start the simulated phone: " << error << "\n";
        return phone_ != nullptr;
    }

    void print_commands() const {
        if (!phone_) return;
        std::cout << "Phone received  ";
        const char* separator = "";
        for (const std::string& command : phone_->received_commands()) {
            std::cout << separator << command;
            separator = " | ";
        }
        std::cout << "\n";
    }

private:
    fs::path folder_;
    std::unique_ptr<qel::sim::PhoneModem> phone_;
};

// Starts the simulated phone when asked; false (exit code 2 or 1 in `code`) when it cannot.
bool prepare_sim(const SimOptions& options, const std::string& port, SimulatedPhone& phone, int& code) {
    if (!options.enabled) return true;
    const std::optional<int> com = com_number(port);
    if (!com) {
        std::cerr << "qelcfg: with --sim the port must be named COMn (1 to 255), for example COM7\n";
        code = 2;
        return false;
    }
    if (!phone.start(options, *com)) {
        code = 1;
        return false;
    }
    return true;
}

int run_query(const std::string& port, bool keep_open, const SimOptions& sim) {
    ensure_installation_record();
    SimulatedPhone phone;
    int code = 0;
    if (!prepare_sim(sim, port, phone, code)) return code;
    CDialer dialer;
    sProvider provider;
    uint32_t contexts = 0;
    const int32_t result = dialer.QueryModem(port.c_str(), &contexts, &provider, keep_open ? FALSE : TRUE);
    std::cout << "Port            " << port << "\n";
    std::cout << "Result          " << result_text("query", result) << "\n";
    if (provider.m_nProviderID != 0) std::cout << "Operator        " << provider.m_nProviderID << " (looked up)\n";
    if (result >= 0 && result != 3) std::cout << "CDMA            " << (result == 2 ? "yes" : "no") << "\n";
    if (contexts != 0) std::cout << "Contexts        " << contexts << "\n";
    std::cout << "Accounts found  " << provider.GetSize() << "\n";
    for (int i = 0; i < provider.GetSize(); ++i) {
        const auto& account = provider.m_Accounts[static_cast<std::size_t>(i)];
        std::cout << "  " << account.m_szAPN << "\t" << account.m_szUserName << "\t" << account.m_szPassword << "\n";
    }
    if (keep_open && result >= 0 && result != 3) std::cout << "Port left running until the command ends\n";
    phone.print_commands();
    return result == 0 ? 0 : 1;
}

int run_dial(const std::string& port, const std::string& number, const SimOptions& sim) {
    SimulatedPhone phone;
    int code = 0;
    if (!prepare_sim(sim, port, phone, code)) return code;
    CDialer dialer;
    BOOL cdma = 0;
    const int32_t result = dialer.DialModem(port.c_str(), number.c_str(), &cdma);
    std::cout << "Port            " << port << "\n";
    std::cout << "Result          " << result_text("dial", result) << "\n";
    if (result == 0 || result == 4) {
        std::string sent = CDialer::MakeDialCommand(number.c_str(), cdma != 0);
        sent.pop_back();  // the carriage return
        std::cout << "Command sent    " << sent << (cdma ? " (CDMA)" : "") << "\n";
    }
    phone.print_commands();
    return result == 0 ? 0 : 1;
}

int run_hangup(const std::string& port, bool cdma, const SimOptions& sim) {
    SimulatedPhone phone;
    int code = 0;
    if (!prepare_sim(sim, port, phone, code)) return code;
    CDialer dialer;
    const int32_t result = dialer.HangupModem(port.c_str(), cdma ? TRUE : FALSE);
    std::cout << "Port            " << port << "\n";
    std::cout << "Result          " << result_text("hangup", result) << "\n";
    phone.print_commands();
    return result == 0 ? 0 : 1;
}

void add_sim_options(CLI::App* command, const std::shared_ptr<SimOptions>& sim) {
    command->add_flag("--sim", sim->enabled, "Talk to a simulated phone started in this process");
    command->add_option("--sim-operator", sim->operator_number, "Simulated phone: operator number (empty: none)");
    command->add_flag("--sim-cdma", sim->cdma, "Simulated phone: a CDMA phone");
    command->add_option("--sim-contexts", sim->contexts, "Simulated phone: context range such as 1-3 (empty: none)");
}

void setup(CLI::App& app) {
    CLI::App* modem = app.add_subcommand("modem", "Talk AT commands to a phone's modem on a COM port");
    modem->require_subcommand(1);

    CLI::App* query = modem->add_subcommand("query", "Operator, CDMA, contexts and access points of the phone");
    auto query_port = std::make_shared<std::string>();
    auto keep_open = std::make_shared<bool>(false);
    auto query_sim = std::make_shared<SimOptions>();
    query->add_option("PORT", *query_port, "COM port of the phone, such as COM7")->required();
    query->add_flag("--keep-open", *keep_open, "Leave the port running after the query");
    add_sim_options(query, query_sim);
    query->callback([=] { set_exit_code(run_query(*query_port, *keep_open, *query_sim)); });

    CLI::App* dial = modem->add_subcommand("dial", "Place a voice call");
    auto dial_port = std::make_shared<std::string>();
    auto number = std::make_shared<std::string>();
    auto dial_sim = std::make_shared<SimOptions>();
    dial->add_option("PORT", *dial_port, "COM port of the phone")->required();
    dial->add_option("NUMBER", *number, "Number to call")->required();
    add_sim_options(dial, dial_sim);
    dial->callback([=] { set_exit_code(run_dial(*dial_port, *number, *dial_sim)); });

    CLI::App* hangup = modem->add_subcommand("hangup", "End a voice call");
    auto hangup_port = std::make_shared<std::string>();
    auto cdma = std::make_shared<bool>(false);
    auto hangup_sim = std::make_shared<SimOptions>();
    hangup->add_option("PORT", *hangup_port, "COM port of the phone")->required();
    hangup->add_flag("--cdma", *cdma, "Use the CDMA command (AT+CHV)");
    add_sim_options(hangup, hangup_sim);
    hangup->callback([=] { set_exit_code(run_hangup(*hangup_port, *cdma, *hangup_sim)); });
}

CommandRegistrar registrar{90, setup};

}  // namespace
}  // namespace qelcfg
