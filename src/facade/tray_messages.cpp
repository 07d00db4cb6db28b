// Messages to the tray application's main window, found by class in this process or another.
#include "facade/tray_messages.h"

#include "platform/last_error.h"
#include "platform/windows/window.h"
#include "qelcfg/QelConfig.h"
#include "trace/qel_trace.h"

namespace qbtapiM {
namespace {

// Posts `message` to the tray window when there is one; silent otherwise.
void post_to_tray(UINT message) {
    // The platform's last error of the caller is left as it was: failing to reach the tray is no
    // failure of the operation.
    qel::platform::LastErrorPreserver keep;
    HWND tray = qel::platform::find_window(kQelTrayWindowClass);
    if (tray != nullptr) qel::platform::post_message(tray, message, 0, 0);
}

}  // namespace

void QelConfig::TellQelTrayToDisplayWaitDialog() {
    QelTrace("+QelConfig::TellQelTrayToDisplayWaitDialog");
    post_to_tray(kQelTrayDisplayWaitDialog);
    QelTrace("-QelConfig::TellQelTrayToDisplayWaitDialog");
}

void QelConfig::TellQelTrayToCloseWaitDialog() {
    QelTrace("+QelConfig::TellQelTrayToCloseWaitDialog");
    post_to_tray(kQelTrayCloseWaitDialog);
    QelTrace("-QelConfig::TellQelTrayToCloseWaitDialog");
}

}  // namespace qbtapiM
