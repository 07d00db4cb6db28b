// GetLongComPortName: the name under which a COM port is opened. A name longer than four
// characters that begins with "COM" is written in the device-namespace form "\\.\COMn" (ports
// above 9 have no plain device name); any other name is copied as it is.
#pragma once

#include <span>

// Writes the name into `buf` (cut to fit, always terminated when buf is not empty); returns buf.
char* GetLongComPortName(const char* sczPortName, std::span<char> buf);
