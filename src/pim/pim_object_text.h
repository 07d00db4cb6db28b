// Internal: how the PIM object wrappers turn a value component into the caller's text (PropToSTR,
// then the ANSI code page widened to UTF-16).
#pragma once

#include <string>
#include <string_view>

#include "pim/osif_records.h"

namespace qel::pim {

// 8-bit text in the process's ANSI code page as UTF-16.
std::u16string ansi_to_wide(std::string_view text);
// Component index of prop (null: empty) read with PropToSTR, as UTF-16.
std::u16string component_text(tagProp* prop, int index);

}  // namespace qel::pim
