#include "pim/pim_object_text.h"

#include "pim/charsets.h"
#include "pim/prop_values.h"

namespace qel::pim {

std::u16string ansi_to_wide(std::string_view text) {
    std::u16string out;
    if (!DecodeToBSTR(GetNativeCodepage(), text, out)) out.clear();
    return out;
}

std::u16string component_text(tagProp* prop, int index) {
    if (!prop) return {};
    std::string text;
    PropToSTR(text, prop, index);
    return ansi_to_wide(text);
}

}  // namespace qel::pim
