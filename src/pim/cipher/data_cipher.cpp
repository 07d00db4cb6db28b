// The data cipher over the platform's cryptographic service (see data_cipher.h).
#include "pim/cipher/data_cipher.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>

#include <sys/stat.h>

#include "platform/crypto/crypto.h"
#include "platform/last_error.h"
#include "trace/trace_format.h"

namespace {

using qel::platform::CryptContext;
using qel::platform::CryptHash;
using qel::platform::CryptKey;

// Step numbers reported when a step fails.
constexpr int kEncAcquire = 105, kEncHash = 107, kEncHashData = 109, kEncDerive = 111, kEncEncrypt = 113;
constexpr int kDecAcquire = 71, kDecHash = 73, kDecHashData = 75, kDecDerive = 77, kDecDecrypt = 79;
constexpr int kReadOpen = 21, kReadSize = 25, kReadAlloc = 28, kReadRead = 31;
constexpr int kEncFileRead = 161, kEncFileGrow = 164, kEncFileEncrypt = 168, kEncFileCreate = 171,
              kEncFileWrite = 173;

// Room added to a file's bytes for the padding of its ciphertext (at most one block is needed).
constexpr DWORD kEncryptSlack = 128;

template <typename... Args>
void trace_line(const DataCipherTrace& trace, const char* format, const Args&... args) {
    if (!trace) return;
    const std::string text = qel::trace::format_trace_string(1000, format, args...);
    trace(text.c_str());
}

void trace_step(const DataCipherTrace& trace, const char* format, int step, DWORD error) {
    trace_line(trace, format, step, static_cast<int>(error));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The key of the data cipher: SHA-1 of the key bytes, RC2 of the provider's default length (128
// bits). Context and key are released with this object; the hash when make_key returns.
struct CipherKey {
    CryptContext context;
    CryptKey key;
};

// Runs the key steps; returns 0 or the error, with *failed_step set to the step that failed.
DWORD make_key(const BYTE* pbKey, DWORD dwKeyLen, const int (&steps)[4], CipherKey* out, int* failed_step) {
    DWORD rc = qel::platform::crypt_acquire_context(u"", MS_ENHANCED_PROV, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT,
                                                    &out->context);
    if (rc != 0) {
        *failed_step = steps[0];
        return rc;
    }
    CryptHash hash;
    rc = out->context.create_hash(CALG_SHA1, &hash);
    if (rc != 0) {
        *failed_step = steps[1];
        return rc;
    }
    if (pbKey == nullptr && dwKeyLen != 0) {
        *failed_step = steps[2];
        return ERROR_INVALID_PARAMETER;
    }
    rc = hash.hash_data(std::span<const BYTE>(pbKey, pbKey ? dwKeyLen : 0));
    if (rc != 0) {
        *failed_step = steps[2];
        return rc;
    }
    rc = out->context.derive_key(CALG_RC2, hash, CRYPT_EXPORTABLE, &out->key);
    if (rc != 0) {
        *failed_step = steps[3];
        return rc;
    }
    return 0;
}

// Reads a whole file ("rb") into *out.
DWORD read_whole_file(const std::filesystem::path& path, std::string* out, const DataCipherTrace& trace) {
    constexpr const char* kFormat = "***** ReadFile failed on line % d. error=%d\n";
    errno = 0;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        const DWORD rc = qel::platform::error_from_errno(errno);
        trace_step(trace, kFormat, kReadOpen, rc);
        return rc;
    }
    // A folder opens for reading here but is no file to the platform: access denied.
    struct stat info {};
    if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
        trace_step(trace, kFormat, kReadSize, ERROR_ACCESS_DENIED);
        return ERROR_ACCESS_DENIED;
    }
    long size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        const DWORD rc = qel::platform::error_from_errno(errno);
        trace_step(trace, kFormat, kReadSize, rc);
        return rc;
    }
    // Lengths travel as DWORD, with room for the padding of a later encryption.
    if (static_cast<unsigned long>(size) > std::numeric_limits<DWORD>::max() - kEncryptSlack) {
        trace_step(trace, kFormat, kReadAlloc, ERROR_NOT_ENOUGH_MEMORY);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    try {
        out->assign(static_cast<std::size_t>(size), '\0');
    } catch (const std::bad_alloc&) {
        trace_step(trace, kFormat, kReadAlloc, ERROR_NOT_ENOUGH_MEMORY);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (size > 0 && std::fread(out->data(), 1, out->size(), file.get()) != out->size()) {
        const DWORD rc = std::ferror(file.get()) ? qel::platform::error_from_errno(errno) : ERROR_HANDLE_EOF;
        out->clear();
        trace_step(trace, kFormat, kReadRead, rc);
        return rc;
    }
    return 0;
}

DWORD write_whole_file(std::FILE* file, std::string_view data) {
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file) != data.size()) return ERROR_WRITE_FAULT;
    return std::fflush(file) == 0 ? 0 : ERROR_WRITE_FAULT;
}

BYTE* bytes(std::string& s) { return reinterpret_cast<BYTE*>(s.data()); }

}  // namespace

DWORD EncryptData(const BYTE* pbKey, DWORD dwKeyLen, BYTE* pbData, DWORD* pdwDataLen, DWORD dwBufLen,
                  const DataCipherTrace& trace) {
    constexpr const char* kFormat = "***** EncryptData failed on line % d. error=%d\n";
    CipherKey key;
    int step = 0;
    DWORD rc = make_key(pbKey, dwKeyLen, {kEncAcquire, kEncHash, kEncHashData, kEncDerive}, &key, &step);
    if (rc == 0) {
        step = kEncEncrypt;
        // A null buffer would only measure; the data must be there to be enciphered.
        rc = (pbData == nullptr || pdwDataLen == nullptr) ? ERROR_INVALID_PARAMETER
                                                          : key.key.encrypt(true, pbData, pdwDataLen, dwBufLen);
    }
    if (rc != 0) {
        trace_step(trace, kFormat, step, rc);
        qel::platform::set_last_error(rc);
    }
    return rc;
}

DWORD DecryptData(const BYTE* pbKey, DWORD dwKeyLen, BYTE* pbData, DWORD* pdwDataLen,
                  const DataCipherTrace& trace) {
    constexpr const char* kFormat = "***** DecryptData failed on line % d. error=%d\n";
    CipherKey key;
    int step = 0;
    DWORD rc = make_key(pbKey, dwKeyLen, {kDecAcquire, kDecHash, kDecHashData, kDecDerive}, &key, &step);
    if (rc == 0) {
        step = kDecDecrypt;
        if (pdwDataLen == nullptr || (pbData == nullptr && *pdwDataLen != 0)) {
            rc = ERROR_INVALID_PARAMETER;
        } else if (*pdwDataLen == 0) {
            rc = NTE_BAD_DATA;  // a ciphertext holds at least its padding block
        } else {
            rc = key.key.decrypt(true, pbData, pdwDataLen);
        }
    }
    if (rc != 0) {
        trace_step(trace, kFormat, step, rc);
        qel::platform::set_last_error(rc);
    }
    return rc;
}

DWORD ReadAndDecryptFile(const std::filesystem::path& path, std::string* plaintext, const DataCipherTrace& trace) {
    if (plaintext == nullptr) return ERROR_INVALID_PARAMETER;
    plaintext->clear();
    std::string buffer;
    DWORD rc = read_whole_file(path, &buffer, trace);
    if (rc != 0) return rc;
    auto length = static_cast<DWORD>(buffer.size());
    const auto key = DataCipherKeyRoot();
    rc = DecryptData(key.data(), static_cast<DWORD>(key.size()), bytes(buffer), &length, trace);
    if (rc != 0) return rc;
    buffer.resize(length);  // std::string keeps its NUL after the plain bytes
    *plaintext = std::move(buffer);
    return 0;
}

DWORD EncryptFileW(const std::filesystem::path& input, const std::filesystem::path& output,
                   const DataCipherTrace& trace) {
    constexpr const char* kFormat = "***** EncryptFile failed on line % d. error=%d\n";
    std::string buffer;
    DWORD rc = read_whole_file(input, &buffer, trace);
    if (rc != 0) {
        trace_step(trace, kFormat, kEncFileRead, rc);
        return rc;
    }
    const auto plain_length = static_cast<DWORD>(buffer.size());
    try {
        buffer.resize(std::size_t{plain_length} + kEncryptSlack);
    } catch (const std::bad_alloc&) {
        trace_step(trace, kFormat, kEncFileGrow, ERROR_NOT_ENOUGH_MEMORY);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    DWORD length = plain_length;
    const auto key = DataCipherKeyRoot();
    rc = EncryptData(key.data(), static_cast<DWORD>(key.size()), bytes(buffer), &length,
                     plain_length + kEncryptSlack, trace);
    if (rc != 0) {
        trace_step(trace, kFormat, kEncFileEncrypt, rc);
        return rc;
    }
    File out(std::fopen(output.c_str(), "wb"));
    if (!out) {
        trace_step(trace, kFormat, kEncFileCreate, ERROR_CANNOT_MAKE);
        return ERROR_CANNOT_MAKE;
    }
    if (write_whole_file(out.get(), std::string_view(buffer).substr(0, length)) != 0) {
        trace_step(trace, kFormat, kEncFileWrite, ERROR_WRITE_FAULT);
        return ERROR_WRITE_FAULT;
    }
    return 0;
}

DWORD DecryptFileW(const std::filesystem::path& input, const std::filesystem::path& output,
                   const DataCipherTrace& trace) {
    std::string plain;
    DWORD rc = ReadAndDecryptFile(input, &plain, trace);
    if (rc != 0) return rc;
    File out(std::fopen(output.c_str(), "wb"));
    if (!out) {
        trace_line(trace, "DecryptFile: can not create output file\n");
        return ERROR_OPEN_FAILED;
    }
    if (write_whole_file(out.get(), plain) != 0) {
        trace_line(trace, "DecryptFile: can not write output file\n");
        return ERROR_WRITE_FAULT;
    }
    return 0;
}
