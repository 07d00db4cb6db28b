// The desktop PIM records under the current user: the PIM settings (CBTPimCfg,
// "BTConfig\Pims"), the PIMs installed for synchronisation (CBTInstalledPimCfg, "%d" of the PIM
// number under "BTConfig\Pims\Installed"), saved business cards (CBTBusinessCardCfg, "%04d" of
// the card number under "BTConfig\BusinessCards") and notification sounds
// (CNotificationSoundsCfg, one key per event under "BTConfig\Notifications").
//
// Promises: as cfg_base.h. The numbered records name their key from their number at Save when
// the name is empty; DeleteAll removes a whole tree in one step.
#pragma once

#include <string>

#include "config/cfg_base.h"
#include "config/record_slots.h"
#include "platform/win32.h"

inline constexpr char16_t kPimsPath[] = u"Software\\Quorlan\\BTConfig\\Pims";
inline constexpr char16_t kBusinessCardsPath[] = u"Software\\Quorlan\\BTConfig\\BusinessCards";
inline constexpr char16_t kNotificationsPath[] = u"Software\\Quorlan\\BTConfig\\Notifications";

class CBTPimCfg : public CBTCfg {
public:
    CBTPimCfg();
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    // Compares and copies all eight values.
    QEL_CFG_COMPARISON_SLOTS(CBTPimCfg, CBTCfg)

    DWORD m_dwBusinessCards = 0;
    DWORD m_dwCalendarItems = 0;
    DWORD m_dwNotes = 0;
    DWORD m_dwEmailMessages = 0;
    DWORD m_dwSendEmailAttachments = 0;
    DWORD m_dwReceiveEmailAttachments = 0;
    DWORD m_dwPromptWhenChanged = 1;
    DWORD m_dwAlertWhenNewPIM = 0;
};

class CBTInstalledPimCfg : public CBTCfg {
public:
    static constexpr std::size_t kFolderNameChars = 1024;
    static constexpr std::size_t kFolderPathChars = 2048;

    explicit CBTInstalledPimCfg(const char16_t* szKeyName = nullptr);
    explicit CBTInstalledPimCfg(int nPimNumber);
    // Names the key "%d" of m_dwPimNumber when the name is empty, then saves.
    LONG Save() override;
    using CBTCfg::Save;
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    // Deletes "Installed" under "Software\Quorlan\BTConfig\Pims" with everything in it; true on
    // success.
    static bool DeleteAll();

    DWORD m_dwPimNumber = 0;  // not stored: the key name says it
    DWORD m_dwNotes = 0;
    DWORD m_dwEmailMessages = 0;
    DWORD m_dwCalendarItems = 0;
    DWORD m_dwBusinessCards = 0;
    std::u16string m_szName;                   // 260
    std::u16string m_szContactFolderName;      // 1024 each
    std::u16string m_szEmailFolderName;
    std::u16string m_szCalendarFolderName;
    std::u16string m_szNotesFolderName;
    std::u16string m_szOldContactFolderName;
    std::u16string m_szOldEmailFolderName;
    std::u16string m_szOldCalendarFolderName;
    std::u16string m_szOldNotesFolderName;
    std::u16string m_szContactFolderPath;      // 2048 each
    std::u16string m_szEmailFolderPath;
    std::u16string m_szCalendarFolderPath;
    std::u16string m_szNotesFolderPath;
};

class CBTBusinessCardCfg : public CBTCfg {
public:
    static constexpr std::size_t kInfoChars = 1300;

    explicit CBTBusinessCardCfg(const char16_t* szKeyName = nullptr);
    explicit CBTBusinessCardCfg(int nCardNumber);
    // Names the key "%04d" of m_dwCardNumber when the name is empty, then saves.
    LONG Save() override;
    using CBTCfg::Save;
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    // Deletes "BusinessCards" under "Software\Quorlan\BTConfig" with everything in it; true on
    // success.
    static bool DeleteAll();

    DWORD m_dwCardNumber = 0;         // not stored: the key name says it
    DWORD m_dwPimID = 0;              // "PimID"
    std::u16string m_szBusinessCardID;// "BusinessCardID"
    std::u16string m_szName;          // "Name"
    std::u16string m_szInfo;          // "Info", 1300
};

class CNotificationSoundsCfg : public CBTCfg {
public:
    explicit CNotificationSoundsCfg(const char16_t* szKeyName = nullptr);
    // "String" (empty when missing or empty, whatever the field held), "ItemData", "Notify".
    void GetAll(HKEY hKey) override;
    // The same three, then "Name" from m_szName (which GetAll does not read back).
    void PutAll(HKEY hKey) override;

    std::u16string m_szString;  // "String"
    DWORD m_dwItemData = 0;     // "ItemData"
    DWORD m_dwNotify = 0;       // "Notify"
    std::u16string m_szName;    // "Name", written only
};
