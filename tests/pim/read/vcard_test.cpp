// OSIF_ParseVCards and the QelPIMObject getters: the file's structure (BEGIN, blank lines, the
// end of the stream), nesting, versions, the property rules (ORG and DEPT, genders, assistants'
// telephones, groups, base64 values), and the getters' choices.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pim/osif_records.h"
#include "pim/vcard_parser.h"
#include "pim_read_fixture.h"
#include "qelcfg/QelPIMObject.h"

namespace pimread {
namespace {

// What one delivered contact held when it was delivered.
struct Contact {
    std::uint32_t store = 0;
    std::uint32_t status = 0;
    std::string version, luid;
    std::u16string last, first, middle, title, suffix, job, company;
    std::u16string work_phone, home_phone, fax, mobile, work_address, home_address, email, note;
    std::vector<std::vector<std::string>> org, gender, tel_params, n;
    std::size_t photos_in_files = 0;
};

std::vector<std::string> strings(const tagString* s) {
    std::vector<std::string> out;
    for (; s; s = s->next) out.push_back(s->str ? s->str : "");
    return out;
}

std::vector<std::vector<std::string>> values_of(const tagProp* list) {
    std::vector<std::vector<std::string>> out;
    for (; list; list = list->next) out.push_back(strings(list->values));
    return out;
}

void record(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    auto& out = *reinterpret_cast<std::vector<Contact>*>(context);
    qbtapiM::QelPIMObject o(object, status);
    Contact c;
    c.store = store;
    c.status = status;
    c.version = o.GetVersion();
    c.luid = o.GetLuid();
    c.last = o.GetLastName();
    c.first = o.GetFirstName();
    c.middle = o.GetMiddleName();
    c.title = o.GetTitle();
    c.suffix = o.GetSuffix();
    c.job = o.GetJobTitle();
    c.company = o.GetCompany();
    c.work_phone = o.GetBusinessPhone();
    c.home_phone = o.GetHomePhone();
    c.fax = o.GetBusinessFax();
    c.mobile = o.GetMobilePhone();
    c.work_address = o.GetBusinessAddress();
    c.home_address = o.GetHomeAddress();
    c.email = o.GetEmail();
    c.note = o.GetNote();
    const tagvCard& card = object->body.card;
    c.org = values_of(card.ORG);
    c.gender = values_of(card.GENDER);
    c.n = values_of(card.N);
    for (const tagProp* p = card.TEL; p; p = p->next) c.tel_params.push_back(strings(p->params));
    for (const tagProp* p = card.PHOTO; p; p = p->next) c.photos_in_files += p->file != nullptr;
    out.push_back(std::move(c));
}

class VCardTest : public PimReadTest {
protected:
    tOSIF_ERROR parse(const std::string& text) {
        TextStream s(text);
        contacts.clear();
        return OSIF_ParseVCards(s.get(), record, reinterpret_cast<std::uintptr_t>(&contacts));
    }
    std::vector<Contact> contacts;
};

const std::string kAlice =
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Smith;Alice;Jane;Dr.;PhD\r\nTEL;WORK;VOICE:111\r\nEND:VCARD\r\n";

TEST_F(VCardTest, FileStructureDecidesTheResult) {
    // A file that ends after its last contact, with or without a final line break, is complete.
    EXPECT_EQ(parse(kAlice.substr(0, kAlice.size() - 2)), OSIF_SUCCESS);
    EXPECT_EQ(parse(kAlice), OSIF_SUCCESS);
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].store, OSIF_STORE_PHONEBOOK);
    EXPECT_EQ(contacts[0].status, OSIF_SUCCESS);

    // Any other line after a contact ends the file with the running result: a blank line after the
    // first contact hides the second.
    EXPECT_EQ(parse(kAlice + "\r\n" + kAlice), OSIF_SUCCESS);
    EXPECT_EQ(contacts.size(), 1u);
    EXPECT_EQ(parse(kAlice + kAlice + "X-TRAILER:1\r\n"), OSIF_SUCCESS);
    EXPECT_EQ(contacts.size(), 2u);

    // Empty input, or a first line that is not BEGIN: 20 without a delivery.
    EXPECT_EQ(parse(""), OSIF_ERR_PARSE);
    EXPECT_EQ(parse("VERSION:2.1\r\n" + kAlice), OSIF_ERR_PARSE);
    EXPECT_TRUE(contacts.empty());

    // BEGIN's value is not examined.
    EXPECT_EQ(parse("BEGIN:VCALENDAR\r\nN:A\r\nEND:X\r\nZ:1\r\n"), OSIF_SUCCESS);
    EXPECT_EQ(contacts.size(), 1u);
}

TEST_F(VCardTest, WarningsLowerTheRunningResultToNineteen) {
    // A blank line inside a contact, and an unknown property (a group prefix is not recognised).
    EXPECT_EQ(parse("BEGIN:VCARD\r\nN:A\r\n\r\nEND:VCARD\r\nX:1\r\n"), OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].status, OSIF_SUCCESS_WARNINGS);

    EXPECT_EQ(parse("BEGIN:VCARD\r\nN:A\r\nitem1.TEL:5\r\nEND:VCARD\r\n" + kAlice + "X:1\r\n"), OSIF_SUCCESS_WARNINGS);
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_EQ(contacts[0].status, OSIF_SUCCESS_WARNINGS);
    EXPECT_TRUE(contacts[0].tel_params.empty());
    // The running result stays 19 for later clean contacts.
    EXPECT_EQ(contacts[1].status, OSIF_SUCCESS_WARNINGS);
}

TEST_F(VCardTest, MissingPartsAreRepairedOrRefused) {
    // No VERSION: 2.1 assumed without a warning result; no N: one empty N property.
    EXPECT_EQ(parse("BEGIN:VCARD\r\nFN:Pat\r\nEND:VCARD\r\nX:1\r\n"), OSIF_SUCCESS);
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].version, "2.1");
    EXPECT_EQ(contacts[0].n.size(), 1u);
    EXPECT_EQ(contacts[0].last, u"");
    EXPECT_EQ(contacts[0].first, u"Pat");  // N components 0 and 1 are empty: FN stands in

    // No END before the end of the stream: 20 and no delivery.
    EXPECT_EQ(parse("BEGIN:VCARD\r\nN:A\r\n"), OSIF_ERR_PARSE);
    EXPECT_TRUE(contacts.empty());
}

TEST_F(VCardTest, VersionsUpToThreeAreAccepted) {
    for (const char* v : {"2.1", "3.0", "1.0", "3"}) {
        EXPECT_EQ(parse(std::string("BEGIN:VCARD\r\nVERSION:") + v + "\r\nN:A\r\nEND:VCARD\r\nX:1\r\n"), OSIF_SUCCESS)
            << v;
        ASSERT_EQ(contacts.size(), 1u) << v;
        EXPECT_EQ(contacts[0].version, v);
    }
    for (const char* v : {"4.0", "3.01", "abc", "0", ""}) {
        EXPECT_EQ(parse(std::string("BEGIN:VCARD\r\nVERSION:") + v + "\r\nN:A\r\nEND:VCARD\r\nX:1\r\n"), OSIF_ERR_PARSE)
            << v;
        EXPECT_TRUE(contacts.empty()) << v;
    }
    // A refused second contact stops the file after the first was delivered.
    EXPECT_EQ(parse(kAlice + "BEGIN:VCARD\r\nVERSION:4.0\r\nEND:VCARD\r\nX:1\r\n"), OSIF_ERR_PARSE);
    EXPECT_EQ(contacts.size(), 1u);
}

TEST_F(VCardTest, NestedObjectsAreSkippedWithTheirProperties) {
    EXPECT_EQ(parse("BEGIN:VCARD\r\nN:Boss;Big\r\nAGENT:\r\nBEGIN:VCARD\r\nN:Agent;Secret\r\nTEL;WORK:999\r\n"
                    "END:VCARD\r\nTEL;HOME:123\r\nEND:VCARD\r\nX:1\r\n"),
              OSIF_SUCCESS_WARNINGS);  // AGENT is not a known property
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0].last, u"Boss");
    EXPECT_EQ(contacts[0].n.size(), 1u);
    EXPECT_EQ(contacts[0].work_phone, u"");
    EXPECT_EQ(contacts[0].home_phone, u"123");
}

TEST_F(VCardTest, PropertyRules) {
    EXPECT_EQ(parse("BEGIN:VCARD\r\nN:A\r\nORG:Acme;Sales\r\nDEPT:Research;Lab\r\nX-WAB-GENDER:1\r\n"
                    "X-WAB-GENDER:3\r\nX-GENDER:Other\r\nX-MICROSOFT-ASST_TEL;WORK:77\r\n"
                    "X-IRMC-LUID:0042\r\nn ote ; x-a :hi\r\nEND:VCARD\r\nX:1\r\n"),
              OSIF_SUCCESS);
    ASSERT_EQ(contacts.size(), 1u);
    const Contact& c = contacts[0];
    // DEPT's whole value becomes the ORG's second component.
    ASSERT_EQ(c.org.size(), 1u);
    EXPECT_EQ(c.org[0], (std::vector<std::string>{"Acme", "Research;Lab"}));
    // Gender 1 is FEMALE, 3 is nothing; X-GENDER keeps its text.
    EXPECT_EQ(c.gender, (std::vector<std::vector<std::string>>{{"FEMALE"}, {"Other"}}));
    // The assistant's telephone loses its parameters for X-ASSISTANT, so it is no business phone.
    ASSERT_EQ(c.tel_params.size(), 1u);
    EXPECT_EQ(c.tel_params[0], (std::vector<std::string>{"X-ASSISTANT"}));
    EXPECT_EQ(c.work_phone, u"");
    EXPECT_EQ(c.luid, "0042");
    // Blanks anywhere in the name are removed before the lookup.
    EXPECT_EQ(c.note, u"hi");
}

TEST_F(VCardTest, LaterOrgLinesReuseTheFirst) {
    EXPECT_EQ(parse("BEGIN:VCARD\r\nN:A\r\nDEPT:Lab\r\nORG;X-A:Acme\r\nORG;X-B:Beta;Ops\r\nEND:VCARD\r\nX:1\r\n"),
              OSIF_SUCCESS);
    ASSERT_EQ(contacts.size(), 1u);
    ASSERT_EQ(contacts[0].org.size(), 1u);
    EXPECT_EQ(contacts[0].org[0], (std::vector<std::string>{"Beta", "Ops"}));
    EXPECT_EQ(contacts[0].company, u"Beta");
}

TEST_F(VCardTest, GettersPickTheMarkedProperties) {
    EXPECT_EQ(parse("BEGIN:VCARD\r\nVERSION:2.1\r\nN:Smith;Alice;Jane;Dr.;PhD\r\nTITLE:Chief\r\n"
                    "TEL;WORK:\r\nTEL;WORK;FAX:222\r\nTEL;TYPE=work:333\r\nTEL;HOME:444\r\nTEL;CELL:555\r\n"
                    "ADR;HOME:PB;Ext;Street 1;Town;Region;12345;Land\r\nADR;TYPE=WORK:;;Main;;;;\r\n"
                    "EMAIL:a@x\r\nEMAIL:\r\nEMAIL;INTERNET:b@y\r\nNOTE;ENCODING=QUOTED-PRINTABLE:caf=E9 =\r\nau lait\r\n"
                    "END:VCARD\r\nX:1\r\n"),
              OSIF_SUCCESS);
    ASSERT_EQ(contacts.size(), 1u);
    const Contact& c = contacts[0];
    EXPECT_EQ(c.last, u"Smith");
    EXPECT_EQ(c.first, u"Alice");
    EXPECT_EQ(c.middle, u"Jane");
    EXPECT_EQ(c.title, u"Dr.");
    EXPECT_EQ(c.suffix, u"PhD");
    EXPECT_EQ(c.job, u"Chief");
    // The first WORK telephone with a value is the fax line: it counts as the business phone.
    EXPECT_EQ(c.work_phone, u"222");
    EXPECT_EQ(c.fax, u"222");
    EXPECT_EQ(c.home_phone, u"444");
    EXPECT_EQ(c.mobile, u"555");
    // Component 1 is left out; empty components still get their space.
    EXPECT_EQ(c.home_address, u"PB Street 1 Town Region 12345 Land");
    EXPECT_EQ(c.work_address, u" Main    ");
    EXPECT_EQ(c.email, u"a@x b@y ");
    EXPECT_EQ(c.note, u"caf\u00e9 au lait");
}

TEST_F(VCardTest, FirstNameFallsBackOnlyWhenBothNamesAreBlank) {
    EXPECT_EQ(parse("BEGIN:VCARD\r\nN: ; \t;;;\r\nFN:Pat\r\nEND:VCARD\r\n"
                    "BEGIN:VCARD\r\nN:Lee;;;;\r\nFN:Pat Lee\r\nEND:VCARD\r\nX:1\r\n"),
              OSIF_SUCCESS);
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_EQ(contacts[0].first, u"Pat");
    EXPECT_EQ(contacts[1].first, u"");
}

TEST_F(VCardTest, Base64ValuesLiveInFilesUntilTheNextContactBegins) {
    const std::string photo = "BEGIN:VCARD\r\nN:A\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n  QUJD\r\n  REVG\r\n\r\nEND:VCARD\r\n";
    struct Seen {
        std::filesystem::path tmp;
        std::vector<std::size_t> files;
    } seen{tmp(), {}};
    auto count = [](tOSIF_STOREID, tagvObject* o, std::uint32_t, std::uintptr_t ctx) {
        auto& s = *reinterpret_cast<Seen*>(ctx);
        ASSERT_NE(o->body.card.PHOTO, nullptr);
        ASSERT_NE(o->body.card.PHOTO->file, nullptr);
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(s.tmp)) ++n;
        s.files.push_back(n);
    };
    std::string text;
    for (int i = 0; i < 5; ++i) text += photo;
    TextStream s(text + "X:1\r\n");
    EXPECT_EQ(OSIF_ParseVCards(s.get(), count, reinterpret_cast<std::uintptr_t>(&seen)), OSIF_SUCCESS_WARNINGS);
    // One file at a time: each contact's file is gone when the next contact begins.
    EXPECT_EQ(seen.files, (std::vector<std::size_t>(5, 1)));
    // The last contact stays whole until the record is released.
    EXPECT_EQ(files_in_tmp(), 1u);
    qel::pim::release_parse_record();
    EXPECT_EQ(files_in_tmp(), 0u);
}

TEST_F(VCardTest, KeywordTableIsCaseInsensitiveAndWhole) {
    EXPECT_EQ(VCardKeywordToken("begin"), VCARD_BEGIN);
    EXPECT_EQ(VCardKeywordToken("X-Microsoft-Assistant"), VCARD_ASSISTANT);
    EXPECT_EQ(VCardKeywordToken("CATEGORIES"), VCARD_CATEGORIES);
    EXPECT_EQ(VCardKeywordToken("X-WAB-GENDER"), VCARD_WAB_GENDER);
    EXPECT_EQ(VCardKeywordToken("TELX"), VCARD_UNKNOWN);
    EXPECT_EQ(VCardKeywordToken("TE"), VCARD_UNKNOWN);
    EXPECT_EQ(VCardKeywordToken(""), VCARD_UNKNOWN);
}

}  // namespace
}  // namespace pimread

namespace pimread {
namespace {

// A parse started from inside a delivery callback on the same thread runs (the record's lock is
// the thread's already) and the outer parse goes on with its next contact.
TEST_F(VCardTest, NestedParseFromACallbackDoesNotBlock) {
    struct Nest {
        int outer = 0;
        int inner = 0;
    } nest;
    auto inner = [](tOSIF_STOREID, tagvObject*, std::uint32_t, std::uintptr_t ctx) {
        ++reinterpret_cast<Nest*>(ctx)->inner;
    };
    static OSIF_ObjectCallback inner_callback = inner;
    auto outer = [](tOSIF_STOREID, tagvObject* o, std::uint32_t, std::uintptr_t ctx) {
        auto& n = *reinterpret_cast<Nest*>(ctx);
        ++n.outer;
        EXPECT_NE(o->body.card.N, nullptr);
        if (n.outer != 1) return;
        TextStream s("BEGIN:VCARD\r\nN:Inner\r\nEND:VCARD\r\nX:1\r\n");
        EXPECT_EQ(OSIF_ParseVCards(s.get(), inner_callback, ctx), OSIF_SUCCESS);
    };
    TextStream s(kAlice + kAlice + "X:1\r\n");
    EXPECT_EQ(OSIF_ParseVCards(s.get(), outer, reinterpret_cast<std::uintptr_t>(&nest)), OSIF_SUCCESS);
    EXPECT_EQ(nest.outer, 2);
    EXPECT_EQ(nest.inner, 1);
}

}  // namespace
}  // namespace pimread
