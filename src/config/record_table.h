// A record's values as one table: each row names a registry value, the field of the record that
// holds it and how it is stored. The same table drives reading (GetAll), writing (PutAll),
// comparing (IsEqualCfg) and copying (CopyCfg), so the four always agree on names and fields.
//
// Promises:
//  - Rows are read and written in table order, so a new key gets its values in that order.
//  - Every row is read; `use` says whether it is also written, compared and copied (a read-only
//    value is read, compared and copied but never written, so a stored value survives a Save).
//  - The encodings are those of record_values.h: numbers REG_DWORD; wide texts REG_SZ (or, with
//    type REG_BINARY, UTF-16 bytes with their terminator); byte strings of `capacity` bytes written
//    with `type` (REG_BINARY unless given); fixed byte fields and GUIDs REG_BINARY of their size;
//    byte vectors REG_BINARY of at most `capacity` bytes, replaced whole when read.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "config/guid.h"
#include "config/record_values.h"
#include "platform/win32.h"

namespace qel::config {

// What a row takes part in besides being read.
enum RowUse : unsigned {
    kRowWritten = 1u,
    kRowCompared = 2u,  // compared by IsEqualCfg
    kRowCopied = 4u,    // copied by CopyCfg
    kRowCompareCopy = kRowCompared | kRowCopied,
    kRowAllUses = kRowWritten | kRowCompared | kRowCopied,
    kRowReadOnly = 0u,  // read only, by a record that neither compares nor copies it
};

template <class R>
struct RecordRow {
    using Member = std::variant<DWORD R::*, std::u16string R::*, std::string R::*, std::array<BYTE, 3> R::*,
                                std::array<BYTE, 6> R::*, std::array<BYTE, 8> R::*, GUID R::*,
                                std::vector<BYTE> R::*>;
    std::u16string_view name;
    Member member;
    std::size_t capacity = 0;  // texts: wide characters, byte strings and vectors: bytes; terminator included
    unsigned use = kRowAllUses;
    DWORD type = REG_NONE;     // REG_NONE: the usual type of the field's kind
};

namespace detail {

template <class... F>
struct Overload : F... {
    using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

template <class T>
std::span<BYTE> object_bytes(T& object) {
    return std::span<BYTE>(reinterpret_cast<BYTE*>(&object), sizeof(T));
}
template <class T>
std::span<const BYTE> object_bytes(const T& object) {
    return std::span<const BYTE>(reinterpret_cast<const BYTE*>(&object), sizeof(T));
}

}  // namespace detail

// Reads every row into `record`; each value keeps the field as it was when missing or unfit.
template <class R, class Rows>
void read_rows(HKEY key, R& record, const Rows& rows) {
    for (const auto& row : rows) {
        std::visit(detail::Overload{
                       [&](DWORD R::*m) { get_dword(key, row.name, record.*m); },
                       [&](std::u16string R::*m) {
                           if (row.type == REG_BINARY)
                               get_wide_binary(key, row.name, record.*m, row.capacity);
                           else
                               get_text(key, row.name, record.*m, row.capacity);
                       },
                       [&](std::string R::*m) { get_byte_string(key, row.name, record.*m, row.capacity); },
                       [&](std::vector<BYTE> R::*m) { get_byte_vector(key, row.name, record.*m, row.capacity); },
                       [&](auto m) { get_bytes(key, row.name, detail::object_bytes(record.*m)); },
                   },
                   row.member);
    }
}

// Writes every row marked written.
template <class R, class Rows>
void write_rows(HKEY key, const R& record, const Rows& rows) {
    for (const auto& row : rows) {
        if ((row.use & kRowWritten) == 0) continue;
        std::visit(detail::Overload{
                       [&](DWORD R::*m) { put_dword(key, row.name, record.*m); },
                       [&](std::u16string R::*m) {
                           if (row.type == REG_BINARY)
                               put_wide_binary(key, row.name, record.*m, row.capacity);
                           else
                               put_text(key, row.name, record.*m, row.capacity);
                       },
                       [&](std::string R::*m) {
                           put_byte_string(key, row.name, record.*m, row.capacity,
                                           row.type == REG_NONE ? REG_BINARY : row.type);
                       },
                       [&](std::vector<BYTE> R::*m) {
                           const auto& bytes = record.*m;
                           put_bytes(key, row.name,
                                     std::span<const BYTE>(bytes.data(), std::min(bytes.size(), row.capacity)));
                       },
                       [&](auto m) { put_bytes(key, row.name, detail::object_bytes(record.*m)); },
                   },
                   row.member);
    }
}

// True when every row marked compared holds the same value in both records.
template <class R, class Rows>
bool rows_equal(const R& a, const R& b, const Rows& rows) {
    for (const auto& row : rows) {
        if ((row.use & kRowCompared) == 0) continue;
        if (!std::visit([&](auto m) { return a.*m == b.*m; }, row.member)) return false;
    }
    return true;
}

// Copies every row marked copied from `from` into `to`.
template <class R, class Rows>
void copy_rows(R& to, const R& from, const Rows& rows) {
    for (const auto& row : rows) {
        if ((row.use & kRowCopied) != 0) std::visit([&](auto m) { to.*m = from.*m; }, row.member);
    }
}

}  // namespace qel::config

// Defines Type::GetAll and Type::PutAll over the table `rows`, each after its base's.
#define QEL_CFG_TABLE_IO(Type, Base, rows)                                              \
    void Type::GetAll(HKEY hKey) {                                                      \
        Base::GetAll(hKey);                                                             \
        qel::config::read_rows(hKey, *this, rows);                                      \
    }                                                                                   \
    void Type::PutAll(HKEY hKey) {                                                      \
        Base::PutAll(hKey);                                                             \
        qel::config::write_rows(hKey, *this, rows);                                     \
    }

// The same for a record whose values are all in its own table (derived from CBTCfg directly).
#define QEL_CFG_ROOT_TABLE_IO(Type, rows)                                               \
    void Type::GetAll(HKEY hKey) { qel::config::read_rows(hKey, *this, rows); }         \
    void Type::PutAll(HKEY hKey) { qel::config::write_rows(hKey, *this, rows); }

// Defines Type::IsEqualCfg and Type::CopyCfg (the comparison slots of record_slots.h) over the
// table `rows`, each after its base's.
#define QEL_CFG_TABLE_COMPARISON(Type, Base, rows)                                      \
    bool Type::IsEqualCfg(const Type& other) const {                                    \
        return Base::IsEqualCfg(other) && qel::config::rows_equal(*this, other, rows);  \
    }                                                                                   \
    void Type::CopyCfg(const Type& other) {                                             \
        Base::CopyCfg(other);                                                           \
        qel::config::copy_rows(*this, other, rows);                                     \
    }

// All four.
#define QEL_CFG_TABLE_METHODS(Type, Base, rows) \
    QEL_CFG_TABLE_IO(Type, Base, rows)          \
    QEL_CFG_TABLE_COMPARISON(Type, Base, rows)
#define QEL_CFG_ROOT_TABLE_METHODS(Type, rows) \
    QEL_CFG_ROOT_TABLE_IO(Type, rows)          \
    QEL_CFG_TABLE_COMPARISON(Type, CBTCfg, rows)
