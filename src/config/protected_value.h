// Protected registry values: binary values sealed with the platform's CryptoAPI before they are
// written, so the registry never holds the plain data; the key containers they are sealed with;
// and the look-up of a local service's security identifier. Part of the configuration base (see
// reg_key.h for the list of base files).
//
// Plain record (little-endian): type (4) | name length (4, the value name's length in the ANSI
// code page, terminator included) | name (that many bytes, terminator included) | data length
// (4) | data.
// Sealed form, what the registry holds as REG_BINARY (little-endian): total length (4, = 12 +
// blob length + cipher length) | blob length (4) | key blob (a fresh RC2 session key as a
// SIMPLEBLOB wrapped with the container's key-exchange key) | cipher length (4) | cipher (the plain
// record enciphered as a final block, padded to the 8-byte block).
// The container is "Quorlan Bluetooth Key Container Name" of "Microsoft Base Cryptographic
// Provider v1.0": the user container exactly when the key given is the predefined
// HKEY_CURRENT_USER handle itself, the machine container for any other handle (an open sub-key
// of the current user included).
//
// Result codes: 0, 14 (ERROR_OUTOFMEMORY), 6000 (sealing failed), 6001 (the stored value is not a
// valid protected value for this name, or cannot be opened with this container), 234
// (ERROR_MORE_DATA, caller's buffer too small), ERROR_INVALID_PARAMETER (a value name longer than
// 259 bytes in the ANSI code page: it could not be bound to the sealed record), or the registry's
// own error. Failures are traced with the texts of the store (QelTrace, the trace log).
// Promises: a stored value of any content (tampered, truncated, of another name, sealed under
// another container) is refused with 6001 without reading past its bytes. Thread-safe as far as
// the registry and the crypto layer are (both are); no exceptions.
#pragma once

#include <cstdint>

#include "platform/registry/registry.h"
#include "platform/win32.h"

inline constexpr DWORD BT_ERROR_ENCRYPT_FAILED = 6000;
inline constexpr DWORD BT_ERROR_INVALID_PROTECTED_VALUE = 6001;

inline constexpr char16_t kBtKeyContainerName[] = u"Quorlan Bluetooth Key Container Name";

// As the platform's value set, for a protected value: seals (dwType, the name, the data) and
// writes the sealed form as REG_BINARY under lpValueName. Reserved is ignored.
LONG BTRegSetEncValue(HKEY hKey, const char16_t* lpValueName, DWORD Reserved, DWORD dwType,
                      const BYTE* lpData, DWORD cbData);

// As the platform's value query, for a protected value: lpType (may be null) receives the type
// sealed with it; lpData (may be null) the data; lpcbData holds the buffer size and receives the
// data length. Data longer than *lpcbData answers 234 and leaves *lpcbData alone (with a null
// lpData and a null lpcbData nothing is returned but the check of the value). lpReserved ignored.
LONG BTRegQueryEncValue(HKEY hKey, const char16_t* lpValueName, DWORD* lpReserved, DWORD* lpType,
                        BYTE* lpData, DWORD* lpcbData);

// Seals the plain record in *pBuffer (*pBufferLen bytes) with the user container (bUserSpecific)
// or the machine container. On success *pBuffer and *pBufferLen are replaced by a new buffer
// (allocated with malloc; the caller frees it, and still owns the old one) and its length.
bool encryptKeyValue(bool bUserSpecific, BYTE** pBuffer, DWORD* pBufferLen);

// Opens a sealed form: on success *pBuffer and *pBufferLen are replaced by a new malloc'ed buffer
// holding the plain record and its length (the caller frees it, and still owns the old one).
bool decryptKeyValue(bool bUserSpecific, BYTE** pBuffer, DWORD* pBufferLen);

// Key containers of the store (each returns as written).
DWORD BtInitializeMachineKeyContainer();  // 0 or the error
DWORD BtInitializeUserKeyContainer();     // 0 or the error
bool BtIsMachineKeyContainerExist();
bool BtIsUserKeyContainerExist();
bool BtDeleteMachineKeyContainer();       // true on success
bool BtDeleteUserKeyContainers();         // true on success

// Walks the local services ("Software\Quorlan\BTConfig\Services", current user) in enumeration
// order; for the first whose "UUID" equals dwUUID stores its "SecurityId" (0 when the value is
// missing, as the service record's default) and returns true; false when there is none.
bool SecurityIdFromUUID(DWORD dwUUID, DWORD* pSecurityId);
