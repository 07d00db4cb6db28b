#include "config/pim_cfg.h"

#include "config/install_cfg.h"
#include "config/record_values.h"
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

void CBTPimCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"BusinessCards", m_dwBusinessCards);
    get_dword(hKey, u"CalendarItems", m_dwCalendarItems);
    get_dword(hKey, u"Notes", m_dwNotes);
    get_dword(hKey, u"EmailMessages", m_dwEmailMessages);
    get_dword(hKey, u"SendEmailAttachments", m_dwSendEmailAttachments);
    get_dword(hKey, u"ReceiveEmailAttachments", m_dwReceiveEmailAttachments);
    get_dword(hKey, u"PromptWhenChanged", m_dwPromptWhenChanged);
    get_dword(hKey, u"AlertWhenNewPIM", m_dwAlertWhenNewPIM);
}

void CBTPimCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"BusinessCards", m_dwBusinessCards);
    put_dword(hKey, u"CalendarItems", m_dwCalendarItems);
    put_dword(hKey, u"Notes", m_dwNotes);
    put_dword(hKey, u"EmailMessages", m_dwEmailMessages);
    put_dword(hKey, u"SendEmailAttachments", m_dwSendEmailAttachments);
    put_dword(hKey, u"ReceiveEmailAttachments", m_dwReceiveEmailAttachments);
    put_dword(hKey, u"PromptWhenChanged", m_dwPromptWhenChanged);
    put_dword(hKey, u"AlertWhenNewPIM", m_dwAlertWhenNewPIM);
}

bool CBTPimCfg::IsEqualCfg(const CBTPimCfg& other) const {
    return CBTCfg::IsEqualCfg(other) && m_dwBusinessCards == other.m_dwBusinessCards &&
           m_dwCalendarItems == other.m_dwCalendarItems && m_dwNotes == other.m_dwNotes &&
           m_dwEmailMessages == other.m_dwEmailMessages &&
           m_dwSendEmailAttachments == other.m_dwSendEmailAttachments &&
           m_dwReceiveEmailAttachments == other.m_dwReceiveEmailAttachments &&
           m_dwPromptWhenChanged == other.m_dwPromptWhenChanged && m_dwAlertWhenNewPIM == other.m_dwAlertWhenNewPIM;
}

void CBTPimCfg::CopyCfg(const CBTPimCfg& other) {
    CBTCfg::CopyCfg(other);
    m_dwBusinessCards = other.m_dwBusinessCards;
    m_dwCalendarItems = other.m_dwCalendarItems;
    m_dwNotes = other.m_dwNotes;
    m_dwEmailMessages = other.m_dwEmailMessages;
    m_dwSendEmailAttachments = other.m_dwSendEmailAttachments;
    m_dwReceiveEmailAttachments = other.m_dwReceiveEmailAttachments;
    m_dwPromptWhenChanged = other.m_dwPromptWhenChanged;
    m_dwAlertWhenNewPIM = other.m_dwAlertWhenNewPIM;
}

// ---- CBTInstalledPimCfg

CBTInstalledPimCfg::CBTInstalledPimCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kInstalledPimsPath) {}

CBTInstalledPimCfg::CBTInstalledPimCfg(int nPimNumber) : CBTInstalledPimCfg(nullptr) {
    m_dwPimNumber = static_cast<DWORD>(nPimNumber);
}

LONG CBTInstalledPimCfg::Save() {
    if (m_szKeyName[0] == u'\0') SetKeyName(NumberKeyName(m_dwPimNumber, false).c_str());
    return CBTCfg::Save();
}

void CBTInstalledPimCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"Notes", m_dwNotes);
    get_dword(hKey, u"EmailMessages", m_dwEmailMessages);
    get_dword(hKey, u"CalendarItems", m_dwCalendarItems);
    get_dword(hKey, u"BusinessCards", m_dwBusinessCards);
    get_text(hKey, u"Name", m_szName, MAX_PATH);
    get_text(hKey, u"ContactFolderName", m_szContactFolderName, kFolderNameChars);
    get_text(hKey, u"EmailFolderName", m_szEmailFolderName, kFolderNameChars);
    get_text(hKey, u"CalendarFolderName", m_szCalendarFolderName, kFolderNameChars);
    get_text(hKey, u"NotesFolderName", m_szNotesFolderName, kFolderNameChars);
    get_text(hKey, u"OldContactFolderName", m_szOldContactFolderName, kFolderNameChars);
    get_text(hKey, u"OldEmailFolderName", m_szOldEmailFolderName, kFolderNameChars);
    get_text(hKey, u"OldCalendarFolderName", m_szOldCalendarFolderName, kFolderNameChars);
    get_text(hKey, u"OldNotesFolderName", m_szOldNotesFolderName, kFolderNameChars);
    get_text(hKey, u"ContactFolderPath", m_szContactFolderPath, kFolderPathChars);
    get_text(hKey, u"EmailFolderPath", m_szEmailFolderPath, kFolderPathChars);
    get_text(hKey, u"CalendarFolderPath", m_szCalendarFolderPath, kFolderPathChars);
    get_text(hKey, u"NotesFolderPath", m_szNotesFolderPath, kFolderPathChars);
}

void CBTInstalledPimCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"Notes", m_dwNotes);
    put_dword(hKey, u"EmailMessages", m_dwEmailMessages);
    put_dword(hKey, u"CalendarItems", m_dwCalendarItems);
    put_dword(hKey, u"BusinessCards", m_dwBusinessCards);
    put_text(hKey, u"Name", m_szName, MAX_PATH);
    put_text(hKey, u"ContactFolderName", m_szContactFolderName, kFolderNameChars);
    put_text(hKey, u"EmailFolderName", m_szEmailFolderName, kFolderNameChars);
    put_text(hKey, u"CalendarFolderName", m_szCalendarFolderName, kFolderNameChars);
    put_text(hKey, u"NotesFolderName", m_szNotesFolderName, kFolderNameChars);
    put_text(hKey, u"OldContactFolderName", m_szOldContactFolderName, kFolderNameChars);
    put_text(hKey, u"OldEmailFolderName", m_szOldEmailFolderName, kFolderNameChars);
    put_text(hKey, u"OldCalendarFolderName", m_szOldCalendarFolderName, kFolderNameChars);
    put_text(hKey, u"OldNotesFolderName", m_szOldNotesFolderName, kFolderNameChars);
    put_text(hKey, u"ContactFolderPath", m_szContactFolderPath, kFolderPathChars);
    put_text(hKey, u"EmailFolderPath", m_szEmailFolderPath, kFolderPathChars);
    put_text(hKey, u"CalendarFolderPath", m_szCalendarFolderPath, kFolderPathChars);
    put_text(hKey, u"NotesFolderPath", m_szNotesFolderPath, kFolderPathChars);
}

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

void CBTBusinessCardCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"PimID", m_dwPimID);
    get_text(hKey, u"BusinessCardID", m_szBusinessCardID, MAX_PATH);
    get_text(hKey, u"Name", m_szName, MAX_PATH);
    get_text(hKey, u"Info", m_szInfo, kInfoChars);
}

void CBTBusinessCardCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"PimID", m_dwPimID);
    put_text(hKey, u"BusinessCardID", m_szBusinessCardID, MAX_PATH);
    put_text(hKey, u"Name", m_szName, MAX_PATH);
    put_text(hKey, u"Info", m_szInfo, kInfoChars);
}

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
