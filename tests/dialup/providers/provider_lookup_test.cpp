// Looking operators up in an enciphered database: accounts in document order, elements skipped
// one by one, the results of a database that is missing, not enciphered, tampered or malformed,
// the code page of the texts, and where Initialize looks for the file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "config/install_cfg.h"
#include "dialup/providers/provider_settings.h"
#include "dialup/providers/provider_xml.h"
#include "pim/cipher/data_cipher.h"
#include "platform/crypto/crypto.h"
#include "platform/debug_stream.h"
#include "platform/registry/registry.h"
#include "providers_test_util.h"
#include "trace/qel_trace.h"

namespace qel::test {
namespace {

constexpr char kSample[] = R"(<?xml version="1.0"?>
<!-- operators of the tests -->
<Providers>
  <comment>not a provider</comment>
  <provider ID="262010, 262011 262012" APN="internet" Login="user" Password="secret"/>
  <provider ID="26201" APN="web.five"/>
  <PROVIDER ID="262011" APN="second.apn" Login="" />
  <provider ID="262011" Login="login-without-apn"/>
  <provider APN="apn-without-id"/>
  <provider ID="262011" apn="lower-case-attribute"/>
  <provider ID="23415" APN="" />
  <provider ID="23415" APN="M&#252;ller" Login="&#20013;"/>
</Providers>
)";

std::string apns(const sProvider& p) {
    std::string out;
    for (const auto& a : p.m_Accounts) out += a.m_szAPN + "|" + a.m_szUserName + "|" + a.m_szPassword + ";";
    return out;
}

TEST(SProvider, AddClearAndIndexes) {
    sProvider p;
    EXPECT_FALSE(p.Add(nullptr, "u", "p"));
    EXPECT_FALSE(p.Add("", "u", "p"));
    EXPECT_EQ(p.GetSize(), 0);
    EXPECT_TRUE(p.Add("internet", nullptr, nullptr));
    EXPECT_TRUE(p.Add("wap.example", "user", "pw"));
    EXPECT_EQ(apns(p), "internet||;wap.example|user|pw;");
    EXPECT_STREQ(p.getNameByIndex(1), "wap.example");
    EXPECT_EQ(p.getNameByIndex(2), nullptr);
    EXPECT_EQ(p.getNameByIndex(-1), nullptr);
    EXPECT_EQ(p.getIndexByName("Internet"), 0);
    EXPECT_EQ(p.getIndexByName("WAP.EXAMPLE"), 1);
    EXPECT_EQ(p.getIndexByName("intern"), -1);
    EXPECT_EQ(p.getIndexByName(nullptr), -1);
    p.m_nProviderID = 26201;
    p.Clear();
    EXPECT_EQ(p.m_nProviderID, 0);
    EXPECT_EQ(p.GetSize(), 0);
}

class ProviderLookup : public ProvidersTest {};

TEST_F(ProviderLookup, EveryMatchingElementGivesOneAccountInDocumentOrder) {
    cProviderSettingsXML settings;
    ASSERT_TRUE(settings.Initialize(database("providers.bin", kSample).c_str()));
    sProvider p;
    ASSERT_TRUE(settings.FindAPN(262011, &p));
    EXPECT_EQ(p.m_nProviderID, 262011);
    // The Login-only element, the element without ID and the lower-case "apn" add nothing.
    EXPECT_EQ(apns(p), "internet|user|secret;second.apn||;");
    EXPECT_EQ(p.getIndexByName("Internet"), 0);

    // The five-digit entry is found under its own number only.
    sProvider five;
    ASSERT_TRUE(settings.FindAPN(26201, &five));
    EXPECT_EQ(apns(five), "web.five||;");
    sProvider six;
    EXPECT_FALSE(settings.FindAPN(262013, &six));
    EXPECT_EQ(six.GetSize(), 0);
    EXPECT_FALSE(settings.FindAPN(26201, nullptr));
}

TEST_F(ProviderLookup, FindAppendsToAccountsAlreadyThere) {
    cProviderSettingsXML settings;
    ASSERT_TRUE(settings.Initialize(database("providers.bin", kSample).c_str()));
    sProvider p;
    ASSERT_TRUE(settings.FindAPN(26201, &p));
    EXPECT_FALSE(settings.FindAPN(99999, &p)) << "true only when this lookup found accounts";
    ASSERT_TRUE(settings.FindAPN(262010, &p));
    EXPECT_EQ(apns(p), "web.five||;internet|user|secret;");
}

TEST_F(ProviderLookup, TextsComeBackInTheAnsiCodePage) {
    cProviderSettingsXML settings;
    ASSERT_TRUE(settings.Initialize(database("providers.bin", kSample).c_str()));
    sProvider p;
    ASSERT_TRUE(settings.FindAPN(23415, &p));
    ASSERT_EQ(p.GetSize(), 1) << "the empty APN adds nothing";
    EXPECT_EQ(p.m_Accounts[0].m_szAPN, "M\xFCller") << "code page 1252";
    EXPECT_EQ(p.m_Accounts[0].m_szUserName, "?") << "a character 1252 lacks";

    // The database itself is 8-bit text in the same code page.
    sProvider q;
    ASSERT_TRUE(settings.Initialize(
        database("latin.bin", "<providers><provider ID=\"1\" APN=\"caf\xE9\"/></providers>").c_str()));
    ASSERT_TRUE(settings.FindAPN(1, &q));
    EXPECT_EQ(q.m_Accounts[0].m_szAPN, "caf\xE9");
}

TEST_F(ProviderLookup, TextEndsAtTheFirstNul) {
    const std::string xml = std::string("<providers><provider ID=\"7\" APN=\"a\"/></providers>") + '\0' + "garbage<";
    sProvider p;
    EXPECT_EQ(_LoadXML_findAPN(database("nul.bin", xml).c_str(), 7, &p), 0);
    EXPECT_EQ(p.GetSize(), 1);
}

TEST_F(ProviderLookup, BrokenDatabasesGiveTheirResultsAndNoAccounts) {
    // Not enciphered: the plain document.
    const std::string plain = file("plain.bin").string();
    std::ofstream(plain) << kSample;
    // Tampered: one byte of the last block changed, so the padding no longer checks.
    const std::string tampered = database("tampered.bin", kSample);
    {
        std::fstream f(tampered, std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(-1, std::ios::end);
        const char last = static_cast<char>(f.get());
        f.seekp(-1, std::ios::end);
        f.put(static_cast<char>(last ^ 0x5A));
    }
    struct Case {
        const char* name;
        std::string path;
        HRESULT result;
    };
    const Case cases[] = {
        {"missing", file("none.bin").string(), static_cast<HRESULT>(0x80070002)},
        {"not enciphered", plain, static_cast<HRESULT>(NTE_BAD_DATA)},
        {"tampered", tampered, static_cast<HRESULT>(NTE_BAD_DATA)},
        {"malformed XML", database("malformed.bin", "<providers><provider ID=\"262011\" APN=\"x\">"), 1},
        {"empty document", database("empty.bin", ""), 1},
        {"no providers element", database("other.bin", "<operators><provider ID=\"262011\" APN=\"x\"/></operators>"),
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sProvider p;
        EXPECT_EQ(_LoadXML_findAPN(c.path.c_str(), 262011, &p), c.result);
        EXPECT_EQ(p.GetSize(), 0);
        cProviderSettingsXML settings;
        settings.Initialize(c.path.c_str());
        EXPECT_FALSE(settings.FindAPN(262011, &p));
    }
    sProvider p;
    EXPECT_EQ(_LoadXML_findAPN(tampered.c_str(), 1, nullptr), E_INVALIDARG);
    EXPECT_EQ(_LoadXML_findAPN(nullptr, 1, &p), E_INVALIDARG);
}

TEST_F(ProviderLookup, OpenXmlFileGivesTheDocumentOrNothing) {
    std::unique_ptr<pugi::xml_document> doc;
    ASSERT_EQ(openXmlFile(database("providers.bin", kSample).c_str(), &doc), 0);
    ASSERT_TRUE(doc);
    pugi::xml_node head;
    EXPECT_EQ(enumXmlChilds<pugi::xml_node>(*doc, &findHeadElement, &head), 1) << "the walk stops at the head";
    EXPECT_STREQ(head.name(), "Providers");
    sProvider p;
    p.m_nProviderID = 262012;
    EXPECT_EQ(enumXmlChilds<sProvider>(head, &findAPN, &p), 0) << "findAPN visits every child";
    EXPECT_EQ(apns(p), "internet|user|secret;");

    EXPECT_EQ(openXmlFile(database("bad.bin", "<providers>").c_str(), &doc), 1);
    EXPECT_FALSE(doc);
}

TEST_F(ProviderLookup, FailuresAreTracedWhenFacadeTracingIsOn) {
    {
        qel::platform::RegKey key;
        ASSERT_EQ(qel::platform::reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Debug",
                                                KEY_ALL_ACCESS, key.put(), nullptr),
                  ERROR_SUCCESS);
        const DWORD on = 1;
        ASSERT_EQ(qel::platform::reg_set_value(key.get(), u"app_trace_level", REG_DWORD,
                                               reinterpret_cast<const BYTE*>(&on), sizeof on),
                  ERROR_SUCCESS);
    }
    qel::trace::reset_facade_trace();
    qel::platform::DebugStreamCapture capture;
    sProvider p;
    _LoadXML_findAPN(file("none.bin").string().c_str(), 1, &p);
    _LoadXML_findAPN(database("providers.bin", kSample).c_str(), 1, &p);
    qel::trace::reset_facade_trace();
    EXPECT_TRUE(capture.contains("openXmlFile\n failed on line ")) << ::testing::PrintToString(capture.lines());
    EXPECT_TRUE(capture.contains("error=0x80070002"));
    EXPECT_TRUE(capture.contains("_LoadXML_findAPN\n breaks on line "));
    EXPECT_TRUE(capture.contains("openXmlFile\n OK"));
    EXPECT_TRUE(capture.contains("_LoadXML_findAPN\n OK"));
}

class ProviderInitialize : public ProvidersTest {
protected:
    void set_install_dir(const std::u16string& dir) {
        CBTInstallCfg cfg;
        cfg.m_szInstallDir = dir;
        ASSERT_EQ(cfg.Save(), ERROR_SUCCESS);
    }
    static std::u16string u16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
};

TEST_F(ProviderInitialize, GivenNameIsThePathWhetherOrNotItExists) {
    cProviderSettingsXML settings;
    EXPECT_FALSE(settings.Initialize(file("mine.bin").string().c_str()));
    EXPECT_EQ(settings.FileName(), file("mine.bin").string());
    database("mine.bin", kSample);
    EXPECT_TRUE(settings.Initialize(file("mine.bin").string().c_str()));

    const std::string long_name(600, 'a');
    EXPECT_FALSE(settings.Initialize(long_name.c_str()));
    EXPECT_EQ(settings.FileName().size(), cProviderSettingsXML::kMaxPathBytes);
}

TEST_F(ProviderInitialize, SystemDirectoryComesFirst) {
    std::filesystem::create_directories(file("install"));
    database("install/providers.bin", kSample);
    set_install_dir(u16(file("install").string() + "/"));
    database("system/providers.bin", kSample);
    cProviderSettingsXML settings;
    ASSERT_TRUE(settings.Initialize(""));
    EXPECT_EQ(settings.FileName(), file("system/providers.bin").string());
    ASSERT_TRUE(settings.Initialize(nullptr));
    EXPECT_EQ(settings.FileName(), file("system/providers.bin").string());
}

TEST_F(ProviderInitialize, InstallationFolderIsJoinedWithoutASeparator) {
    std::filesystem::create_directories(file("install"));
    database("install/providers.bin", kSample);
    cProviderSettingsXML settings;
    set_install_dir(u16(file("install").string() + "/"));
    ASSERT_TRUE(settings.Initialize(""));
    EXPECT_EQ(settings.FileName(), file("install").string() + "/providers.bin");
    sProvider p;
    EXPECT_TRUE(settings.FindAPN(26201, &p));

    set_install_dir(u16(file("install").string()));
    EXPECT_FALSE(settings.Initialize(""));
    EXPECT_EQ(settings.FileName(), file("install").string() + "providers.bin");
}

TEST_F(ProviderInitialize, NoDatabaseAnywhere) {
    cProviderSettingsXML settings;
    EXPECT_FALSE(settings.Initialize("")) << "no system file and no installation record";
    EXPECT_EQ(settings.FileName(), "providers.bin");
    sProvider p;
    EXPECT_FALSE(settings.FindAPN(26201, &p));
}

}  // namespace
}  // namespace qel::test
