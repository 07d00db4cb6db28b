// Building multipart records: the lowest boundary that occurs in no part's text or content file,
// the subtypes that can be built, and the display name of a content type.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>

#include "message_fixture.h"
#include "pim/message/multipart.h"
#include "pim/msg_content.h"
#include "pim/osif_objects.h"
#include "pim/osif_props.h"

namespace pimmsg {
namespace {

// A part list built through the library's own content functions; freed with its files.
class Parts {
public:
    ~Parts() { OSIF_FreeParts(head_); }
    tagPart* add() {
        auto* p = static_cast<tagPart*>(OSIF_Alloc(sizeof(tagPart)));
        std::memset(p, 0, sizeof(tagPart));
        tagPart** slot = &head_;
        while (*slot) slot = &(*slot)->next;
        *slot = p;
        return p;
    }
    tagPart* head() const { return head_; }
    // A part whose content is text as it goes out (already encoded).
    void add_text(const char* text) {
        tagProp* prop = AppendProp(&add()->content);
        char* copy = static_cast<char*>(OSIF_Alloc(std::strlen(text) + 1));
        std::strcpy(copy, text);
        AddPropValue(prop, copy, 0);
    }

private:
    tagPart* head_ = nullptr;
};

std::string boundary(const tagPart* parts) {
    std::array<char, OSIF_BOUNDARY_SIZE> out{};
    if (!OSIF_FindUniqueBoundary(parts, out)) return "<none>";
    return out.data();
}

class MultipartTest : public MessageTest {};

TEST_F(MultipartTest, TheLowestBoundaryThatNoPartHoldsIsChosen) {
    Parts parts;
    EXPECT_EQ(boundary(nullptr), "----=_NextPart_001");
    // Text is compared as it goes out: quoted-printable turns "=" into "=3D", so no clash.
    STRtoContent("see ----=_NextPart_001 here", parts.add(), false);
    EXPECT_EQ(boundary(parts.head()), "----=_NextPart_001");
    parts.add_text("see ----=_NextPart_001 here");
    EXPECT_EQ(boundary(parts.head()), "----=_NextPart_002");

    // A content file counts with its bytes.
    const auto file = dir_.path() / "attachment.txt";
    std::ofstream(file) << "line\n----=_NextPart_002\n";
    FileToContent(file.u16string().c_str(), parts.add(), u"attachment.txt");
    EXPECT_EQ(boundary(parts.head()), "----=_NextPart_003");

    tagMultipart* m = nullptr;
    ASSERT_TRUE(OSIF_CreateMultipart(&m, parts.head(), OSIF_MULTIPART_ALTERNATIVE));
    EXPECT_EQ(m->subtype, OSIF_MULTIPART_ALTERNATIVE);
    EXPECT_STREQ(m->boundary->str, "----=_NextPart_003");
    EXPECT_STREQ(m->contentType->str, "multipart/alternative; boundary=\"----=_NextPart_003\"");
    OSIF_FreeMultipart(m);
}

TEST_F(MultipartTest, NoBoundaryWhenAllAreTakenOrTheBufferIsShort) {
    std::string all;
    char one[OSIF_BOUNDARY_SIZE];
    for (int n = 1; n <= 999; ++n) {
        std::snprintf(one, sizeof one, "----=_NextPart_%03d", n);
        all += one;
    }
    Parts parts;
    parts.add_text(all.c_str());
    EXPECT_EQ(boundary(parts.head()), "<none>");
    tagMultipart* m = nullptr;
    EXPECT_FALSE(OSIF_CreateMultipart(&m, parts.head(), OSIF_MULTIPART_MIXED));
    EXPECT_EQ(m, nullptr);

    std::array<char, OSIF_BOUNDARY_SIZE - 1> small{'x'};
    EXPECT_FALSE(OSIF_FindUniqueBoundary(nullptr, small));
    EXPECT_EQ(small[0], '\0');
}

TEST_F(MultipartTest, OnlyTheFourKnownSubtypesAreBuilt) {
    const char* names[] = {"mixed", "alternative", "digest", "parallel"};
    for (std::uint32_t subtype = 0; subtype <= 5; ++subtype) {
        tagMultipart* m = nullptr;
        const bool made = OSIF_CreateMultipart(&m, nullptr, subtype);
        EXPECT_EQ(made, subtype >= 1 && subtype <= 4) << subtype;
        if (!made) {
            EXPECT_EQ(m, nullptr);
            continue;
        }
        EXPECT_EQ(std::string(m->contentType->str),
                  std::string("multipart/") + names[subtype - 1] + "; boundary=\"----=_NextPart_001\"");
        OSIF_FreeMultipart(m);
    }
}

TEST_F(MultipartTest, ARecordReadBackFromAMessageFindsItsParts) {
    // The boundary made for parts survives a round trip through the reader.
    Parts parts;
    parts.add_text("hello ----=_NextPart_001");
    tagMultipart* m = nullptr;
    ASSERT_TRUE(OSIF_CreateMultipart(&m, parts.head(), OSIF_MULTIPART_MIXED));
    const std::string b = m->boundary->str;
    const Parse p = parse_text(message("", std::string("Content-Type: ") + m->contentType->str + "\r\n\r\n--" + b +
                                               "\r\n\r\nhello ----=_NextPart_001\r\n--" + b + "--\r\n"));
    OSIF_FreeMultipart(m);
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0].boundary, "----=_NextPart_002");
    ASSERT_EQ(p.messages[0].parts.size(), 1u);
    EXPECT_EQ(p.messages[0].parts[0].text, "hello ----=_NextPart_001");
}

TEST_F(MultipartTest, NameParameter) {
    std::u16string name;
    EXPECT_TRUE(OSIF_GetNameParam("text/plain; charset=US-ASCII; name=\"my file.txt\"", name));
    EXPECT_EQ(name, u"my file.txt");
    EXPECT_TRUE(OSIF_GetNameParam("image/png; NAME=  dot.png; x=1", name));
    EXPECT_EQ(name, u"dot.png");
    EXPECT_TRUE(OSIF_GetNameParam("image/png; name=\xE9t\xE9.png", name));  // ANSI code page 1252
    EXPECT_EQ(name, u"\u00e9t\u00e9.png");
    EXPECT_TRUE(OSIF_GetNameParam("text/plain; name=\"", name));
    EXPECT_EQ(name, u"");
    EXPECT_FALSE(OSIF_GetNameParam("text/plain; charset=UTF-8", name));
    EXPECT_EQ(name, u"");
    EXPECT_FALSE(OSIF_GetNameParam(nullptr, name));
}

}  // namespace
}  // namespace pimmsg
