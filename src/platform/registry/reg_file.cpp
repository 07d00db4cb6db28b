#include "platform/registry/reg_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/registry/name_fold.h"
#include "platform/utf.h"

namespace qel::platform {
namespace {

constexpr LSTATUS kOk = ERROR_SUCCESS;
constexpr LSTATUS kBadData = static_cast<LSTATUS>(ERROR_INVALID_DATA);
constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";
constexpr std::size_t kWrapColumn = 79;

// The escapes of quoted text: the letter after "\" and the character it stands for.
struct Escape {
    char16_t letter;
    char16_t stands_for;
};
constexpr Escape kEscapes[] = {{u'\\', u'\\'}, {u'"', u'"'}, {u'n', u'\n'}, {u'r', u'\r'}};

// ---- decoding -------------------------------------------------------------------------------

// The 1-based line holding byte `offset` of UTF-8 text.
std::size_t line_of_offset(std::string_view bytes, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < bytes.size(); ++i)
        if (bytes[i] == '\n') ++line;
    return line;
}

bool decode(std::string_view bytes, std::u16string* text, RegFileError* error) {
    auto u8 = [](std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); };
    if (bytes.size() >= 2 &&
        ((u8(bytes, 0) == 0xFF && u8(bytes, 1) == 0xFE) || (u8(bytes, 0) == 0xFE && u8(bytes, 1) == 0xFF))) {
        bool little = u8(bytes, 0) == 0xFF;
        if (bytes.size() % 2 != 0) {
            *error = {0, "UTF-16 text with an odd number of bytes"};
            return false;
        }
        text->clear();
        text->reserve(bytes.size() / 2);
        for (std::size_t i = 2; i < bytes.size(); i += 2) {
            char16_t lo = u8(bytes, little ? i : i + 1), hi = u8(bytes, little ? i + 1 : i);
            text->push_back(static_cast<char16_t>(lo | (hi << 8)));
        }
        return true;
    }
    if (bytes.size() >= 3 && u8(bytes, 0) == 0xEF && u8(bytes, 1) == 0xBB && u8(bytes, 2) == 0xBF)
        bytes.remove_prefix(3);
    std::size_t bad = 0;
    auto decoded = utf8_to_utf16(bytes, &bad);
    if (!decoded) {
        *error = {line_of_offset(bytes, bad), "invalid UTF-8 text (UTF-16 needs a byte-order mark)"};
        return false;
    }
    *text = std::move(*decoded);
    return true;
}

// ---- parsing --------------------------------------------------------------------------------

bool is_space(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view trim(std::u16string_view s) {
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

bool starts_with_ci(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && same_name(s.substr(0, prefix.size()), prefix);
}

int hex_digit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// 1 to `max_digits` hex digits, the whole of `s`.
std::optional<std::uint32_t> parse_hex_number(std::u16string_view s, std::size_t max_digits) {
    if (s.empty() || s.size() > max_digits) return std::nullopt;
    std::uint32_t v = 0;
    for (char16_t c : s) {
        int d = hex_digit(c);
        if (d < 0) return std::nullopt;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    return v;
}

std::string describe(std::u16string_view s) {
    constexpr std::size_t kMax = 40;
    std::string out = utf16_to_utf8(s.substr(0, kMax));
    if (s.size() > kMax) out += "...";
    return "\"" + out + "\"";
}

class Parser {
public:
    Parser(std::u16string_view text, RegFile* out, RegFileError* error) : out_(out), error_(error) {
        // Physical lines, line ends (LF or CRLF) removed.
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find(u'\n', start);
            std::u16string_view line = text.substr(
                start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
            if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
            lines_.push_back(line);
            if (end == std::u16string_view::npos) break;
            start = end + 1;
        }
    }

    bool run() {
        std::size_t i = 0;
        while (i < lines_.size() && trim(lines_[i]).empty()) ++i;
        if (i == lines_.size() || (trim(lines_[i]) != kHeader5 && trim(lines_[i]) != kHeader4))
            return fail(i == lines_.size() ? 1 : i + 1,
                        "the first line is not \"Windows Registry Editor Version 5.00\"");
        for (++i; i < lines_.size(); ++i) {
            std::u16string_view line = trim(lines_[i]);
            if (line.empty() || line.front() == u';') continue;
            bool ok = line.front() == u'[' ? key_line(i, line)
                      : (line.front() == u'"' || line.front() == u'@')
                          ? value_line(i, line)
                          : fail(i + 1, "unexpected text " + describe(line));
            if (!ok) return false;
        }
        return true;
    }

private:
    bool fail(std::size_t line, std::string message) {
        *error_ = {line, std::move(message)};
        return false;
    }

    bool key_line(std::size_t i, std::u16string_view line) {
        std::size_t close = line.rfind(u']');
        if (close == std::u16string_view::npos) return fail(i + 1, "a key line without \"]\"");
        if (!trim(line.substr(close + 1)).empty()) return fail(i + 1, "text after \"]\" of a key line");
        std::u16string_view inside = line.substr(1, close - 1);
        RegFileKey key;
        key.line = i + 1;
        if (!inside.empty() && inside.front() == u'-') {
            key.remove = true;
            inside.remove_prefix(1);
        }
        if (!split_reg_path(inside, &key.root, &key.path))
            return fail(i + 1, "unknown root key in " + describe(inside) +
                                   " (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE)");
        if (key.remove && key.path.empty()) return fail(i + 1, "a root key cannot be deleted");
        std::u16string_view rest = key.path;
        if (!rest.empty() && rest.back() == u'\\') rest.remove_suffix(1);
        while (!rest.empty()) {
            std::size_t sep = rest.find(u'\\');
            std::u16string_view part = rest.substr(0, sep);
            if (part.empty()) return fail(i + 1, "an empty key name in the path");
            if (part.size() > kMaxKeyNameLength) return fail(i + 1, "a key name longer than 255 characters");
            if (part.find(u'\0') != std::u16string_view::npos)
                return fail(i + 1, "a key name holding a NUL character");
            rest = sep == std::u16string_view::npos ? std::u16string_view{} : rest.substr(sep + 1);
        }
        out_->keys.push_back(std::move(key));
        return true;
    }

    // A quoted string starting at s[0] == '"'; `s` is left after the closing quote.
    std::optional<std::u16string> quoted(std::size_t i, std::u16string_view* s) {
        std::u16string out;
        for (std::size_t k = 1; k < s->size(); ++k) {
            char16_t c = (*s)[k];
            if (c == u'"') {
                s->remove_prefix(k + 1);
                return out;
            }
            if (c == u'\\') {
                if (++k == s->size()) break;
                const auto* e = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                             [&](const Escape& x) { return x.letter == (*s)[k]; });
                if (e == std::end(kEscapes)) {
                    fail(i + 1, "unknown escape \"\\" + utf16_to_utf8(s->substr(k, 1)) + "\" in quoted text");
                    return std::nullopt;
                }
                out.push_back(e->stands_for);
                continue;
            }
            if (c == u'\0') {
                fail(i + 1, "a NUL character in quoted text");
                return std::nullopt;
            }
            out.push_back(c);
        }
        fail(i + 1, "quoted text without its closing quote");
        return std::nullopt;
    }

    bool value_line(std::size_t& i, std::u16string_view line) {
        if (out_->keys.empty()) return fail(i + 1, "a value before the first key");
        RegFileKey& key = out_->keys.back();
        if (key.remove) return fail(i + 1, "a value under a key being deleted");
        RegFileValue value;
        value.line = i + 1;
        std::u16string_view s = line;
        if (s.front() == u'@') {
            s.remove_prefix(1);
        } else {
            auto name = quoted(i, &s);
            if (!name) return false;
            if (name->size() > kMaxValueNameLength)
                return fail(i + 1, "a value name longer than 16383 characters");
            value.name = std::move(*name);
        }
        s = trim(s);
        if (s.empty() || s.front() != u'=') return fail(i + 1, "expected \"=\" after the value name");
        s = trim(s.substr(1));
        if (s == u"-") {
            value.remove = true;
        } else if (!s.empty() && s.front() == u'"') {
            auto text = quoted(i, &s);
            if (!text) return false;
            if (!trim(s).empty()) return fail(i + 1, "text after the closing quote");
            value.type = REG_SZ;
            text->push_back(u'\0');
            const BYTE* p = reinterpret_cast<const BYTE*>(text->data());
            value.data.assign(p, p + text->size() * sizeof(char16_t));
        } else if (starts_with_ci(s, u"dword:")) {
            auto v = parse_hex_number(trim(s.substr(6)), 8);
            if (!v) return fail(i + 1, "dword: needs 1 to 8 hex digits");
            value.type = REG_DWORD;
            for (int b = 0; b < 4; ++b) value.data.push_back(static_cast<BYTE>(*v >> (8 * b)));
        } else if (starts_with_ci(s, u"hex")) {
            if (!hex_value(i, s.substr(3), &value)) return false;
        } else {
            return fail(i + 1, "unknown value data " + describe(s));
        }
        key.values.push_back(std::move(value));
        return true;
    }

    // "hex:..." or "hex(n):..." after "hex"; follows continuation lines, advancing `i`.
    bool hex_value(std::size_t& i, std::u16string_view s, RegFileValue* value) {
        const std::size_t first_line = i;
        value->type = REG_BINARY;
        if (!s.empty() && s.front() == u'(') {
            std::size_t close = s.find(u')');
            if (close == std::u16string_view::npos) return fail(i + 1, "hex( without \")\"");
            auto type = parse_hex_number(s.substr(1, close - 1), 8);
            if (!type) return fail(i + 1, "hex(n) needs a type number of 1 to 8 hex digits");
            value->type = *type;
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s.front() != u':') return fail(i + 1, "expected \":\" after hex");
        s.remove_prefix(1);
        while (true) {
            s = trim(s);
            bool continued = !s.empty() && s.back() == u'\\';
            if (continued) s.remove_suffix(1);
            if (!hex_bytes(i, s, continued, value)) return false;
            if (!continued) return true;
            if (++i == lines_.size() || trim(lines_[i]).empty())
                return fail(first_line + 1, "hex data continued with \"\\\" but no line follows");
            s = lines_[i];
        }
    }

    bool hex_bytes(std::size_t i, std::u16string_view s, bool continued, RegFileValue* value) {
        s = trim(s);
        if (s.empty()) return true;
        while (true) {
            std::size_t comma = s.find(u',');
            std::u16string_view token = trim(s.substr(0, comma));
            auto byte = parse_hex_number(token, 2);
            if (!byte) return fail(i + 1, "a hex byte must be 1 or 2 hex digits, not " + describe(token));
            value->data.push_back(static_cast<BYTE>(*byte));
            if (comma == std::u16string_view::npos) {
                if (continued) return fail(i + 1, "expected \",\" before the line continuation");
                return true;
            }
            s = trim(s.substr(comma + 1));
            if (s.empty()) {
                if (!continued) return fail(i + 1, "a hex list ending with \",\"");
                return true;
            }
        }
    }

    RegFile* out_;
    RegFileError* error_;
    std::vector<std::u16string_view> lines_;
};

// ---- export ---------------------------------------------------------------------------------

std::string escape(std::u16string_view s) {
    std::string out;
    for (std::size_t k = 0; k < s.size();) {
        const char32_t c = next_code_point(s, k);
        const auto* e = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                     [&](const Escape& x) { return x.stands_for == c; });
        if (e == std::end(kEscapes)) {
            append_utf8(c, out);
        } else {
            out += '\\';
            out += static_cast<char>(e->letter);
        }
    }
    return out;
}

// The text of a REG_SZ that is exactly one string and its terminator, else nothing.
std::optional<std::u16string> plain_string(const std::vector<BYTE>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
    std::u16string s(data.size() / 2, u'\0');
    std::memcpy(s.data(), data.data(), data.size());
    if (s.back() != u'\0') return std::nullopt;
    s.pop_back();
    if (s.find(u'\0') != std::u16string::npos) return std::nullopt;
    // A lone surrogate would not survive the text form unchanged in every reader: use hex.
    for (std::size_t k = 0; k < s.size();)
        if (is_surrogate(next_code_point(s, k))) return std::nullopt;
    return s;
}

void write_value(std::string& out, std::u16string_view name, DWORD type, const std::vector<BYTE>& data) {
    std::string line = name.empty() ? "@=" : "\"" + escape(name) + "\"=";
    if (type == REG_SZ) {
        if (auto text = plain_string(data)) {
            out += line + "\"" + escape(*text) + "\"\n";
            return;
        }
    }
    if (type == REG_DWORD && data.size() == 4) {
        char buf[16];
        std::uint32_t v =
            data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", v);
        out += line + buf + "\n";
        return;
    }
    if (type == REG_BINARY) {
        line += "hex:";
    } else {
        char buf[24];
        std::snprintf(buf, sizeof buf, "hex(%x):", type);
        line += buf;
    }
    std::size_t column = line.size();
    out += line;
    for (std::size_t k = 0; k < data.size(); ++k) {
        char buf[4];
        std::snprintf(buf, sizeof buf, k + 1 < data.size() ? "%02x," : "%02x", data[k]);
        if (column + std::strlen(buf) > kWrapColumn - 1) {
            out += "\\\n  ";
            column = 2;
        }
        out += buf;
        column += std::strlen(buf);
    }
    out += "\n";
}

LSTATUS export_key(HKEY key, const std::string& full_name, std::string& out) {
    RegKeyContents contents;
    if (LSTATUS st = read_reg_key(key, &contents); st != kOk) return st;
    out += "[" + full_name + "]\n";
    for (const RegFileValue& v : contents.values) write_value(out, v.name, v.type, v.data);
    out += "\n";
    for (const auto& c : contents.sub_keys) {
        if (c.find_first_of(u"\r\n") != std::u16string::npos) return kBadData;
        RegKey sub;
        LSTATUS st = reg_open_key(key, c, KEY_READ, sub.put());
        if (st == static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND)) continue;  // deleted meanwhile
        if (st != kOk) return st;
        if (st = export_key(sub.get(), full_name + "\\" + utf16_to_utf8(c), out); st != kOk) return st;
    }
    return kOk;
}

std::string to_utf16le_crlf(std::string_view utf8) {
    std::u16string text = *utf8_to_utf16(utf8);
    std::string out = "\xFF\xFE";
    out.reserve(2 + text.size() * 2 + 64);
    for (char16_t c : text) {
        if (c == u'\n') out.append("\r\0", 2);
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

}  // namespace

std::optional<HKEY> parse_reg_root(std::u16string_view name) {
    if (same_name(name, u"HKEY_CURRENT_USER") || same_name(name, u"HKCU")) return HKEY_CURRENT_USER;
    if (same_name(name, u"HKEY_LOCAL_MACHINE") || same_name(name, u"HKLM")) return HKEY_LOCAL_MACHINE;
    return std::nullopt;
}

LSTATUS read_reg_key(HKEY key, RegKeyContents* out) {
    if (out == nullptr) return static_cast<LSTATUS>(ERROR_INVALID_PARAMETER);
    *out = RegKeyContents{};
    std::u16string name(kMaxValueNameLength + 1, u'\0');
    for (DWORD i = 0;; ++i) {
        RegFileValue v;
        DWORD len = kMaxValueNameLength + 1, size = 0;
        LSTATUS st = reg_enum_value(key, i, name.data(), &len, &v.type, nullptr, &size);
        if (st == static_cast<LSTATUS>(ERROR_NO_MORE_ITEMS)) break;
        if (st != kOk) return st;
        v.data.resize(size);
        len = kMaxValueNameLength + 1;
        st = reg_enum_value(key, i, name.data(), &len, &v.type, v.data.data(), &size);
        if (st != kOk) return st;  // changed under us: report rather than show a wrong value
        v.data.resize(size);
        v.name.assign(name.data(), len);
        out->values.push_back(std::move(v));
    }
    char16_t child[kMaxKeyNameLength + 1];
    for (DWORD i = 0;; ++i) {
        DWORD len = kMaxKeyNameLength + 1;
        LSTATUS st = reg_enum_key(key, i, child, &len);
        if (st == static_cast<LSTATUS>(ERROR_NO_MORE_ITEMS)) break;
        if (st != kOk) return st;
        out->sub_keys.emplace_back(child, len);
    }
    return kOk;
}

const char* reg_root_name(HKEY root) {
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return nullptr;
}

bool split_reg_path(std::u16string_view full, HKEY* root, std::u16string* path) {
    std::size_t sep = full.find(u'\\');
    auto r = parse_reg_root(full.substr(0, sep));
    if (!r) return false;
    *root = *r;
    path->assign(sep == std::u16string_view::npos ? std::u16string_view{} : full.substr(sep + 1));
    return true;
}

LSTATUS parse_reg_file(std::string_view bytes, RegFile* out, RegFileError* error) {
    RegFileError ignored;
    if (error == nullptr) error = &ignored;
    if (out == nullptr) return static_cast<LSTATUS>(ERROR_INVALID_PARAMETER);
    *out = RegFile{};
    std::u16string text;
    try {
        if (!decode(bytes, &text, error)) return kBadData;
        Parser parser(text, out, error);
        if (!parser.run()) {
            *out = RegFile{};
            return kBadData;
        }
    } catch (const std::bad_alloc&) {
        *out = RegFile{};
        *error = {0, "out of memory"};
        return static_cast<LSTATUS>(ERROR_OUTOFMEMORY);
    }
    return kOk;
}

LSTATUS apply_reg_file(const RegFile& file, RegFileError* error) {
    RegFileError ignored;
    if (error == nullptr) error = &ignored;
    auto failed = [&](std::size_t line, const std::string& what, LSTATUS st) {
        *error = {line, what + " failed with error " + std::to_string(st)};
        return st;
    };
    for (const RegFileKey& key : file.keys) {
        const std::string name =
            std::string(reg_root_name(key.root)) + (key.path.empty() ? "" : "\\") + utf16_to_utf8(key.path);
        if (key.remove) {
            LSTATUS st = reg_delete_tree(key.root, key.path);
            if (st != kOk && st != static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND))
                return failed(key.line, "deleting " + name, st);
            continue;
        }
        RegKey handle;
        if (LSTATUS st = reg_create_key(key.root, key.path, KEY_ALL_ACCESS, handle.put(), nullptr); st != kOk)
            return failed(key.line, "creating " + name, st);
        for (const RegFileValue& v : key.values) {
            std::string what = "value " + describe(v.name) + " of " + name;
            if (v.remove) {
                LSTATUS st = reg_delete_value(handle.get(), v.name);
                if (st != kOk && st != static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND))
                    return failed(v.line, "deleting " + what, st);
                continue;
            }
            LSTATUS st =
                reg_set_value(handle.get(), v.name, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
            if (st != kOk) return failed(v.line, "setting " + what, st);
        }
    }
    return kOk;
}

LSTATUS import_reg_file(const std::filesystem::path& path, RegFileError* error) {
    RegFileError ignored;
    if (error == nullptr) error = &ignored;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        bool exists = std::filesystem::exists(path, ec);
        *error = {0, "cannot read " + path.string()};
        return static_cast<LSTATUS>(exists ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RegFile file;
    if (LSTATUS st = parse_reg_file(bytes, &file, error); st != kOk) return st;
    return apply_reg_file(file, error);
}

LSTATUS export_reg_text(HKEY root, std::u16string_view path, std::string* out, RegFileEncoding encoding) {
    if (out == nullptr || reg_root_name(root) == nullptr)
        return static_cast<LSTATUS>(ERROR_INVALID_PARAMETER);
    out->clear();
    RegKey key;
    if (LSTATUS st = reg_open_key(root, path, KEY_READ, key.put()); st != kOk) return st;
    std::u16string_view shown = path;
    if (!shown.empty() && shown.back() == u'\\') shown.remove_suffix(1);
    if (shown.find_first_of(u"\r\n") != std::u16string_view::npos) return kBadData;
    std::string text = "Windows Registry Editor Version 5.00\n\n";
    try {
        std::string name = reg_root_name(root);
        if (!shown.empty()) name += "\\" + utf16_to_utf8(shown);
        if (LSTATUS st = export_key(key.get(), name, text); st != kOk) return st;
        *out = encoding == RegFileEncoding::utf16le ? to_utf16le_crlf(text) : std::move(text);
    } catch (const std::bad_alloc&) {
        return static_cast<LSTATUS>(ERROR_OUTOFMEMORY);
    }
    return kOk;
}

LSTATUS export_reg_file(HKEY root, std::u16string_view path, const std::filesystem::path& file,
                        RegFileEncoding encoding) {
    std::string text;
    if (LSTATUS st = export_reg_text(root, path, &text, encoding); st != kOk) return st;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return static_cast<LSTATUS>(ERROR_ACCESS_DENIED);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return out ? kOk : static_cast<LSTATUS>(ERROR_WRITE_FAULT);
}

}  // namespace qel::platform
