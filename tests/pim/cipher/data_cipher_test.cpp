// The data cipher: the known ciphertext of the build's key root, round trips, the step and error
// reported for each failure, buffers never overrun, and the file forms with their error codes.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "pim/cipher/data_cipher.h"
#include "platform/crypto/crypto.h"
#include "platform/last_error.h"
#include "support/test_support.h"

namespace {

using qel::test::TempDir;

// Collects the trace lines a call writes.
struct TraceLog {
    std::vector<std::string> lines;
    DataCipherTrace fn() {
        return [this](const char* text) { lines.emplace_back(text); };
    }
};

std::vector<BYTE> to_bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::string hex(const BYTE* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

void write_file(const std::filesystem::path& path, std::string_view data) {
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

DWORD encrypt_with_root(std::vector<BYTE>& buffer, DWORD* length, const DataCipherTrace& trace = {}) {
    const auto key = DataCipherKeyRoot();
    return EncryptData(key.data(), static_cast<DWORD>(key.size()), buffer.data(), length,
                       static_cast<DWORD>(buffer.size()), trace);
}

DWORD decrypt_with_root(std::vector<BYTE>& buffer, DWORD* length, const DataCipherTrace& trace = {}) {
    const auto key = DataCipherKeyRoot();
    return DecryptData(key.data(), static_cast<DWORD>(key.size()), buffer.data(), length, trace);
}

constexpr char kKnownText[] = "Operator access points, 26201.";
// RC2-128 (effective 128 bits) in CBC mode, zero IV, PKCS #5 padding, keyed with the first 16
// bytes of SHA-1 over the key root and its NUL. Any standard RC2 gives the same bytes; a change of
// key root, key derivation, mode or padding changes them and makes every shipped database unreadable.
constexpr char kKnownCipher[] = "d648eb180f3390963ed120945a6b460b62aadb3a5cfb4b94fa6a59b3f6debcad";

TEST(DataCipherKnownAnswer, KeyRootEnciphersToTheFixedBytes) {
    ASSERT_EQ(DataCipherKeyRoot().size(), 46u);
    EXPECT_EQ(DataCipherKeyRoot().back(), 0);
    std::vector<BYTE> buffer = to_bytes(kKnownText);
    buffer.resize(buffer.size() + 8);
    DWORD length = sizeof(kKnownText) - 1;
    ASSERT_EQ(encrypt_with_root(buffer, &length), 0u);
    EXPECT_EQ(hex(buffer.data(), length), kKnownCipher);

    ASSERT_EQ(decrypt_with_root(buffer, &length), 0u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + length), kKnownText);
}

TEST(DataCipherRoundTrip, EveryLengthAroundTheBlockSize) {
    for (DWORD n : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 1000u}) {
        SCOPED_TRACE(n);
        std::vector<BYTE> plain(n);
        for (DWORD i = 0; i < n; ++i) plain[i] = static_cast<BYTE>(i * 37 + 11);
        std::vector<BYTE> buffer = plain;
        buffer.resize(n + 8);
        DWORD length = n;
        ASSERT_EQ(encrypt_with_root(buffer, &length), 0u);
        EXPECT_EQ(length, (n / 8 + 1) * 8) << "padding is 1 to 8 bytes, a whole block when aligned";
        if (n >= 8) {
            EXPECT_NE(std::memcmp(buffer.data(), plain.data(), 8), 0);
        }
        ASSERT_EQ(decrypt_with_root(buffer, &length), 0u);
        ASSERT_EQ(length, n);
        EXPECT_TRUE(std::equal(plain.begin(), plain.end(), buffer.begin()));
    }
}

TEST(DataCipherRoundTrip, OtherKeysGiveOtherCiphertext) {
    const BYTE other[] = {'k', 'e', 'y', 0};
    std::vector<BYTE> a = to_bytes(kKnownText), b = a;
    a.resize(a.size() + 8);
    b.resize(b.size() + 8);
    DWORD la = sizeof(kKnownText) - 1, lb = la;
    ASSERT_EQ(encrypt_with_root(a, &la), 0u);
    ASSERT_EQ(EncryptData(other, sizeof other, b.data(), &lb, static_cast<DWORD>(b.size())), 0u);
    EXPECT_NE(hex(a.data(), la), hex(b.data(), lb));
    // The text enciphered under the other key does not come back under the key root.
    const DWORD rc = decrypt_with_root(b, &lb);
    if (rc == 0) {
        EXPECT_NE(std::string(b.begin(), b.begin() + lb), kKnownText);
    }
}

TEST(DataCipherFailures, BufferTooSmallIsReportedAtStep113WithoutWritingPastIt) {
    TraceLog log;
    std::vector<BYTE> buffer(24, 0xA5);  // 16 usable bytes, then 8 guard bytes
    std::memcpy(buffer.data(), "sixteen bytes!!!", 16);
    const std::vector<BYTE> before = buffer;
    DWORD length = 16;
    const auto key = DataCipherKeyRoot();
    EXPECT_EQ(EncryptData(key.data(), static_cast<DWORD>(key.size()), buffer.data(), &length, 16, log.fn()),
              ERROR_MORE_DATA);
    EXPECT_EQ(length, 24u) << "the length needed";
    EXPECT_EQ(qel::platform::last_error(), ERROR_MORE_DATA);
    EXPECT_EQ(buffer, before) << "nothing changes, the guard bytes included";
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "***** EncryptData failed on line  113. error=234\n");
}

TEST(DataCipherFailures, TamperedTruncatedOrEmptyCiphertextIsBadDataAtStep79) {
    std::vector<BYTE> good = to_bytes(kKnownText);
    good.resize(good.size() + 8);
    DWORD good_length = sizeof(kKnownText) - 1;
    ASSERT_EQ(encrypt_with_root(good, &good_length), 0u);
    good.resize(good_length);

    struct Case {
        const char* name;
        std::vector<BYTE> data;
    };
    std::vector<Case> cases;
    cases.push_back({"last byte flipped", good});
    cases.back().data.back() ^= 0x01;
    cases.push_back({"not whole blocks", std::vector<BYTE>(good.begin(), good.end() - 3)});
    cases.push_back({"empty", {}});
    cases.push_back({"plain text", to_bytes("<providers></providers>!")});  // 24 bytes, 3 blocks
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        TraceLog log;
        const DWORD given = static_cast<DWORD>(c.data.size());
        DWORD length = given;
        c.data.reserve(8);
        const auto key = DataCipherKeyRoot();
        const DWORD rc = DecryptData(key.data(), static_cast<DWORD>(key.size()), c.data.data(), &length, log.fn());
        if (std::string(c.name) == "plain text" && rc == 0) continue;  // 1 in 256 plain texts pad validly
        EXPECT_EQ(rc, NTE_BAD_DATA);
        EXPECT_EQ(length, given);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0], "***** DecryptData failed on line  79. error=-2146893819\n");
    }
}

TEST(DataCipherFailures, MissingArgumentsNameTheStepThatNeedsThem) {
    TraceLog log;
    DWORD length = 8;
    BYTE data[16] = {};
    EXPECT_EQ(EncryptData(nullptr, 5, data, &length, sizeof data, log.fn()), ERROR_INVALID_PARAMETER);
    const auto key = DataCipherKeyRoot();
    EXPECT_EQ(EncryptData(key.data(), 46, nullptr, &length, 16, log.fn()), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(DecryptData(key.data(), 46, data, nullptr, log.fn()), ERROR_INVALID_PARAMETER);
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0], "***** EncryptData failed on line  109. error=87\n");
    EXPECT_EQ(log.lines[1], "***** EncryptData failed on line  113. error=87\n");
    EXPECT_EQ(log.lines[2], "***** DecryptData failed on line  79. error=87\n");
    // Without a trace function the failures are only returned.
    EXPECT_EQ(DecryptData(key.data(), 46, data, nullptr), ERROR_INVALID_PARAMETER);
}

class DataCipherFiles : public ::testing::Test {
protected:
    std::filesystem::path file(const char* name) const { return dir_.path() / name; }
    TempDir dir_;
    TraceLog log_;
};

TEST_F(DataCipherFiles, EncryptedFileHoldsTheKnownCiphertextAndDecryptsBack) {
    write_file(file("plain.txt"), kKnownText);
    ASSERT_EQ(EncryptFileW(file("plain.txt"), file("cipher.bin"), log_.fn()), 0u);
    const std::string cipher = qel::test::read_file(file("cipher.bin"));
    EXPECT_EQ(hex(reinterpret_cast<const BYTE*>(cipher.data()), cipher.size()), kKnownCipher);

    ASSERT_EQ(DecryptFileW(file("cipher.bin"), file("back.txt"), log_.fn()), 0u);
    EXPECT_EQ(qel::test::read_file(file("back.txt")), kKnownText);
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(DataCipherFiles, ReadAndDecryptKeepsEmbeddedNulsAndTerminatesThePlaintext) {
    const std::string plain("a\0b\0c", 5);
    write_file(file("plain.bin"), plain);
    ASSERT_EQ(EncryptFileW(file("plain.bin"), file("cipher.bin")), 0u);
    std::string out = "left over";
    ASSERT_EQ(ReadAndDecryptFile(file("cipher.bin"), &out), 0u);
    EXPECT_EQ(out, plain);
    EXPECT_EQ(out.c_str()[out.size()], '\0');

    write_file(file("empty"), "");
    ASSERT_EQ(EncryptFileW(file("empty"), file("empty.bin")), 0u);
    EXPECT_EQ(std::filesystem::file_size(file("empty.bin")), 8u);
    ASSERT_EQ(ReadAndDecryptFile(file("empty.bin"), &out), 0u);
    EXPECT_EQ(out, "");
}

TEST_F(DataCipherFiles, MissingInputIsTracedByTheReaderAndTheStep) {
    EXPECT_EQ(EncryptFileW(file("none"), file("out"), log_.fn()), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(log_.lines.size(), 2u);
    EXPECT_EQ(log_.lines[0], "***** ReadFile failed on line  21. error=2\n");
    EXPECT_EQ(log_.lines[1], "***** EncryptFile failed on line  161. error=2\n");
    EXPECT_FALSE(std::filesystem::exists(file("out")));

    std::string out = "x";
    EXPECT_EQ(ReadAndDecryptFile(file("none"), &out), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(DecryptFileW(file("none"), file("out")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadAndDecryptFile(dir_.path(), &out), ERROR_ACCESS_DENIED) << "a folder is not a file";
}

TEST_F(DataCipherFiles, OutputThatCannotBeCreatedOrWritten) {
    write_file(file("plain.txt"), kKnownText);
    EXPECT_EQ(EncryptFileW(file("plain.txt"), file("no/such/folder"), log_.fn()), ERROR_CANNOT_MAKE);
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0], "***** EncryptFile failed on line  171. error=82\n");

    ASSERT_EQ(EncryptFileW(file("plain.txt"), file("cipher.bin")), 0u);
    log_.lines.clear();
    EXPECT_EQ(DecryptFileW(file("cipher.bin"), file("no/such/folder"), log_.fn()), ERROR_OPEN_FAILED);
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(log_.lines[0], "DecryptFile: can not create output file\n");

    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to make writes fail";
    log_.lines.clear();
    EXPECT_EQ(EncryptFileW(file("plain.txt"), "/dev/full", log_.fn()), ERROR_WRITE_FAULT);
    EXPECT_EQ(DecryptFileW(file("cipher.bin"), "/dev/full", log_.fn()), ERROR_WRITE_FAULT);
    ASSERT_EQ(log_.lines.size(), 2u);
    EXPECT_EQ(log_.lines[0], "***** EncryptFile failed on line  173. error=29\n");
    EXPECT_EQ(log_.lines[1], "DecryptFile: can not write output file\n");
}

TEST_F(DataCipherFiles, PlainFileDoesNotDecrypt) {
    write_file(file("plain.xml"), "<providers><provider ID=\"1\" APN=\"a\"/></providers>");
    EXPECT_EQ(DecryptFileW(file("plain.xml"), file("out"), log_.fn()), NTE_BAD_DATA);
    EXPECT_FALSE(std::filesystem::exists(file("out")));
    ASSERT_FALSE(log_.lines.empty());
    EXPECT_EQ(log_.lines.back(), "***** DecryptData failed on line  79. error=-2146893819\n");
}

}  // namespace
