// Code-page conversion of names the stack stores as 8-bit text (service names in UTF-8).
// Part of the configuration base (see reg_key.h for the list of base files).
//
// Both functions convert a NUL-terminated byte string from utf8CodePage to UTF-16 and then to
// nativeCodePage into pNativeOut, writing at most maxNativeLen bytes, the terminator included
// (text that does not fit is cut at a character boundary of the target code page, and always
// terminated when maxNativeLen > 0). Characters the native code page lacks become "?".
// Promises: no write past maxNativeLen bytes; a null input or output, or maxNativeLen 0, does
// nothing.
#pragma once

#include "platform/win32.h"

// When the first conversion yields nothing, pNativeOut becomes an empty string.
void BtRegUtf8ToNative(const char* pUtf8In, UINT utf8CodePage, char* pNativeOut, UINT nativeCodePage,
                       int maxNativeLen);

// As BtRegUtf8ToNative, but leaves pNativeOut unchanged when the converted text is empty.
void BtUtf8ToNative(const char* pUtf8In, UINT utf8CodePage, char* pNativeOut, UINT nativeCodePage,
                    int maxNativeLen);
