// The tray application as the facade sees it: the class of its main window and the messages that
// show and close its wait dialog (both parameters 0).
#pragma once

#include <string_view>

#include "platform/win32.h"

namespace qbtapiM {

inline constexpr std::u16string_view kQelTrayWindowClass = u"QelTrayMainWindow";
inline constexpr UINT kQelTrayDisplayWaitDialog = 1056;  // 0x420
inline constexpr UINT kQelTrayCloseWaitDialog = 1051;    // 0x41B

}  // namespace qbtapiM
