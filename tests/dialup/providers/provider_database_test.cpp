// Building the database from the public operator list: which access points are kept, how the
// operator numbers are formed, and that the written file is found by the lookup. With the
// installed public list, the database built from it finds well-known operators.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dialup/providers/provider_database.h"
#include "dialup/providers/provider_settings.h"
#include "providers_test_util.h"

namespace qel::test {
namespace {

using qel::dialup::ProviderDatabaseStats;
using qel::dialup::providers_xml_from_serviceproviders;

constexpr char kPublicList[] = "/usr/share/mobile-broadband-provider-info/serviceproviders.xml";

// A small list in the public format, written for these tests.
constexpr char kServiceProviders[] = R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE serviceproviders SYSTEM "serviceproviders.2.dtd">
<serviceproviders format="2.0">
<country code="de">
  <provider>
    <name>Alpha Mobil</name>
    <gsm>
      <network-id mcc="262" mnc="01"/>
      <network-id mcc="262" mnc="001"/>
      <network-id mcc="262" mnc="01"/>
      <network-id mcc="262" mnc="x1"/>
      <apn value="web.alpha">
        <usage type="internet"/>
        <username> alpha </username>
        <password>pw</password>
      </apn>
      <apn value="mms.alpha">
        <usage type="mms"/>
      </apn>
      <apn value="plain.alpha">
        <plan type="prepaid"/>
        <password>only-password</password>
      </apn>
      <apn value="">
        <usage type="internet"/>
      </apn>
      <apn value="both.alpha">
        <usage type="mms"/>
        <usage type="internet"/>
        <username></username>
      </apn>
    </gsm>
  </provider>
  <provider>
    <name>Beta CDMA</name>
    <cdma><sid value="1"/></cdma>
  </provider>
  <provider>
    <name>No network</name>
    <gsm><apn value="lost.apn"/></gsm>
  </provider>
</country>
<country code="fr">
  <provider>
    <name>Gamma &amp; Fils</name>
    <gsm>
      <network-id mcc="208" mnc="10"/>
      <apn value="caf&#233;.gamma"><username>&#233;t&#233;</username></apn>
    </gsm>
  </provider>
</country>
</serviceproviders>
)";

TEST(ProviderDatabaseBuild, KeepsInternetAccessPointsWithTheirOperatorNumbers) {
    std::string xml, error;
    ProviderDatabaseStats stats;
    ASSERT_TRUE(providers_xml_from_serviceproviders(kServiceProviders, &xml, &stats, &error)) << error;
    EXPECT_EQ(stats.access_points, 4u);
    EXPECT_EQ(stats.skipped, 3u) << "mms only, no value, no network";
    // mcc 262 + mnc "01" -> 26201 and + "001" -> 262001; the repeat and the non-numeric mnc are
    // left out; "Login" and "Password" only when given, trimmed; texts in code page 1252.
    EXPECT_EQ(xml,
              "<?xml version=\"1.0\"?>\n"
              "<providers>\n"
              "  <provider ID=\"26201, 262001\" APN=\"web.alpha\" Login=\"alpha\" Password=\"pw\" />\n"
              "  <provider ID=\"26201, 262001\" APN=\"plain.alpha\" Password=\"only-password\" />\n"
              "  <provider ID=\"26201, 262001\" APN=\"both.alpha\" />\n"
              "  <provider ID=\"20810\" APN=\"caf\xE9.gamma\" Login=\"\xE9t\xE9\" />\n"
              "</providers>\n");
}

TEST(ProviderDatabaseBuild, RefusesWhatIsNotTheFormat) {
    std::string xml = "untouched", error;
    EXPECT_FALSE(providers_xml_from_serviceproviders("<serviceproviders><country>", &xml, nullptr, &error));
    EXPECT_NE(error.find("XML"), std::string::npos) << error;
    EXPECT_FALSE(providers_xml_from_serviceproviders("<providers/>", &xml, nullptr, &error));
    EXPECT_EQ(error, "no serviceproviders element");
    EXPECT_EQ(xml, "untouched");
}

class ProviderDatabaseFile : public ProvidersTest {};

TEST_F(ProviderDatabaseFile, WrittenDatabaseIsFoundByTheLookup) {
    std::string xml;
    ASSERT_TRUE(providers_xml_from_serviceproviders(kServiceProviders, &xml, nullptr, nullptr));
    cProviderSettingsXML settings;
    ASSERT_TRUE(settings.Initialize(database("providers.bin", xml).c_str()));
    sProvider p;
    ASSERT_TRUE(settings.FindAPN(262001, &p));
    ASSERT_EQ(p.GetSize(), 3);
    EXPECT_EQ(p.m_Accounts[0].m_szUserName, "alpha");
    EXPECT_EQ(p.m_Accounts[1].m_szPassword, "only-password");
    sProvider f;
    ASSERT_TRUE(settings.FindAPN(20810, &f));
    EXPECT_EQ(f.m_Accounts[0].m_szAPN, "caf\xE9.gamma");

    EXPECT_EQ(qel::dialup::write_provider_database(file("no/folder/providers.bin"), xml), ERROR_PATH_NOT_FOUND);
}

TEST_F(ProviderDatabaseFile, PublicListFindsWellKnownOperators) {
    if (!std::filesystem::exists(kPublicList)) GTEST_SKIP() << "no public operator list at " << kPublicList;
    ProviderDatabaseStats stats;
    std::string xml, error;
    ASSERT_TRUE(providers_xml_from_serviceproviders(read_file(kPublicList), &xml, &stats, &error)) << error;
    EXPECT_GT(stats.access_points, 500u);
    cProviderSettingsXML settings;
    ASSERT_TRUE(settings.Initialize(database("providers.bin", xml).c_str()));
    // Germany 262 01, the UK 234 15, France 208 01, the US 310 410 (three-digit mnc).
    for (std::int32_t id : {26201, 23415, 20801, 310410}) {
        SCOPED_TRACE(id);
        sProvider p;
        EXPECT_TRUE(settings.FindAPN(id, &p));
    }
    sProvider none;
    EXPECT_FALSE(settings.FindAPN(99999, &none));
}

}  // namespace
}  // namespace qel::test
