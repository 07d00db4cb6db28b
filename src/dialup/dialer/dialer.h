// The modem dialer: talks AT commands to a phone over its Dial-up Networking serial port. It asks
// the phone for its operator, whether it is a CDMA phone and how many packet-data contexts it
// supports and looks the operator's access points up in the provider database; it places and
// ends voice calls; and it sets, then restores, the extra initialisation string of the modem
// installed on a COM port.
//
// Promises:
//  - Every operation opens the port, runs its commands and closes the port again (QueryModem
//    leaves it running when asked to); results are the codes listed at QueryModem, DialModem and
//    HangupModem, never exceptions.
//  - The response parser never writes past its buffers, whatever the phone sends: the receive
//    buffer holds kReceiveBufferSize bytes and the line table kMaxLines lines between two resets.
//    How it stays inside them (see FireChar): one line keeps at most kMaxStoredLine bytes (its
//    first bytes and, in the last place, the latest byte received, so a line end is still seen);
//    when the buffer or the line table is full, the oldest completed line after the first (the
//    echo of the command) is dropped. A final "OK" or "ERROR" line is recognised after any flood,
//    and the lines just before it are the ones the answer is taken from.
//  - Concurrency: FireChar runs on the transport's reader thread while the caller waits. The
//    parser state (receive buffer and length, line table and count, OK flag, response line and
//    additional text) is guarded by m_ParserLock; the caller resets it before each command and
//    reads it, through the accessors below, only after the answer event was signalled.
// Not copyable: the transport keeps a pointer to the dialer as its receiver.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "dialup/providers/provider_settings.h"
#include "dialup/transport/communication.h"
#include "dialup/transport/message_wait.h"
#include "dialup/transport/modem_manager.h"
#include "platform/sync/wait.h"
#include "platform/win32.h"

// Compares sStrData with a list of strings (each zero-terminated, the list ended by an empty
// string) and returns the index of the first entry that is a case-insensitive prefix of
// sStrData, or -1 (also for a null or empty sStrData or a null list).
int _strcmplist(const char* sStrData, const char* sStrList);

class CDialer : public ICommunication {
public:
    static constexpr int kReceiveBufferSize = 4096;
    static constexpr int kMaxLines = 100;
    static constexpr int kTextSize = 1024;         // response line and additional text, with NUL
    static constexpr int kMaxStoredLine = 1024;    // bytes of one received line, CR included
    static constexpr int kInitStringSize = 260;    // saved modem initialisation string, with NUL
    static constexpr int kMaxDialChars = 32;       // characters of a number kept in a dial command
    static constexpr int kModemInstances = 10000;  // modem instance keys "0000" to "9999"

    // Result codes besides the HRESULTs E_FAIL, E_INVALIDARG and the port's own failures.
    static constexpr int32_t kFound = 0;           // QueryModem: access points found; else done
    static constexpr int32_t kNotFound = 1;        // QueryModem: nothing stored, or no operator
    static constexpr int32_t kCdmaPhone = 2;       // QueryModem: a CDMA phone
    static constexpr int32_t kCannotOpenPort = 3;  // every operation
    static constexpr int32_t kDialError = 4;       // DialModem: ERROR to the dial command

    CDialer();
    ~CDialer() override;
    CDialer(const CDialer&) = delete;
    CDialer& operator=(const CDialer&) = delete;

    // Asks the phone on portName for its operator, CDMA nature and context count (through
    // pdwNumEntry when not null, 1 when the phone does not say) and appends the operator's
    // accounts to psProvider. 0 found, 1 nothing found (or no operator and not CDMA), 2 CDMA,
    // 3 port cannot be opened, E_FAIL no answer to "AT", E_INVALIDARG provider database missing,
    // another negative HRESULT when the port's I/O cannot be started. The port stays running
    // unless fCloseModem is set.
    int32_t QueryModem(const char* portName, uint32_t* pdwNumEntry, sProvider* psProvider, BOOL fCloseModem);

    // Places a voice call to phoneNumber (see MakeDialCommand); pbCDMA (may be null) receives 1
    // when the CDMA form was used, else 0. 0 placed, 3 cannot open, 4 ERROR to the dial, E_FAIL
    // no answer. Always closes the port.
    int32_t DialModem(const char* portName, const char* phoneNumber, BOOL* pbCDMA);

    // Ends a voice call ("AT+CHV" with bCDMA, else "ATH0" and "AT+CHUP"). 0 ended, 3 cannot open,
    // E_FAIL no answer to "AT" or "AT+CHV" not answered with OK. Always closes the port.
    int32_t HangupModem(const char* portName, BOOL bCDMA);

    // Both need a started port. IsCDMA: whether the phone is a CDMA phone (for a voice call when
    // bDialingVoice is set). GetOperator: the numeric operator identity, 0 when none could be
    // read, -1 when the phone rejects "AT+COPS?".
    bool IsCDMA(BOOL bDialingVoice);
    int32_t GetOperator();

    // Sets "UserInit" of the modem instance attached to COM port dwPortNumber to the given text,
    // remembering the old value; returns the instance number, or -1 (nothing found or written).
    int32_t saveModemSetting(uint32_t dwPortNumber, const char* sczInitializeModemString);
    // Puts back what saveModemSetting replaced (deletes "UserInit" when there was none).
    void restoreModemSetting();

    // Reads key "APN" of section "<nNetworkNumber>" of "providers.ini" in the system directory
    // into buf (empty by default) and returns buf.
    char* GetAPN(int32_t nNetworkNumber, std::span<char, MAX_PATH> buf);

    // The response parser.
    void ResetParser();
    int32_t FireChar(char c) override;
    // 0 answered OK, 1 answered ERROR, -1 no final answer within 10000 ms (2000 ms for the short
    // form).
    int32_t WaitAnswer();
    int32_t WaitAnswerShortTimeout();

    // Parser results, copied under the parser lock.
    std::string GetResponseLine() const;
    std::string GetAdditionalText() const;
    bool AnsweredOK() const;
    int32_t GetLineCount() const;
    int32_t GetReceiveLength() const;
    // Line `index` (0 = the first, up to the line count; the last one may be incomplete) as
    // stored, without its terminator; empty outside the table.
    std::string GetLine(int32_t index) const;

    // The saved initialisation string and instance number (-1 when nothing is saved).
    std::string GetSavedModemString() const { return m_szSavedInit; }
    int32_t GetSavedModemInstance() const { return m_nSavedInstance; }

    // The command DialModem sends for phoneNumber: "AT+CDV=" (CDMA) or "ATD" followed by the
    // number's digits and "+@wWsS=,!lL" (others dropped), copied up to its end or its first ";"
    // and at most kMaxDialChars kept, then ";" (not CDMA) and a carriage return. Nothing a caller
    // passes can add a second command: no ";" or carriage return can come from the number.
    static std::string MakeDialCommand(const char* phoneNumber, bool bCDMA);

private:
    int32_t WaitAnswerFor(DWORD timeout_ms);
    // Resets the parser, queues the command and waits for its answer (WaitAnswer's codes).
    int32_t SendCommand(std::string_view command, DWORD timeout_ms);
    // Opens and starts the port as QueryModem and DialModem do (with the 1000 ms pause when
    // asked); 0 or the operation's result.
    int32_t OpenAndStart(const char* portName, bool pause);
    // The operations' steps once the port runs; they return the operation's result.
    int32_t QueryStarted(const char* portName, uint32_t* pdwNumEntry, sProvider* psProvider);
    int32_t DialStarted(const char* phoneNumber, BOOL* pbCDMA);
    int32_t HangupStarted(BOOL bCDMA);

    // With m_ParserLock held.
    void AppendLocked(char c);
    void CompleteLineLocked();
    void DropOldestLineLocked();
    void TakeAnswerLocked();
    int32_t CurrentLineLengthLocked() const { return m_nRecvLen - m_LineStart[m_nLines]; }

    cModemManager m_Modem;
    cProviderSettingsXML m_Providers;
    char m_szSavedInit[kInitStringSize];
    int32_t m_nSavedInstance;
    qel::platform::WaitHandle m_hAnswerEvent;

    mutable std::mutex m_ParserLock;
    // Guarded by m_ParserLock: everything below.
    char m_RecvBuf[kReceiveBufferSize];
    int32_t m_nRecvLen;
    char m_szResponse[kTextSize];
    char m_szAdditional[kTextSize];
    int32_t m_LineStart[kMaxLines];
    uint32_t m_fOK;
    int32_t m_nLines;
};
