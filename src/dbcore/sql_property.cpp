#include "dbcore/sql_property.h"

#include "foundation/operations.h"

namespace kx {

TKxSqlProperty::TKxSqlProperty(IKxUnknown* owner, TKxSqlChangeCallback onChange)
    : TKxInterfacedPersistent(TKxLifetime::OwnerOwned), m_owner(owner),
      m_partitioner(std::make_unique<TKxSQLStatmentPartitioner>(m_sqlText, this)),
      m_parameters(std::make_unique<TKxSqlParameterList>(owner)), m_onChange(std::move(onChange)) {
    m_parameters->SetSQLSource(this);
    m_sqlText.OnChange = [this] { SQLChanged(); };
}

TKxSqlProperty::~TKxSqlProperty() {
    m_sqlText.OnChange = nullptr;
}

void TKxSqlProperty::SetSQLText(const TKxStringList& value) {
    if (&value != &m_sqlText)
        m_sqlText.Assign(value);
}

void TKxSqlProperty::SQLChanged() {
    m_parameters->UpdateFromSQL();
    if (m_onChange)
        m_onChange(m_owner);
    if (m_reExecuteAfterSQLChange && m_owner != nullptr && !KxIsOwnerLoading(m_owner))
        KxExecuteOperation(m_owner, roScheduleReExecution, QString(), nullptr,
                           QStringLiteral("SQLChanged"));
}

void TKxSqlProperty::ResolveSQLParamValues(QString& text) const {
    text = m_parameters->ResolveParameters(GetAsString());
}

QString TKxSqlProperty::ResolveSQLParamValues() const {
    QString text;
    ResolveSQLParamValues(text);
    return text;
}

void TKxSqlProperty::FillNameList(int listKind, IKxUnknown* target) {
    if (const KxIntf<IKxFillNameList> names = KxQuery<IKxFillNameList>(m_owner))
        names->FillNameList(listKind, target);
}

void TKxSqlProperty::Assign(const TKxInterfacedPersistent* source) {
    const auto* other = dynamic_cast<const TKxSqlProperty*>(source);
    if (other == nullptr) {
        TKxInterfacedPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    m_reExecuteAfterSQLChange = other->m_reExecuteAfterSQLChange;
    SetSQLText(other->m_sqlText);
    SetSQLParameter(*other->m_parameters);
}

} // namespace kx
