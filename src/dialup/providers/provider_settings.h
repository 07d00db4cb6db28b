// The operator access-point database: the accounts (access point, user name, password) an
// operator offers for packet-data dial-up, looked up by the operator's number (country code
// followed by network code, as one decimal number) in the enciphered XML file "providers.bin".
//
// sProvider is the result record; cProviderSettingsXML finds the database file and looks an
// operator up in it. The file's format and the walk over it are in provider_xml.h.
//
// Promises:
//  - Nothing throws; a database that is missing, cannot be deciphered or does not parse gives no
//    accounts (FindAPN false), never a crash.
//  - Accounts are appended in document order, one for each matching "provider" element.
//  - Texts are 8-bit in the process's ANSI code page (the database is read in that code page).
// Thread-safety: an sProvider or cProviderSettingsXML belongs to one thread at a time; separate
// objects may be used from different threads at once (each lookup reads the file on its own).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sProvider {
    struct sAccount {
        std::string m_szAPN;
        std::string m_szUserName;  // possibly empty
        std::string m_szPassword;  // possibly empty
    };

    std::int32_t m_nProviderID = 0;   // the operator number looked up
    std::vector<sAccount> m_Accounts;

    // Appends an account; false (nothing added) when the APN is null or empty. A null user name
    // or password is stored as empty.
    bool Add(const char* pAPN, const char* pUserName, const char* pPassword);
    int GetSize() const { return static_cast<int>(m_Accounts.size()); }
    // Identity 0, no accounts.
    void Clear();
    // The APN of account indx, or null outside the list. Valid until the record changes.
    const char* getNameByIndex(int indx) const;
    // Index of the first account whose APN equals sAPN without regard to (ASCII) case, or -1.
    int getIndexByName(const char* sAPN) const;
};

class cProviderSettingsXML {
public:
    // The longest path kept, in bytes (the field holds 520 bytes with its terminator).
    static constexpr std::size_t kMaxPathBytes = 519;

    // Chooses the database file; true when it exists. A non-empty name is the path as given.
    // Otherwise the platform's system directory and "providers.bin"; when that file does not exist,
    // the installation folder ("INSTALLDIR" of the machine's installation record, at most 260
    // characters) followed directly by "providers.bin" (INSTALLDIR ends with its separator).
    bool Initialize(const char* sczFilename);

    // Appends the accounts of operator nProviderID to *psProvider (and sets its identity); true
    // when at least one was found. A null record gives false.
    bool FindAPN(std::int32_t nProviderID, sProvider* psProvider) const;

    // The path chosen by Initialize (empty before).
    const std::string& FileName() const { return m_szFileName; }

private:
    std::string m_szFileName;
};
