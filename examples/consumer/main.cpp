// Uses the installed public headers and library: one facade object for a device address.
#include <qelcfg/QelConfig.h>

#include <cstdio>

int main() {
    qbtapiM::QelConfig config(0x0000001122334455LL);
    if (config.getmyBDA() != 0x0000001122334455LL) return 1;
    std::printf("installed library works: %s\n", qbtapiM::QelConfig::IsWin7HelpEnabled() ? "yes" : "no");
    return 0;
}
