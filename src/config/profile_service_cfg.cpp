#include "config/profile_service_cfg.h"

#include "config/record_values.h"

using namespace qel::config;

// ---- Serial port

void CBTSPPServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_dword(hKey, u"ComPortNumber", m_dwComPortNumber);
    get_dword(hKey, u"UserInstalled", m_dwUserInstalled);
}

void CBTSPPServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_dword(hKey, u"ComPortNumber", m_dwComPortNumber);
    put_dword(hKey, u"UserInstalled", m_dwUserInstalled);
}

bool CBTSPPServiceCfg::IsEqualCfg(const CBTSPPServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_dwComPortNumber == other.m_dwComPortNumber &&
           m_dwUserInstalled == other.m_dwUserInstalled;
}

void CBTSPPServiceCfg::CopyCfg(const CBTSPPServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_dwComPortNumber = other.m_dwComPortNumber;
    m_dwUserInstalled = other.m_dwUserInstalled;
}

// ---- Dial-up networking

void CBTDUNServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_dword(hKey, u"ModemComPortNumber", m_dwModemComPortNumber);
    get_dword(hKey, u"FlowControl", m_dwFlowControl);
    get_dword(hKey, u"Baudrate", m_dwBaudrate);
}

void CBTDUNServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_dword(hKey, u"ModemComPortNumber", m_dwModemComPortNumber);
    put_dword(hKey, u"FlowControl", m_dwFlowControl);
    put_dword(hKey, u"Baudrate", m_dwBaudrate);
}

bool CBTDUNServiceCfg::IsEqualCfg(const CBTDUNServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_dwModemComPortNumber == other.m_dwModemComPortNumber &&
           m_dwFlowControl == other.m_dwFlowControl && m_dwBaudrate == other.m_dwBaudrate;
}

void CBTDUNServiceCfg::CopyCfg(const CBTDUNServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_dwModemComPortNumber = other.m_dwModemComPortNumber;
    m_dwFlowControl = other.m_dwFlowControl;
    m_dwBaudrate = other.m_dwBaudrate;
}

// ---- Fax

void CBTFAXServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_dword(hKey, u"ModemComPortNumber", m_dwModemComPortNumber);
    get_dword(hKey, u"FlowControl", m_dwFlowControl);
    get_dword(hKey, u"BaudRate", m_dwBaudRate);
}

void CBTFAXServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_dword(hKey, u"ModemComPortNumber", m_dwModemComPortNumber);
    put_dword(hKey, u"FlowControl", m_dwFlowControl);
    put_dword(hKey, u"BaudRate", m_dwBaudRate);
}

bool CBTFAXServiceCfg::IsEqualCfg(const CBTFAXServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_dwModemComPortNumber == other.m_dwModemComPortNumber &&
           m_dwFlowControl == other.m_dwFlowControl && m_dwBaudRate == other.m_dwBaudRate;
}

void CBTFAXServiceCfg::CopyCfg(const CBTFAXServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_dwModemComPortNumber = other.m_dwModemComPortNumber;
    m_dwFlowControl = other.m_dwFlowControl;
    m_dwBaudRate = other.m_dwBaudRate;
}

// ---- LAN access

void CBTLAPServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_dword(hKey, u"NetworkMode", m_dwNetworkMode);
    get_text(hKey, u"NetworkAccessDescription", m_szNetworkAccessDescription, kNetworkAccessDescriptionChars);
}

void CBTLAPServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_dword(hKey, u"NetworkMode", m_dwNetworkMode);
    put_text(hKey, u"NetworkAccessDescription", m_szNetworkAccessDescription, kNetworkAccessDescriptionChars);
}

bool CBTLAPServiceCfg::IsEqualCfg(const CBTLAPServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_dwNetworkMode == other.m_dwNetworkMode &&
           m_szNetworkAccessDescription == other.m_szNetworkAccessDescription;
}

void CBTLAPServiceCfg::CopyCfg(const CBTLAPServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_dwNetworkMode = other.m_dwNetworkMode;
    m_szNetworkAccessDescription = other.m_szNetworkAccessDescription;
}

// ---- File transfer

void CBTFTPServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_text(hKey, u"Root", m_szRoot, kCfgTextChars);
    get_dword(hKey, u"FlistFormat", m_dwFlistFormat);
    get_dword(hKey, u"DenyHiddenAccess", m_dwDenyHiddenAccess);
    get_dword(hKey, u"DenyReadOnlyAccess", m_dwDenyReadOnlyAccess);
}

void CBTFTPServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_text(hKey, u"Root", m_szRoot, kCfgTextChars);
    put_dword(hKey, u"DenyHiddenAccess", m_dwDenyHiddenAccess);
    put_dword(hKey, u"DenyReadOnlyAccess", m_dwDenyReadOnlyAccess);
}

bool CBTFTPServiceCfg::IsEqualCfg(const CBTFTPServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_szRoot == other.m_szRoot &&
           m_dwFlistFormat == other.m_dwFlistFormat && m_dwDenyHiddenAccess == other.m_dwDenyHiddenAccess &&
           m_dwDenyReadOnlyAccess == other.m_dwDenyReadOnlyAccess;
}

void CBTFTPServiceCfg::CopyCfg(const CBTFTPServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_szRoot = other.m_szRoot;
    m_dwFlistFormat = other.m_dwFlistFormat;
    m_dwDenyHiddenAccess = other.m_dwDenyHiddenAccess;
    m_dwDenyReadOnlyAccess = other.m_dwDenyReadOnlyAccess;
}

// ---- Object push

void CBTOPPServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_text(hKey, u"DefaultBusinessCard", m_szDefaultBusinessCard, kDefaultBusinessCardChars);
    get_text(hKey, u"InboxDirectory", m_szInboxDirectory, kCfgTextChars);
    get_dword(hKey, u"AcceptBusinessCards", m_dwAcceptBusinessCards);
    get_dword(hKey, u"AcceptCalendarItems", m_dwAcceptCalendarItems);
    get_dword(hKey, u"AcceptEmailMessages", m_dwAcceptEmailMessages);
    get_dword(hKey, u"AcceptNotes", m_dwAcceptNotes);
    get_dword(hKey, u"AcceptOther", m_dwAcceptOther);
    get_dword(hKey, u"SendBusinessCardOnRequest", m_dwSendBusinessCardOnRequest);
}

void CBTOPPServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_text(hKey, u"DefaultBusinessCard", m_szDefaultBusinessCard, kDefaultBusinessCardChars);
    put_text(hKey, u"InboxDirectory", m_szInboxDirectory, kCfgTextChars);
    put_dword(hKey, u"AcceptBusinessCards", m_dwAcceptBusinessCards);
    put_dword(hKey, u"AcceptCalendarItems", m_dwAcceptCalendarItems);
    put_dword(hKey, u"AcceptEmailMessages", m_dwAcceptEmailMessages);
    put_dword(hKey, u"AcceptNotes", m_dwAcceptNotes);
    put_dword(hKey, u"AcceptOther", m_dwAcceptOther);
    put_dword(hKey, u"SendBusinessCardOnRequest", m_dwSendBusinessCardOnRequest);
}

bool CBTOPPServiceCfg::IsEqualCfg(const CBTOPPServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_szDefaultBusinessCard == other.m_szDefaultBusinessCard &&
           m_szInboxDirectory == other.m_szInboxDirectory && m_dwAcceptNotes == other.m_dwAcceptNotes &&
           m_dwAcceptEmailMessages == other.m_dwAcceptEmailMessages &&
           m_dwAcceptCalendarItems == other.m_dwAcceptCalendarItems &&
           m_dwAcceptBusinessCards == other.m_dwAcceptBusinessCards && m_dwAcceptOther == other.m_dwAcceptOther &&
           m_dwSendBusinessCardOnRequest == other.m_dwSendBusinessCardOnRequest;
}

void CBTOPPServiceCfg::CopyCfg(const CBTOPPServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_szDefaultBusinessCard = other.m_szDefaultBusinessCard;
    m_szInboxDirectory = other.m_szInboxDirectory;
    m_dwAcceptNotes = other.m_dwAcceptNotes;
    m_dwAcceptEmailMessages = other.m_dwAcceptEmailMessages;
    m_dwAcceptCalendarItems = other.m_dwAcceptCalendarItems;
    m_dwAcceptBusinessCards = other.m_dwAcceptBusinessCards;
    m_dwAcceptOther = other.m_dwAcceptOther;
    m_dwSendBusinessCardOnRequest = other.m_dwSendBusinessCardOnRequest;
}

// ---- Synchronisation

void CBTSYNCServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_text(hKey, u"LocalStoreDirectory", m_szLocalStoreDirectory, kCfgTextChars);
    get_dword(hKey, u"SyncBusinessCards", m_dwSyncBusinessCards);
    get_dword(hKey, u"SyncCalendarItems", m_dwSyncCalendarItems);
    get_dword(hKey, u"SyncEmailMessages", m_dwSyncEmailMessages);
    get_dword(hKey, u"SyncNotes", m_dwSyncNotes);
}

void CBTSYNCServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_text(hKey, u"LocalStoreDirectory", m_szLocalStoreDirectory, kCfgTextChars);
    put_dword(hKey, u"SyncBusinessCards", m_dwSyncBusinessCards);
    put_dword(hKey, u"SyncCalendarItems", m_dwSyncCalendarItems);
    put_dword(hKey, u"SyncEmailMessages", m_dwSyncEmailMessages);
    put_dword(hKey, u"SyncNotes", m_dwSyncNotes);
}

bool CBTSYNCServiceCfg::IsEqualCfg(const CBTSYNCServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_szLocalStoreDirectory == other.m_szLocalStoreDirectory &&
           m_dwSyncNotes == other.m_dwSyncNotes && m_dwSyncEmailMessages == other.m_dwSyncEmailMessages &&
           m_dwSyncCalendarItems == other.m_dwSyncCalendarItems &&
           m_dwSyncBusinessCards == other.m_dwSyncBusinessCards;
}

void CBTSYNCServiceCfg::CopyCfg(const CBTSYNCServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_szLocalStoreDirectory = other.m_szLocalStoreDirectory;
    m_dwSyncNotes = other.m_dwSyncNotes;
    m_dwSyncEmailMessages = other.m_dwSyncEmailMessages;
    m_dwSyncCalendarItems = other.m_dwSyncCalendarItems;
    m_dwSyncBusinessCards = other.m_dwSyncBusinessCards;
}

// ---- Imaging

void CBTBIPServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_text(hKey, u"InboxDirectory", m_szInboxDirectory, kCfgTextChars);
}

void CBTBIPServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_text(hKey, u"InboxDirectory", m_szInboxDirectory, kCfgTextChars);
}

bool CBTBIPServiceCfg::IsEqualCfg(const CBTBIPServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_szInboxDirectory == other.m_szInboxDirectory;
}

void CBTBIPServiceCfg::CopyCfg(const CBTBIPServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_szInboxDirectory = other.m_szInboxDirectory;
}

// ---- Printing

void CBTPrintServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_text(hKey, u"PrinterName", m_szPrinterName, kCfgTextChars);
    get_text(hKey, u"TempDirectory", m_szTempDirectory, kCfgTextChars);
}

void CBTPrintServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_text(hKey, u"PrinterName", m_szPrinterName, kCfgTextChars);
    put_text(hKey, u"TempDirectory", m_szTempDirectory, kCfgTextChars);
}

bool CBTPrintServiceCfg::IsEqualCfg(const CBTPrintServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_szPrinterName == other.m_szPrinterName &&
           m_szTempDirectory == other.m_szTempDirectory;
}

void CBTPrintServiceCfg::CopyCfg(const CBTPrintServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_szPrinterName = other.m_szPrinterName;
    m_szTempDirectory = other.m_szTempDirectory;
}

// ---- Headset

void CBTHSPServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_text(hKey, u"HfpName", m_szHfpName, kCfgTextChars);
    get_text(hKey, u"AvName", m_szAvName, kCfgTextChars);
    get_dword(hKey, u"SendCkpdToDisconnect", m_dwSendCkpdToDisconnect);
}

void CBTHSPServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_text(hKey, u"HfpName", m_szHfpName, kCfgTextChars);
    put_text(hKey, u"AvName", m_szAvName, kCfgTextChars);
    put_dword(hKey, u"SendCkpdToDisconnect", m_dwSendCkpdToDisconnect);
}

// ---- Headset audio gateway

void CBTHAGServiceCfg::GetAll(HKEY hKey) {
    CBTServiceCfg::GetAll(hKey);
    get_bytes(hKey, u"BDAddress", m_bdAddress);
    get_dword(hKey, u"ConnectedUUID", m_dwConnectedUUID);
}

void CBTHAGServiceCfg::PutAll(HKEY hKey) {
    CBTServiceCfg::PutAll(hKey);
    put_bytes(hKey, u"BDAddress", m_bdAddress);
    put_dword(hKey, u"ConnectedUUID", m_dwConnectedUUID);
}

bool CBTHAGServiceCfg::IsEqualCfg(const CBTHAGServiceCfg& other) const {
    return CBTServiceCfg::IsEqualCfg(other) && m_bdAddress == other.m_bdAddress &&
           m_dwConnectedUUID == other.m_dwConnectedUUID;
}

void CBTHAGServiceCfg::CopyCfg(const CBTHAGServiceCfg& other) {
    CBTServiceCfg::CopyCfg(other);
    m_bdAddress = other.m_bdAddress;
    m_dwConnectedUUID = other.m_dwConnectedUUID;
}
