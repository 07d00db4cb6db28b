// Fixture of the vCard and vCalendar reading tests: a registry, a temporary folder (so the value
// files of base64 properties can be counted) and a pinned time zone of their own, the default
// code pages forgotten around each case; streams over text; a callback that records what each
// delivered object held at the moment of delivery.
#pragma once

#include <gtest/gtest.h>

#include <ctime>

#include "pim/charsets.h"
#include "pim/pim_object_record.h"
#include "../pim_test_support.h"

namespace pimread {

class PimReadTest : public pimsupport::PimTestBase {
protected:
    PimReadTest() : tz_env_("TZ", "UTC0") {
        ResetDefaultCodePages();
        tzset();
    }
    ~PimReadTest() override {
        qel::pim::release_parse_record();
        ResetDefaultCodePages();
    }

private:
    qel::test::ScopedEnv tz_env_;
};

using pimsupport::TextStream;

}  // namespace pimread
