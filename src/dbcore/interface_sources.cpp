#include "dbcore/interface_sources.h"

#include "dbcore/record_routines.h"
#include "dbcore/sql_interfaces.h"
#include "dbcore/value_interfaces.h"
#include "foundation/interface_connection.h"

#include <QCoreApplication>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

const QString kSqlProperty = QStringLiteral("SQL");

bool IsTitleDelimiter(QChar c) {
    return c == QLatin1Char(',') || c == QLatin1Char(';');
}

bool IsTitleTrimmed(QChar c) {
    return QStringView(u"'\" [],;").contains(c);
}

} // namespace

// ---- TKxRecordsetIntfSource

TKxRecordsetIntfSource::TKxRecordsetIntfSource(QObject* owner,
                                               const std::vector<KxGuid>& furtherConnect,
                                               const TKxInterfaceIDArray& furtherNeeded,
                                               TKxLifetime lifetime)
    : TKxActivatableIntfSource(owner, lifetime) {
    AddNeededIntfID(KxInterfaceId::Of<IKxGetItemByName>());
    AddNeededIntfID(KxInterfaceId::Of<IConnectionPointContainer>());
    for (const KxInterfaceId& iid : furtherNeeded)
        AddNeededIntfID(iid);
    // A recordset that never sends one of these is still a recordset a control can show.
    AddIntfIDToConnect(IKxPositionChangeSink::IID, false);
    AddIntfIDToConnect(IKxOperationSink::IID, false);
    AddIntfIDToConnect(IKxFieldValueChangeSink::IID, false);
    AddIntfIDToConnect(IKxSQLChangeSink::IID, false);
    AddIntfIDToConnect(IKxValidateFieldValuesSink::IID, false);
    for (const KxGuid& iid : furtherConnect)
        AddIntfIDToConnect(iid, true);
}

KxHResult TKxRecordsetIntfSource::GetItemByName(const QString& name, const KxInterfaceId& iid,
                                                KxIntf<IKxUnknown>& item) const {
    item.reset();
    const KxIntf<IKxGetItemByName> items = QueryIntf<IKxGetItemByName>();
    if (!items)
        return hr::E_Fail;
    const KxHResult result = items->GetItemByName(name, item);
    if (result != hr::S_Ok) {
        item.reset();
        return result;
    }
    if (!iid.IsSupportedBy(item.get())) {
        item.reset();
        return hr::E_NoInterface;
    }
    return hr::S_Ok;
}

bool TKxRecordsetIntfSource::IsFieldUpdatable(const QString& name) const {
    KxIntf<IKxUnknown> field;
    if (GetItemByName(name, KxInterfaceId::Of<IKxFieldProperties>(), field) != hr::S_Ok)
        return false;
    return KxQuery<IKxFieldProperties>(field)->GetUpdatable();
}

TKxRecordsetState TKxRecordsetIntfSource::GetRecordsetState() const {
    const KxIntf<IKxGetRecordsetState> state = QueryIntf<IKxGetRecordsetState>();
    return state ? state->GetRecordsetState() : rsInactive;
}

QString TKxRecordsetIntfSource::GetSourceDescription() const {
    if (const KxIntf<IKxGetDisplayText> display = QueryIntf<IKxGetDisplayText>())
        return display->GetDisplayText();
    if (const auto sql = KxGetPropertyIntf<IKxGetAsString>(InterfaceSource().get(), kSqlProperty))
        return sql->GetAsString();
    return {};
}

QString TKxRecordsetIntfSource::SourceTableName() const {
    if (const auto table =
            KxGetPropertyIntf<IKxGetTableName>(InterfaceSource().get(), kSqlProperty))
        return table->GetTableName();
    return {};
}

bool TKxRecordsetIntfSource::CanEdit() const {
    return KxCanEdit(InterfaceSource().get());
}

bool TKxRecordsetIntfSource::Edit() {
    return KxEditObject(InterfaceSource().get());
}

void TKxRecordsetIntfSource::BeforePositionChange() {
    if (OnBeforePositionChange)
        OnBeforePositionChange();
}

void TKxRecordsetIntfSource::AfterPositionChange() {
    if (OnAfterPositionChange)
        OnAfterPositionChange();
}

void TKxRecordsetIntfSource::BeforeOperation(int operation, IKxUnknown* parameter) {
    if (OnBeforeOperation)
        OnBeforeOperation(operation, parameter);
}

void TKxRecordsetIntfSource::AfterOperation(int operation, IKxUnknown* parameter) {
    if (OnAfterOperation)
        OnAfterOperation(operation, parameter);
}

void TKxRecordsetIntfSource::AfterFieldValueChange(const QString& fieldName) {
    if (OnAfterFieldValueChange)
        OnAfterFieldValueChange(InterfaceSource().get(), fieldName);
}

void TKxRecordsetIntfSource::AfterSQLChange() {
    if (OnAfterSQLChange)
        OnAfterSQLChange();
}

void TKxRecordsetIntfSource::ValidateFieldValues() {
    if (OnValidateFieldValues)
        OnValidateFieldValues();
}

void TKxRecordsetIntfSource::FillNameList(int listKind, IKxUnknown* target) {
    if (const KxIntf<IKxFillNameList> names = QueryIntf<IKxFillNameList>())
        names->FillNameList(listKind, target);
}

// ---- TKxFieldIntfSource

TKxFieldIntfSource::TKxFieldIntfSource(QObject* owner, TKxLifetime lifetime)
    : TKxRecordsetIntfSource(owner, {}, {}, lifetime) {}

void TKxFieldIntfSource::SetFieldName(const QString& value) {
    if (value == m_fieldName)
        return;
    const QString old = std::exchange(m_fieldName, value);
    if (OnAfterFieldNameChange)
        OnAfterFieldNameChange(static_cast<IKxUnknown*>(this), old, value);
}

KxHResult TKxFieldIntfSource::GetFieldIntf(const KxInterfaceId& iid,
                                           KxIntf<IKxUnknown>& item) const {
    return GetItemByName(m_fieldName, iid, item);
}

bool TKxFieldIntfSource::Edit() {
    return IsFieldUpdatable(m_fieldName) && KxEditObject(InterfaceSource().get());
}

QString TKxFieldIntfSource::GetSourceDescription() const {
    QString text = QStringLiteral("%1.%2").arg(SourceTableName(), m_fieldName);
    qsizetype first = 0;
    while (first < text.size() && text.at(first) == QLatin1Char('.'))
        ++first;
    qsizetype end = text.size();
    while (end > first && text.at(end - 1) == QLatin1Char('.'))
        --end;
    return text.mid(first, end - first);
}

void TKxFieldIntfSource::Assign(const TKxInterfacedPersistent* source) {
    TKxRecordsetIntfSource::Assign(source);
    if (const auto* other = dynamic_cast<const TKxFieldIntfSource*>(source))
        SetFieldName(other->m_fieldName);
}

// ---- TKxTreeIntfSource

TKxTreeIntfSource::TKxTreeIntfSource(QObject* owner, TKxLifetime lifetime)
    : TKxRecordsetIntfSource(owner, {},
                             {KxInterfaceId::Of<IKxCreateCopyQI>(),
                              KxInterfaceId::Of<IKxGetPropertyIntf>(),
                              KxInterfaceId::Of<IKxForwardCursor>()},
                             lifetime) {
    // A tree rebuilds its nodes from every change, also while notifications are disabled.
    SetAlwaysNotify(true);
}

void TKxTreeIntfSource::ChangeName(QString& name, const QString& value) {
    if (value == name)
        return;
    const QString old = std::exchange(name, value);
    if (OnAfterFieldNameChange)
        OnAfterFieldNameChange(static_cast<IKxUnknown*>(this), old, value);
}

void TKxTreeIntfSource::SetKeyFieldName(const QString& value) {
    ChangeName(m_keyFieldName, value);
}

void TKxTreeIntfSource::SetNodeTitleFieldNames(const QString& value) {
    if (value == m_nodeTitleFieldNames)
        return;
    m_titleFieldList = KxSplitTitleFieldNames(value);
    ChangeName(m_nodeTitleFieldNames, value);
}

void TKxTreeIntfSource::SetParentFieldName(const QString& value) {
    ChangeName(m_parentFieldName, value);
}

void TKxTreeIntfSource::SetImageIndexFieldName(const QString& value) {
    ChangeName(m_imageIndexFieldName, value);
}

void TKxTreeIntfSource::SetSelectedIndexFieldName(const QString& value) {
    ChangeName(m_selectedIndexFieldName, value);
}

void TKxTreeIntfSource::SetStateImageIdxFieldName(const QString& value) {
    ChangeName(m_stateImageIdxFieldName, value);
}

QString TKxTreeIntfSource::GetSourceDescription() const {
    QString table = SourceTableName();
    if (!KxGetPropertyIntf<IKxGetTableName>(InterfaceSource().get(), kSqlProperty))
        table = QStringLiteral("?");
    return Tr("Table:\t%1\r\rKey:\t%2\rParent:\t%3\rTitle:\t%4\rImage:\t%5\rSelected:\t%6\r"
              "State:\t%7")
        .arg(table, m_keyFieldName, m_parentFieldName, m_nodeTitleFieldNames, m_imageIndexFieldName,
             m_selectedIndexFieldName, m_stateImageIdxFieldName);
}

void TKxTreeIntfSource::Assign(const TKxInterfacedPersistent* source) {
    TKxRecordsetIntfSource::Assign(source);
    const auto* other = dynamic_cast<const TKxTreeIntfSource*>(source);
    if (other == nullptr)
        return;
    // The state image field and the fixed indexes belong to the control, not to the data.
    SetKeyFieldName(other->m_keyFieldName);
    SetNodeTitleFieldNames(other->m_nodeTitleFieldNames);
    SetParentFieldName(other->m_parentFieldName);
    SetImageIndexFieldName(other->m_imageIndexFieldName);
    SetSelectedIndexFieldName(other->m_selectedIndexFieldName);
}

QStringList KxSplitTitleFieldNames(const QString& text) {
    QStringList names;
    qsizetype pos = 0;
    const qsizetype length = text.size();
    while (true) {
        while (pos < length && IsTitleDelimiter(text.at(pos)))
            ++pos;
        if (pos >= length)
            break;
        qsizetype end = pos;
        while (end < length && !IsTitleDelimiter(text.at(end)))
            ++end;
        qsizetype first = pos;
        qsizetype last = end;
        while (first < last && IsTitleTrimmed(text.at(first)))
            ++first;
        while (last > first && IsTitleTrimmed(text.at(last - 1)))
            --last;
        if (first == last)
            break;
        names.append(text.mid(first, last - first));
        pos = end;
    }
    return names;
}

} // namespace kx
