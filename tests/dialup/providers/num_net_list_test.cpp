// Matching an operator number in an "ID" list: separators, lengths that are prefixes of each
// other, malformed lists and numbers too long for any operator.
#include <gtest/gtest.h>

#include <cstdint>

#include "dialup/providers/provider_xml.h"

namespace {

struct Case {
    const char16_t* list;
    std::int32_t id;
    bool found;
};

TEST(FindNumNetInList, SeparatorsAndPositions) {
    const Case cases[] = {
        // Three six-digit numbers, once after a comma and a blank, once after a blank alone.
        {u"262010, 262011 262012", 262010, true},
        {u"262010, 262011 262012", 262011, true},
        {u"262010, 262011 262012", 262012, true},
        {u"262010, 262011 262012", 262013, false},
        {u"  26201  ,,  26202  ", 26202, true},  // blanks and repeated commas
        {u"26201,26202", 26202, true},
        {u"26201 ,26202", 26202, true},
        {u",26201", 26201, true},                 // an empty first position reads as 0 and goes on
        {u"26201;26202", 26201, true},
        {u"26201;26202", 26202, false},           // ";" is no separator: the scan ends
        {u"26201x 26202", 26202, false},
        {u"26201\t26202", 26202, false},          // only blanks separate, not tabs
        {u"", 26201, false},
        {u"   ", 0, false},                       // the end of the text is never a number
        {u"-26201", 26201, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id);
        EXPECT_EQ(findNumNetInList(c.list, c.id), c.found);
    }
}

TEST(FindNumNetInList, NumbersAreComparedWholeNotAsPrefixes) {
    // A five-digit entry does not match the six-digit operator that begins with its digits, nor
    // the reverse; only the caller's shortened second lookup finds it.
    EXPECT_FALSE(findNumNetInList(u"26201", 262011));
    EXPECT_TRUE(findNumNetInList(u"26201", 262011 / 10));
    EXPECT_FALSE(findNumNetInList(u"262011", 26201));
    // Leading zeros are digits of the number: "026201" is 26201.
    EXPECT_TRUE(findNumNetInList(u"026201", 26201));
}

TEST(FindNumNetInList, OverlongNumbersMatchNothing) {
    EXPECT_FALSE(findNumNetInList(u"99999999999999999999999999, 26201x", INT32_MAX));
    EXPECT_FALSE(findNumNetInList(u"4294993497", 26201)) << "no wrap-around to 32 bits";
    EXPECT_TRUE(findNumNetInList(u"99999999999999999999999999 26201", 26201));
}

TEST(FindNumNetInList, NumberAsText) {
    EXPECT_TRUE(findNumNetInList(u"262010, 262011", "262011"));
    EXPECT_TRUE(findNumNetInList(u"262010, 262011", " 262011"));
    EXPECT_FALSE(findNumNetInList(u"262010, 262011", "26201"));
    EXPECT_FALSE(findNumNetInList(u"262010", nullptr));
    EXPECT_FALSE(findNumNetInList(nullptr, "262010"));
    EXPECT_FALSE(findNumNetInList(nullptr, 262010));
}

}  // namespace
