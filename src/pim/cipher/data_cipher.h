// The data cipher: RC2 encryption of a buffer or a file under a key derived from a key text, with
// the platform's cryptographic service ("Microsoft Enhanced Cryptographic Provider v1.0",
// verification-only context, SHA-1 of the key bytes, RC2-128 derived from the hash, CBC with an
// all-zero IV and PKCS #5 padding as the final block).
//
// Promises:
//  - Every function returns 0 on success or a platform error code, which EncryptData and
//    DecryptData also leave as the thread's last error; nothing throws.
//  - EncryptData and DecryptData report the step that failed through the optional trace function
//    ("***** EncryptData failed on line % d. error=%d\n" with the step number: 105 context,
//    107 hash, 109 hash data, 111 derive key, 113 encrypt; DecryptData 71, 73, 75, 77, 79).
//  - Key, hash and context are released on every path (RAII handles of the crypto layer).
//  - A buffer too small for the ciphertext answers ERROR_MORE_DATA at step 113 with the buffer
//    unchanged and *pdwDataLen set to the length needed; nothing is written past dwBufLen.
//  - Ciphertext that is not a whole number of blocks, or whose padding does not check (tampered
//    or truncated data), answers NTE_BAD_DATA at step 79; the data length is then left as given.
//  - The file forms use the build's key root (kDataCipherKeyRoot, 46 key bytes with its NUL).
// Thread-safety: no shared state; any thread may call any function. The trace function is called
// on the caller's thread.
#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "platform/win32.h"

// Receives one formatted trace line (with its line feed).
using DataCipherTrace = std::function<void(const char* text)>;

// The key root built into this system: 45 printable characters. The cipher is given its 46 bytes
// (terminating NUL included). Changing it makes every existing "providers.bin" unreadable.
inline constexpr char kDataCipherKeyRoot[] = "Qel.Dialup/OperatorAccessPoints#7kV2-w9Rq!3Zt";
static_assert(sizeof(kDataCipherKeyRoot) == 46, "the key root is 45 characters and a NUL");

// The key root's 46 bytes as the cipher takes them.
inline std::span<const BYTE> DataCipherKeyRoot() {
    return {reinterpret_cast<const BYTE*>(kDataCipherKeyRoot), sizeof(kDataCipherKeyRoot)};
}

// Encrypts *pdwDataLen bytes of pbData in place; *pdwDataLen becomes the ciphertext length
// (plain length rounded up to the next multiple of 8, a whole block added when aligned), which
// must fit dwBufLen. Null pointers answer ERROR_INVALID_PARAMETER at the step that needs them.
DWORD EncryptData(const BYTE* pbKey, DWORD dwKeyLen, BYTE* pbData, DWORD* pdwDataLen, DWORD dwBufLen,
                  const DataCipherTrace& trace = {});

// Decrypts *pdwDataLen bytes of pbData in place; *pdwDataLen becomes the plain length.
DWORD DecryptData(const BYTE* pbKey, DWORD dwKeyLen, BYTE* pbData, DWORD* pdwDataLen,
                  const DataCipherTrace& trace = {});

// Reads the whole file and decrypts it with the key root. On success *plaintext holds the plain
// bytes (std::string keeps a NUL after them); on failure it is left empty. Read failures trace
// "***** ReadFile failed on line % d. error=%d\n" (21 open, 25 size, 28 memory, 31 read) and
// answer the file error (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED for a folder...).
DWORD ReadAndDecryptFile(const std::filesystem::path& path, std::string* plaintext,
                         const DataCipherTrace& trace = {});

// Encrypts a file into another with the key root. Steps traced as "***** EncryptFile failed on
// line % d. error=%d\n": 161 read, 164 buffer (8, not enough memory), 168 encrypt, 171 create the
// output (82), 173 write (29).
DWORD EncryptFileW(const std::filesystem::path& input, const std::filesystem::path& output,
                   const DataCipherTrace& trace = {});

// Decrypts a file into another with the key root: ReadAndDecryptFile's error, 110 when the output
// cannot be created ("DecryptFile: can not create output file\n"), 29 when it cannot be written
// ("DecryptFile: can not write output file\n").
DWORD DecryptFileW(const std::filesystem::path& input, const std::filesystem::path& output,
                   const DataCipherTrace& trace = {});
