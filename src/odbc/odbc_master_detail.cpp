#include "dbcore/sql_parameters.h"
#include "dbcore/sql_property.h"
#include "foundation/activation_interfaces.h"
#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"
#include "odbc/odbc_recordset.h"

// Master/detail: a recordset whose parameters follow another recordset's current record.

namespace kx {
namespace {

// What ends a word of the SQL text when looking for parameters and the fields they are
// compared with.
bool IsDelimiter(QChar c) {
    return QStringLiteral(",;() \t\n\r=<>!*+-").contains(c);
}

QString StripDelimiters(QString word) {
    while (!word.isEmpty() && (IsDelimiter(word.front()) || word.front() == QLatin1Char(':')))
        word.remove(0, 1);
    while (!word.isEmpty() && IsDelimiter(word.back()))
        word.chop(1);
    return word;
}

} // namespace

TKxOdbcRecordset::TKxOdbcRecordset(QObject* owner, TKxLifetime lifetime)
    : TKxOdbcRecordsetBase(owner, lifetime), m_masterSource(new TKxRecordsetMasterSource(this)) {
    // The master's moves and changes are heard through the master source; each schedules one
    // execution after the statement's delay.
    m_masterSource->OnAfterActiveChange = [this](bool active) {
        if (!m_masterSource->AutoActivate())
            return;
        if (active)
            MasterChanged();
        else
            SetActive(false);
    };
    m_masterSource->OnAfterPositionChange = [this] { MasterChanged(); };
    m_masterSource->OnAfterOperation = [this](int operation, IKxUnknown*) {
        if (operation == roInsert || operation == roCancelChanges ||
            operation == roRefreshCurrent || operation == roReExecuteStatement)
            MasterChanged();
    };
    m_masterSource->OnAfterFieldValueChange = [this](IKxUnknown*, const QString& fieldName) {
        TKxSqlParameter* parameter = nullptr;
        if (SQL().SQLParameter().FindParameter(fieldName, parameter))
            MasterChanged();
    };
}

TKxOdbcRecordset::~TKxOdbcRecordset() {
    MarkDestroying();
    CloseBeforeDestroy();
    try {
        m_masterSource->SetInterfaceSource(nullptr);
    } catch (...) {
        KxHandleCurrentException();
    }
}

void TKxOdbcRecordset::SetMaster(IKxUnknown* master) {
    m_masterSource->SetInterfaceSource(master);
    if (master != nullptr && m_masterSource->AutoActivate() && KxGetIntfActive(master, false) &&
        GetActive())
        MasterChanged();
}

void TKxOdbcRecordset::MasterChanged() {
    if (IsDestroying())
        return;
    // A detail opened by the user follows; one that was never opened stays closed unless the
    // master source opens it.
    if (GetActive() || m_masterSource->AutoActivate())
        ScheduleReExecution(true);
}

QString TKxOdbcRecordset::GetExecutableSQL() {
    AssignMasterParamValues();
    return TKxOdbcRecordsetBase::GetExecutableSQL();
}

void TKxOdbcRecordset::AssignMasterParamValues() {
    IKxUnknown* master = m_masterSource->InterfaceSource().get();
    if (master == nullptr)
        return;
    KxSetIntfActive(master, true);
    const auto fields = KxQuery<IKxGetItemByName>(master);
    if (!fields)
        return;
    TKxSqlParameterList& parameters = SQL().SQLParameter();
    for (int index = 0; index < parameters.Count(); ++index) {
        TKxSqlParameter* parameter = parameters.Items(index);
        KxIntf<IKxUnknown> field;
        if (fields->GetItemByName(parameter->GetName(), field) != hr::S_Ok)
            continue;
        if (const auto value = KxQuery<IKxGetValue>(field))
            parameter->AssignValue(value->GetValue());
    }
}

void TKxOdbcRecordset::AssignFieldValuesFromMasterSource() {
    IKxUnknown* master = m_masterSource->InterfaceSource().get();
    if (master == nullptr)
        return;
    const QString routine = QStringLiteral("AssignFieldValuesFromMasterSource");
    KxSetIntfActive(master, true);
    const auto masterFields = KxCheckQueryInterface<IKxGetItemByName>(master, routine);
    // Every ":name" of the text, and the word before it: the field compared with it, as in
    // WHERE ORDER_ID = :ID.
    const QString text = SQL().GetAsString();
    qsizetype position = 0;
    QString previous;
    while (position < text.size()) {
        while (position < text.size() && IsDelimiter(text[position]))
            ++position;
        const qsizetype start = position;
        bool bracketed = false;
        while (position < text.size() && (bracketed || !IsDelimiter(text[position]))) {
            if (text[position] == QLatin1Char('['))
                bracketed = true;
            else if (text[position] == QLatin1Char(']'))
                bracketed = false;
            ++position;
        }
        const QString word = text.mid(start, position - start);
        if (word.size() > 1 && word.front() == QLatin1Char(':')) {
            KxIntf<IKxUnknown> field;
            const QString target = StripDelimiters(previous);
            if (!target.isEmpty() && GetItemByName(target, field) == hr::S_Ok) {
                if (const auto settable = KxQuery<IKxGetSetValue>(field))
                    settable->SetValue(KxCheckGetItemByName<IKxGetValue>(
                                           masterFields.get(), StripDelimiters(word), routine)
                                           ->GetValue());
            }
        }
        if (!word.isEmpty())
            previous = word;
    }
}

bool TKxOdbcRecordset::ExecuteOperation(int operation, IKxUnknown* parameter) {
    const bool done = TKxOdbcRecordsetBase::ExecuteOperation(operation, parameter);
    if (done && operation == roInsert)
        AssignFieldValuesFromMasterSource();
    return done;
}

} // namespace kx
