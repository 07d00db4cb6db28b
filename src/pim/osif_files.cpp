// The FILE_ functions: stdio streams opened by UTF-16 path, with the library's failure messages.
#include "pim/osif_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "pim/osif_log.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/utf.h"

namespace {

std::string narrow(const char16_t* path) {
    return qel::platform::utf16_to_utf8(path ? std::u16string_view(path) : std::u16string_view());
}

}  // namespace

std::uint32_t FILE_Open(std::FILE** out, const char16_t* path, const char* mode) noexcept {
    if (!out) return OSIF_ERR_FILE;
    *out = nullptr;
    if (path && mode) {
        try {
            *out = std::fopen(narrow(path).c_str(), mode);
        } catch (...) {
            errno = ENOMEM;
        }
    } else {
        errno = EINVAL;
    }
    if (*out) return 0;
    const int err = errno;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Unable to open file '%S' for writing", path ? path : u"");
    osif_log_errno(err);
    return OSIF_ERR_FILE;
}

std::uint32_t FILE_Close(std::FILE* stream, const char* name) noexcept {
    if (stream && std::fclose(stream) == 0) return 0;
    const int err = stream ? errno : EBADF;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Unable to close file '%s'", name ? name : "");
    osif_log_errno(err);
    return OSIF_ERR_FILE;
}

std::uint32_t FILE_AppendFile(std::FILE* stream, const char16_t* path) noexcept {
    std::FILE* in = nullptr;
    if (FILE_Open(&in, path, "r") != 0) return OSIF_ERR_FILE;
    char buffer[4096];
    std::size_t n;
    std::uint32_t result = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        if (!stream || std::fwrite(buffer, 1, n, stream) != n) {
            result = OSIF_ERR_FILE;
            break;
        }
    }
    FILE_Close(in, "");
    return result;
}

std::uint32_t FILE_PutChar(std::FILE* stream, int c) noexcept {
    if (!stream) return OSIF_ERR_FILE;
    return std::fputc(c, stream) == EOF ? OSIF_ERR_FILE : 0;
}

std::uint32_t FILE_PutLine(std::FILE* stream, const char* text) noexcept {
    if (!stream || !text) return OSIF_ERR_FILE;
    return std::fprintf(stream, "%s\n", text) < 0 ? OSIF_ERR_FILE : 0;
}

std::uint32_t FILE_PutNumber(std::FILE* stream, std::uint32_t n) noexcept {
    if (!stream) return OSIF_ERR_FILE;
    return std::fprintf(stream, "%10.0f\n", static_cast<double>(n)) < 0 ? OSIF_ERR_FILE : 0;
}

std::uint32_t FILE_Tell(long* out, std::FILE* stream) noexcept {
    if (out) *out = stream ? std::ftell(stream) : -1L;
    return 0;
}

std::uint32_t FILE_GetChar(int* out, std::FILE* stream) noexcept {
    if (out) *out = stream ? std::fgetc(stream) : EOF;
    return 0;
}

std::uint32_t FILE_Rename(const char16_t* oldPath, const char16_t* newPath) noexcept {
    bool ok = false;
    try {
        ok = oldPath && newPath && std::rename(narrow(oldPath).c_str(), narrow(newPath).c_str()) == 0;
    } catch (...) {
    }
    if (ok) return 0;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Unable to rename file (old=%S, new=%S)", oldPath ? oldPath : u"",
             newPath ? newPath : u"");
    return OSIF_ERR_FILE;
}

std::uint32_t FILE_Copy(const char16_t* existing, const char16_t* newPath) noexcept {
    bool ok = false;
    try {
        std::error_code ec;
        ok = existing && newPath &&
             std::filesystem::copy_file(narrow(existing), narrow(newPath),
                                        std::filesystem::copy_options::overwrite_existing, ec) &&
             !ec;
    } catch (...) {
    }
    if (ok) return 0;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Unable to copy file (existing=%S, new=%S)", existing ? existing : u"",
             newPath ? newPath : u"");
    return OSIF_ERR_FILE;
}

std::uint32_t FILE_Remove(const char16_t* path) noexcept {
    int err = EINVAL;
    try {
        if (path && std::remove(narrow(path).c_str()) == 0) return 0;
        err = errno;
    } catch (...) {
        err = ENOMEM;
    }
    osif_log(OSIF_LOG_ERROR, "OSIF:  Unable to remove file (file=%S)", path ? path : u"");
    osif_log_errno(err);
    return OSIF_ERR_FILE;
}

bool FILE_Exists(const char16_t* path) noexcept {
    if (!path) return false;
    try {
        std::error_code ec;
        const auto status = std::filesystem::status(narrow(path), ec);
        return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
    } catch (...) {
        return false;
    }
}

std::uint32_t FILE_TempFilename(char16_t* out) noexcept {
    if (!out) return OSIF_ERR_FILE;
    out[0] = u'\0';
    try {
        const auto name = qel::platform::temp_file_name(qel::platform::temp_dir(), "qel");
        if (!name) {
            const DWORD err = qel::platform::last_error();
            if (err == ERROR_PATH_NOT_FOUND || err == ERROR_BUFFER_OVERFLOW) {
                osif_log(OSIF_LOG_ERROR, "OSIF: FILE_TempFilename; PATH error (%d)", err);
            } else {
                osif_log(OSIF_LOG_ERROR, "OSIF: FILE_TempFilename; FILE error (%d)", err);
            }
            return OSIF_ERR_FILE;
        }
        const std::u16string wide = name->u16string();
        if (wide.size() >= OSIF_PATH_SIZE) {  // cannot fit the caller's path buffer
            std::error_code ec;
            std::filesystem::remove(*name, ec);
            osif_log(OSIF_LOG_ERROR, "OSIF: FILE_TempFilename; PATH error (%d)", ERROR_BUFFER_OVERFLOW);
            return OSIF_ERR_FILE;
        }
        std::memcpy(out, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
        return 0;
    } catch (...) {
        out[0] = u'\0';
        osif_log(OSIF_LOG_ERROR, "OSIF: FILE_TempFilename; FILE error (%d)", ERROR_NOT_ENOUGH_MEMORY);
        return OSIF_ERR_FILE;
    }
}

char* FILE_ReadLine(std::FILE* stream) noexcept {
    if (!stream) return nullptr;
    std::size_t capacity = 128;
    std::size_t length = 0;
    char* line = static_cast<char*>(OSIF_Alloc(capacity));
    if (!line) return nullptr;
    int c;
    bool any = false;
    while ((c = std::fgetc(stream)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (length + 1 >= capacity) {
            char* bigger = static_cast<char*>(std::realloc(line, capacity * 2));
            if (!bigger) {
                OSIF_Free(line);
                return nullptr;
            }
            line = bigger;
            capacity *= 2;
        }
        line[length++] = static_cast<char>(c);
    }
    if (!any) {
        OSIF_Free(line);
        return nullptr;
    }
    line[length] = '\0';
    if (char* cr = std::strchr(line, '\r')) *cr = '\0';
    return line;
}
