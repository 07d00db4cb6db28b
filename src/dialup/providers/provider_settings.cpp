// Provider records and the database lookup (see provider_settings.h).
#include "dialup/providers/provider_settings.h"

#include <strings.h>

#include <filesystem>
#include <system_error>

#include "config/install_cfg.h"
#include "dialup/providers/provider_xml.h"
#include "platform/files.h"
#include "platform/utf.h"

namespace {

constexpr char kDatabaseName[] = "providers.bin";
// "INSTALLDIR" is taken up to the platform's path length.
constexpr std::size_t kInstallDirChars = MAX_PATH;

std::string cut_path(std::string path) {
    if (path.size() > cProviderSettingsXML::kMaxPathBytes) path.resize(cProviderSettingsXML::kMaxPathBytes);
    return path;
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(std::filesystem::path(path), ec);
}

// File names on this system are UTF-8 bytes.
std::string install_dir() {
    CBTInstallCfg cfg;
    cfg.Read();
    std::u16string dir = cfg.m_szInstallDir;
    if (dir.size() > kInstallDirChars) dir.resize(kInstallDirChars);
    return qel::platform::utf16_to_utf8(dir);
}

}  // namespace

bool sProvider::Add(const char* pAPN, const char* pUserName, const char* pPassword) {
    if (pAPN == nullptr || *pAPN == '\0') return false;
    m_Accounts.push_back(sAccount{pAPN, pUserName ? pUserName : "", pPassword ? pPassword : ""});
    return true;
}

void sProvider::Clear() {
    m_nProviderID = 0;
    m_Accounts.clear();
}

const char* sProvider::getNameByIndex(int indx) const {
    if (indx < 0 || indx >= GetSize()) return nullptr;
    return m_Accounts[static_cast<std::size_t>(indx)].m_szAPN.c_str();
}

int sProvider::getIndexByName(const char* sAPN) const {
    if (sAPN == nullptr) return -1;
    for (int i = 0; i < GetSize(); ++i) {
        if (strcasecmp(m_Accounts[static_cast<std::size_t>(i)].m_szAPN.c_str(), sAPN) == 0) return i;
    }
    return -1;
}

bool cProviderSettingsXML::Initialize(const char* sczFilename) {
    if (sczFilename != nullptr && *sczFilename != '\0') {
        m_szFileName = cut_path(sczFilename);
    } else {
        m_szFileName = cut_path((qel::platform::system_dir() / kDatabaseName).string());
        if (!file_exists(m_szFileName)) m_szFileName = cut_path(install_dir() + kDatabaseName);
    }
    return file_exists(m_szFileName);
}

bool cProviderSettingsXML::FindAPN(std::int32_t nProviderID, sProvider* psProvider) const {
    if (psProvider == nullptr) return false;
    const int before = psProvider->GetSize();
    _LoadXML_findAPN(m_szFileName.c_str(), nProviderID, psProvider);
    return psProvider->GetSize() > before;
}
