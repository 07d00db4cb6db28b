// Fixture of the note and change-log tests: a registry and temporary folder of their own (TMPDIR
// points into it, so stray temporary files can be counted), files written from text, streams over
// text, and a trace viewer on 127.0.0.5 that receives the library's "OSIF:" lines.
#pragma once

#include <gtest/gtest.h>

#include "pim/pim_object_record.h"
#include "../pim_test_support.h"
#include "trace/pim_log.h"

namespace pimnotes {

using pimsupport::LogLines;
using pimsupport::TextStream;

class NotesTest : public pimsupport::PimTestBase {
protected:
    NotesTest() { qel::trace::reset_pim_log(); }
    ~NotesTest() override {
        qel::pim::release_parse_record();
        qel::trace::reset_pim_log();
    }

    // Starts receiving the library's log lines on 127.0.0.5; false (the caller skips) when the
    // viewer's port there cannot be bound.
    bool start_viewer() { return viewer_.start(0x7F000005); }
    // Every line received since the last call: level and text.
    LogLines drain() { return viewer_.drain(20); }

private:
    pimsupport::TraceViewer viewer_;
};

}  // namespace pimnotes
