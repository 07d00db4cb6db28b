// A library under the event-trace library's file name that lacks its entry point.
extern "C" __attribute__((visibility("default"))) int QelEventTraceWpp_Other(int value) {
    return value;
}
