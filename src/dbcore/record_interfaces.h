#pragma once

#include "foundation/basic_interfaces.h"

#include <QString>
#include <cstdint>

namespace kx {

// The interfaces by which controls and record routines move through a recordset, look values
// up, follow parent references and read the catalog settings of a schema recordset.

// Cursors, each extending the one before: a forward-only result set offers only the first.
// The boundary tests are IsBOF/IsEOF because EOF is a macro of the C library.
class IKxForwardCursor : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B20, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x20}};
    virtual bool IsBOF() const = 0;
    virtual bool IsEOF() const = 0;
    virtual void MoveToNext() = 0;
};

class IKxBidirectionalCursor : public virtual IKxForwardCursor {
public:
    static constexpr KxGuid IID{
        0x6B9C1B21, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x21}};
    virtual void MoveToPrevious() = 0;
};

class IKxScrollableCursor : public virtual IKxBidirectionalCursor {
public:
    static constexpr KxGuid IID{
        0x6B9C1B22, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x22}};
    virtual void MoveToFirst() = 0;
    virtual void MoveToLast() = 0;
};

enum TKxMoveDirection : int { mdFirst = 0, mdPrevious = 1, mdNext = 2, mdLast = 3 };

// Reads the values of the first record matching `condition` into the items of `values`
// (a list of named value objects) without moving the recordset itself.
class IKxLookupValues : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B23, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x23}};
    virtual bool LookupValues(const QString& condition, IKxUnknown* values) = 0;
};

// Moves to the record holding the given values (a list of named matches, as the search edit
// builds them): false, without moving, when there is none.
class IKxLocateValues : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B26, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x26}};
    virtual bool LocateValues(IKxUnknown* values) = 0;
};

// The position of the record holding the given values, without moving (-1 for none).
class IKxPositionOfValues : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B27, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x27}};
    virtual bool PositionOfValues(IKxUnknown* values, std::int64_t& position) = 0;
};

// The self reference of a recordset whose records form a tree: a record's children are the
// records whose parent-reference field equals its key field.
class IKxCascadedContents : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B25, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x25}};
    virtual QString GetKeyValueName() const = 0;
    virtual QString GetParentReferenceValueName() const = 0;
    // Both names are set.
    virtual bool GetEnabled() const = 0;
};

// Which catalog list a schema recordset reads and the name patterns it passes.
class IKxSchemaDataProperties : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B28, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x28}};
    virtual int GetSchemaList() const = 0;
    // Raises for a value outside the known lists.
    virtual void SetSchemaList(int value) = 0;
    virtual QString GetDatabaseName() const = 0;
    virtual void SetDatabaseName(const QString& value) = 0;
    virtual QString GetSchemaName() const = 0;
    virtual void SetSchemaName(const QString& value) = 0;
    virtual QString GetTableName() const = 0;
    virtual void SetTableName(const QString& value) = 0;
    virtual QString GetColumnName() const = 0;
    virtual void SetColumnName(const QString& value) = 0;
    virtual QString GetForeignDatabaseName() const = 0;
    virtual void SetForeignDatabaseName(const QString& value) = 0;
    virtual QString GetForeignSchemaName() const = 0;
    virtual void SetForeignSchemaName(const QString& value) = 0;
    virtual QString GetForeignTableName() const = 0;
    virtual void SetForeignTableName(const QString& value) = 0;
};

// The character the data source of a catalog reader puts before "_" and "%" in a search
// pattern so they match themselves; empty when it has none (or no data source is known).
// Whoever asks the catalog for one object by its name escapes the name with it first: a
// table "my_t" would otherwise also match "myXt".
class IKxCatalogPatternEscape : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B29, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x29}};
    virtual QString GetSearchPatternEscape() = 0;
};

// Whether a schema holds the database's own catalog and built-in routines rather than the
// user's objects: a browser lists those only when asked for system objects.
class IKxCatalogSystemSchemas : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1B2A, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1F, 0x2A}};
    virtual bool IsSystemSchema(const QString& schema) = 0;
};

} // namespace kx
