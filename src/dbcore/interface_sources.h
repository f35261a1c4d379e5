#pragma once

#include "dbcore/record_interfaces.h"
#include "dbcore/record_states.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/interface_connector.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace kx {

using TKxObjectProc = std::function<void()>;
using TKxOperationNotifyEvent = std::function<void(int operation, IKxUnknown* parameter)>;
using TKxFieldValueChangeNotifyEvent =
    std::function<void(IKxUnknown* sender, const QString& fieldName)>;
using TKxFieldNameChangeNotifyEvent = std::function<void(
    IKxUnknown* sender, const QString& oldFieldName, const QString& newFieldName)>;

// What a data-aware control holds instead of a recordset: a connector that checks the
// recordset offers what the control needs, advises itself on the recordset's connection
// points and turns the notifications into events of the control. The events are called only
// when assigned; what a handler raises goes back to the notifier, so a before-event can
// stop a move or an operation.
class TKxRecordsetIntfSource : public TKxActivatableIntfSource,
                               public virtual IKxPositionChangeSink,
                               public virtual IKxOperationSink,
                               public virtual IKxFieldValueChangeSink,
                               public virtual IKxSQLChangeSink,
                               public virtual IKxValidateFieldValuesSink,
                               public virtual IKxFillNameList {
public:
    // `furtherConnect` are more notification interfaces to advise (required), `furtherNeeded`
    // more interfaces the recordset must offer.
    explicit TKxRecordsetIntfSource(QObject* owner = nullptr,
                                    const std::vector<KxGuid>& furtherConnect = {},
                                    const TKxInterfaceIDArray& furtherNeeded = {},
                                    TKxLifetime lifetime = TKxLifetime::OwnerOwned);

    // The recordset's item `name` as interface `iid`; E_FAIL without a recordset or when it
    // cannot be asked by name, E_NOINTERFACE when the item lacks `iid`.
    KxHResult GetItemByName(const QString& name, const KxInterfaceId& iid,
                            KxIntf<IKxUnknown>& item) const;
    bool IsFieldUpdatable(const QString& name) const;
    TKxRecordsetState GetRecordsetState() const;
    // How a property editor names the recordset: its own display text, else its SQL text.
    virtual QString GetSourceDescription() const;
    bool CanEdit() const;
    virtual bool Edit();

    void BeforePositionChange() override;
    void AfterPositionChange() override;
    void BeforeOperation(int operation, IKxUnknown* parameter) override;
    void AfterOperation(int operation, IKxUnknown* parameter) override;
    void AfterFieldValueChange(const QString& fieldName) override;
    void AfterSQLChange() override;
    void ValidateFieldValues() override;
    void FillNameList(int listKind, IKxUnknown* target) override;

    TKxObjectProc OnBeforePositionChange;
    TKxObjectProc OnAfterPositionChange;
    TKxOperationNotifyEvent OnBeforeOperation;
    TKxOperationNotifyEvent OnAfterOperation;
    TKxFieldValueChangeNotifyEvent OnAfterFieldValueChange;
    TKxObjectProc OnAfterSQLChange;
    TKxObjectProc OnValidateFieldValues;

protected:
    // The text of the recordset's "SQL" property when it names one table, else empty.
    QString SourceTableName() const;
};

// The master of a detail recordset.
class TKxRecordsetMasterSource : public TKxRecordsetIntfSource {
public:
    using TKxRecordsetIntfSource::TKxRecordsetIntfSource;

    bool AutoActivate() const { return m_autoActivate; }
    void SetAutoActivate(bool value) { m_autoActivate = value; }

private:
    bool m_autoActivate = true;
};

// Binds a control to one field. Changing the field name keeps the connection; only the
// event tells the control.
class TKxFieldIntfSource : public TKxRecordsetIntfSource, public virtual IKxGetSetName {
public:
    explicit TKxFieldIntfSource(QObject* owner = nullptr,
                                TKxLifetime lifetime = TKxLifetime::OwnerOwned);

    const QString& FieldName() const { return m_fieldName; }
    // A different name (case counts) is stored and announced; the same name does nothing.
    void SetFieldName(const QString& value);
    QString GetName() const override { return m_fieldName; }
    void SetName(const QString& value) override { SetFieldName(value); }

    KxHResult GetFieldIntf(const KxInterfaceId& iid, KxIntf<IKxUnknown>& item) const;
    // Only a field that can be updated starts editing.
    bool Edit() override;
    // "table.field", or the bare field name when the table is unknown.
    QString GetSourceDescription() const override;
    void Assign(const TKxInterfacedPersistent* source) override;

    TKxFieldNameChangeNotifyEvent OnAfterFieldNameChange;

private:
    QString m_fieldName;
};

// Binds a data tree control to a recordset whose records refer to their parent's key.
class TKxTreeIntfSource : public TKxRecordsetIntfSource {
public:
    explicit TKxTreeIntfSource(QObject* owner = nullptr,
                               TKxLifetime lifetime = TKxLifetime::OwnerOwned);

    const QString& KeyFieldName() const { return m_keyFieldName; }
    const QString& NodeTitleFieldNames() const { return m_nodeTitleFieldNames; }
    const QString& ParentFieldName() const { return m_parentFieldName; }
    const QString& ImageIndexFieldName() const { return m_imageIndexFieldName; }
    const QString& SelectedIndexFieldName() const { return m_selectedIndexFieldName; }
    const QString& StateImageIdxFieldName() const { return m_stateImageIdxFieldName; }
    int FixedImageIndex() const { return m_fixedImageIndex; }
    int FixedSelectedImageIndex() const { return m_fixedSelectedImageIndex; }
    // The fields of a node's caption, from NodeTitleFieldNames.
    const QStringList& TitleFieldList() const { return m_titleFieldList; }

    void SetKeyFieldName(const QString& value);
    void SetNodeTitleFieldNames(const QString& value);
    void SetParentFieldName(const QString& value);
    void SetImageIndexFieldName(const QString& value);
    void SetSelectedIndexFieldName(const QString& value);
    void SetStateImageIdxFieldName(const QString& value);
    void SetFixedImageIndex(int value) { m_fixedImageIndex = value; }
    void SetFixedSelectedImageIndex(int value) { m_fixedSelectedImageIndex = value; }

    QString GetSourceDescription() const override;
    void Assign(const TKxInterfacedPersistent* source) override;

    TKxFieldNameChangeNotifyEvent OnAfterFieldNameChange;

private:
    void ChangeName(QString& name, const QString& value);

    QString m_keyFieldName;
    QString m_nodeTitleFieldNames;
    QString m_parentFieldName;
    QString m_imageIndexFieldName;
    QString m_selectedIndexFieldName;
    QString m_stateImageIdxFieldName;
    int m_fixedImageIndex = -1;
    int m_fixedSelectedImageIndex = -1;
    QStringList m_titleFieldList;
};

// The field names of a list such as «Name, [Code]»: items separated by "," or ";", each
// stripped of quotes, brackets and blanks. An item that is empty after stripping ends the
// list.
QStringList KxSplitTitleFieldNames(const QString& text);

} // namespace kx
