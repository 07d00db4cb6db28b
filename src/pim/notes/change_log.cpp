#include "pim/notes/change_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "pim/osif_files.h"
#include "pim/osif_log.h"
#include "platform/utf.h"

namespace {

// ---- reading one entry ----

bool is_type(char c) noexcept { return c == 'M' || c == 'H' || c == 'D'; }

// The fields of one line after escapes are resolved. Each buffer holds a whole line.
struct Fields {
    char text[4][OSIF_CL_LINE_MAX + 1] = {};
    std::size_t length[4] = {};
    std::size_t count = 0;  // fields started
};

// Splits line at ":" into at most four fields (the fourth runs to the end of the line) and
// resolves the escapes "\;" and "\\". False when the line holds a NUL byte.
bool split(const char* line, std::size_t length, Fields& out) noexcept {
    out.count = 1;
    for (std::size_t i = 0; i < length; ++i) {
        char c = line[i];
        if (c == '\0') return false;
        if (c == ':' && out.count < 4) {
            ++out.count;
            continue;
        }
        if (c == '\\' && i + 1 < length && (line[i + 1] == ';' || line[i + 1] == '\\')) c = line[++i];
        const std::size_t f = out.count - 1;
        out.text[f][out.length[f]++] = c;
    }
    return true;
}

// The counter: an optional sign and 1 to 10 characters in all, decimal digits, within 32 bits.
std::optional<std::int32_t> counter(const char* text, std::size_t length) noexcept {
    if (length == 0 || length > OSIF_CL_COUNT_MAX) return std::nullopt;
    std::size_t i = 0;
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') ++i;
    if (i == length) return std::nullopt;
    std::int64_t value = 0;
    for (; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

bool parse_entry(const char* line, std::size_t length, tagClEntry& entry) noexcept {
    Fields f;
    if (!split(line, length, f) || f.count != 4) return false;
    if (f.length[0] == 0 || !is_type(f.text[0][0])) return false;
    const auto count = counter(f.text[1], f.length[1]);
    if (!count) return false;
    if (f.length[2] > OSIF_CL_TIMESTAMP_MAX || f.length[3] > OSIF_CL_LUID_MAX) return false;
    entry.type = static_cast<unsigned char>(f.text[0][0]);
    entry.changeCount = *count;
    std::memcpy(entry.timestamp, f.text[2], f.length[2]);
    entry.timestamp[f.length[2]] = '\0';
    std::memcpy(entry.luid, f.text[3], f.length[3]);
    entry.luid[f.length[3]] = '\0';
    return true;
}

// ---- purging ----

// Closes a stream on scope exit unless it was handed back.
class StreamGuard {
public:
    explicit StreamGuard(std::FILE* stream) noexcept : stream_(stream) {}
    ~StreamGuard() {
        if (stream_) std::fclose(stream_);
    }
    StreamGuard(const StreamGuard&) = delete;
    StreamGuard& operator=(const StreamGuard&) = delete;
    std::FILE* get() const noexcept { return stream_; }
    std::FILE* release() noexcept { return std::exchange(stream_, nullptr); }

private:
    std::FILE* stream_;
};

constexpr std::size_t kChunk = 64 * 1024;

// The number of lines of the stream from its start: its LF characters, plus one for a last line
// without LF. Nothing on a read error.
std::optional<std::size_t> count_lines(std::FILE* stream) noexcept {
    std::rewind(stream);
    static thread_local char buffer[kChunk];
    std::size_t lines = 0;
    char last = '\n';
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
        for (const char* p = buffer; (p = static_cast<const char*>(std::memchr(p, '\n', buffer + n - p)));) {
            ++lines;
            ++p;
        }
        last = buffer[n - 1];
    }
    if (std::ferror(stream)) return std::nullopt;
    if (last != '\n') ++lines;
    return lines;
}

// Copies the lines of in after its first `skip` lines to out, each ending with LF. False on a
// read or write error.
bool copy_tail(std::FILE* in, std::FILE* out, std::size_t skip) noexcept {
    std::rewind(in);
    static thread_local char buffer[kChunk];
    char last = '\n';
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        const char* p = buffer;
        const char* end = buffer + n;
        while (skip > 0 && p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
            if (!lf) {
                p = end;
                break;
            }
            p = lf + 1;
            --skip;
        }
        if (p == end) continue;
        if (std::fwrite(p, 1, end - p, out) != static_cast<std::size_t>(end - p)) return false;
        last = end[-1];
    }
    if (std::ferror(in)) return false;
    if (last != '\n' && std::fputc('\n', out) == EOF) return false;
    return true;
}

std::u16string temp_path_for(const char16_t* logPath, const char16_t* folder) {
    std::u16string dir;
    if (folder && folder[0]) {
        dir = folder;
    } else {
        dir = std::filesystem::path(logPath).parent_path().u16string();
        if (dir.empty()) dir = u".";
    }
    if (dir.back() != u'/') dir += u'/';
    return dir + OSIF_CL_TEMP_NAME;
}

bool same_file(const std::u16string& a, const char16_t* b) noexcept {
    try {
        std::error_code ec;
        return std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), ec) && !ec;
    } catch (...) {
        return false;
    }
}

// Makes the rename of a file in the folder of path durable (best effort: failures change nothing
// the caller can act on).
void sync_folder_of(const char16_t* path) noexcept {
    try {
        std::filesystem::path dir = std::filesystem::path(path).parent_path();
        if (dir.empty()) dir = ".";
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        ::fsync(fd);
        ::close(fd);
    } catch (...) {
    }
}

// Writes the newest OSIF_CL_KEEP lines of log to the temporary file and makes them durable.
// False (with errno telling why) when anything fails; the temporary file is closed either way.
bool write_temp(std::FILE* log, std::FILE* temp_stream, std::size_t skip, const std::string& temp_name) noexcept {
    StreamGuard temp(temp_stream);
    struct stat st {};
    if (::fstat(::fileno(log), &st) == 0) ::fchmod(::fileno(temp.get()), st.st_mode & 07777);
    bool ok = copy_tail(log, temp.get(), skip) && std::fflush(temp.get()) == 0 && ::fsync(::fileno(temp.get())) == 0;
    const int err = errno;
    ok = FILE_Close(temp.release(), temp_name.c_str()) == 0 && ok;
    if (!ok && err != 0) errno = err;
    return ok;
}

}  // namespace

std::uint32_t OSIF_WriteClEntry(std::FILE* stream, const tagClEntry* entry) noexcept {
    if (!stream || !entry) return OSIF_CL_ERROR;
    if (std::fseek(stream, 0, SEEK_END) != 0) return OSIF_CL_ERROR;
    const int written = std::fprintf(stream, "%c:%d:%.18s:%.512s\n", static_cast<char>(entry->type),
                                     static_cast<int>(entry->changeCount), entry->timestamp, entry->luid);
    if (written < 0 || std::fflush(stream) != 0) return OSIF_CL_ERROR;
    return OSIF_CL_OK;
}

std::uint32_t OSIF_ReadClEntry(std::FILE* stream, tagClEntry* entry) noexcept {
    if (entry) std::memset(entry, 0, sizeof *entry);
    if (!stream || !entry) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  OSIF_ReadClEntry - error reading Change Log file");
        return OSIF_CL_ERROR;
    }
    char line[OSIF_CL_LINE_MAX + 1];
    std::size_t length = 0;
    bool any = false;
    bool cut = false;  // a CR was seen: the rest of the physical line is dropped
    bool too_long = false;
    int c = EOF;
    while ((c = std::fgetc(stream)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (cut) continue;
        if (c == '\r') {
            cut = true;
        } else if (length == OSIF_CL_LINE_MAX) {
            too_long = true;
            cut = true;
        } else {
            line[length++] = static_cast<char>(c);
        }
    }
    if (c == EOF && std::ferror(stream)) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  OSIF_ReadClEntry - error reading Change Log file");
        return OSIF_CL_ERROR;
    }
    if (!any) return OSIF_CL_END_OF_LOG;
    line[length] = '\0';
    if (too_long || !parse_entry(line, length, *entry)) {
        std::memset(entry, 0, sizeof *entry);
        return OSIF_CL_MALFORMED;
    }
    return OSIF_CL_OK;
}

bool OSIF_FindClEntry(std::FILE* stream, const tagClEntry* entry) noexcept {
    if (!stream || !entry) return false;
    const long position = std::ftell(stream);
    if (position < 0) return false;
    bool found = false;
    tagClEntry next;
    for (;;) {
        const std::uint32_t r = OSIF_ReadClEntry(stream, &next);
        if (r == OSIF_CL_OK && std::strncmp(next.luid, entry->luid, sizeof next.luid) == 0) {
            found = true;
            break;
        }
        if (r == OSIF_CL_END_OF_LOG || r == OSIF_CL_ERROR) break;
    }
    std::clearerr(stream);
    std::fseek(stream, position, SEEK_SET);
    return found;
}

std::uint32_t OSIF_CLPurge(const char16_t* logPath, const char16_t* folder) noexcept {
    std::FILE* opened = nullptr;
    if (FILE_Open(&opened, logPath, "r") != 0) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  OSIF_CLPurge - Error opening change log");
        return OSIF_CL_ERROR;
    }
    StreamGuard log(opened);
    const std::optional<std::size_t> lines = count_lines(log.get());
    if (!lines) {
        osif_log_errno(errno);
        osif_log(OSIF_LOG_ERROR, "OSIF:  OSIF_CLPurge - Error reading change log");
        return OSIF_CL_ERROR;
    }
    if (*lines <= OSIF_CL_KEEP) return OSIF_CL_OK;
    const std::size_t dropped = *lines - OSIF_CL_KEEP;

    std::u16string temp;
    std::string temp_name;
    try {
        temp = temp_path_for(logPath, folder);
        temp_name = qel::platform::utf16_to_utf8(temp);
    } catch (...) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  OSIF_CLPurge - Error opening temp file");
        return OSIF_CL_ERROR;
    }
    // Opening the temporary file truncates it: it must not be the log itself.
    if (same_file(temp, logPath)) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  OSIF_CLPurge - Error opening temp file");
        return OSIF_CL_ERROR;
    }
    std::FILE* temp_stream = nullptr;
    if (FILE_Open(&temp_stream, temp.c_str(), "w") != 0) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  OSIF_CLPurge - Error opening temp file");
        return OSIF_CL_ERROR;
    }
    errno = 0;
    if (!write_temp(log.get(), temp_stream, dropped, temp_name)) {
        osif_log_errno(errno);
        osif_log(OSIF_LOG_ERROR, "OSIF:  OSIF_CLPurge - Error writing temp file");
        FILE_Remove(temp.c_str());
        return OSIF_CL_ERROR;
    }
    std::fclose(log.release());
    // The rename replaces the log in one step: readers see the old log or the new one, never none.
    if (FILE_Rename(temp.c_str(), logPath) != 0) {
        FILE_Remove(temp.c_str());
        return OSIF_CL_ERROR;
    }
    sync_folder_of(logPath);
    osif_log(OSIF_LOG_WARNING, "OSIF:  OSIF_CLPurge - Purged %d entries from '%S'", static_cast<int>(dropped),
             logPath);
    return OSIF_CL_OK;
}
