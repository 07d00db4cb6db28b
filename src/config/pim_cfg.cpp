#include "config/pim_cfg.h"

#include "config/install_cfg.h"
#include "config/record_table.h"
#include "config/reg_key.h"
#include "config/registry_view.h"

using namespace qel::config;

namespace {

// Deletes `name` under HKEY_CURRENT_USER `path` with everything below it.
bool DeleteTree(const char16_t* path, const char16_t* name) {
    BtRegKey parent;
    if (parent.Open(HKEY_CURRENT_USER, path, CfgAccess(KEY_READ | KEY_WRITE)) != ERROR_SUCCESS) return false;
    return qel::platform::reg_delete_tree(parent, name) == ERROR_SUCCESS;
}

}  // namespace

// ---- CBTPimCfg

CBTPimCfg::CBTPimCfg() : CBTCfg(u"Pims", kBTConfigPath) {}

namespace {
const RecordRow<CBTPimCfg> kPimCfgRows[] = {
    {u"BusinessCards", &CBTPimCfg::m_dwBusinessCards},
    {u"CalendarItems", &CBTPimCfg::m_dwCalendarItems},
    {u"Notes", &CBTPimCfg::m_dwNotes},
    {u"EmailMessages", &CBTPimCfg::m_dwEmailMessages},
    {u"SendEmailAttachments", &CBTPimCfg::m_dwSendEmailAttachments},
    {u"ReceiveEmailAttachments", &CBTPimCfg::m_dwReceiveEmailAttachments},
    {u"PromptWhenChanged", &CBTPimCfg::m_dwPromptWhenChanged},
    {u"AlertWhenNewPIM", &CBTPimCfg::m_dwAlertWhenNewPIM},
};
}  // namespace

QEL_CFG_ROOT_TABLE_METHODS(CBTPimCfg, kPimCfgRows)

// ---- CBTInstalledPimCfg

CBTInstalledPimCfg::CBTInstalledPimCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kInstalledPimsPath) {}

CBTInstalledPimCfg::CBTInstalledPimCfg(int nPimNumber) : CBTInstalledPimCfg(nullptr) {
    m_dwPimNumber = static_cast<DWORD>(nPimNumber);
}

LONG CBTInstalledPimCfg::Save() {
    if (m_szKeyName[0] == u'\0') SetKeyName(NumberKeyName(m_dwPimNumber, false).c_str());
    return CBTCfg::Save();
}

namespace {
const RecordRow<CBTInstalledPimCfg> kInstalledPimCfgRows[] = {
    {u"Notes", &CBTInstalledPimCfg::m_dwNotes},
    {u"EmailMessages", &CBTInstalledPimCfg::m_dwEmailMessages},
    {u"CalendarItems", &CBTInstalledPimCfg::m_dwCalendarItems},
    {u"BusinessCards", &CBTInstalledPimCfg::m_dwBusinessCards},
    {u"Name", &CBTInstalledPimCfg::m_szName, MAX_PATH},
    {u"ContactFolderName", &CBTInstalledPimCfg::m_szContactFolderName, CBTInstalledPimCfg::kFolderNameChars},
    {u"EmailFolderName", &CBTInstalledPimCfg::m_szEmailFolderName, CBTInstalledPimCfg::kFolderNameChars},
    {u"CalendarFolderName", &CBTInstalledPimCfg::m_szCalendarFolderName, CBTInstalledPimCfg::kFolderNameChars},
    {u"NotesFolderName", &CBTInstalledPimCfg::m_szNotesFolderName, CBTInstalledPimCfg::kFolderNameChars},
    {u"OldContactFolderName", &CBTInstalledPimCfg::m_szOldContactFolderName, CBTInstalledPimCfg::kFolderNameChars},
    {u"OldEmailFolderName", &CBTInstalledPimCfg::m_szOldEmailFolderName, CBTInstalledPimCfg::kFolderNameChars},
    {u"OldCalendarFolderName", &CBTInstalledPimCfg::m_szOldCalendarFolderName, CBTInstalledPimCfg::kFolderNameChars},
    {u"OldNotesFolderName", &CBTInstalledPimCfg::m_szOldNotesFolderName, CBTInstalledPimCfg::kFolderNameChars},
    {u"ContactFolderPath", &CBTInstalledPimCfg::m_szContactFolderPath, CBTInstalledPimCfg::kFolderPathChars},
    {u"EmailFolderPath", &CBTInstalledPimCfg::m_szEmailFolderPath, CBTInstalledPimCfg::kFolderPathChars},
    {u"CalendarFolderPath", &CBTInstalledPimCfg::m_szCalendarFolderPath, CBTInstalledPimCfg::kFolderPathChars},
    {u"NotesFolderPath", &CBTInstalledPimCfg::m_szNotesFolderPath, CBTInstalledPimCfg::kFolderPathChars},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTInstalledPimCfg, kInstalledPimCfgRows)

bool CBTInstalledPimCfg::DeleteAll() {
    return DeleteTree(kPimsPath, u"Installed");
}

// ---- CBTBusinessCardCfg

CBTBusinessCardCfg::CBTBusinessCardCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kBusinessCardsPath) {}

CBTBusinessCardCfg::CBTBusinessCardCfg(int nCardNumber) : CBTBusinessCardCfg(nullptr) {
    m_dwCardNumber = static_cast<DWORD>(nCardNumber);
}

LONG CBTBusinessCardCfg::Save() {
    if (m_szKeyName[0] == u'\0') SetKeyName(NumberKeyName(m_dwCardNumber, true).c_str());
    return CBTCfg::Save();
}

namespace {
const RecordRow<CBTBusinessCardCfg> kBusinessCardCfgRows[] = {
    {u"PimID", &CBTBusinessCardCfg::m_dwPimID},
    {u"BusinessCardID", &CBTBusinessCardCfg::m_szBusinessCardID, MAX_PATH},
    {u"Name", &CBTBusinessCardCfg::m_szName, MAX_PATH},
    {u"Info", &CBTBusinessCardCfg::m_szInfo, CBTBusinessCardCfg::kInfoChars},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTBusinessCardCfg, kBusinessCardCfgRows)

bool CBTBusinessCardCfg::DeleteAll() {
    return DeleteTree(kBTConfigPath, u"BusinessCards");
}

// ---- CNotificationSoundsCfg

CNotificationSoundsCfg::CNotificationSoundsCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kNotificationsPath) {}

void CNotificationSoundsCfg::GetAll(HKEY hKey) {
    m_szString.clear();
    get_text(hKey, u"String", m_szString, MAX_PATH);
    get_dword(hKey, u"ItemData", m_dwItemData);
    get_dword(hKey, u"Notify", m_dwNotify);
}

void CNotificationSoundsCfg::PutAll(HKEY hKey) {
    put_text(hKey, u"String", m_szString, MAX_PATH);
    put_dword(hKey, u"ItemData", m_dwItemData);
    put_dword(hKey, u"Notify", m_dwNotify);
    put_text(hKey, u"Name", m_szName, MAX_PATH);
}
