// "qelcfg reg": query, set, delete, export and import registry keys and values, in the manner of
// the platform's own "reg" program. KEY is "HKEY_CURRENT_USER\..." / "HKEY_LOCAL_MACHINE\..." or
// "HKCU\..." / "HKLM\...". Exit codes: 0 success, 1 the operation failed (the message names the
// registry's error), 2 bad usage (unknown root, type or data).
#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

#include "commands.h"
#include "platform/registry/reg_file.h"
#include "platform/utf.h"
#include "reg_print.h"

namespace qelcfg {

using namespace qel::platform;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::string error_text(LSTATUS st) {
    static const std::pair<DWORD, const char*> kNames[] = {
        {ERROR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND: the key or value does not exist"},
        {ERROR_PATH_NOT_FOUND, "ERROR_PATH_NOT_FOUND"},
        {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED"},
        {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE"},
        {ERROR_INVALID_DATA, "ERROR_INVALID_DATA"},
        {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER"},
        {ERROR_WRITE_FAULT, "ERROR_WRITE_FAULT"},
        {ERROR_OUTOFMEMORY, "ERROR_OUTOFMEMORY"},
        {ERROR_MORE_DATA, "ERROR_MORE_DATA"},
        {ERROR_BADDB, "ERROR_BADDB: a hive file is not a registry database"},
        {ERROR_CANTOPEN, "ERROR_CANTOPEN"},
        {ERROR_REGISTRY_IO_FAILED, "ERROR_REGISTRY_IO_FAILED"},
        {ERROR_KEY_DELETED, "ERROR_KEY_DELETED"},
    };
    std::string out = "error " + std::to_string(st);
    for (const auto& [code, name] : kNames)
        if (static_cast<DWORD>(st) == code) out += std::string(" (") + name + ")";
    return out;
}

int failed(const std::string& what, LSTATUS st) {
    std::cerr << "qelcfg reg: " << what << ": " << error_text(st) << "\n";
    return kExitFailed;
}

int usage(const std::string& message) {
    std::cerr << "qelcfg reg: " << message << "\n";
    return kExitUsage;
}

struct KeyArg {
    HKEY root = nullptr;
    std::u16string path;
    std::string shown;  // as the user gave it, for messages
};

std::optional<KeyArg> parse_key(const std::string& text) {
    auto wide = utf8_to_utf16(text);
    KeyArg key;
    if (!wide || !split_reg_path(*wide, &key.root, &key.path)) return std::nullopt;
    while (!key.path.empty() && key.path.back() == u'\\') key.path.pop_back();
    key.shown = reg_root_name(key.root);
    if (!key.path.empty()) key.shown += "\\" + utf16_to_utf8(key.path);
    return key;
}

std::optional<DWORD> parse_type(const std::string& name) {
    static const std::pair<const char*, DWORD> kTypes[] = {
        {"REG_NONE", REG_NONE},     {"REG_SZ", REG_SZ},       {"REG_EXPAND_SZ", REG_EXPAND_SZ},
        {"REG_BINARY", REG_BINARY}, {"REG_DWORD", REG_DWORD}, {"REG_MULTI_SZ", REG_MULTI_SZ},
        {"REG_QWORD", REG_QWORD},
    };
    for (const auto& [n, t] : kTypes)
        if (strcasecmp(n, name.c_str()) == 0) return t;
    return std::nullopt;
}

void append_utf16(std::vector<BYTE>& out, std::u16string_view s) {
    const BYTE* p = reinterpret_cast<const BYTE*>(s.data());
    out.insert(out.end(), p, p + s.size() * sizeof(char16_t));
}

std::optional<std::uint64_t> parse_number(const std::string& text, std::uint64_t max) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || std::isspace(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v > max) return std::nullopt;
    return v;
}

// The bytes `--data` stands for under `type`; nullopt when it does not fit the type.
std::optional<std::vector<BYTE>> parse_data(DWORD type, const std::string& text,
                                            const std::string& separator) {
    std::vector<BYTE> out;
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            auto wide = utf8_to_utf16(text);
            if (!wide) return std::nullopt;
            append_utf16(out, *wide);
            append_utf16(out, std::u16string_view(u"\0", 1));
            return out;
        }
        case REG_MULTI_SZ: {
            auto wide = utf8_to_utf16(text);
            auto sep = utf8_to_utf16(separator);
            if (!wide || !sep || sep->empty()) return std::nullopt;
            std::u16string_view rest = *wide;
            while (!rest.empty()) {
                std::size_t at = rest.find(*sep);
                append_utf16(out, rest.substr(0, at));
                append_utf16(out, std::u16string_view(u"\0", 1));
                rest =
                    at == std::u16string_view::npos ? std::u16string_view{} : rest.substr(at + sep->size());
            }
            append_utf16(out, std::u16string_view(u"\0", 1));
            return out;
        }
        case REG_DWORD:
        case REG_QWORD: {
            const int width = type == REG_DWORD ? 4 : 8;
            auto v = parse_number(text, type == REG_DWORD ? 0xFFFFFFFFull : ~0ull);
            if (!v) return std::nullopt;
            for (int b = 0; b < width; ++b) out.push_back(static_cast<BYTE>(*v >> (8 * b)));
            return out;
        }
        default: {  // hex digits, optionally separated by commas or spaces
            std::string digits;
            for (char c : text) {
                if (c == ',' || c == ' ') continue;
                if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
                digits += c;
            }
            if (digits.size() % 2 != 0) return std::nullopt;
            for (std::size_t i = 0; i < digits.size(); i += 2)
                out.push_back(static_cast<BYTE>(std::stoul(digits.substr(i, 2), nullptr, 16)));
            return out;
        }
    }
}

std::string hex_upper(const std::vector<BYTE>& data) {
    std::string out;
    char buf[3];
    for (BYTE b : data) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

std::u16string from_bytes(const std::vector<BYTE>& data) {
    std::u16string s(data.size() / 2, u'\0');
    if (!s.empty()) std::memcpy(s.data(), data.data(), s.size() * 2);
    return s;
}

LSTATUS print_key(std::ostream& out, HKEY key, const std::string& name, bool recursive) {
    RegKeyContents contents;
    if (LSTATUS st = read_reg_key(key, &contents); st != ERROR_SUCCESS) return st;
    out << name << "\n";
    for (const RegFileValue& v : contents.values) {
        std::string shown = v.name.empty() ? "(Default)" : utf16_to_utf8(v.name);
        out << "    " << shown << "    " << reg_type_name(v.type) << "    " << format_reg_data(v.type, v.data)
            << "\n";
    }
    if (!contents.values.empty() || !recursive) out << "\n";
    for (const auto& c : contents.sub_keys) {
        std::string child_name = name + "\\" + utf16_to_utf8(c);
        if (!recursive) {
            out << child_name << "\n";
            continue;
        }
        RegKey sub;
        LSTATUS st = reg_open_key(key, c, KEY_READ, sub.put());
        if (st == static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND)) continue;  // deleted meanwhile
        if (st != ERROR_SUCCESS) return st;
        if (st = print_key(out, sub.get(), child_name, true); st != ERROR_SUCCESS) return st;
    }
    return ERROR_SUCCESS;
}

int cmd_query(const std::string& key_text, const std::vector<std::string>& switches, bool recursive) {
    for (const auto& s : switches) {
        if (s == "/s" || s == "/S")
            recursive = true;
        else
            return usage("unknown switch \"" + s + "\" (use /s or -s)");
    }
    auto key = parse_key(key_text);
    if (!key)
        return usage("\"" + key_text +
                     "\" does not start with HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKCU or HKLM");
    std::cout << "\n";
    if (LSTATUS st = print_reg_key(std::cout, key->root, key->path, recursive); st != ERROR_SUCCESS)
        return failed("cannot query " + key->shown, st);
    return kExitOk;
}

int cmd_set(const std::string& key_text, const std::optional<std::string>& name, bool default_value,
            const std::string& type_text, const std::optional<std::string>& data_text,
            const std::string& separator) {
    auto key = parse_key(key_text);
    if (!key)
        return usage("\"" + key_text +
                     "\" does not start with HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKCU or HKLM");
    if (name && default_value) return usage("give a value name or --ve, not both");
    auto type = parse_type(type_text);
    if (!type) return usage("unknown type \"" + type_text + "\"");
    if (!data_text && (*type == REG_DWORD || *type == REG_QWORD)) return usage(type_text + " needs --data");
    auto data = parse_data(*type, data_text.value_or(""), separator);
    if (!data)
        return usage("\"" + data_text.value_or("") + "\" is not valid data for " + reg_type_name(*type));
    auto value_name = utf8_to_utf16(name.value_or(""));
    if (!value_name) return usage("the value name is not valid UTF-8");
    RegKey handle;
    if (LSTATUS st = reg_create_key(key->root, key->path, KEY_SET_VALUE, handle.put(), nullptr);
        st != ERROR_SUCCESS)
        return failed("cannot create " + key->shown, st);
    if (LSTATUS st =
            reg_set_value(handle.get(), *value_name, *type, data->data(), static_cast<DWORD>(data->size()));
        st != ERROR_SUCCESS)
        return failed("cannot set a value of " + key->shown, st);
    return kExitOk;
}

int cmd_delete(const std::string& key_text, const std::optional<std::string>& name, bool default_value,
               bool tree) {
    auto key = parse_key(key_text);
    if (!key)
        return usage("\"" + key_text +
                     "\" does not start with HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKCU or HKLM");
    if ((name || default_value) && tree) return usage("--tree deletes a key: give no value name with it");
    if (name && default_value) return usage("give a value name or --ve, not both");
    if (name || default_value) {
        auto value_name = utf8_to_utf16(name.value_or(""));
        if (!value_name) return usage("the value name is not valid UTF-8");
        RegKey handle;
        if (LSTATUS st = reg_open_key(key->root, key->path, KEY_SET_VALUE, handle.put()); st != ERROR_SUCCESS)
            return failed("cannot open " + key->shown, st);
        if (LSTATUS st = reg_delete_value(handle.get(), *value_name); st != ERROR_SUCCESS)
            return failed("cannot delete value \"" + name.value_or("") + "\" of " + key->shown, st);
        return kExitOk;
    }
    if (key->path.empty()) return usage("a root key cannot be deleted");
    LSTATUS st = tree ? reg_delete_tree(key->root, key->path) : reg_delete_key(key->root, key->path);
    if (st == static_cast<LSTATUS>(ERROR_ACCESS_DENIED) && !tree)
        return failed("cannot delete " + key->shown + " (it has sub-keys: use --tree)", st);
    if (st != ERROR_SUCCESS) return failed("cannot delete " + key->shown, st);
    return kExitOk;
}

int cmd_export(const std::string& key_text, const std::string& file, bool utf16) {
    auto key = parse_key(key_text);
    if (!key)
        return usage("\"" + key_text +
                     "\" does not start with HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKCU or HKLM");
    LSTATUS st =
        export_reg_file(key->root, key->path, file, utf16 ? RegFileEncoding::utf16le : RegFileEncoding::utf8);
    if (st != ERROR_SUCCESS) return failed("cannot export " + key->shown + " to " + file, st);
    return kExitOk;
}

int cmd_import(const std::string& file) {
    RegFileError error;
    LSTATUS st = import_reg_file(file, &error);
    if (st == ERROR_SUCCESS) return kExitOk;
    std::string where = error.line > 0 ? file + ":" + std::to_string(error.line) : file;
    std::cerr << "qelcfg reg: " << where << ": " << error.message << "\n";
    return failed("cannot import " + file, st);
}

void setup(CLI::App& app) {
    CLI::App* reg = app.add_subcommand("reg", "Query and change the registry (keys HKCU\\... or HKLM\\...)");
    reg->require_subcommand(1);

    struct Options {
        std::string key, file, type = "REG_SZ", separator = "\\0";
        std::vector<std::string> switches;
        std::optional<std::string> name, data;
        bool recursive = false, default_value = false, tree = false, utf16 = false;
    };
    auto o = std::make_shared<Options>();

    CLI::App* query = reg->add_subcommand("query", "Show a key's values and sub-keys");
    query->add_option("key", o->key, "The key")->required();
    query->add_option("switches", o->switches, "/s to show every key below");
    query->add_flag("-s,--recursive", o->recursive, "Show every key below");
    query->callback([o] { set_exit_code(cmd_query(o->key, o->switches, o->recursive)); });

    CLI::App* show = reg->add_subcommand("show", "Show the stack's tree Software\\Quorlan of both roots");
    show->callback([] {
        std::cout << "\n";
        LSTATUS st = print_stack_registry(std::cout);
        set_exit_code(st == ERROR_SUCCESS ? kExitOk : failed("cannot show the stack's registry", st));
    });

    CLI::App* set = reg->add_subcommand("set", "Create or replace a value (creating the key)");
    set->add_option("key", o->key, "The key")->required();
    set->add_option("name", o->name, "The value's name (none: the default value)");
    set->add_flag("--ve", o->default_value, "Set the default value");
    set->add_option("-t,--type", o->type,
                    "REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE")
        ->capture_default_str();
    set->add_option("-d,--data", o->data, "Text, number (decimal or 0x hex) or hex bytes, as the type needs");
    set->add_option("--separator", o->separator, "Separator of REG_MULTI_SZ strings in --data")
        ->capture_default_str();
    set->callback(
        [o] { set_exit_code(cmd_set(o->key, o->name, o->default_value, o->type, o->data, o->separator)); });

    CLI::App* del =
        reg->add_subcommand("delete", "Delete a value, a key without sub-keys, or a subtree (--tree)");
    del->add_option("key", o->key, "The key")->required();
    del->add_option("name", o->name, "The value to delete (none: the key itself)");
    del->add_flag("--ve", o->default_value, "Delete the default value");
    del->add_flag("--tree", o->tree, "Delete the key with everything below it");
    del->callback([o] { set_exit_code(cmd_delete(o->key, o->name, o->default_value, o->tree)); });

    CLI::App* exp = reg->add_subcommand("export", "Write a key and everything below it to a .reg file");
    exp->add_option("key", o->key, "The key")->required();
    exp->add_option("file", o->file, "The file to write")->required();
    exp->add_flag("--utf16", o->utf16, "Write UTF-16LE with CRLF line ends instead of UTF-8");
    exp->callback([o] { set_exit_code(cmd_export(o->key, o->file, o->utf16)); });

    CLI::App* imp =
        reg->add_subcommand("import", "Apply a .reg file (nothing is applied if it has an error)");
    imp->add_option("file", o->file, "The file to read")->required();
    imp->callback([o] { set_exit_code(cmd_import(o->file)); });
}

CommandRegistrar registrar{80, setup};

}  // namespace

std::string reg_type_name(DWORD type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK:
            return "REG_LINK";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_QWORD:
            return "REG_QWORD";
        default: {
            char buf[24];
            std::snprintf(buf, sizeof buf, "REG_0x%x", type);
            return buf;
        }
    }
}

std::string format_reg_data(DWORD type, const std::vector<BYTE>& data) {
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            std::u16string s = from_bytes(data);
            return utf16_to_utf8(std::u16string_view(s).substr(0, s.find(u'\0')));
        }
        case REG_MULTI_SZ: {
            std::u16string s = from_bytes(data);
            while (!s.empty() && s.back() == u'\0') s.pop_back();
            std::string out;
            for (std::size_t k = 0; k < s.size();) {
                const char32_t c = next_code_point(s, k);
                if (c == 0)
                    out += "\\0";
                else
                    append_utf8(c, out);
            }
            return out;
        }
        case REG_DWORD:
        case REG_QWORD: {
            const std::size_t width = type == REG_DWORD ? 4 : 8;
            if (data.size() != width) break;
            std::uint64_t v = 0;
            for (std::size_t b = width; b-- > 0;) v = (v << 8) | data[b];
            char buf[24];
            std::snprintf(buf, sizeof buf, "0x%" PRIx64, v);
            return buf;
        }
        default:
            break;
    }
    return hex_upper(data);
}

LSTATUS print_reg_key(std::ostream& out, HKEY root, std::u16string_view path, bool recursive) {
    const char* root_name = reg_root_name(root);
    if (root_name == nullptr) return static_cast<LSTATUS>(ERROR_INVALID_HANDLE);
    RegKey key;
    if (LSTATUS st = reg_open_key(root, path, KEY_READ, key.put()); st != ERROR_SUCCESS) return st;
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    std::string name = root_name;
    if (!path.empty()) name += "\\" + utf16_to_utf8(path);
    return print_key(out, key.get(), name, recursive);
}

LSTATUS print_stack_registry(std::ostream& out) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        LSTATUS st = print_reg_tree(out, root, u"Software\\Quorlan");
        if (st == static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND)) {
            out << reg_root_name(root) << "\\Software\\Quorlan: not present\n\n";
            continue;
        }
        if (st != ERROR_SUCCESS) return st;
    }
    return ERROR_SUCCESS;
}

}  // namespace qelcfg
