// Protected registry values and the store's key containers (see protected_value.h).
#include "config/protected_value.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "config/cfg_base.h"
#include "config/cfg_iterator.h"
#include "config/registry_view.h"
#include "platform/crypto/crypto.h"
#include "platform/text/text.h"
#include "trace/qel_trace.h"

using namespace qel::platform;

namespace {

// The value name in the ANSI code page, as the plain record holds it (260-byte buffer).
constexpr int kAnsiNameBytes = 260;

struct MallocFree {
    void operator()(void* p) const { std::free(p); }
};
using MallocBuffer = std::unique_ptr<BYTE, MallocFree>;

void put_u32(BYTE* out, DWORD v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<BYTE>(v >> (8 * i));
}
DWORD get_u32(const BYTE* in) {
    return static_cast<DWORD>(in[0]) | (static_cast<DWORD>(in[1]) << 8) | (static_cast<DWORD>(in[2]) << 16) |
           (static_cast<DWORD>(in[3]) << 24);
}

// The ANSI form of the value name with its terminator; its length (terminator included) or 0
// when it does not fit the 260-byte buffer or cannot be converted.
int ansi_name(const char16_t* lpValueName, char (&out)[kAnsiNameBytes]) {
    static const char16_t kEmpty[] = u"";
    const char16_t* name = lpValueName == nullptr ? kEmpty : lpValueName;
    return wide_char_to_multi_byte(CP_ACP, 0, name, -1, out, kAnsiNameBytes, nullptr, nullptr);
}

std::u16string_view name_view(const char16_t* lpValueName) {
    return lpValueName == nullptr ? std::u16string_view() : std::u16string_view(lpValueName);
}

DWORD acquire(bool user, DWORD flags, CryptContext* context) {
    return crypt_acquire_context(kBtKeyContainerName, MS_DEF_PROV, PROV_RSA_FULL,
                                 flags | (user ? 0 : CRYPT_MACHINE_KEYSET), context);
}

}  // namespace

bool encryptKeyValue(bool bUserSpecific, BYTE** pBuffer, DWORD* pBufferLen) {
    if (pBuffer == nullptr || pBufferLen == nullptr || (*pBuffer == nullptr && *pBufferLen != 0)) {
        return false;
    }
    const DWORD keyset = bUserSpecific ? 0 : CRYPT_MACHINE_KEYSET;
    CryptContext context;
    DWORD err = acquire(bUserSpecific, 0, &context);
    if (err != ERROR_SUCCESS) {
        QelTrace("encryptKeyValue: CryptAcquireContext failed. keyset=0x%x, Error=%d (0x%x)\n", keyset, err, err);
        // Only a missing (or unreadable) container is made anew: deleting one that failed for
        // another reason, a passing I/O error say, would lose the key every stored value needs.
        if (err != NTE_BAD_KEYSET) {
            return false;
        }
        if (bUserSpecific) {
            BtDeleteUserKeyContainers();
            BtInitializeUserKeyContainer();
        } else {
            BtDeleteMachineKeyContainer();
            BtInitializeMachineKeyContainer();
        }
        err = acquire(bUserSpecific, 0, &context);
        if (err != ERROR_SUCCESS) {
            QelTrace("encryptKeyValue: CryptAcquireContext 2 failed. Error=%d (0x%x)\n", err, err);
            return false;
        }
    }
    CryptKey exchange;
    err = context.get_user_key(AT_KEYEXCHANGE, &exchange);
    if (err == NTE_NO_KEY) {
        // Generated once: two first uses at the same time end with the same key.
        err = context.generate_exchange_key_if_absent(&exchange);
    }
    if (err != ERROR_SUCCESS) {
        return false;
    }
    CryptKey session;
    std::vector<BYTE> blob;
    if (context.generate_key(CALG_RC2, CRYPT_EXPORTABLE, &session) != ERROR_SUCCESS ||
        session.export_key(exchange, SIMPLEBLOB, &blob) != ERROR_SUCCESS) {
        return false;
    }
    DWORD cipherLength = *pBufferLen;
    if (session.encrypt(true, nullptr, &cipherLength, 0) != ERROR_SUCCESS) {
        return false;
    }
    const std::size_t total = 12 + blob.size() + static_cast<std::size_t>(cipherLength);
    if (total > 0xFFFFFFFFu) {
        return false;
    }
    MallocBuffer sealed(static_cast<BYTE*>(std::malloc(total)));
    if (!sealed) {
        return false;
    }
    BYTE* p = sealed.get();
    put_u32(p, static_cast<DWORD>(total));
    put_u32(p + 4, static_cast<DWORD>(blob.size()));
    std::memcpy(p + 8, blob.data(), blob.size());
    put_u32(p + 8 + blob.size(), cipherLength);
    BYTE* cipher = p + 12 + blob.size();
    if (*pBufferLen != 0) {
        std::memcpy(cipher, *pBuffer, *pBufferLen);
    }
    DWORD length = *pBufferLen;
    if (session.encrypt(true, cipher, &length, cipherLength) != ERROR_SUCCESS || length != cipherLength) {
        return false;
    }
    *pBuffer = sealed.release();
    *pBufferLen = static_cast<DWORD>(total);
    return true;
}

bool decryptKeyValue(bool bUserSpecific, BYTE** pBuffer, DWORD* pBufferLen) {
    if (pBuffer == nullptr || pBufferLen == nullptr || *pBuffer == nullptr) {
        return false;
    }
    const BYTE* in = *pBuffer;
    const DWORD length = *pBufferLen;
    // total length, blob length and cipher length at the least; every length is checked against
    // what is left before it is used.
    if (length < 12 || get_u32(in) != length) {
        return false;
    }
    const DWORD remaining = length - 8;
    const DWORD blobLength = get_u32(in + 4);
    if (blobLength > remaining - 4) {
        return false;
    }
    const DWORD cipherLength = get_u32(in + 8 + blobLength);
    if (cipherLength != remaining - blobLength - 4) {
        return false;
    }
    CryptContext context;
    if (acquire(bUserSpecific, 0, &context) != ERROR_SUCCESS) {
        return false;
    }
    CryptKey exchange;
    CryptKey session;
    if (context.get_user_key(AT_KEYEXCHANGE, &exchange) != ERROR_SUCCESS ||
        context.import_key(std::span<const BYTE>(in + 8, blobLength), exchange, 0, &session) != ERROR_SUCCESS) {
        return false;
    }
    MallocBuffer plain(static_cast<BYTE*>(std::malloc(cipherLength == 0 ? 1 : cipherLength)));
    if (!plain) {
        return false;
    }
    if (cipherLength != 0) {
        std::memcpy(plain.get(), in + 12 + blobLength, cipherLength);
    }
    DWORD plainLength = cipherLength;
    if (session.decrypt(true, plain.get(), &plainLength) != ERROR_SUCCESS) {
        return false;
    }
    *pBuffer = plain.release();
    *pBufferLen = plainLength;
    return true;
}

LONG BTRegSetEncValue(HKEY hKey, const char16_t* lpValueName, DWORD /*Reserved*/, DWORD dwType,
                      const BYTE* lpData, DWORD cbData) {
    if (lpData == nullptr && cbData != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    char name[kAnsiNameBytes];
    const int nameLength = ansi_name(lpValueName, name);
    if (nameLength <= 0) {
        // Too long for the record's name buffer: it could not be bound to this name.
        return ERROR_INVALID_PARAMETER;
    }
    const std::size_t plainSize = 12 + static_cast<std::size_t>(nameLength) + cbData;
    BYTE* plain = plainSize > 0xFFFFFFF0u ? nullptr : static_cast<BYTE*>(std::malloc(plainSize));
    if (plain == nullptr) {
        QelTrace("BTRegSetEncValue: malloc failed\n");
        return ERROR_OUTOFMEMORY;
    }
    MallocBuffer plainOwner(plain);
    put_u32(plain, dwType);
    put_u32(plain + 4, static_cast<DWORD>(nameLength));
    std::memcpy(plain + 8, name, static_cast<std::size_t>(nameLength));
    put_u32(plain + 8 + nameLength, cbData);
    if (cbData != 0) {
        std::memcpy(plain + 12 + nameLength, lpData, cbData);
    }

    BYTE* sealed = plain;
    DWORD sealedLength = static_cast<DWORD>(plainSize);
    const bool user = hKey == HKEY_CURRENT_USER;
    const bool ok = encryptKeyValue(user, &sealed, &sealedLength);
    std::memset(plain, 0, plainSize);  // the plain data does not outlive the call
    if (!ok) {
        QelTrace("BTRegSetEncValue: encryptKeyValue failed\n");
        return BT_ERROR_ENCRYPT_FAILED;
    }
    MallocBuffer sealedOwner(sealed);
    const LONG rc = reg_set_value(hKey, name_view(lpValueName), REG_BINARY, sealed, sealedLength);
    if (rc != ERROR_SUCCESS) {
        QelTrace("BTRegSetEncValue: RegSetValueEx  failed. lpValueName=%s dwEncodedBufferLen=%d err=%d\n", name,
                 sealedLength, rc);
    }
    return rc;
}

LONG BTRegQueryEncValue(HKEY hKey, const char16_t* lpValueName, DWORD* /*lpReserved*/, DWORD* lpType,
                        BYTE* lpData, DWORD* lpcbData) {
    if (lpData != nullptr && lpcbData == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = reg_query_value(hKey, name_view(lpValueName), &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) {
        return rc;
    }
    MallocBuffer stored(static_cast<BYTE*>(std::malloc(size == 0 ? 1 : size)));
    if (!stored) {
        QelTrace("BTRegQueryEncValue: malloc failed\n");
        return ERROR_OUTOFMEMORY;
    }
    rc = reg_query_value(hKey, name_view(lpValueName), &type, stored.get(), &size);
    if (rc != ERROR_SUCCESS) {
        QelTrace("BTRegQueryEncValue: RegQueryValueEx 2 failed. err=%d\n", rc);
        return rc == static_cast<LONG>(ERROR_MORE_DATA) ? static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE) : rc;
    }
    if (type != REG_BINARY) {
        return BT_ERROR_INVALID_PROTECTED_VALUE;
    }
    BYTE* plain = stored.get();
    DWORD plainLength = size;
    if (!decryptKeyValue(hKey == HKEY_CURRENT_USER, &plain, &plainLength)) {
        return BT_ERROR_INVALID_PROTECTED_VALUE;
    }
    MallocBuffer plainOwner(plain);
    struct Wipe {
        BYTE* p;
        DWORD n;
        ~Wipe() { std::memset(p, 0, n); }
    } wipe{plain, plainLength};

    char name[kAnsiNameBytes];
    const int nameLength = ansi_name(lpValueName, name);
    if (nameLength <= 0 || plainLength < 8) {
        return BT_ERROR_INVALID_PROTECTED_VALUE;
    }
    const DWORD sealedType = get_u32(plain);
    const DWORD sealedNameLength = get_u32(plain + 4);
    if (sealedNameLength != static_cast<DWORD>(nameLength) || plainLength - 8 < sealedNameLength ||
        plainLength - 8 - sealedNameLength < 4 || std::memcmp(plain + 8, name, sealedNameLength) != 0) {
        return BT_ERROR_INVALID_PROTECTED_VALUE;
    }
    const DWORD dataLength = get_u32(plain + 8 + sealedNameLength);
    if (dataLength != plainLength - 12 - sealedNameLength) {
        return BT_ERROR_INVALID_PROTECTED_VALUE;
    }
    if (lpcbData != nullptr && dataLength > *lpcbData) {
        return ERROR_MORE_DATA;
    }
    if (lpType != nullptr) {
        *lpType = sealedType;
    }
    if (lpData != nullptr && dataLength != 0) {
        std::memcpy(lpData, plain + 12 + sealedNameLength, dataLength);
    }
    if (lpcbData != nullptr) {
        *lpcbData = dataLength;
    }
    return ERROR_SUCCESS;
}

DWORD BtInitializeMachineKeyContainer() {
    CryptContext context;
    DWORD err = acquire(false, CRYPT_NEWKEYSET, &context);
    if (err != ERROR_SUCCESS) {
        QelTrace("BtInitializeMachineKeyContainer: CryptAcquireContext failed.Error=%d (0x%x)\n", err, err);
        return err;
    }
    // A freshly initialised security descriptor without an access list: every account may use the
    // machine container. (Initialising it cannot fail here: it is a plain value.)
    struct EmptySecurityDescriptor {
        BYTE revision = 1;
        BYTE reserved = 0;
        WORD control = 0;
    } descriptor;
    err = context.set_param(PP_KEYSET_SEC_DESCR, &descriptor, DACL_SECURITY_INFORMATION);
    if (err != ERROR_SUCCESS) {
        QelTrace("BtInitializeMachineKeyContainer: CryptSetProvParam failed.Error=%d (0x%x)\n", err, err);
        return err;
    }
    return ERROR_SUCCESS;
}

DWORD BtInitializeUserKeyContainer() {
    CryptContext context;
    const DWORD err = acquire(true, CRYPT_NEWKEYSET, &context);
    if (err != ERROR_SUCCESS) {
        QelTrace("BtInitializeUserKeyContainer: CryptAcquireContext failed.Error=%d (0x%x)\n", err, err);
    }
    return err;
}

bool BtIsMachineKeyContainerExist() {
    CryptContext context;
    const DWORD err = acquire(false, 0, &context);
    if (err != ERROR_SUCCESS) {
        QelTrace("BtIsMachineKeyContainerExist: CryptAcquireContext failed.Error=%d (0x%x)\n", err, err);
        return false;
    }
    return true;
}

bool BtIsUserKeyContainerExist() {
    CryptContext context;
    return acquire(true, 0, &context) == ERROR_SUCCESS;
}

bool BtDeleteMachineKeyContainer() {
    CryptContext context;
    const DWORD err = acquire(false, CRYPT_DELETEKEYSET, &context);
    if (err != ERROR_SUCCESS) {
        QelTrace("BtDeleteMachineKeyContainer: CryptAcquireContext failed.Error=%d(0x%x)\n", err, err);
        return false;
    }
    return true;
}

bool BtDeleteUserKeyContainers() {
    CryptContext context;
    const DWORD err = acquire(true, CRYPT_DELETEKEYSET, &context);
    if (err != ERROR_SUCCESS) {
        QelTrace("BtDeleteUserKeyContainers: CryptAcquireContext failed.Error=%d(0x%x)\n", err, err);
        return false;
    }
    return true;
}

bool SecurityIdFromUUID(DWORD dwUUID, DWORD* pSecurityId) {
    CBTServiceCfgIterator services;
    char16_t name[MAX_PATH];
    while (services.GetNext(name)) {
        const std::u16string path = qel::config::CfgKeyPath(kServicesPath, name);
        RegKey key;
        if (reg_open_key(HKEY_CURRENT_USER, path, qel::config::CfgAccess(KEY_READ), key.put()) != ERROR_SUCCESS) {
            continue;
        }
        // A value that is missing or not a 32-bit number leaves the service record's default, 0.
        auto read_number = [&key](std::u16string_view value) {
            DWORD number = 0;
            DWORD type = 0;
            DWORD size = sizeof number;
            if (reg_query_value(key.get(), value, &type, reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS ||
                type != REG_DWORD || size != sizeof number) {
                return DWORD{0};
            }
            return number;
        };
        if (read_number(u"UUID") == dwUUID) {
            if (pSecurityId != nullptr) {
                *pSecurityId = read_number(u"SecurityId");
            }
            return true;
        }
    }
    return false;
}
