#include "config/profile_service_cfg.h"

#include "config/record_table.h"

using namespace qel::config;

namespace {

constexpr std::size_t T = kCfgTextChars;

using SPP = CBTSPPServiceCfg;
const RecordRow<SPP> kSppRows[] = {
    {u"ComPortNumber", &SPP::m_dwComPortNumber},
    {u"UserInstalled", &SPP::m_dwUserInstalled},
};

using DUN = CBTDUNServiceCfg;
const RecordRow<DUN> kDunRows[] = {
    {u"ModemComPortNumber", &DUN::m_dwModemComPortNumber},
    {u"FlowControl", &DUN::m_dwFlowControl},
    {u"Baudrate", &DUN::m_dwBaudrate},
};

using FAX = CBTFAXServiceCfg;
const RecordRow<FAX> kFaxRows[] = {
    {u"ModemComPortNumber", &FAX::m_dwModemComPortNumber},
    {u"FlowControl", &FAX::m_dwFlowControl},
    {u"BaudRate", &FAX::m_dwBaudRate},
};

using LAP = CBTLAPServiceCfg;
const RecordRow<LAP> kLapRows[] = {
    {u"NetworkMode", &LAP::m_dwNetworkMode},
    {u"NetworkAccessDescription", &LAP::m_szNetworkAccessDescription, LAP::kNetworkAccessDescriptionChars},
};

using FTP = CBTFTPServiceCfg;
const RecordRow<FTP> kFtpRows[] = {
    {u"Root", &FTP::m_szRoot, T},
    {u"FlistFormat", &FTP::m_dwFlistFormat, 0, kRowCompareCopy},  // read only
    {u"DenyHiddenAccess", &FTP::m_dwDenyHiddenAccess},
    {u"DenyReadOnlyAccess", &FTP::m_dwDenyReadOnlyAccess},
};

using OPP = CBTOPPServiceCfg;
const RecordRow<OPP> kOppRows[] = {
    {u"DefaultBusinessCard", &OPP::m_szDefaultBusinessCard, OPP::kDefaultBusinessCardChars},
    {u"InboxDirectory", &OPP::m_szInboxDirectory, T},
    {u"AcceptBusinessCards", &OPP::m_dwAcceptBusinessCards},
    {u"AcceptCalendarItems", &OPP::m_dwAcceptCalendarItems},
    {u"AcceptEmailMessages", &OPP::m_dwAcceptEmailMessages},
    {u"AcceptNotes", &OPP::m_dwAcceptNotes},
    {u"AcceptOther", &OPP::m_dwAcceptOther},
    {u"SendBusinessCardOnRequest", &OPP::m_dwSendBusinessCardOnRequest},
};

using SYNC = CBTSYNCServiceCfg;
const RecordRow<SYNC> kSyncRows[] = {
    {u"LocalStoreDirectory", &SYNC::m_szLocalStoreDirectory, T},
    {u"SyncBusinessCards", &SYNC::m_dwSyncBusinessCards},
    {u"SyncCalendarItems", &SYNC::m_dwSyncCalendarItems},
    {u"SyncEmailMessages", &SYNC::m_dwSyncEmailMessages},
    {u"SyncNotes", &SYNC::m_dwSyncNotes},
};

using BIP = CBTBIPServiceCfg;
const RecordRow<BIP> kBipRows[] = {
    {u"InboxDirectory", &BIP::m_szInboxDirectory, T},
};

using PRINT = CBTPrintServiceCfg;
const RecordRow<PRINT> kPrintRows[] = {
    {u"PrinterName", &PRINT::m_szPrinterName, T},
    {u"TempDirectory", &PRINT::m_szTempDirectory, T},
};

// The headset's values are read and written but compared and copied as a plain service.
using HSP = CBTHSPServiceCfg;
const RecordRow<HSP> kHspRows[] = {
    {u"HfpName", &HSP::m_szHfpName, T},
    {u"AvName", &HSP::m_szAvName, T},
    {u"SendCkpdToDisconnect", &HSP::m_dwSendCkpdToDisconnect},
};

using HAG = CBTHAGServiceCfg;
const RecordRow<HAG> kHagRows[] = {
    {u"BDAddress", &HAG::m_bdAddress},
    {u"ConnectedUUID", &HAG::m_dwConnectedUUID},
};

}  // namespace

QEL_CFG_TABLE_METHODS(CBTSPPServiceCfg, CBTServiceCfg, kSppRows)
QEL_CFG_TABLE_METHODS(CBTDUNServiceCfg, CBTServiceCfg, kDunRows)
QEL_CFG_TABLE_METHODS(CBTFAXServiceCfg, CBTServiceCfg, kFaxRows)
QEL_CFG_TABLE_METHODS(CBTLAPServiceCfg, CBTServiceCfg, kLapRows)
QEL_CFG_TABLE_METHODS(CBTFTPServiceCfg, CBTServiceCfg, kFtpRows)
QEL_CFG_TABLE_METHODS(CBTOPPServiceCfg, CBTServiceCfg, kOppRows)
QEL_CFG_TABLE_METHODS(CBTSYNCServiceCfg, CBTServiceCfg, kSyncRows)
QEL_CFG_TABLE_METHODS(CBTBIPServiceCfg, CBTServiceCfg, kBipRows)
QEL_CFG_TABLE_METHODS(CBTPrintServiceCfg, CBTServiceCfg, kPrintRows)
QEL_CFG_TABLE_IO(CBTHSPServiceCfg, CBTServiceCfg, kHspRows)
QEL_CFG_TABLE_METHODS(CBTHAGServiceCfg, CBTServiceCfg, kHagRows)
