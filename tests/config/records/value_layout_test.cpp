// The values each record writes, by name and in order, for the records no other test lays out:
// other programs read these keys by those names, and a renamed, dropped or added value (a read-only
// one written, say) breaks them.
#include <functional>

#include "config/autoconnect_cfg.h"
#include "config/connect_settings_cfg.h"
#include "config/install_cfg.h"
#include "config/pim_cfg.h"
#include "records_test_util.h"

namespace qel::test {
namespace {

using Names = std::vector<std::u16string>;

// Saves a fresh record and answers the value names of the key it wrote.
template <class Record>
Names saved_names(Record record) {
    EXPECT_EQ(record.Save(), ERROR_SUCCESS);
    return value_names(record.GetBaseKey(), std::u16string(record.GetKeyPath()) + u"\\" + record.GetKeyName());
}

struct Layout {
    const char* record;
    std::function<Names()> save;
    Names names;
};

const Layout kLayouts[] = {
    {"Connect", [] { return saved_names(CBTConnectCfg()); },
     {u"WhoAllowedToConnect", u"AllowOthersToDiscover", u"InquiryScanMode"}},
    {"Inquiry", [] { return saved_names(CBTInquiryCfg()); },
     {u"UseInquiryFilters", u"InquiryMode", u"PeriodicInquiry", u"PeriodicInquiryRetryTime", u"AutoDiscovery",
      u"ReportNotNamedDevices"}},
    {"ConnectFilter", [] { return saved_names(CBTConnectFilterCfg(u"0001")); },
     {u"BdAddr", u"BdName", u"MajorClass", u"MinorClass"}},
    {"InquiryFilter", [] { return saved_names(CBTInquiryFilterCfg(u"0001")); },
     {u"Type", u"BdAddr", u"BdName", u"MajorClass", u"MinorClass"}},
    {"Pim", [] { return saved_names(CBTPimCfg()); },
     {u"BusinessCards", u"CalendarItems", u"Notes", u"EmailMessages", u"SendEmailAttachments",
      u"ReceiveEmailAttachments", u"PromptWhenChanged", u"AlertWhenNewPIM"}},
    {"InstalledPim", [] { return saved_names(CBTInstalledPimCfg(1)); },
     {u"Notes", u"EmailMessages", u"CalendarItems", u"BusinessCards", u"Name", u"ContactFolderName",
      u"EmailFolderName", u"CalendarFolderName", u"NotesFolderName", u"OldContactFolderName",
      u"OldEmailFolderName", u"OldCalendarFolderName", u"OldNotesFolderName", u"ContactFolderPath",
      u"EmailFolderPath", u"CalendarFolderPath", u"NotesFolderPath"}},
    {"BusinessCard", [] { return saved_names(CBTBusinessCardCfg(1)); },
     {u"PimID", u"BusinessCardID", u"Name", u"Info"}},
    {"InstallSendTo", [] { return saved_names(CBTInstallSendToCfg()); },
     {u"InstallSendToExplorer", u"InstallSendToIE", u"InstallSendToNotes", u"InstallSendToOffice",
      u"InstallSendToWAB"}},
    {"SendTo", [] { return saved_names(CBTSendToCfg(u"Outlook")); }, {u"Installed"}},
    {"SendToIExplorer", [] { return saved_names(CBTSendToIExplorerCfg()); },
     {u"Installed", u"SendPictures", u"PromptForPictures"}},
    {"CustomApps", [] { return saved_names(CBTCustomAppsCfg(u"1")); }, {u"AppMenu", u"AppName", u"AppPath"}},
    {"HWPort", [] { return saved_names(CBTHWPortCfg(3)); }, {u"RefCount", u"HwPort"}},
    {"AutoConnect", [] { return saved_names(CBTAutoConnect(7)); },
     {u"ServiceName", u"BDAddress", u"BDDevClass", u"BDName", u"UUID", u"SecurityID", u"SecurityLevel", u"MTU",
      u"ClassID"}},
    {"Component", [] { return saved_names(CBTComponentCfg(u"Stack")); }, {u"Flags", u"Dir"}},
};

using ValueLayoutTest = RecordsTest;

TEST_F(ValueLayoutTest, EveryRecordWritesItsValuesByNameInOrder) {
    for (const Layout& layout : kLayouts) EXPECT_EQ(layout.save(), layout.names) << layout.record;
}

}  // namespace
}  // namespace qel::test
