// A stand-in for the event-trace library: appends every call it receives to the file named by
// QEL_TEST_EVENT_TRACE_LOG, one "level|subsystem|text" record per line.
#include <cstdio>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) int QelEventTraceWpp_LogEvent(int level, int subsystem,
                                                                                 const char* text) {
    const char* path = std::getenv("QEL_TEST_EVENT_TRACE_LOG");
    if (path == nullptr) return 0;
    std::FILE* f = std::fopen(path, "a");
    if (f == nullptr) return 0;
    std::fprintf(f, "%d|%d|%s\n", level, subsystem, text);
    std::fclose(f);
    return 1;
}
