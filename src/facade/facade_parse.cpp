// The facade's parse operations: ParseVCard and ParseVCAL read a file with the versit readers,
// whose objects come back through OnObjectCallbackExt to OnObjectCallback, which hands the first
// contact and the first calendar entry of a parse to the caller's delegates.
//
// The delegate fields are written by the parse operation and read by OnObjectCallback on the
// same thread (the readers call back synchronously, while the file is read); the caller calls one
// object's operations from one thread at a time, so they need no lock of their own.
#include <cstdio>

#include "facade/callback_entry_points.h"
#include "pim/osif_files.h"
#include "pim/vcal_parser.h"
#include "pim/vcard_parser.h"
#include "qelcfg/QelConfig.h"
#include "qelcfg/QelPIMObject.h"
#include "qelcfg/QelVCalObject.h"
#include "trace/qel_trace.h"

namespace qbtapiM {
namespace {

// Closes the stream when the operation leaves.
struct StreamCloser {
    std::FILE* stream = nullptr;
    const char* name = nullptr;
    ~StreamCloser() {
        if (stream) FILE_Close(stream, name);
    }
};

bool parse_succeeded(tOSIF_ERROR result) { return result == OSIF_SUCCESS || result == OSIF_SUCCESS_WARNINGS; }

}  // namespace

QEL_CONFIG_RETCODE QelConfig::ParseVCard(const std::u16string& strPath, _ObjectParseCallback callback,
                                         const std::any& userData) {
    QelTrace("+QelConfig::ParseVCard");
    m_dwLastError = HEADSET_CONFIG_SUCCESS;
    m_objectParseCallback = std::move(callback);
    m_parseUserData = userData;
    StreamCloser file{nullptr, "vCard"};
    if (FILE_Open(&file.stream, strPath.c_str(), "rb") != 0 || !file.stream) {
        QelTrace("QelConfig::ParseVCard FILE_OPEN Failed");
        m_dwLastError = PARSE_OPEN_FILE_ERROR;
        m_dwExtendedError = OSIF_ERR_OPEN;
        QelTrace("-QelConfig::ParseVCard");
        return m_dwLastError;
    }
    const tOSIF_ERROR result = OSIF_ParseVCards(file.stream, OnObjectCallbackExt, m_dwInstanceIndex);
    m_dwExtendedError = parse_succeeded(result) ? 0 : result;
    if (m_dwExtendedError != 0) {
        QelTrace("QelConfig::ParseVCard OSIF_ParseVCards Failed error = 0x%x", m_dwExtendedError);
        m_dwLastError = PARSE_VCARD_ERROR;
    }
    QelTrace("-QelConfig::ParseVCard");
    return m_dwLastError;
}

QEL_CONFIG_RETCODE QelConfig::ParseVCAL(const std::u16string& strPath, _ObjectParseVCalCallback callback,
                                        const std::any& userData) {
    QelTrace("+QelConfig::ParseVCAL");
    m_dwLastError = HEADSET_CONFIG_SUCCESS;
    m_vcalParseCallback = std::move(callback);
    m_vcalParseUserData = userData;
    StreamCloser file{nullptr, "vCalendar"};
    if (FILE_Open(&file.stream, strPath.c_str(), "rb") != 0 || !file.stream) {
        QelTrace("QelConfig::ParseVCAL - FILE_Open failed");
        m_dwLastError = PARSE_OPEN_FILE_ERROR;
        m_dwExtendedError = OSIF_ERR_OPEN;
        QelTrace("-QelConfig::ParseVCAL");
        return m_dwLastError;
    }
    const tOSIF_ERROR result = OSIF_ParseVCalendars(file.stream, strPath.c_str(), OnObjectCallbackExt, m_dwInstanceIndex);
    m_dwExtendedError = parse_succeeded(result) ? 0 : result;
    if (m_dwExtendedError != 0) {
        QelTrace("QelConfig::ParseVCAL - OSID_ParseVCalendars failed error = 0x%x", m_dwExtendedError);
        m_dwLastError = PARSE_VCAL_ERROR;
    }
    QelTrace("-QelConfig::ParseVCAL");
    return m_dwLastError;
}

void QelConfig::OnObjectCallback(std::uint32_t storeId, tagvObject* object, std::uint32_t status) {
    QelTrace("+QelConfig::OnObjectCallback");
    if (m_fInitialized.load()) {
        if (storeId == OSIF_STORE_PHONEBOOK) {
            // Cleared after the call: one parse delivers only its first contact.
            if (m_objectParseCallback) {
                QelPIMObject contact(object, status);
                m_objectParseCallback(m_myBDA, contact, m_parseUserData);
            }
            m_objectParseCallback = nullptr;
            m_parseUserData.reset();
        } else if (storeId == OSIF_STORE_CALENDAR) {
            if (m_vcalParseCallback) {
                QelVCalObject entry(object, status);
                m_vcalParseCallback(m_myBDA, entry, m_vcalParseUserData);
            }
            m_vcalParseCallback = nullptr;
            m_vcalParseUserData.reset();
        }
    }
    QelTrace("-QelConfig::OnObjectCallback");
}

}  // namespace qbtapiM
