// The translation between a device-control block and the termios of a terminal: which fields
// termios holds, and what a port's device-control block looks like when it is first opened.
//
// termios holds: BaudRate (the standard rates; a rate termios lacks, such as 14400, sets the
// nearest lower one), ByteSize (5..8), Parity (none, odd, even, mark and space through CMSPAR),
// fParity (INPCK), StopBits (two and one-and-a-half both as CSTOPB), CRTSCTS (CTS output flow or
// RTS handshaking), fOutX (IXON), fInX (IXOFF), XonChar (VSTART) and XoffChar (VSTOP). A port's
// terminal is always raw: no echo, no line editing, no translation, reads of at least one byte.
// Everything else (fBinary, fOutxDsrFlow, fDtrControl, fDsrSensitivity, fTXContinueOnXoff,
// fErrorChar, fNull, fRtsControl apart from handshaking, fAbortOnError, XonLim, XoffLim,
// ErrorChar, EofChar, EvtChar) is kept only in the port's handle.
#pragma once

#include <termios.h>

#include <optional>

#include "platform/serial/comm_types.h"

namespace qel::platform::detail {

// ERROR_SUCCESS, or ERROR_INVALID_PARAMETER when `dcb` holds a value no port accepts (a zero
// baud rate, a data size outside 5..8, an unknown parity, stop-bit or control value, or the same
// XON and XOFF characters with software flow control on).
DWORD check_dcb(const DCB& dcb);

// `base` changed to carry what termios holds of `dcb` (which check_dcb accepted), in raw mode.
termios termios_from_dcb(const termios& base, const DCB& dcb);

// `t` in raw mode, the other fields unchanged.
termios raw_termios(const termios& t);

// The device-control block of a freshly opened port whose terminal has the settings `t`.
DCB dcb_from_termios(const termios& t);

// The termios speed constant for a baud rate (the nearest lower standard rate) and back.
speed_t speed_from_baud(DWORD baud);
DWORD baud_from_speed(speed_t speed);

}  // namespace qel::platform::detail
