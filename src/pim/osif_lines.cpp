// Reading logical property lines, splitting them, and parsing parameters and value components.
#include "pim/osif_lines.h"

#include <cctype>
#include <cstring>
#include <new>
#include <string>

#include "pim/osif_files.h"
#include "pim/osif_props.h"

namespace {

// Reads one physical line into line without its "\n", cut at its first CR. False at the end of
// the stream when nothing was read.
bool read_physical(std::FILE* stream, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(stream)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    const auto cr = line.find('\r');
    if (cr != std::string::npos) line.resize(cr);
    return any;
}

// The encoding bits of a first physical line: its part before ":" upper-cased.
std::uint32_t guess_encoding(const std::string& line) {
    std::string head = line.substr(0, line.find(':'));
    for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (head.find("QUOTED-PRINTABLE") != std::string::npos) return OSIF_ENC_QP;
    if (head.find("BASE64") != std::string::npos || head.find("ENCODING=B") != std::string::npos) {
        return OSIF_ENC_BASE64;
    }
    return 0;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

void trim_base64_piece(std::string& piece) {
    while (!piece.empty() && is_blank(piece.back())) piece.pop_back();
    std::size_t lead = 0;
    while (lead < piece.size() && is_blank(piece[lead])) ++lead;
    piece.erase(0, lead);
}

char* to_heap(const std::string& text) noexcept {
    char* out = static_cast<char*>(OSIF_Alloc(text.size() + 1));
    if (out) std::memcpy(out, text.c_str(), text.size() + 1);
    return out;
}

std::string read_logical(std::FILE* stream, std::optional<std::uint32_t> hint, bool returnBlank) {
    std::string result;
    std::string line;
    if (!stream || !read_physical(stream, line)) return result;
    const std::uint32_t encoding = hint ? *hint : guess_encoding(line);
    if (returnBlank && line.empty()) return result;
    for (;;) {
        if (encoding & OSIF_ENC_QP) {
            if (line.empty() || line.back() != '=') {
                result += line;
                return result;
            }
            line.pop_back();  // soft line break: the next physical line continues this one
            result += line;
            if (!read_physical(stream, line)) return result;
            continue;
        }
        if (encoding & OSIF_ENC_BASE64) trim_base64_piece(line);
        result += line;
        const int next = std::fgetc(stream);
        if (next != ' ' && next != '\t') {
            if (next != EOF) std::ungetc(next, stream);
            return result;
        }
        if (!read_physical(stream, line)) return result;
    }
}

// Appends the pieces of text cut at unescaped ";" (a backslash protects the next character; one
// at the very end ends the scan) to out, at most max_pieces of them.
template <typename Sink>
void split_unescaped(const char* text, int max_pieces, Sink&& sink) {
    int count = 0;
    const char* start = text;
    const char* p = text;
    while (*p && count < max_pieces) {
        if (*p == '\\') {
            if (!p[1]) break;
            p += 2;
            continue;
        }
        if (*p == ';') {
            sink(std::string(start, p), count++);
            start = p + 1;
        }
        ++p;
    }
    if (count < max_pieces) sink(std::string(start), count);
}

}  // namespace

char* OSIF_ReadPropertyLine(std::FILE* stream, std::optional<std::uint32_t> hint,
                            bool returnBlank) noexcept {
    try {
        return to_heap(read_logical(stream, hint, returnBlank));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const char* OSIF_SplitPropertyLine(char* name, char* params, const char* line) noexcept {
    if (name) name[0] = '\0';
    if (params) params[0] = '\0';
    if (!line) return nullptr;
    std::size_t i = 0;
    std::size_t n = 0;
    auto put_name = [&](char c) {
        if (name && n < OSIF_NAME_SIZE - 1) name[n++] = c;
    };
    while (line[i] && line[i] != ';' && line[i] != ':') {
        if (line[i] == '\\' && (line[i + 1] == '\\' || line[i + 1] == ';' || line[i + 1] == ':')) {
            put_name(line[i]);
            put_name(line[i + 1]);
            i += 2;
            continue;
        }
        put_name(line[i++]);
    }
    if (name) name[n] = '\0';
    if (line[i] == ';') {
        ++i;
        std::size_t m = 0;
        auto put_param = [&](char c) {
            if (params && m < OSIF_PARAMS_SIZE - 1) params[m++] = c;
        };
        while (line[i] && line[i] != ':') {
            if (line[i] == '\\' && (line[i + 1] == '\\' || line[i + 1] == ':')) {
                put_param(line[i]);
                put_param(line[i + 1]);
                i += 2;
                continue;
            }
            put_param(line[i++]);
        }
        if (params) params[m] = '\0';
    }
    if (line[i] == ':') ++i;
    return line + i;
}

void OSIF_RemoveBlanks(char* text) noexcept {
    if (!text) return;
    char* out = text;
    for (const char* p = text; *p; ++p) {
        if (!is_blank(*p)) *out++ = *p;
    }
    *out = '\0';
}

void OSIF_ParseParams(const char* text, tagProp* prop) noexcept {
    if (!text || !prop) return;
    try {
        if (*text) {
            split_unescaped(text, INT32_MAX, [&](const std::string& piece, int) {
                AddPropParam(prop, piece.c_str());
            });
        }
    } catch (const std::bad_alloc&) {
    }
    if (FindString(prop->params, "CHARSET")) prop->flags |= OSIF_ENC_CHARSET;
    if (FindString(prop->params, "QUOTED-PRINTABLE")) {
        prop->flags |= OSIF_ENC_QP;
    } else if (FindString(prop->params, "BASE64") || FindString(prop->params, "ENCODING=B")) {
        prop->flags |= OSIF_ENC_BASE64;
    } else if (FindString(prop->params, "8BIT")) {
        prop->flags |= OSIF_ENC_8BIT;
    }
}

void OSIF_ParseValues(const char* text, int maxCount, tagProp* prop) noexcept {
    if (!text || !prop || maxCount <= 0) return;
    try {
        split_unescaped(text, maxCount, [&](const std::string& piece, int index) {
            AddPropValue(prop, to_heap(piece), index);
        });
    } catch (const std::bad_alloc&) {
    }
}

tOSIF_ERROR OSIF_ValueToTempFile(const char* value, tagProp* prop) noexcept {
    char16_t path[OSIF_PATH_SIZE];
    if (FILE_TempFilename(path) != 0) return OSIF_ERR_FILE;
    std::FILE* file = nullptr;
    if (FILE_Open(&file, path, "w") != 0) return OSIF_ERR_OPEN;
    constexpr std::size_t kPiece = 65;
    const std::size_t length = value ? std::strlen(value) : 0;
    for (std::size_t at = 0; at < length; at += kPiece) {
        const std::size_t n = length - at < kPiece ? length - at : kPiece;
        std::fwrite(value + at, 1, n, file);
        std::fputc('\n', file);
    }
    FILE_Close(file, "");
    if (prop) {
        FileToProp(path, prop);
    } else {
        FILE_Remove(path);  // nothing would own the file
    }
    return OSIF_SUCCESS;
}
