// Printing registry keys the way the platform's "reg query" shows them: the key's full name, one
// line per value ("    Name    REG_TYPE    data", "(Default)" for the unnamed value), then its
// sub-keys: their full names, or with `recursive` each sub-key printed the same way in turn.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace qelcfg {

// Prints the key `path` below `root` (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE). Returns the
// registry's result: ERROR_FILE_NOT_FOUND when the key is missing (nothing printed then).
LSTATUS print_reg_key(std::ostream& out, HKEY root, std::u16string_view path, bool recursive);

// Prints the subtree `path` of `root` recursively.
inline LSTATUS print_reg_tree(std::ostream& out, HKEY root, std::u16string_view path) {
    return print_reg_key(out, root, path, true);
}

// The stack's own configuration tree, "Software\\Quorlan", of both roots; a root without it
// prints a line saying so. Returns ERROR_SUCCESS unless a present tree could not be read.
LSTATUS print_stack_registry(std::ostream& out);

// One value's data as "reg query" shows it for its type.
std::string format_reg_data(DWORD type, const std::vector<BYTE>& data);

// "REG_SZ", "REG_DWORD", ... ; other numbers as "REG_0x<hex>".
std::string reg_type_name(DWORD type);

}  // namespace qelcfg
