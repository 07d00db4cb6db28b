// "qelcfg tray": plays the stack's tray application in its own process. It registers the window
// class "QelTrayMainWindow", creates its main window (reachable from other processes of the user)
// and prints every message the window's thread receives, one line each, until SIGINT or SIGTERM,
// a WM_CLOSE, or --seconds have passed. "qelcfg tray show-wait" and "qelcfg tray close-wait" ask a
// running tray to show or close its wait dialog, as the facade does.
// Exit codes: 0 success, 1 failure (no window could be made, another tray runs, or no tray
// answered show-wait/close-wait), 2 bad usage.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "commands.h"
#include "facade/tray_messages.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/window.h"
#include "qelcfg/QelConfig.h"

namespace qelcfg {

using namespace qel::platform;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

const char* message_name(UINT message) {
    switch (message) {
        case qbtapiM::kQelTrayDisplayWaitDialog: return " display wait dialog";
        case qbtapiM::kQelTrayCloseWaitDialog: return " close wait dialog";
        case WM_CLOSE: return " WM_CLOSE";
        case WM_TIMER: return " WM_TIMER";
        case WM_DEVICECHANGE: return " WM_DEVICECHANGE";
        default: return "";
    }
}

void print_message(const Msg& msg) {
    std::printf("message %u (0x%X)%s wparam=%llu lparam=%lld\n", msg.message, msg.message, message_name(msg.message),
                static_cast<unsigned long long>(msg.wparam), static_cast<long long>(msg.lparam));
    std::fflush(stdout);
}

// Waits for SIGINT or SIGTERM (blocked in every thread of the process, so only this thread takes
// them) or until `seconds` pass, then closes the tray window. Owned by run_tray, which stops it by
// sending it SIGTERM once the message loop has ended, and joins it.
void wait_for_stop(sigset_t signals, std::optional<double> seconds, HWND window) {
    siginfo_t info{};
    if (seconds) {
        timespec limit{};
        limit.tv_sec = static_cast<time_t>(*seconds);
        limit.tv_nsec = static_cast<long>((*seconds - static_cast<double>(limit.tv_sec)) * 1e9);
        ::sigtimedwait(&signals, &info, &limit);
    } else {
        int signal_number = 0;
        ::sigwait(&signals, &signal_number);
    }
    post_message(window, WM_CLOSE, 0, 0);
}

int run_tray(std::optional<double> seconds) {
    if (seconds && *seconds < 0) {
        std::cerr << "qelcfg tray: --seconds must not be negative\n";
        return 2;
    }
    if (find_window(qbtapiM::kQelTrayWindowClass) != nullptr) {
        std::cerr << "qelcfg tray: another tray application is running\n";
        return kExitFailed;
    }
    // Block the stop signals before any thread starts, so that every thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    WindowClass tray_class{std::u16string(qbtapiM::kQelTrayWindowClass),
                           [](HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
                               if (message == WM_DESTROY) post_quit_message(0);
                               return def_window_proc(hwnd, message, wparam, lparam);
                           }};
    if (register_class(tray_class) == 0) {
        std::cerr << "qelcfg tray: cannot register the window class\n";
        return kExitFailed;
    }
    HWND window = create_window(qbtapiM::kQelTrayWindowClass, u"Quorlan tray");
    if (window == nullptr) {
        std::cerr << "qelcfg tray: cannot create the tray window\n";
        return kExitFailed;
    }
    std::printf("tray window of class QelTrayMainWindow is up\n");
    std::fflush(stdout);

    std::thread stopper(wait_for_stop, signals, seconds, window);
    Msg msg;
    while (get_message(&msg) > 0) {
        print_message(msg);
        dispatch_message(msg);
    }
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    std::printf("tray window closed\n");
    std::fflush(stdout);
    return kExitOk;
}

int tell_tray(bool display) {
    if (find_window(qbtapiM::kQelTrayWindowClass) == nullptr) {
        std::cerr << "qelcfg tray: no tray application is running\n";
        return kExitFailed;
    }
    if (display) {
        qbtapiM::QelConfig::TellQelTrayToDisplayWaitDialog();
    } else {
        qbtapiM::QelConfig::TellQelTrayToCloseWaitDialog();
    }
    return kExitOk;
}

void setup(CLI::App& app) {
    CLI::App* tray = app.add_subcommand("tray", "Play the tray application: show the messages its window receives");
    tray->require_subcommand(0, 1);
    auto seconds = std::make_shared<std::optional<double>>();
    tray->add_option("--seconds", *seconds, "Stop after this many seconds (default: run until interrupted)");
    tray->callback([tray, seconds] {
        if (tray->get_subcommands().empty()) set_exit_code(run_tray(*seconds));
    });

    CLI::App* show = tray->add_subcommand("show-wait", "Ask the running tray to show its wait dialog (message 1056)");
    show->callback([] { set_exit_code(tell_tray(true)); });
    CLI::App* close = tray->add_subcommand("close-wait", "Ask the running tray to close its wait dialog (message 1051)");
    close->callback([] { set_exit_code(tell_tray(false)); });
}

CommandRegistrar registrar{60, setup};

}  // namespace
}  // namespace qelcfg
