// The event-trace sink: an optional library, "QelEventTraceWPP.dll" in the stack's installation
// directory, that receives every facade trace line through its entry point
// "QelEventTraceWpp_LogEvent" (int level, int subsystem mask, const char* text) when the machine's
// debug value "LoggingEnabled" is 1.
//
// Promises: the library is looked for at most once per process (until reset_trace_for_tests):
// after a failure to load it or to find its entry point, no later call tries again. It stays
// loaded until process exit. Nothing here fails the caller or changes the thread's last error.
// Thread safety: every function may be called from any thread; loading is serialised by a lock,
// and the switches below are atomics, so a call racing the first load sees either the old or the
// new state, never a torn one.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/win32.h"

// Copy of "LoggingEnabled" once the event-trace library is usable (0 otherwise).
extern std::atomic<DWORD> g_dwWppTracingEnabled;
// 1 once loading the library or finding its entry point failed; never retried.
extern std::atomic<DWORD> g_fWppTracingLibNotFound;

// Reads "LoggingEnabled" (HKEY_LOCAL_MACHINE "Software\Quorlan\BTConfig\Debug") and loads the
// library when it is 1. A debug key that cannot be opened is reported as
// "RegOpenKeyEx failed for %d" on the debugger stream and leaves the switch as it was.
void InitWppTracing() noexcept;

// Forwards one line to the library. Returns 0 when the library is not found or not enabled,
// otherwise 1 (calling the entry point when it is loaded).
int LogEventTraceMsg(int iLevel, int iSubsystem, const char* buf) noexcept;

// The same for UTF-16 text, converted to the system's ANSI code page into a 1000-byte buffer
// (cut after at most 999 bytes, never inside a character).
int LogEventTraceMsgW(int iLevel, int iSubsystem, const char16_t* buf) noexcept;

namespace qel::trace {

// Whether the library is loaded now (for the switch report).
bool event_trace_library_loaded() noexcept;

// Unloads the library and clears both switches (tests only: no trace call may run meanwhile).
void reset_event_trace() noexcept;

}  // namespace qel::trace
