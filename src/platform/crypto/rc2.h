// RC2 block cipher (RFC 2268): key expansion with an effective key length, and encryption and
// decryption of one 8-byte block. Self-contained; used by the CryptoAPI stand-in (crypto.h).
// Promises: matches the test vectors of RFC 2268 section 5; a key of 1 to 128 bytes and an
// effective length of 1 to 1024 bits are accepted (the constructor clamps other values into that
// range; callers check lengths first). An Rc2 object is immutable after construction and may be
// used from several threads at once.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace qel::platform {

class Rc2 {
public:
    static constexpr std::size_t kBlockSize = 8;

    Rc2(std::span<const std::uint8_t> key, unsigned effective_bits);

    void encrypt_block(const std::uint8_t* in, std::uint8_t* out) const;
    void decrypt_block(const std::uint8_t* in, std::uint8_t* out) const;

private:
    std::array<std::uint16_t, 64> k_{};
};

}  // namespace qel::platform
