#pragma once

#include "dbcore/sort_order.h"
#include "foundation/kx_hresult.h"
#include "foundation/kx_intf.h"
#include "foundation/kx_variant.h"

#include <QString>

namespace kx {

// The small interfaces through which bound controls reach a statement: its sort order, a
// restricted copy of it, its connection, its position store and its name lists.

class IKxGetFieldSortOrder : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF0, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x00}};
    virtual TKxSortOrder GetFieldSortOrder(const QString& fieldName) = 0;
};

class IKxSetFieldSortOrder : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF1, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x01}};
    virtual void SetFieldSortOrder(const QString& fieldName, TKxSortOrder sortOrder,
                                   bool keepOtherFields, bool reExecute) = 0;
};

class IKxGetFirstSortField : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF2, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x02}};
    virtual bool GetFirstSortField(QString& fieldName) = 0;
};

// A new object of the same class with the same settings.
class IKxCreateCopyQI : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF3, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x03}};
    virtual KxHResult CreateCopyQI(KxIntf<IKxUnknown>& copy) = 0;
};

// A copy of the statement restricted to the rows where `fieldName` equals `value`.
class IKxCreateRestrictedCopy : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF4, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x04}};
    virtual KxHResult CreateRestrictedCopy(const QString& fieldName, const KxVariant& value,
                                           KxIntf<IKxUnknown>& copy) = 0;
};

// Interfaces a component holds by index; index 0 of a statement is its connection.
class IKxGetSetIntfByIndex : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF5, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x05}};
    virtual KxIntf<IKxUnknown> GetIntfByIndex(int index) = 0;
    virtual void SetIntfByIndex(int index, IKxUnknown* intf) = 0;
};

// Saves and restores the position and state of a recordset around a re-execution.
class IKxRecordsetStateStore : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF6, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x06}};
    virtual KxIntf<IKxUnknown> CreateStateHolder() = 0;
    virtual void RestoreState(IKxUnknown* holder) = 0;
};

// Fills a list of names of the given kind (field names, parameter names …) into `target`.
class IKxFillNameList : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF7, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x07}};
    virtual void FillNameList(int listKind, IKxUnknown* target) = 0;
};

// Receives the names FillNameList lists, one call per name, with the object listing them.
class IKxNameListTarget : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AF8, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1E, 0x08}};
    virtual void AddName(IKxUnknown* source, int listKind, const QString& name) = 0;
};

} // namespace kx
