// The dialer's command sequences: the query for operator, CDMA nature, contexts and access points,
// voice dialling and hanging up, and the reading of "providers.ini".
#include "dialup/dialer/dialer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "dialup/dialer/profile_ini.h"
#include "platform/files.h"
#include "platform/sync/clock.h"
#include "trace/qel_trace.h"

namespace {

constexpr DWORD kAnswerTimeoutMs = 10000;
constexpr DWORD kProbeTimeoutMs = 2000;
constexpr DWORD kSettleMs = 1000;
constexpr int kProbeAttempts = 10;

bool failed(HRESULT hr) { return hr < 0; }

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The position of `needle` in `text` compared without regard to ASCII case, or npos.
std::size_t find_nocase(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) return std::string_view::npos;
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < needle.size() && ascii_lower(text[i + j]) == ascii_lower(needle[j])) ++j;
        if (j == needle.size()) return i;
    }
    return std::string_view::npos;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the decimal digits at the start of `text` (0 when there are none), saturating at the
// largest 32-bit value instead of overflowing.
int32_t read_decimal(std::string_view text) {
    int64_t value = 0;
    for (char c : text) {
        if (!is_digit(c)) break;
        value = std::min<int64_t>(value * 10 + (c - '0'), INT32_MAX);
    }
    return static_cast<int32_t>(value);
}

// The operator number of a "+COPS: <mode>,<format>,<oper>" text starting at "COPS:": after the
// first and the second comma, past every non-digit; 0 when a step finds nothing.
int32_t operator_from_cops(std::string_view text) {
    for (int comma = 0; comma < 2; ++comma) {
        const std::size_t at = text.find(',');
        if (at == std::string_view::npos || at + 1 >= text.size()) return 0;
        text.remove_prefix(at + 1);
    }
    while (!text.empty() && !is_digit(text.front())) text.remove_prefix(1);
    return read_decimal(text);
}

// The characters a dial string may keep besides the digits.
bool is_dial_char(char c) { return is_digit(c) || std::strchr("+@wWsS=,!lL", c) != nullptr; }

}  // namespace

CDialer::CDialer() : m_szSavedInit{}, m_nSavedInstance(-1) {
    m_RecvBuf[0] = '\0';
    m_nRecvLen = 0;
    m_szResponse[0] = '\0';
    m_szAdditional[0] = '\0';
    m_LineStart[0] = 0;
    m_fOK = 0;
    m_nLines = 0;
}

CDialer::~CDialer() {
    m_Modem.Close();
    std::lock_guard lock(m_ParserLock);
    m_hAnswerEvent.close();
}

int32_t CDialer::SendCommand(std::string_view command, DWORD timeout_ms) {
    ResetParser();
    m_Modem.Write(command.data(), static_cast<DWORD>(command.size()));
    return WaitAnswerFor(timeout_ms);
}

int32_t CDialer::OpenAndStart(const char* portName, bool pause) {
    if (failed(m_Modem.Open(portName))) {
        QelTrace("Cannot open port");
        return kCannotOpenPort;
    }
    if (pause) qel::platform::sleep_ms(kSettleMs);
    const HRESULT first = m_Modem.Start(this);
    if (!failed(first)) return 0;
    const HRESULT second = m_Modem.Start(this);
    QelTrace("Cannot read or wtite to port");
    return failed(second) ? second : first;
}

int32_t CDialer::GetOperator() {
    if (SendCommand("AT+COPS?\r", kAnswerTimeoutMs) != 0) {
        QelTrace("CDialer::GetOperator: AT command is not recognized. (AT+COPS?)\n");
        return -1;
    }
    SendCommand("AT+COPS=3,2\r", kAnswerTimeoutMs);
    if (SendCommand("AT+COPS?\r", kAnswerTimeoutMs) != 0) {
        QelTrace("CDialer::GetOperator: AT command is not recognized. (AT+COPS?)\n");
        return -1;
    }
    const std::string response = GetResponseLine();
    std::string_view text = response;
    std::size_t at = find_nocase(text, "COPS:");
    std::string additional;
    if (at == std::string_view::npos) {
        additional = GetAdditionalText();
        QelTrace("CDialer::GetOperator: wrong format of response, we use additional str (%s)\n", additional.c_str());
        text = additional;
        at = find_nocase(text, "COPS:");
    }
    const int32_t number = at == std::string_view::npos ? 0 : operator_from_cops(text.substr(at));
    if (number > 0) return number;
    QelTrace("CDialer::GetOperator: operator not recognized (%s)\n", response.c_str());
    return 0;
}

bool CDialer::IsCDMA(BOOL bDialingVoice) {
    std::string model;
    if (SendCommand("AT+GMM\r", kAnswerTimeoutMs) == 0) model = GetResponseLine().substr(0, 127);
    if (GetResponseLine().find("+GMM: Motorola CDMA Q2 Phone") != std::string::npos) return bDialingVoice == 0;
    if (SendCommand("AT+CAD?\r", kAnswerTimeoutMs) == 0) return true;
    if (SendCommand("AT+CGREG?\r", kAnswerTimeoutMs) == 0) return false;
    return model.find("GSM") == std::string::npos;
}

int32_t CDialer::QueryModem(const char* portName, uint32_t* pdwNumEntry, sProvider* psProvider, BOOL fCloseModem) {
    if (!m_Providers.Initialize(nullptr)) {
        QelTrace("CDialer::QueryModem: Cannot load '%s' file setting\n", "providers.bin");
        return E_INVALIDARG;
    }
    int32_t result = E_FAIL;  // what an exception leaves
    try {
        result = QueryStarted(portName, pdwNumEntry, psProvider);
    } catch (...) {
        QelTrace("CDialer::QueryModem");
    }
    if (fCloseModem) m_Modem.Close();
    return result;
}

int32_t CDialer::QueryStarted(const char* portName, uint32_t* pdwNumEntry, sProvider* psProvider) {
    const int32_t started = OpenAndStart(portName, true);
    if (started != 0) return started;

    ResetParser();
    int32_t answer = -1;
    for (int attempt = 0; attempt < kProbeAttempts && answer == -1; ++attempt) {
        m_Modem.Write("AT\r", 3);
        answer = WaitAnswerShortTimeout();
    }
    if (answer != 0) {
        QelTrace("AT command is not recognized");
        return E_FAIL;
    }

    const int32_t op = GetOperator();
    if (op <= 0) {
        if (IsCDMA(0)) {
            QelTrace("CDMA phone");
            return kCdmaPhone;
        }
        QelTrace("COPS doesn't return id of provider, also it is not CDMA");
        return kNotFound;
    }

    QelTrace("CDialer::QueryModem: try to find num entries\n");
    uint32_t contexts = 1;
    if (SendCommand("AT+CGDCONT=?\r", kAnswerTimeoutMs) == 0) {
        const std::string response = GetResponseLine();
        std::string_view text = response;
        std::size_t at = find_nocase(text, "CGDCONT:");
        std::string additional;
        if (at == std::string_view::npos) {
            additional = GetAdditionalText();
            QelTrace("CDialer::QueryModem: wrong format of response, we use additional str (%s)\n",
                     additional.c_str());
            text = additional;
            at = find_nocase(text, "CGDCONT:");
        }
        const std::size_t dash = at == std::string_view::npos ? at : text.find('-', at);
        if (dash != std::string_view::npos) {
            const int32_t range_end = read_decimal(text.substr(dash + 1));
            contexts = range_end == 255 ? 1 : range_end > 9 ? 9 : static_cast<uint32_t>(range_end);
        }
    }
    if (pdwNumEntry) *pdwNumEntry = contexts;

    int32_t id = op;
    bool found = m_Providers.FindAPN(id, psProvider);
    if (!found && id > 99999) {
        id /= 10;
        found = m_Providers.FindAPN(id, psProvider);
    }
    if (found) {
        QelTrace("CDialer::QueryModem: APN is found by id %d\n", id);
        return kFound;
    }
    QelTrace("The APN of current provider is unknown\n");
    return kNotFound;
}

std::string CDialer::MakeDialCommand(const char* phoneNumber, bool bCDMA) {
    std::string command = bCDMA ? "AT+CDV=" : "ATD";
    int kept = 0;
    for (const char* p = phoneNumber ? phoneNumber : ""; *p && *p != ';' && kept < kMaxDialChars; ++p) {
        if (!is_dial_char(*p)) continue;
        command += *p;
        ++kept;
    }
    if (!bCDMA) command += ';';
    command += '\r';
    return command;
}

int32_t CDialer::DialModem(const char* portName, const char* phoneNumber, BOOL* pbCDMA) {
    int32_t result = E_FAIL;  // what an exception leaves
    try {
        result = OpenAndStart(portName, true);
        if (result == 0) result = DialStarted(phoneNumber, pbCDMA);
    } catch (...) {
        QelTrace("CDialer::DialModem");
    }
    m_Modem.Close();
    return result;
}

int32_t CDialer::DialStarted(const char* phoneNumber, BOOL* pbCDMA) {
    if (SendCommand("AT\r", kAnswerTimeoutMs) != 0) {
        QelTrace("AT command is not recognized.");
        return E_FAIL;
    }
    const bool cdma = IsCDMA(1);
    if (pbCDMA) *pbCDMA = cdma ? 1 : 0;
    switch (SendCommand(MakeDialCommand(phoneNumber, cdma), kAnswerTimeoutMs)) {
        case 0:
            return 0;
        case 1:
            QelTrace("AT Dial ERROR\n");
            return kDialError;
        default:
            QelTrace("AT Dial failed\n");
            return E_FAIL;
    }
}

int32_t CDialer::HangupModem(const char* portName, BOOL bCDMA) {
    int32_t result = E_FAIL;  // what an exception leaves
    try {
        result = OpenAndStart(portName, false);
        if (result == 0) result = HangupStarted(bCDMA);
    } catch (...) {
        QelTrace("CDialer::HangupModem");
    }
    m_Modem.Close();
    return result;
}

int32_t CDialer::HangupStarted(BOOL bCDMA) {
    if (SendCommand("AT\r", kAnswerTimeoutMs) != 0) {
        QelTrace("AT command is not recognized.");
        return E_FAIL;
    }
    if (bCDMA) {
        if (SendCommand("AT+CHV\r", kAnswerTimeoutMs) != 0) {
            QelTrace("AT Hangup failed\n");
            return E_FAIL;
        }
        return 0;
    }
    SendCommand("ATH0\r", kAnswerTimeoutMs);
    SendCommand("AT+CHUP\r", kAnswerTimeoutMs);
    return 0;
}

char* CDialer::GetAPN(int32_t nNetworkNumber, std::span<char, MAX_PATH> buf) {
    const std::string section = std::to_string(nNetworkNumber);
    qel::dialup::get_private_profile_string(section, "APN", "", buf, qel::platform::system_dir() / "providers.ini");
    return buf.data();
}
