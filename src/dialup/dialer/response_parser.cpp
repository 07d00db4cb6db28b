// The dialer's response parser: collects what the phone sends into lines and recognises the final
// answers "OK" and "ERROR". See dialer.h for the bounds and the lock.
#include <algorithm>
#include <cstring>

#include "dialup/dialer/dialer.h"
#include "platform/sync/event.h"

namespace {

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `prefix` starts `text`, compared without regard to ASCII case.
bool has_prefix_nocase(const char* text, const char* prefix) {
    for (; *prefix; ++prefix, ++text) {
        if (*text == '\0' || ascii_lower(*text) != ascii_lower(*prefix)) return false;
    }
    return true;
}

// The final answers, in the form _strcmplist takes.
constexpr char kFinalAnswers[] = "OK\r\0ERROR\r\0";
constexpr int kAnswerOK = 0;
constexpr int kAnswerError = 1;

}  // namespace

int _strcmplist(const char* sStrData, const char* sStrList) {
    if (sStrData == nullptr || *sStrData == '\0' || sStrList == nullptr) return -1;
    int index = 0;
    for (const char* entry = sStrList; *entry; entry += std::strlen(entry) + 1, ++index) {
        if (has_prefix_nocase(sStrData, entry)) return index;
    }
    return -1;
}

void CDialer::ResetParser() {
    std::lock_guard lock(m_ParserLock);
    m_RecvBuf[0] = '\0';
    m_nRecvLen = 0;
    m_nLines = 0;
    m_LineStart[0] = 0;
    m_fOK = 0;
    m_szResponse[0] = '\0';
    m_szAdditional[0] = '\0';
    if (!m_hAnswerEvent) m_hAnswerEvent = qel::platform::create_event(true, false);
    qel::platform::reset_event(m_hAnswerEvent);
}

int32_t CDialer::FireChar(char c) {
    std::lock_guard lock(m_ParserLock);
    if (c != '\n' || m_nRecvLen == 0 || m_RecvBuf[m_nRecvLen - 1] != '\r') {
        AppendLocked(c);
        return 0;
    }
    CompleteLineLocked();
    const int answer = _strcmplist(m_RecvBuf + m_LineStart[m_nLines - 1], kFinalAnswers);
    if (answer == kAnswerOK) {
        m_fOK = 1;
        TakeAnswerLocked();
        if (m_hAnswerEvent) qel::platform::set_event(m_hAnswerEvent);
    } else if (answer == kAnswerError) {
        m_fOK = 0;
        if (m_hAnswerEvent) qel::platform::set_event(m_hAnswerEvent);
    }
    return 0;
}

// Stores one byte of the current line followed by a NUL. A line already kMaxStoredLine long keeps
// its first bytes and takes the new byte in its last place, so that its end (CR) is still seen.
// A full buffer makes room by dropping the oldest completed line after the echo.
void CDialer::AppendLocked(char c) {
    if (CurrentLineLengthLocked() >= kMaxStoredLine) {
        m_RecvBuf[m_nRecvLen - 1] = c;
        return;
    }
    while (m_nRecvLen + 2 > kReceiveBufferSize && m_nLines >= 2) DropOldestLineLocked();
    if (m_nRecvLen + 2 > kReceiveBufferSize) {
        // Unreachable with the line cap (echo and current line fit together); kept so that no
        // byte can ever be written past the buffer.
        if (CurrentLineLengthLocked() > 0) m_RecvBuf[m_nRecvLen - 1] = c;
        return;
    }
    m_RecvBuf[m_nRecvLen++] = c;
    m_RecvBuf[m_nRecvLen] = '\0';
}

// The current line ends (CR LF received): its NUL becomes the terminator, the next line starts
// one byte further. A full line table first drops the oldest completed line after the echo.
void CDialer::CompleteLineLocked() {
    if (m_nLines + 1 >= kMaxLines) DropOldestLineLocked();
    ++m_nRecvLen;  // past the NUL that ends the line (at most kReceiveBufferSize)
    ++m_nLines;
    m_LineStart[m_nLines] = m_nRecvLen;
}

// Removes line 1 (the oldest completed line after the echo); needs at least two completed lines.
void CDialer::DropOldestLineLocked() {
    if (m_nLines < 2) return;
    const int32_t to = m_LineStart[1];
    const int32_t from = m_LineStart[2];
    const int32_t delta = from - to;
    std::memmove(m_RecvBuf + to, m_RecvBuf + from, static_cast<std::size_t>(m_nRecvLen - from));
    m_nRecvLen -= delta;
    m_RecvBuf[m_nRecvLen] = '\0';  // delta >= 2, so this is inside the buffer
    for (int32_t i = 2; i <= m_nLines; ++i) m_LineStart[i - 1] = m_LineStart[i] - delta;
    --m_nLines;
}

// After an OK line (the last completed one): the response line is the last line before it,
// down to the second line, longer than one byte; the additional text every such line from the
// first on, each with its CR. Both are cut to kTextSize - 1 bytes.
void CDialer::TakeAnswerLocked() {
    const int32_t ok_line = m_nLines - 1;
    m_szResponse[0] = '\0';
    for (int32_t i = ok_line - 1; i >= 1; --i) {
        const char* line = m_RecvBuf + m_LineStart[i];
        const std::size_t length = std::strlen(line);
        if (length > 1) {
            const std::size_t kept = std::min<std::size_t>(length, kTextSize - 1);
            std::memcpy(m_szResponse, line, kept);
            m_szResponse[kept] = '\0';
            break;
        }
    }
    std::size_t used = 0;
    for (int32_t i = 0; i < ok_line && used < kTextSize - 1; ++i) {
        const char* line = m_RecvBuf + m_LineStart[i];
        const std::size_t length = std::strlen(line);
        if (length <= 1) continue;
        const std::size_t kept = std::min<std::size_t>(length, kTextSize - 1 - used);
        std::memcpy(m_szAdditional + used, line, kept);
        used += kept;
    }
    m_szAdditional[used] = '\0';
}

int32_t CDialer::WaitAnswerFor(DWORD timeout_ms) {
    qel::platform::WaitHandle event;
    {
        std::lock_guard lock(m_ParserLock);
        event = m_hAnswerEvent;
    }
    if (!event || WaitWithMessageLoop(event, timeout_ms) != 0) return -1;
    std::lock_guard lock(m_ParserLock);
    return m_fOK ? 0 : 1;
}

int32_t CDialer::WaitAnswer() { return WaitAnswerFor(10000); }

int32_t CDialer::WaitAnswerShortTimeout() { return WaitAnswerFor(2000); }

std::string CDialer::GetResponseLine() const {
    std::lock_guard lock(m_ParserLock);
    return m_szResponse;
}

std::string CDialer::GetAdditionalText() const {
    std::lock_guard lock(m_ParserLock);
    return m_szAdditional;
}

bool CDialer::AnsweredOK() const {
    std::lock_guard lock(m_ParserLock);
    return m_fOK != 0;
}

int32_t CDialer::GetLineCount() const {
    std::lock_guard lock(m_ParserLock);
    return m_nLines;
}

int32_t CDialer::GetReceiveLength() const {
    std::lock_guard lock(m_ParserLock);
    return m_nRecvLen;
}

std::string CDialer::GetLine(int32_t index) const {
    std::lock_guard lock(m_ParserLock);
    if (index < 0 || index > m_nLines || m_LineStart[index] >= m_nRecvLen) return {};
    return std::string(m_RecvBuf + m_LineStart[index]);
}
