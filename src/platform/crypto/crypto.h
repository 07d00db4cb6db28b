// CryptoAPI stand-in: named key containers (per user or for the machine) holding an RSA
// key-exchange key, RC2 session keys exported and imported as SIMPLEBLOBs under that key, RC2
// encryption in CBC mode with the final-block padding, SHA-1 hashes and keys derived from them;
// with the formats, defaults and result codes of the two providers the system names, so that
// data sealed here has the platform's layout.
//
// Providers (by name, type PROV_RSA_FULL):
//   "Microsoft Base Cryptographic Provider v1.0": RC2 40 bits by default (40 to 56), RSA 512.
//   "Microsoft Enhanced Cryptographic Provider v1.0": RC2 128 bits by default (40 to 128), RSA 1024.
// Choices fixed here (data sealed by one build opens in the next):
//  - RC2 is our own implementation of RFC 2268 (rc2.h), so no legacy OpenSSL provider is needed.
//  - A 40-bit RC2 key without CRYPT_NO_SALT carries 11 zero salt bytes (both providers): the key
//    schedule runs over the 5 key bytes and the 11 salt bytes (16 bytes) with an effective key
//    length of 40 bits. Any other RC2 key runs its schedule over its own bytes with an effective
//    key length equal to its length in bits (so RC2-128 has effective length 128).
//  - RC2: 8-byte blocks, CBC, all-zero IV; the chain continues over non-final calls and restarts
//    after a final one. Final encryption pads PKCS #5 style (1 to 8 bytes, a whole block when the
//    data is aligned); final decryption checks every pad byte (NTE_BAD_DATA otherwise).
//  - RSA keys use the public exponent 65537. SIMPLEBLOB: BLOBHEADER {bType 1, bVersion 2,
//    reserved 0, aiKeyAlg CALG_RC2}, the ALG_ID CALG_RSA_KEYX, then the RSA encryption of the PKCS
//    #1 v1.5 type 2 block 00 02 <non-zero random> 00 <key bytes, last byte first>, stored
//    byte-reversed (little-endian): the platform builds and stores the block as one little-endian
//    number. 12 + 64 bytes under a 512-bit key. Importing checks bType, version 2,
//    reserved 0 and the padding (NTE_BAD_DATA), that the unwrapping key is a key-exchange key
//    (NTE_BAD_PUBLIC_KEY), and the key length against the provider (NTE_BAD_DATA).
//  - A key derived from a SHA-1 hash takes the first key-length bytes of the hash value.
//  - Containers are files in "<registry dir>/machine-keys" or "<registry dir>/user-keys" (beside
//    the hive of the same scope), named by the hexadecimal UTF-8 of the container name, mode 0600
//    in folders of mode 0700; a file holds the key-exchange key pair (DER) when one was
//    generated. Writes go through a temporary file and a rename, so a reader sees the old or
//    the new container, never a torn one. The container's security descriptor (who may use a
//    machine container) is accepted and not stored: both hives live in the user's own registry
//    folder, so no other account reaches them.
// Result codes are 0 for success or the platform's error values (NTE_*, ERROR_MORE_DATA,
// ERROR_INVALID_PARAMETER, a file error); nothing throws.
// Thread-safety: every function may be called from any thread. A CryptContext and the keys
// taken from it may be shared read-only between threads (the key pair is immutable once loaded);
// a CryptKey or CryptHash that is being encrypted with or hashed into (both keep running state)
// belongs to one thread at a time. Container files are created, replaced and deleted under a
// process-wide mutex and an advisory lock of the container's folder, so two processes generating
// a container's first key agree on one key (generate_exchange_key_if_absent).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/win32.h"

using ALG_ID = std::uint32_t;

inline constexpr DWORD PROV_RSA_FULL = 1;
inline constexpr char16_t MS_DEF_PROV[] = u"Microsoft Base Cryptographic Provider v1.0";
inline constexpr char16_t MS_ENHANCED_PROV[] = u"Microsoft Enhanced Cryptographic Provider v1.0";

// Acquire flags.
inline constexpr DWORD CRYPT_VERIFYCONTEXT = 0xF0000000;
inline constexpr DWORD CRYPT_NEWKEYSET = 0x00000008;
inline constexpr DWORD CRYPT_DELETEKEYSET = 0x00000010;
inline constexpr DWORD CRYPT_MACHINE_KEYSET = 0x00000020;
inline constexpr DWORD CRYPT_SILENT = 0x00000040;

// Key generation flags (the key length in bits goes in the upper 16 bits).
inline constexpr DWORD CRYPT_EXPORTABLE = 0x00000001;
inline constexpr DWORD CRYPT_NO_SALT = 0x00000010;

inline constexpr DWORD AT_KEYEXCHANGE = 1;
inline constexpr DWORD AT_SIGNATURE = 2;

inline constexpr ALG_ID CALG_RC2 = 0x6602;
inline constexpr ALG_ID CALG_RSA_KEYX = 0xA400;
inline constexpr ALG_ID CALG_SHA1 = 0x8004;

inline constexpr BYTE SIMPLEBLOB = 0x1;
inline constexpr BYTE CUR_BLOB_VERSION = 2;

inline constexpr DWORD PP_KEYSET_SEC_DESCR = 8;
inline constexpr DWORD DACL_SECURITY_INFORMATION = 0x00000004;

inline constexpr DWORD NTE_BAD_KEY = 0x80090003;
inline constexpr DWORD NTE_BAD_LEN = 0x80090004;
inline constexpr DWORD NTE_BAD_DATA = 0x80090005;
inline constexpr DWORD NTE_BAD_ALGID = 0x80090008;
inline constexpr DWORD NTE_BAD_FLAGS = 0x80090009;
inline constexpr DWORD NTE_BAD_TYPE = 0x8009000A;
inline constexpr DWORD NTE_BAD_KEY_STATE = 0x8009000B;
inline constexpr DWORD NTE_BAD_HASH_STATE = 0x8009000C;
inline constexpr DWORD NTE_NO_KEY = 0x8009000D;
inline constexpr DWORD NTE_EXISTS = 0x8009000F;
inline constexpr DWORD NTE_BAD_PUBLIC_KEY = 0x80090015;
inline constexpr DWORD NTE_BAD_KEYSET = 0x80090016;
inline constexpr DWORD NTE_PROV_TYPE_NOT_DEF = 0x80090017;
inline constexpr DWORD NTE_KEYSET_NOT_DEF = 0x80090019;
inline constexpr DWORD NTE_FAIL = 0x80090020;

namespace qel::platform {

enum class CryptProvider { base, enhanced };
enum class KeyScope { user, machine };

// RC2 key lengths (bits) and RSA key-exchange length of a provider.
struct ProviderDefaults {
    DWORD rc2_default_bits;
    DWORD rc2_min_bits;
    DWORD rc2_max_bits;
    DWORD rsa_exchange_bits;
};
ProviderDefaults provider_defaults(CryptProvider provider);

namespace crypto_detail {
struct Container;
struct KeyData;
struct HashData;
}  // namespace crypto_detail

// A key: an RC2 session key, or the container's RSA key-exchange key pair. Movable; the moved-from
// key is empty (every call on it answers NTE_BAD_KEY).
class CryptKey {
public:
    CryptKey();
    ~CryptKey();
    CryptKey(CryptKey&&) noexcept;
    CryptKey& operator=(CryptKey&&) noexcept;
    CryptKey(const CryptKey&) = delete;
    CryptKey& operator=(const CryptKey&) = delete;

    explicit operator bool() const;
    ALG_ID algorithm() const;  // 0 when empty
    DWORD bits() const;        // key length in bits (RC2) or modulus length (RSA)

    // Exports this RC2 key as a SIMPLEBLOB wrapped with `exchange` (a key-exchange key): this key
    // must be exportable (NTE_BAD_KEY_STATE), `exchange` an RSA key (NTE_BAD_PUBLIC_KEY), the type
    // SIMPLEBLOB (NTE_BAD_TYPE).
    DWORD export_key(const CryptKey& exchange, BYTE blob_type, std::vector<BYTE>* blob) const;

    // Enciphers *data_len bytes of `data` in place (RC2 only). Non-final calls take whole blocks
    // (NTE_BAD_LEN otherwise). A final call pads; with `data` null it only reports the length
    // needed in *data_len; with buffer_len too small it answers ERROR_MORE_DATA, the length needed
    // in *data_len and nothing changed.
    DWORD encrypt(bool final, BYTE* data, DWORD* data_len, DWORD buffer_len);
    // Deciphers *data_len bytes in place; whole blocks only (NTE_BAD_DATA otherwise). A final
    // call checks and removes the padding (NTE_BAD_DATA) and sets *data_len to the plain length.
    DWORD decrypt(bool final, BYTE* data, DWORD* data_len);

private:
    friend class CryptContext;
    std::unique_ptr<crypto_detail::KeyData> data_;
};

// A running hash (SHA-1). Once a key was derived from it or its value read, it takes no more data.
class CryptHash {
public:
    CryptHash();
    ~CryptHash();
    CryptHash(CryptHash&&) noexcept;
    CryptHash& operator=(CryptHash&&) noexcept;
    CryptHash(const CryptHash&) = delete;
    CryptHash& operator=(const CryptHash&) = delete;

    explicit operator bool() const;
    // Adds data; NTE_BAD_HASH_STATE once the value was taken.
    DWORD hash_data(std::span<const BYTE> data);
    // The 20-byte value (finishes the hash).
    DWORD value(std::vector<BYTE>* out);

private:
    friend class CryptContext;
    std::unique_ptr<crypto_detail::HashData> data_;
};

// An acquired key container (or, with CRYPT_VERIFYCONTEXT, a context without one, for session
// keys and hashes only). Copies share the container.
class CryptContext {
public:
    CryptContext();
    ~CryptContext();
    CryptContext(const CryptContext&);
    CryptContext& operator=(const CryptContext&);
    CryptContext(CryptContext&&) noexcept;
    CryptContext& operator=(CryptContext&&) noexcept;

    explicit operator bool() const;
    CryptProvider provider() const;

    // The container's key-exchange key (AT_KEYEXCHANGE); NTE_NO_KEY when it has none, NTE_BAD_KEY
    // for AT_SIGNATURE (no signature keys here), NTE_BAD_KEYSET without a container.
    DWORD get_user_key(DWORD key_spec, CryptKey* out) const;

    // CALG_RC2: a fresh random session key of the length in the upper 16 bits of `flags` (0: the
    // provider's default; outside its range: NTE_BAD_FLAGS), exportable with CRYPT_EXPORTABLE.
    // AT_KEYEXCHANGE or CALG_RSA_KEYX: a new key pair of the provider's length (or the length
    // asked) that replaces the container's pair and is stored at once.
    DWORD generate_key(ALG_ID algorithm, DWORD flags, CryptKey* out);

    // The container's key-exchange key, generated and stored first when it has none; when two
    // threads or processes do this at once, all get the same key.
    DWORD generate_exchange_key_if_absent(CryptKey* out);

    // Imports a SIMPLEBLOB wrapped with `unwrap` (see the file comment).
    DWORD import_key(std::span<const BYTE> blob, const CryptKey& unwrap, DWORD flags, CryptKey* out) const;

    // A new hash (CALG_SHA1 only, NTE_BAD_ALGID otherwise).
    DWORD create_hash(ALG_ID algorithm, CryptHash* out) const;

    // An RC2 key from the first key-length bytes of the hash value (length from the upper 16 bits
    // of `flags`, else the provider's default); finishes the hash.
    DWORD derive_key(ALG_ID algorithm, CryptHash& hash, DWORD flags, CryptKey* out) const;

    // Sets a container parameter: PP_KEYSET_SEC_DESCR with DACL_SECURITY_INFORMATION is accepted
    // (see the file comment); anything else answers NTE_BAD_TYPE.
    DWORD set_param(DWORD param, const void* value, DWORD flags);

private:
    friend DWORD crypt_acquire_context(std::u16string_view, std::u16string_view, DWORD, DWORD,
                                       CryptContext*);
    std::shared_ptr<crypto_detail::Container> container_;
    CryptProvider provider_ = CryptProvider::base;
};

// As CryptAcquireContext: opens the container (NTE_BAD_KEYSET when missing), creates it with
// CRYPT_NEWKEYSET (NTE_EXISTS when present), deletes it with CRYPT_DELETEKEYSET (NTE_BAD_KEYSET when
// missing; *out is left empty), or with CRYPT_VERIFYCONTEXT gives a context without container.
// CRYPT_MACHINE_KEYSET picks the machine scope. An empty provider name means the Base provider;
// an unknown one answers NTE_KEYSET_NOT_DEF, a provider type other than PROV_RSA_FULL
// NTE_PROV_TYPE_NOT_DEF; an empty container name (without CRYPT_VERIFYCONTEXT) ERROR_INVALID_PARAMETER.
DWORD crypt_acquire_context(std::u16string_view container, std::u16string_view provider,
                            DWORD provider_type, DWORD flags, CryptContext* out);

}  // namespace qel::platform
