// The debugger output stream: where the system's debug prints and trace lines go when a debugger
// would show them. A process-wide sink, discarded unless QEL_DEBUG_STREAM names "stderr" or a
// file (appended to); tests install a capture to read exactly what was written.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qel::platform {

// Writes one piece of text to the stream, as the platform's debug-output call does: the text as
// given, no terminator added. A file or stderr sink ends each piece with a line feed when it
// has none, so the stream reads as lines. Safe from any thread.
void output_debug_string(std::string_view text);

// Replaces the process-wide sink until destroyed, restoring the previous one. A sink may be
// called from any thread; calls are serialised by the stream's lock.
class DebugStreamRedirect {
public:
    using Sink = std::function<void(std::string_view)>;
    explicit DebugStreamRedirect(Sink sink);
    ~DebugStreamRedirect();
    DebugStreamRedirect(const DebugStreamRedirect&) = delete;
    DebugStreamRedirect& operator=(const DebugStreamRedirect&) = delete;

private:
    Sink previous_;
};

// Records every piece written while it lives (for tests).
class DebugStreamCapture {
public:
    DebugStreamCapture();
    std::vector<std::string> lines() const;
    bool contains(std::string_view fragment) const;

private:
    struct State;
    std::shared_ptr<State> state_;
    DebugStreamRedirect redirect_;
};

}  // namespace qel::platform
