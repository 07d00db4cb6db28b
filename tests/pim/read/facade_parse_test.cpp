// QelConfig::ParseVCard and ParseVCAL through the real entry point and instance list: results and
// extended errors, delivery of the first object of each parse with the device address and user
// data, no delivery before initialisation, and two facades parsing on two threads at once.
#include <gtest/gtest.h>

#include <any>
#include <string>
#include <thread>
#include <vector>

#include "facade/callback_entry_points.h"
#include "facade/qel_config_access.h"
#include "pim_read_fixture.h"
#include "qelcfg/QelConfig.h"
#include "qelcfg/QelPIMObject.h"
#include "qelcfg/QelVCalObject.h"

namespace pimread {
namespace {

using namespace qbtapiM;  // result codes
using qbtapiM::detail::QelConfigAccess;

constexpr std::int64_t kBda = 0x001A7DDA7113;

std::string contact(const std::string& last) {
    return "BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + last + ";Ann\r\nTEL;CELL:0170\r\nEND:VCARD\r\n";
}

class FacadeParseTest : public PimReadTest {
protected:
    FacadeParseTest() { facade_.SetCallbacks({}, {}, {}, {}); }
    QelConfig facade_{kBda};
};

struct Delivery {
    std::int64_t bda = 0;
    std::u16string last;
    std::uint32_t status = 0;
    int user = 0;
};

TEST_F(FacadeParseTest, VCardDeliversOnlyTheFirstContact) {
    const auto path = write_file("two.vcf", contact("First") + contact("Second") + "X-END:1\r\n");
    std::vector<Delivery> got;
    const auto result = facade_.ParseVCard(
        path.u16string(),
        [&](std::int64_t bda, qbtapiM::QelPIMObject& o, const std::any& user) {
            got.push_back({bda, o.GetLastName(), o.GetParseStatus(), std::any_cast<int>(user)});
        },
        std::any(42));
    EXPECT_EQ(result, HEADSET_CONFIG_SUCCESS);
    EXPECT_EQ(QelConfigAccess::extended_error(facade_), 0u);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bda, kBda);
    EXPECT_EQ(got[0].last, u"First");
    EXPECT_EQ(got[0].status, OSIF_SUCCESS);
    EXPECT_EQ(got[0].user, 42);

    // A file that simply ends after its last contact parses cleanly; each parse delivers afresh.
    const auto plain = write_file("plain.vcf", contact("Only"));
    got.clear();
    EXPECT_EQ(facade_.ParseVCard(
                  plain.u16string(),
                  [&](std::int64_t bda, qbtapiM::QelPIMObject& o, const std::any&) { got.push_back({bda, o.GetLastName(), 0, 0}); },
                  {}),
              HEADSET_CONFIG_SUCCESS);
    EXPECT_EQ(QelConfigAccess::extended_error(facade_), 0u);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].last, u"Only");
}

TEST_F(FacadeParseTest, OpenFailuresAndRefusedFiles) {
    int calls = 0;
    auto count = [&](std::int64_t, qbtapiM::QelPIMObject&, const std::any&) { ++calls; };
    EXPECT_EQ(facade_.ParseVCard((dir_.path() / "missing.vcf").u16string(), count, {}), PARSE_OPEN_FILE_ERROR);
    EXPECT_EQ(QelConfigAccess::extended_error(facade_), OSIF_ERR_OPEN);
    EXPECT_EQ(QelConfigAccess::last_error(facade_), PARSE_OPEN_FILE_ERROR);
    EXPECT_EQ(facade_.ParseVCAL((dir_.path() / "missing.vcs").u16string(), {}, {}), PARSE_OPEN_FILE_ERROR);
    EXPECT_EQ(QelConfigAccess::extended_error(facade_), OSIF_ERR_OPEN);

    const auto bad = write_file("v4.vcf", "BEGIN:VCARD\r\nVERSION:4.0\r\nEND:VCARD\r\nX:1\r\n");
    EXPECT_EQ(facade_.ParseVCard(bad.u16string(), count, {}), PARSE_VCARD_ERROR);
    EXPECT_EQ(QelConfigAccess::extended_error(facade_), OSIF_ERR_PARSE);
    EXPECT_EQ(calls, 0);

    const auto journal = write_file("j.vcs", "BEGIN:VCALENDAR\r\nBEGIN:VJOURNAL\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\nX:1\r\n");
    EXPECT_EQ(facade_.ParseVCAL(journal.u16string(), {}, {}), PARSE_VCAL_ERROR);
    EXPECT_EQ(QelConfigAccess::extended_error(facade_), OSIF_ERR_PARSE);
}

TEST_F(FacadeParseTest, VCalDeliversTheFirstComponent) {
    const auto path = write_file("cal.vcs",
                                 "BEGIN:VCALENDAR\r\nVERSION:1.0\r\nBEGIN:VTODO\r\nSUMMARY:Task\r\nEND:VTODO\r\n"
                                 "BEGIN:VEVENT\r\nSUMMARY:Later\r\nEND:VEVENT\r\nEND:VCALENDAR\r\nX:1\r\n");
    std::vector<std::u16string> got;
    std::uint32_t kind = 0;
    std::uint32_t status = 0;
    EXPECT_EQ(facade_.ParseVCAL(
                  path.u16string(),
                  [&](std::int64_t bda, qbtapiM::QelVCalObject& o, const std::any& user) {
                      EXPECT_EQ(bda, kBda);
                      EXPECT_EQ(std::any_cast<std::string>(user), "cal");
                      got.push_back(o.GetEventSummary());
                      kind = o.GetCalObjectType();
                      status = o.GetParseStatus();
                  },
                  std::any(std::string("cal"))),
              HEADSET_CONFIG_SUCCESS);
    EXPECT_EQ(got, (std::vector<std::u16string>{u"Task"}));
    EXPECT_EQ(kind, 2u);
    EXPECT_EQ(status, OSIF_SUCCESS_WARNINGS);
}

TEST_F(FacadeParseTest, NothingIsDeliveredBeforeInitialisation) {
    QelConfig fresh{kBda};
    const auto path = write_file("one.vcf", contact("A") + "X:1\r\n");
    int calls = 0;
    EXPECT_EQ(fresh.ParseVCard(path.u16string(), [&](std::int64_t, qbtapiM::QelPIMObject&, const std::any&) { ++calls; }, {}),
              HEADSET_CONFIG_SUCCESS);
    EXPECT_EQ(calls, 0);
    // An object for an index that names no facade goes nowhere.
    qbtapiM::OnObjectCallbackExt(0, nullptr, 18, 0xFFFFFFF0u);
}

TEST_F(FacadeParseTest, TwoFacadesParseOnTwoThreadsWithoutMixingTheirContacts) {
    QelConfig other{0x222222222222};
    other.SetCallbacks({}, {}, {}, {});
    std::string big_a, big_b;
    for (int i = 0; i < 200; ++i) {
        big_a += contact("Alpha" + std::to_string(i));
        big_b += contact("Beta" + std::to_string(i));
    }
    const auto a = write_file("a.vcf", big_a + "X:1\r\n");
    const auto b = write_file("b.vcf", big_b + "X:1\r\n");
    auto run = [](QelConfig& f, const std::filesystem::path& path, std::vector<std::u16string>& out) {
        for (int round = 0; round < 10; ++round) {
            f.ParseVCard(path.u16string(),
                         [&](std::int64_t, qbtapiM::QelPIMObject& o, const std::any&) { out.push_back(o.GetLastName()); },
                         {});
        }
    };
    std::vector<std::u16string> got_a, got_b;
    std::thread ta([&] { run(facade_, a, got_a); });
    std::thread tb([&] { run(other, b, got_b); });
    ta.join();
    tb.join();
    EXPECT_EQ(got_a, std::vector<std::u16string>(10, u"Alpha0"));
    EXPECT_EQ(got_b, std::vector<std::u16string>(10, u"Beta0"));
}

}  // namespace
}  // namespace pimread
