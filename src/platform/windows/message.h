// Window messages: the handle and parameter types, the message numbers the system uses, and the
// message record a thread's queue hands out. Plain data, shared by the queue (message_queue.h)
// and the windows (window.h).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win32.h"

struct HWND__;
using HWND = HWND__*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// Posting to HWND_BROADCAST reaches every top-level window of the process.
inline HWND const HWND_BROADCAST = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xFFFF));

// Message numbers.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_DEVICECHANGE = 0x0219;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;

// WM_DEVICECHANGE events (first parameter) and broadcast header types.
inline constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;
inline constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
inline constexpr WPARAM DBT_DEVICEQUERYREMOVE = 0x8001;
inline constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
inline constexpr WPARAM DBT_CUSTOMEVENT = 0x8006;
inline constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 0x00000005;
inline constexpr DWORD DBT_DEVTYP_HANDLE = 0x00000006;

// Queue status bits: what a message wait wakes for.
inline constexpr DWORD QS_KEY = 0x0001;
inline constexpr DWORD QS_MOUSEMOVE = 0x0002;
inline constexpr DWORD QS_MOUSEBUTTON = 0x0004;
inline constexpr DWORD QS_POSTMESSAGE = 0x0008;
inline constexpr DWORD QS_TIMER = 0x0010;
inline constexpr DWORD QS_PAINT = 0x0020;
inline constexpr DWORD QS_SENDMESSAGE = 0x0040;
inline constexpr DWORD QS_HOTKEY = 0x0080;
inline constexpr DWORD QS_ALLPOSTMESSAGE = 0x0100;
inline constexpr DWORD QS_RAWINPUT = 0x0400;
inline constexpr DWORD QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON;
inline constexpr DWORD QS_INPUT = QS_MOUSE | QS_KEY | QS_RAWINPUT;
inline constexpr DWORD QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
inline constexpr DWORD QS_ALLINPUT = QS_ALLEVENTS | QS_SENDMESSAGE;

// Message wait flags.
inline constexpr DWORD MWMO_WAITALL = 0x0001;
inline constexpr DWORD MWMO_INPUTAVAILABLE = 0x0004;

// Peek options.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
inline constexpr UINT PM_NOYIELD = 0x0002;

namespace qel::platform {

// As a window filter of get_message/peek_message: only messages posted to the thread itself.
inline HWND const kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

// One message taken from a queue.
struct Msg {
    HWND hwnd = nullptr;  // null for a thread message
    UINT message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    DWORD time = 0;  // tick_count() when it was posted
    // Keeps alive what lparam points to, for messages that carry a block of data (device-change
    // broadcasts); empty otherwise. Copies of the Msg share it.
    std::shared_ptr<const void> payload;
};

}  // namespace qel::platform
