// The IrMC change log: one text line per changed object, "type:counter:timestamp:LUID", written
// and read one entry at a time over a caller's stdio stream, searched by LUID, and purged to its
// newest 250 lines.
//
// Promises:
// - OSIF_ReadClEntry consumes exactly one physical line per call, whatever it holds, so a caller
//   can count lines by counting calls; it never writes past the entry's fields.
// - OSIF_CLPurge never loses the log: the newest lines are written to a temporary file that is
//   flushed to disk and checked, and only then renamed over the log (an atomic replacement). When
//   anything fails the log is left byte for byte as it was and the temporary file is removed.
// - Nothing throws; failures are result codes and "OSIF:" log lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// One change-log entry.
struct tagClEntry {
    std::uint32_t type;         // one character: 'M' changed, 'D' deleted, 'H' hard-deleted
    std::int32_t changeCount;   // change counter
    char timestamp[19];         // at most 18 characters
    char luid[513];             // at most 512 characters
};

// Limits of a change-log line and its fields, in characters.
inline constexpr std::size_t OSIF_CL_LINE_MAX = 544;
inline constexpr std::size_t OSIF_CL_COUNT_MAX = 10;
inline constexpr std::size_t OSIF_CL_TIMESTAMP_MAX = sizeof(tagClEntry::timestamp) - 1;
inline constexpr std::size_t OSIF_CL_LUID_MAX = sizeof(tagClEntry::luid) - 1;
// How many lines a purge keeps.
inline constexpr std::size_t OSIF_CL_KEEP = 250;
// Name of the purge's temporary file in its folder.
inline constexpr char16_t OSIF_CL_TEMP_NAME[] = u"temp_change.log";

// Results of the entry functions (OSIF_CLPurge answers 0 or OSIF_CL_ERROR).
inline constexpr std::uint32_t OSIF_CL_OK = 0;
inline constexpr std::uint32_t OSIF_CL_ERROR = 1;       // write or read error
inline constexpr std::uint32_t OSIF_CL_END_OF_LOG = 5;  // nothing left to read
inline constexpr std::uint32_t OSIF_CL_MALFORMED = 20;  // the line is not an entry

// Seeks to the end of stream and appends "%c:%d:%s:%s\n" (type, counter, timestamp, LUID; the
// text fields are cut at their limits). The stream is flushed so that a full disk shows here.
// OSIF_CL_OK, or OSIF_CL_ERROR when the line could not be written whole (or an argument is null).
std::uint32_t OSIF_WriteClEntry(std::FILE* stream, const tagClEntry* entry) noexcept;

// Reads the next line into *entry. The line is the text before its first CR or LF, at most 544
// characters; it is split at ":" into four fields: the type (its first character, 'M', 'H' or
// 'D'), the counter (1 to 10 characters: an optional sign and decimal digits, within 32 bits),
// the timestamp (at most 18 characters) and the LUID (the rest of the line, colons included, at
// most 512 characters). Inside a field a backslash followed by ";" or by a backslash stands for
// that second character; other backslashes are kept. A longer line, a missing field or a field
// out of its limits gives OSIF_CL_MALFORMED (the whole physical line is consumed and *entry is
// zeroed). OSIF_CL_END_OF_LOG when nothing is left; OSIF_CL_ERROR, logged with "OSIF:
// OSIF_ReadClEntry - error reading Change Log file", when the stream reports a read error.
std::uint32_t OSIF_ReadClEntry(std::FILE* stream, tagClEntry* entry) noexcept;

// True when an entry with the same LUID (compared exactly) follows the stream's current position;
// malformed lines are passed over. The position is restored (and the end-of-file mark cleared).
bool OSIF_FindClEntry(std::FILE* stream, const tagClEntry* entry) noexcept;

// Keeps the newest 250 lines of the log at logPath. With 250 lines or fewer nothing is touched.
// Otherwise the last 250 lines (each ending with "\n") go to "temp_change.log" in folder (the
// log's own folder when folder is null or empty), which then replaces the log by a rename, and
// "OSIF:  OSIF_CLPurge - Purged %d entries from '%S'" is logged (level 4). The replacement keeps
// the log's permission bits. Returns 0, or 1 when the log cannot be opened or read, the
// temporary file cannot be created or written whole, or the rename fails; the log is then as it
// was.
std::uint32_t OSIF_CLPurge(const char16_t* logPath, const char16_t* folder) noexcept;
