// The registry view the configuration store uses. Part of the configuration base (see reg_key.h
// for the list of base files).
//
// On first use the store asks the platform once whether the process runs under WOW64 (a 32-bit
// process on a 64-bit system) and remembers the answer for the life of the process. Under WOW64
// every access mask a record, an iterator, AddCfgKey or DeleteCfgKey uses is widened by
// KEY_WOW64_64KEY, so the store reads and writes the 64-bit view of the tree (KEY_READ 0x20019
// becomes 0x20119, KEY_WRITE 0x20006 becomes 0x20106). BtRegKey, CopyRegKey and the protected
// values use the handles and masks they are given and add nothing.
// Thread-safe: the answer is kept in an atomic; two threads asking at once both store the same
// answer.
#pragma once

#include "platform/win32.h"

namespace qel::config {

// samDesired as the store uses it (widened under WOW64).
DWORD CfgAccess(DWORD samDesired);

// Forgets the remembered answer so the next use asks the platform again (tests only).
void ResetRegistryViewForTests();

}  // namespace qel::config
