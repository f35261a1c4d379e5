#include "dbcore/sql_parameters.h"

#include "dbcore/sql_literals.h"
#include "dbcore/sql_text_scanner.h"
#include "dbcore/sql_words.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connection.h"
#include "foundation/operations.h"

#include <QCoreApplication>

namespace kx {

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

const QString kGetParameterRoutine = QStringLiteral("TKxSqlParameterList.GetParameter");

} // namespace

bool KxIsOwnerLoading(IKxUnknown* owner) {
    const KxIntf<IKxComponentLoading> loading = KxQuery<IKxComponentLoading>(owner);
    return loading && loading->IsLoading();
}

// ---- TKxSqlParameter

TKxSqlParameter::TKxSqlParameter(TKxSqlParameterList* list, QString name, KxVariant value)
    : TKxInterfacedObject(TKxLifetime::OwnerOwned), m_list(list), m_name(std::move(name)),
      m_value(std::move(value)) {}

void TKxSqlParameter::SetValue(const KxVariant& value) {
    m_value = value;
    if (m_list != nullptr)
        m_list->OnParameterValueChanged(this);
}

void TKxSqlParameter::AssignValue(const KxVariant& value) {
    m_value = value;
}

// ---- TKxSqlParameterList

TKxSqlParameterList::TKxSqlParameterList(IKxUnknown* owner, TKxLifetime lifetime)
    : TKxInterfacedPersistent(lifetime), m_owner(owner) {
    m_parameters.SetCompare(
        [](const TKxSqlParameter* a, const TKxSqlParameter* b) { return KxCompareByName(a, b); });
    m_parameters.SetSorted(true);
}

TKxSqlParameterList::~TKxSqlParameterList() {
    m_parameters.Clear();
}

bool TKxSqlParameterList::FindParameter(const QString& name, TKxSqlParameter*& parameter) const {
    parameter = nullptr;
    if (name.isEmpty())
        return false;
    int index = -1;
    const bool found = m_parameters.FindKey<QString>(
        name,
        [](const QString& key, const TKxSqlParameter* item) {
            return KxCompareNames(key, item->GetName());
        },
        index);
    if (found)
        parameter = m_parameters.Items(index);
    return found;
}

TKxSqlParameter* TKxSqlParameterList::GetParameter(const KxVariant& index) const {
    if (index.IsText()) {
        const QString name = index.ToString();
        TKxSqlParameter* parameter = nullptr;
        if (!FindParameter(name, parameter))
            KxRaise(Tr("A parameter with name '%1' doesn't exist").arg(name), kGetParameterRoutine,
                    KxObjectDescription(m_owner));
        return parameter;
    }
    if (index.IsNumeric())
        return m_parameters.Items(index.ToInt());
    KxRaise(KxUnsupportedIndexTypeText(index.VarType()), kGetParameterRoutine,
            KxObjectDescription(m_owner));
}

TKxSqlParameter* TKxSqlParameterList::AddParameter(const QString& name) {
    TKxSqlParameter* existing = nullptr;
    if (FindParameter(name, existing))
        return existing;
    auto parameter = std::make_unique<TKxSqlParameter>(this, name);
    TKxSqlParameter* added = parameter.get();
    m_parameters.Add(std::move(parameter));
    return added;
}

KxHResult TKxSqlParameterList::GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) {
    item = KxIntf<IKxUnknown>(GetParameter(name));
    return hr::S_Ok;
}

KxHResult TKxSqlParameterList::GetItemByIndex(int index, KxIntf<IKxUnknown>& item) {
    item = KxIntf<IKxUnknown>(GetParameter(index));
    return hr::S_Ok;
}

void TKxSqlParameterList::Assign(const TKxInterfacedPersistent* source) {
    const auto* other = dynamic_cast<const TKxSqlParameterList*>(source);
    if (other == nullptr) {
        TKxInterfacedPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    m_parameters.Clear();
    for (int i = 0; i < other->Count(); ++i) {
        const TKxSqlParameter* parameter = other->Items(i);
        m_parameters.Add(
            std::make_unique<TKxSqlParameter>(this, parameter->GetName(), parameter->GetValue()));
    }
    m_reExecuteAfterParamValueChange = other->m_reExecuteAfterParamValueChange;
}

void TKxSqlParameterList::AssignValues(const TKxSqlParameterList& source) {
    for (int i = 0; i < source.Count(); ++i) {
        const TKxSqlParameter* from = source.Items(i);
        TKxSqlParameter* to = nullptr;
        if (FindParameter(from->GetName(), to))
            to->AssignValue(from->GetValue());
    }
}

void TKxSqlParameterList::UpdateFromSQL() {
    KxIntf<IKxGetAsString> source(m_sqlSource);
    if (!source)
        source = KxGetPropertyIntf<IKxGetAsString>(m_owner, QStringLiteral("SQL"));
    if (source)
        UpdateFromSQLText(source->GetAsString());
}

void TKxSqlParameterList::UpdateFromSQLText(const QString& text) {
    TKxSqlParameterList previous(nullptr);
    previous.Assign(this);
    m_parameters.Clear();
    for (const TKxSqlParameterMarker& marker : KxFindSqlParameterMarkers(text)) {
        if (!marker.name.isEmpty())
            AddParameter(marker.name);
    }
    AssignValues(previous);
}

void TKxSqlParameterList::OnParameterValueChanged(TKxSqlParameter* /*parameter*/) {
    if (m_owner == nullptr || !m_reExecuteAfterParamValueChange || KxIsOwnerLoading(m_owner))
        return;
    KxExecuteOperation(m_owner, roScheduleReExecution, QString(), nullptr,
                       QStringLiteral("OnParameterValueChanged"));
}

QString TKxSqlParameterList::ResolveParameters(const QString& text) const {
    QString result;
    result.reserve(text.size());
    QStringList unresolved;
    qsizetype copied = 0; // of `text`
    // Text already substituted is never touched again: a null comparison only swallows the
    // operator written since the previous marker.
    qsizetype settled = 0; // of `result`
    for (const TKxSqlParameterMarker& marker : KxFindSqlParameterMarkers(text)) {
        TKxSqlParameter* parameter = nullptr;
        if (!FindParameter(marker.name, parameter)) {
            unresolved.append(marker.name);
            continue;
        }
        result += QStringView(text).mid(copied, marker.position - copied);
        copied = marker.position + marker.length;
        const KxVariant value = parameter->GetValue();
        if (value.IsEmptyOrNull()) {
            const QStringView comparison = u"=<>!*+- \t\n\r";
            qsizetype end = result.size();
            while (end > settled && comparison.contains(result[end - 1]))
                --end;
            result.truncate(end);
            result += QStringLiteral(" IS NULL ");
        } else {
            result += ValueAsSQLLiteral(value, QLatin1Char('\''));
        }
        settled = result.size();
    }
    if (!unresolved.isEmpty()) {
        QString message = Tr("Failed to prepare the SQL Statement because the following "
                             "Parameters are unresolved or have no Value assigned to them: ");
        for (const QString& name : unresolved)
            message += name + QStringLiteral(", ");
        KxRaise(KxStripChars(message, u", "), QStringLiteral("ResolveSQLParamValues"),
                KxObjectDescription(m_owner));
    }
    result += QStringView(text).mid(copied);
    return result;
}

} // namespace kx
