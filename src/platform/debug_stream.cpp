#include "platform/debug_stream.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/environment.h"

namespace qel::platform {
namespace {

void write_line(std::FILE* f, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), f);
    if (text.empty() || text.back() != '\n') std::fputc('\n', f);
    std::fflush(f);
}

// The sink chosen by QEL_DEBUG_STREAM at first use.
DebugStreamRedirect::Sink default_sink() {
    auto target = env_value("QEL_DEBUG_STREAM");
    if (!target) return {};
    if (*target == "stderr") return [](std::string_view text) { write_line(stderr, text); };
    std::string path = *target;
    return [path](std::string_view text) {
        if (std::FILE* f = std::fopen(path.c_str(), "a")) {
            write_line(f, text);
            std::fclose(f);
        }
    };
}

// Guards the sink: it is replaced by redirects and called from any thread.
std::mutex& sink_mutex() {
    static std::mutex m;
    return m;
}

DebugStreamRedirect::Sink& sink() {
    static DebugStreamRedirect::Sink s = default_sink();
    return s;
}

}  // namespace

void output_debug_string(std::string_view text) {
    std::lock_guard lock(sink_mutex());
    if (auto& s = sink()) s(text);
}

DebugStreamRedirect::DebugStreamRedirect(Sink replacement) {
    std::lock_guard lock(sink_mutex());
    previous_ = std::exchange(sink(), std::move(replacement));
}

DebugStreamRedirect::~DebugStreamRedirect() {
    std::lock_guard lock(sink_mutex());
    sink() = std::move(previous_);
}

struct DebugStreamCapture::State {
    mutable std::mutex mutex;  // guards lines: the sink runs on whichever thread writes
    std::vector<std::string> lines;
};

DebugStreamCapture::DebugStreamCapture()
    : state_(std::make_shared<State>()),
      redirect_([state = state_](std::string_view text) {
          std::lock_guard lock(state->mutex);
          state->lines.emplace_back(text);
      }) {}

std::vector<std::string> DebugStreamCapture::lines() const {
    std::lock_guard lock(state_->mutex);
    return state_->lines;
}

bool DebugStreamCapture::contains(std::string_view fragment) const {
    std::lock_guard lock(state_->mutex);
    for (const auto& line : state_->lines)
        if (line.find(fragment) != std::string::npos) return true;
    return false;
}

}  // namespace qel::platform
