// The comparison slots a record family adds when it compares and copies values of its own: its
// IsEqualCfg and CopyCfg (defined by the family, each calling its base's first), the operators
// built on them, and a copy constructor. Every level keeps the slots of the levels above visible,
// so a record compared or assigned as one of its bases behaves as that base.
#pragma once

// Declares, inside the class Type derived from Base: IsEqualCfg(const Type&), CopyCfg(const Type&),
// operator!=, operator== and operator= taking a Type, in that order, and the copy constructor.
#define QEL_CFG_COMPARISON_SLOTS(Type, Base)                                    \
    QEL_CFG_SLOTS_ONLY(Type, Base)                                              \
    Type(const Type& other) = default;

// The same without the copy constructor, for a record that declares its own.
#define QEL_CFG_SLOTS_ONLY(Type, Base)                                          \
public:                                                                         \
    using Base::IsEqualCfg;                                                     \
    using Base::CopyCfg;                                                        \
    using Base::operator!=;                                                     \
    using Base::operator==;                                                     \
    using Base::operator=;                                                      \
    virtual bool IsEqualCfg(const Type& other) const;                           \
    virtual void CopyCfg(const Type& other);                                    \
    virtual bool operator!=(const Type& other) const { return !IsEqualCfg(other); } \
    virtual bool operator==(const Type& other) const { return IsEqualCfg(other); }  \
    virtual Type& operator=(const Type& other) {                                \
        if (this != &other) CopyCfg(other);                                     \
        return *this;                                                           \
    }
