#pragma once

#include "foundation/basic_interfaces.h"
#include "foundation/kx_variant.h"

#include <QString>

namespace kx {

// The clauses of a SELECT statement, each read and written as text. The grid sorts through
// the ORDER BY part, master/detail links and cascaded deletes add to the WHERE part.
class IKxSqlStatementParts : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AE0, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1D, 0x00}};
    virtual QString GetSQLSelectedFields() const = 0;
    virtual void SetSQLSelectedFields(const QString& value) = 0;
    virtual QString GetSQLWhere() const = 0;
    virtual void SetSQLWhere(const QString& value) = 0;
    virtual QString GetSQLGroupBy() const = 0;
    virtual void SetSQLGroupBy(const QString& value) = 0;
    virtual QString GetSQLHaving() const = 0;
    virtual void SetSQLHaving(const QString& value) = 0;
    virtual QString GetSQLOrderBy() const = 0;
    virtual void SetSQLOrderBy(const QString& value) = 0;
    virtual QString GetSQLForUpdateOf() const = 0;
    virtual void SetSQLForUpdateOf(const QString& value) = 0;
};

class IKxGetTableName : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AE1, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1D, 0x01}};
    virtual QString GetTableName() const = 0;
};

class IKxGetSetTableName : public virtual IKxGetTableName {
public:
    static constexpr KxGuid IID{
        0x6B9C1AE2, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1D, 0x02}};
    virtual void SetTableName(const QString& value) = 0;
};

// A value that can be read, such as a field's current value. Reading may fetch it first, so
// implementations may fill a cache behind the const.
class IKxGetValue : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AE4, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1D, 0x04}};
    virtual KxVariant GetValue() const = 0;
};

// A value that can be read and replaced, such as a statement parameter or a field.
class IKxGetSetValue : public virtual IKxGetValue {
public:
    static constexpr KxGuid IID{
        0x6B9C1AE3, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1D, 0x03}};
    virtual void SetValue(const KxVariant& value) = 0;
};

} // namespace kx
