// Waiting until the process is asked to stop: an interrupt (SIGINT, Ctrl+C), a termination
// request (SIGTERM), or the end of standard input. For programs that serve something until the
// user ends them, so they can clean up (remove links, stop threads) instead of being killed.
//
// Promises:
//  - The first wait installs handlers for SIGINT and SIGTERM for the rest of the process; from
//    then on these signals no longer end the process but are remembered: once asked, every later
//    wait returns at once with the same answer.
//  - Waiting on standard input reads and discards what arrives; its end (or a closed or invalid
//    descriptor) is the request to stop.
//  - Safe from any thread; nothing polls (one poll() on a self-pipe and standard input).
#pragma once

#include <chrono>
#include <optional>

namespace qel::platform {

enum class StopRequest {
    none,         // the time limit passed
    interrupt,    // SIGINT
    terminate,    // SIGTERM
    input_ended,  // end of standard input
};

// Waits until a stop is asked (see above) or `limit` (real time; nothing: no limit) passes.
// `watch_input` decides whether the end of standard input counts.
StopRequest wait_for_stop_request(bool watch_input, std::optional<std::chrono::milliseconds> limit);

}  // namespace qel::platform
