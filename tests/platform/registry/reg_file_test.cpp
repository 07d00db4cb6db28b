#include "platform/registry/reg_file.h"

#include <fstream>

#include "platform/utf.h"
#include "registry_test_util.h"

namespace qel::test {
namespace {

using RegFileTest = RegistryTest;

struct Snapshot {
    std::u16string name;
    std::vector<std::pair<std::u16string, Value>> values;
    std::vector<Snapshot> children;
    bool operator==(const Snapshot&) const = default;
};

// Everything under a key, for comparing two trees.
Snapshot snapshot(HKEY key, std::u16string name) {
    Snapshot s{std::move(name), {}, {}};
    for (const auto& v : value_names(key)) s.values.emplace_back(v, *query(key, v));
    for (const auto& c : sub_keys(key)) {
        RegKey sub;
        EXPECT_EQ(reg_open_key(key, c, KEY_READ, sub.put()), ERROR_SUCCESS);
        s.children.push_back(snapshot(sub.get(), c));
    }
    return s;
}

RegFile parse_ok(std::string_view text) {
    RegFile file;
    RegFileError error;
    EXPECT_EQ(parse_reg_file(text, &file, &error), ERROR_SUCCESS) << error.line << ": " << error.message;
    return file;
}

RegFileError parse_error(std::string_view text) {
    RegFile file;
    RegFileError error;
    EXPECT_EQ(parse_reg_file(text, &file, &error), ERROR_INVALID_DATA) << text;
    EXPECT_TRUE(file.keys.empty());
    return error;
}

// A tree with every type, awkward names and data that needs wrapping.
void fill_sample(HKEY root) {
    RegKey top = create(root, u"Software\\Quorlan");
    ASSERT_EQ(set_sz(top.get(), u"", u"default text"), ERROR_SUCCESS);
    ASSERT_EQ(set_sz(top.get(), u"Quote\"And\\Back", u"C:\\Path \"quoted\"\r\nsecond line"), ERROR_SUCCESS);
    ASSERT_EQ(set_sz(top.get(), u"Ünïcødé ☃ 𝄞", u"Ωμέγα яблоко 𝄞"), ERROR_SUCCESS);
    ASSERT_EQ(set_dword(top.get(), u"Count", 0xDEADBEEF), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"ShortDword", REG_DWORD, {1, 2}), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}), ERROR_SUCCESS);
    std::vector<BYTE> blob(200);
    for (std::size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<BYTE>(i * 7);
    ASSERT_EQ(set_bytes(top.get(), u"Blob", REG_BINARY, blob), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"Empty", REG_BINARY, {}), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"None", REG_NONE, {0xAA}), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"Custom", 0x12345, {1}), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"Expand", REG_EXPAND_SZ, {'%', 0, 'X', 0, '%', 0, 0, 0}), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}),
              ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"OddSz", REG_SZ, {'a', 0, 'b'}), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"TwoStrings", REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(top.get(), u"LoneSurrogate", REG_SZ, {0x00, 0xD8, 0, 0}), ERROR_SUCCESS);
    RegKey deep = create(top.get(), u"Devices\\00:11:22:33:44:55\\Services [1]");
    ASSERT_EQ(set_dword(deep.get(), u"Port", 3), ERROR_SUCCESS);
    create(top.get(), u"Devices\\Empty");
    create(top.get(), u"_Last");
}

TEST_F(RegFileTest, ExportThenImportIntoAnEmptyHiveReproducesEverything) {
    fill_sample(HKEY_CURRENT_USER);
    RegKey top;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\Quorlan", KEY_READ, top.put()), ERROR_SUCCESS);
    Snapshot before = snapshot(top.get(), u"Quorlan");

    for (auto encoding : {RegFileEncoding::utf8, RegFileEncoding::utf16le}) {
        auto file = dir_.path() / "export.reg";
        ASSERT_EQ(export_reg_file(HKEY_CURRENT_USER, u"Software\\Quorlan", file, encoding), ERROR_SUCCESS);

        TempDir other;
        ScopedEnv env("QEL_REGISTRY_DIR", other.path().string());
        reg_reset_for_tests();
        RegFileError error;
        ASSERT_EQ(import_reg_file(file, &error), ERROR_SUCCESS) << error.line << ": " << error.message;
        RegKey imported;
        ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\Quorlan", KEY_READ, imported.put()),
                  ERROR_SUCCESS);
        EXPECT_EQ(snapshot(imported.get(), u"Quorlan"), before);
        reg_reset_for_tests();
    }
}

TEST_F(RegFileTest, ExportWritesTheEditorsLayout) {
    RegKey key = create(HKEY_LOCAL_MACHINE, u"Software\\Q");
    ASSERT_EQ(set_sz(key.get(), u"", u"a\"b"), ERROR_SUCCESS);
    ASSERT_EQ(set_dword(key.get(), u"N", 10), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(key.get(), u"B", REG_BINARY, std::vector<BYTE>(30, 0xAB)), ERROR_SUCCESS);
    ASSERT_EQ(set_bytes(key.get(), u"Q", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}), ERROR_SUCCESS);
    ASSERT_EQ(set_sz(key.get(), u"\U0001D11E", u"\r\n"), ERROR_SUCCESS);  // four bytes of UTF-8
    create(key.get(), u"Sub");
    std::string text;
    ASSERT_EQ(export_reg_text(HKEY_LOCAL_MACHINE, u"Software\\Q", &text), ERROR_SUCCESS);
    EXPECT_EQ(text,
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Q]\n"
              "@=\"a\\\"b\"\n"
              "\"N\"=dword:0000000a\n"
              "\"B\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\n"
              "  ab,ab,ab,ab,ab,ab,ab\n"
              "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
              "\"\xF0\x9D\x84\x9E\"=\"\\r\\n\"\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Q\\Sub]\n"
              "\n");
    std::string wide;
    ASSERT_EQ(export_reg_text(HKEY_LOCAL_MACHINE, u"Software\\Q\\Sub", &wide, RegFileEncoding::utf16le),
              ERROR_SUCCESS);
    const std::u16string expected =
        u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Q\\Sub]\r\n\r\n";
    ASSERT_EQ(wide.size(), expected.size() * 2);
    EXPECT_EQ(std::memcmp(wide.data(), expected.data(), wide.size()), 0);

    EXPECT_EQ(export_reg_text(HKEY_LOCAL_MACHINE, u"Software\\Missing", &text), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegFileTest, ImportAcceptsTheEditorsVariants) {
    // UTF-16LE with a byte-order mark and CRLF, abbreviations, continuation lines, comments.
    const std::string utf8 =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKCU\\Software\\Imp]\r\n"
        "\"Text\" = \"x\"\r\n"
        "@=\"d\"\r\n"
        "\"Num\"=DWORD:A\r\n"
        "\"Bin\"=hex:01,02,\\\r\n"
        "  03,\\\r\n"
        "  04\r\n"
        "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
        "\"Expand\"=hex(2):25,00,00,00\r\n"
        "\"None\"=hex(0):\r\n"
        "\r\n"
        "[hklm\\Software\\Machine]\r\n"
        "\"M\"=dword:ffffffff\r\n";
    std::u16string text = u"\xFEFF" + *utf8_to_utf16(utf8);
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);

    RegFile file = parse_ok(bytes);
    ASSERT_EQ(file.keys.size(), 2u);
    ASSERT_EQ(apply_reg_file(file, nullptr), ERROR_SUCCESS);
    RegKey key;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\Imp", KEY_READ, key.put()), ERROR_SUCCESS);
    EXPECT_EQ(value_names(key.get()),
              (std::vector<std::u16string>{u"Text", u"", u"Num", u"Bin", u"Multi", u"Expand", u"None"}));
    EXPECT_EQ(query(key.get(), u"Text"), (Value{REG_SZ, {'x', 0, 0, 0}}));
    EXPECT_EQ(query_dword(key.get(), u"Num"), 10u);
    EXPECT_EQ(query(key.get(), u"Bin"), (Value{REG_BINARY, {1, 2, 3, 4}}));
    EXPECT_EQ(query(key.get(), u"Multi"), (Value{REG_MULTI_SZ, {0x61, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(query(key.get(), u"Expand"), (Value{REG_EXPAND_SZ, {0x25, 0, 0, 0}}));
    EXPECT_EQ(query(key.get(), u"None"), (Value{REG_NONE, {}}));
    RegKey machine;
    ASSERT_EQ(reg_open_key(HKEY_LOCAL_MACHINE, u"Software\\Machine", KEY_READ, machine.put()), ERROR_SUCCESS);
    EXPECT_EQ(query_dword(machine.get(), u"M"), 0xFFFFFFFFu);

    // The same content as UTF-8 with a byte-order mark, and with LF line ends.
    EXPECT_EQ(parse_ok("\xEF\xBB\xBF" + utf8).keys.size(), 2u);
    std::string lf;
    for (char c : utf8)
        if (c != '\r') lf += c;
    EXPECT_EQ(parse_ok(lf).keys.size(), 2u);
    EXPECT_EQ(parse_ok("REGEDIT4\n[HKCU\\X]\n").keys.size(), 1u);
    std::string big_endian;
    for (std::size_t k = 0; k < bytes.size(); k += 2) big_endian += {bytes[k + 1], bytes[k]};
    EXPECT_EQ(parse_ok(big_endian).keys.size(), 2u);
}

TEST_F(RegFileTest, DeletionLinesRemoveValuesAndTrees) {
    RegKey key = create(HKEY_CURRENT_USER, u"Software\\Del");
    create(key.get(), u"Tree\\Deep\\Deeper");
    create(key.get(), u"Keep");
    ASSERT_EQ(set_dword(key.get(), u"Gone", 1), ERROR_SUCCESS);
    ASSERT_EQ(set_dword(key.get(), u"Stays", 1), ERROR_SUCCESS);
    ASSERT_EQ(apply_reg_file(parse_ok("Windows Registry Editor Version 5.00\n"
                                      "[-HKEY_CURRENT_USER\\Software\\Del\\Tree]\n"
                                      "[-HKEY_CURRENT_USER\\Software\\Del\\NeverExisted]\n"
                                      "[HKEY_CURRENT_USER\\Software\\Del]\n"
                                      "\"Gone\"=-\n"
                                      "\"NeverExisted\"=-\n"),
                             nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(sub_keys(key.get()), std::vector<std::u16string>{u"Keep"});
    EXPECT_EQ(value_names(key.get()), std::vector<std::u16string>{u"Stays"});
}

TEST_F(RegFileTest, ErrorsNameTheirLineAndApplyNothing) {
    const std::string header = "Windows Registry Editor Version 5.00\n";
    struct Case {
        std::string text;
        std::size_t line;
    };
    const std::vector<Case> cases = {
        {"[HKCU\\X]\n", 1},                                       // no header
        {"", 1},                                                  // empty file
        {header + "\"v\"=dword:1\n", 2},                          // value before any key
        {header + "[HKEY_CLASSES_ROOT\\X]\n", 2},                 // unknown root
        {header + "[HKCUX\\Y]\n", 2},                            // a root only as a whole level
        {header + "[HKCU\\X\n", 2},                               // no closing bracket
        {header + "[HKCU\\X] junk\n", 2},                         // text after the bracket
        {header + "[HKCU\\A\\\\B]\n", 2},                         // empty level
        {header + "[HKCU\\" + std::string(256, 'k') + "]\n", 2},  // level too long
        {header + "[-HKCU]\n", 2},                                // deleting a root
        {header + "[HKCU\\X]\n\"v\"=dword:123456789\n", 3},       // nine digits
        {header + "[HKCU\\X]\n\"v\"=dword:xyz\n", 3},
        {header + "[HKCU\\X]\n\"v\"=hex:1,2,300\n", 3},
        {header + "[HKCU\\X]\n\"v\"=hex:01,02,\n", 3},   // trailing comma, no continuation
        {header + "[HKCU\\X]\n\"v\"=hex:01,02\\\n", 3},  // continuation without comma
        {header + "[HKCU\\X]\n\"v\"=hex:01,\\\n", 3},    // continues onto an empty line
        {header + "[HKCU\\X]\n\"v\"=hex:01,\\", 3},      // continues past the end
        {header + "[HKCU\\X]\n\"v\"=hex(zz):01\n", 3},
        {header + "[HKCU\\X]\n\"v\"=hex(2:01\n", 3},
        {header + "[HKCU\\X]\n\"v\"=hex;01\n", 3},
        {header + "[HKCU\\X]\n\"v\"=\"unterminated\n", 3},
        {header + "[HKCU\\X]\n\"v\"=\"bad \\q escape\"\n", 3},
        {header + "[HKCU\\X]\n\"v\"=\"ok\" trailing\n", 3},
        {header + "[HKCU\\X]\n\"v\" \"x\"\n", 3},  // no '='
        {header + "[HKCU\\X]\n\"v\"=float:1.0\n", 3},
        {header + "[HKCU\\X]\n\"v\n", 3},
        {header + "[HKCU\\X]\nplain text\n", 3},
        {header + "[-HKCU\\X]\n\"v\"=dword:1\n", 3},  // value under a deleted key
        {header + "[HKCU\\X]\n\"" + std::string(16384, 'n') + "\"=dword:1\n", 3},
        {header + "[HKCU\\X]\n\"v\"=\"\xC3\x28\"\n", 3},  // invalid UTF-8
        {"\xFF\xFE\x41", 0},                              // odd-sized UTF-16
    };
    for (const auto& c : cases) {
        RegFileError error = parse_error(c.text);
        EXPECT_EQ(error.line, c.line) << c.text.substr(0, 80) << " -> " << error.message;
        EXPECT_FALSE(error.message.empty());
    }

    // A good section before a bad one is not applied either.
    auto file = dir_.path() / "bad.reg";
    std::ofstream(file) << header
                        << "[HKCU\\Software\\Good]\n\"v\"=dword:1\n[HKCU\\Software\\Bad]\n\"v\"=oops\n";
    RegFileError error;
    EXPECT_EQ(import_reg_file(file, &error), ERROR_INVALID_DATA);
    EXPECT_EQ(error.line, 5u);
    RegKey sw;
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software", KEY_READ, sw.put()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(import_reg_file(dir_.path() / "missing.reg", &error), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegFileTest, AFailureWhileApplyingNamesItsLine) {
    RegKey key = create(HKEY_CURRENT_USER, u"Software\\Busy");
    // The machine hive's file is not a database: the second section fails after the first applied.
    RegFile file = parse_ok(
        "Windows Registry Editor Version 5.00\n[HKCU\\Software\\Busy]\n\"v\"=dword:1\n"
        "[HKLM\\Software\\X]\n\"w\"=dword:2\n");
    reg_reset_for_tests();
    std::ofstream(dir_.path() / "machine.db") << std::string(4096, 'x');
    RegFileError error;
    EXPECT_EQ(apply_reg_file(file, &error), ERROR_BADDB);
    EXPECT_EQ(error.line, 4u);
    EXPECT_NE(error.message.find("HKEY_LOCAL_MACHINE\\Software\\X"), std::string::npos) << error.message;
    EXPECT_EQ(query_dword(key.get(), u"v"), std::nullopt) << "the handle was closed by the reset";
    RegKey again;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\Busy", KEY_READ, again.put()), ERROR_SUCCESS);
    EXPECT_EQ(query_dword(again.get(), u"v"), 1u) << "sections before the failure stay applied";
}

}  // namespace
}  // namespace qel::test
