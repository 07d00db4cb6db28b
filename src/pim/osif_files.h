// The versit object library's file functions over stdio streams, with UTF-16 paths: open, close,
// append, put and get, rename, copy, remove, temporary names and reading a physical line.
//
// Promises: results are 0 for success and 1 (OSIF_ERR_FILE) for failure as listed per function;
// failures are logged with their "OSIF:" texts at level 1 or more. Nothing throws.
#pragma once

#include <cstdint>
#include <cstdio>

#include "pim/osif_records.h"

// Size of a path buffer (FILE_TempFilename), characters.
inline constexpr std::size_t OSIF_PATH_SIZE = 260;

// Opens path with the stdio mode; 0, or 1 with *out null.
std::uint32_t FILE_Open(std::FILE** out, const char16_t* path, const char* mode) noexcept;
// Closes stream (name is for the message only); 0 or 1.
std::uint32_t FILE_Close(std::FILE* stream, const char* name) noexcept;
// Copies every byte of the file at path to stream; 0, or 1 when it cannot be opened.
std::uint32_t FILE_AppendFile(std::FILE* stream, const char16_t* path) noexcept;
std::uint32_t FILE_PutChar(std::FILE* stream, int c) noexcept;
// Writes text and "\n".
std::uint32_t FILE_PutLine(std::FILE* stream, const char* text) noexcept;
// Writes n right-aligned in 10 columns and "\n".
std::uint32_t FILE_PutNumber(std::FILE* stream, std::uint32_t n) noexcept;
std::uint32_t FILE_Tell(long* out, std::FILE* stream) noexcept;
// The next byte, or EOF.
std::uint32_t FILE_GetChar(int* out, std::FILE* stream) noexcept;
std::uint32_t FILE_Rename(const char16_t* oldPath, const char16_t* newPath) noexcept;
// Copies existing to newPath, replacing it.
std::uint32_t FILE_Copy(const char16_t* existing, const char16_t* newPath) noexcept;
std::uint32_t FILE_Remove(const char16_t* path) noexcept;
// True when path exists and is not a directory.
bool FILE_Exists(const char16_t* path) noexcept;
// out (OSIF_PATH_SIZE characters) = a new, created, unique file "qel..." in the temporary folder;
// 0, or 1 with out empty.
std::uint32_t FILE_TempFilename(char16_t* out) noexcept;
// One physical line as a heap string (OSIF_Free) without "\n", cut at its first CR; null at the
// end of the stream or when memory runs out.
char* FILE_ReadLine(std::FILE* stream) noexcept;
