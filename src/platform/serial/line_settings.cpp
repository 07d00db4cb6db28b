#include "platform/serial/line_settings.h"

#include <array>
#include <utility>

namespace qel::platform::detail {
namespace {

constexpr std::array<std::pair<DWORD, speed_t>, 26> kSpeeds{{
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000},
}};

tcflag_t size_flag(BYTE size) {
    switch (size) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

}  // namespace

speed_t speed_from_baud(DWORD baud) {
    speed_t result = kSpeeds.front().second;
    for (const auto& [rate, speed] : kSpeeds) {
        if (rate > baud) break;
        result = speed;
    }
    return result;
}

DWORD baud_from_speed(speed_t speed) {
    for (const auto& [rate, s] : kSpeeds) {
        if (s == speed) return rate;
    }
    return CBR_9600;  // B0 (hang-up) or a rate beyond the table: report the usual default
}

DWORD check_dcb(const DCB& dcb) {
    const bool bad = dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY ||
                     dcb.StopBits > TWOSTOPBITS || dcb.fDtrControl > DTR_CONTROL_HANDSHAKE ||
                     ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar);
    return bad ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

termios raw_termios(const termios& t) {
    termios r = t;
    r.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY);
    r.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    r.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    r.c_cflag |= CLOCAL | CREAD;
    r.c_cc[VMIN] = 1;
    r.c_cc[VTIME] = 0;
    return r;
}

termios termios_from_dcb(const termios& base, const DCB& dcb) {
    termios t = raw_termios(base);
    const speed_t speed = speed_from_baud(dcb.BaudRate);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= size_flag(dcb.ByteSize);
    switch (dcb.Parity) {
    case ODDPARITY: t.c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: t.c_cflag |= PARENB; break;
    case MARKPARITY: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (dcb.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) t.c_cflag |= CRTSCTS;

    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
    if (dcb.fParity) t.c_iflag |= INPCK;
    if (dcb.fOutX) t.c_iflag |= IXON;
    if (dcb.fInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return t;
}

DCB dcb_from_termios(const termios& t) {
    DCB dcb;
    dcb.BaudRate = baud_from_speed(cfgetospeed(&t));
    dcb.fBinary = 1;
    dcb.fParity = (t.c_iflag & INPCK) ? 1 : 0;
    const bool hardware = (t.c_cflag & CRTSCTS) != 0;
    dcb.fOutxCtsFlow = hardware ? 1 : 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = (t.c_iflag & IXON) ? 1 : 0;
    dcb.fInX = (t.c_iflag & IXOFF) ? 1 : 0;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    switch (t.c_cflag & CSIZE) {
    case CS5: dcb.ByteSize = 5; break;
    case CS6: dcb.ByteSize = 6; break;
    case CS7: dcb.ByteSize = 7; break;
    default: dcb.ByteSize = 8; break;
    }
    if (!(t.c_cflag & PARENB)) {
        dcb.Parity = NOPARITY;
    } else if (t.c_cflag & CMSPAR) {
        dcb.Parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    } else {
        dcb.Parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    }
    dcb.StopBits = (t.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
    dcb.XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return dcb;
}

}  // namespace qel::platform::detail
