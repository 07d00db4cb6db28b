// The registry editor's text format (.reg): exporting a subtree and importing one.
//
// A file starts with "Windows Registry Editor Version 5.00" (or "REGEDIT4"), then sections:
//   [HKEY_CURRENT_USER\Software\Quorlan]      a key (created on import, with every missing level)
//   [-HKEY_CURRENT_USER\Software\Old]          deletes that key and everything below it
//   "Name"="text"                               REG_SZ; in quoted text \\ is "\", \" is '"',
//                                               \n and \r are line breaks
//   @="text"                                    the key's default value (empty name)
//   "Name"=dword:0000000a                       REG_DWORD (1 to 8 hex digits)
//   "Name"=hex:01,02,ff                         REG_BINARY
//   "Name"=hex(7):61,00,00,00,00,00             any type by its number in hex: hex(0) REG_NONE,
//                                               hex(2) REG_EXPAND_SZ, hex(7) REG_MULTI_SZ,
//                                               hex(b) REG_QWORD, ...
//   "Name"=-                                    deletes the value
// Roots are HKEY_CURRENT_USER / HKEY_LOCAL_MACHINE, or HKCU / HKLM on import (case-insensitive).
// A hex list continues on the next line when its line ends with "\". Blank lines and lines
// starting with ";" are ignored, as are spaces around tokens.
//
// Import reads UTF-8 (with or without a byte-order mark) and UTF-16 with a byte-order mark (the
// platform's own exports are UTF-16LE), with CRLF or LF line ends. It parses the whole file
// before changing anything: a file with an error applies nothing and reports the line and a
// message. Applying is one registry call per key and value, not one transaction: if a call fails
// (access denied, for instance), the sections before it stay applied and the failing line is
// reported. Deleting a key or value that does not exist is not an error.
//
// Export writes UTF-8 without a byte-order mark and LF line ends (or, on request, UTF-16LE with
// a byte-order mark and CRLF, as the platform's editor writes): the key, its values in creation
// order, then its sub-keys depth first in enumeration order. A REG_SZ holding exactly one string
// with its terminator is written as quoted text, a 4-byte REG_DWORD as dword:, everything else as
// hex, so that importing an export reproduces every type and byte. Hex lists wrap before column 80.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace qel::platform {

enum class RegFileEncoding { utf8, utf16le };

struct RegFileError {
    std::size_t line = 0;  // 1-based; 0 when the problem is not tied to a line
    std::string message;
};

struct RegFileValue {
    std::size_t line = 0;
    std::u16string name;
    bool remove = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegFileKey {
    std::size_t line = 0;
    HKEY root = nullptr;
    std::u16string path;  // below the root, "\\"-separated; empty for the root itself
    bool remove = false;
    std::vector<RegFileValue> values;
};

struct RegFile {
    std::vector<RegFileKey> keys;
};

// Parses a whole file's bytes. ERROR_INVALID_DATA with `error` (may be null) describing the first
// problem.
LSTATUS parse_reg_file(std::string_view bytes, RegFile* out, RegFileError* error);

// Applies a parsed file to the registry, section by section.
LSTATUS apply_reg_file(const RegFile& file, RegFileError* error);

// Reads, parses and applies a file (ERROR_FILE_NOT_FOUND and the like when it cannot be read).
LSTATUS import_reg_file(const std::filesystem::path& path, RegFileError* error);

// Writes the key `path` below `root` and everything under it. ERROR_FILE_NOT_FOUND when the key
// is missing; ERROR_INVALID_DATA when a key name holds a line break (the format cannot hold it).
LSTATUS export_reg_text(HKEY root, std::u16string_view path, std::string* out,
                        RegFileEncoding encoding = RegFileEncoding::utf8);
LSTATUS export_reg_file(HKEY root, std::u16string_view path, const std::filesystem::path& file,
                        RegFileEncoding encoding = RegFileEncoding::utf8);

// One key's contents as export and printing read them: its values in creation order (name, type
// and data) and the names of its sub-keys in enumeration order. The registry's error when a call
// fails (a value changed between asking its size and reading it included).
struct RegKeyContents {
    std::vector<RegFileValue> values;
    std::vector<std::u16string> sub_keys;
};
LSTATUS read_reg_key(HKEY key, RegKeyContents* out);

// "HKEY_CURRENT_USER", "HKCU", "HKEY_LOCAL_MACHINE", "HKLM" (any case) to their root.
std::optional<HKEY> parse_reg_root(std::u16string_view name);
// The full name of a root ("HKEY_CURRENT_USER"), or nullptr for anything else.
const char* reg_root_name(HKEY root);
// Splits "HKCU\\Software\\X" into its root and the path below it; false for an unknown root.
bool split_reg_path(std::u16string_view full, HKEY* root, std::u16string* path);

}  // namespace qel::platform
