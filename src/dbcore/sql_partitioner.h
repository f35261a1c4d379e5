#pragma once

#include "dbcore/sql_interfaces.h"
#include "dbcore/sql_string_list.h"
#include "foundation/interfaced_object.h"

#include <QStringList>

namespace kx {

class TKxSqlProperty;
struct TKxSqlPartRule;

// Reads and writes the clauses of a statement kept in a string list. It is a keyword scanner
// and nothing more (see sql_words.h): it holds no state besides its references, so every
// getter re-scans the current text, and a setter rewrites the whole text through
// SetAsString, which fires the list's change event.
//
// A part is taken from its keyword up to the first keyword of its stop list; a new part is
// inserted just before the first clause that follows it in the fixed order SELECT, FROM,
// WHERE, GROUP BY, HAVING, ORDER BY, FOR UPDATE OF, and setting a part to "" removes it
// with its keyword.
class TKxSQLStatmentPartitioner : public TKxInterfacedObject,
                                  public virtual IKxSqlStatementParts,
                                  public virtual IKxGetSetTableName,
                                  public virtual IKxGetAsString,
                                  public virtual IKxSetAsString {
public:
    // `text` must outlive the partitioner. `owner` is the property that holds both, or null
    // for a partitioner over a text of its own.
    TKxSQLStatmentPartitioner(TKxStringList& text, TKxSqlProperty* owner,
                              TKxLifetime lifetime = TKxLifetime::OwnerOwned);

    TKxSqlProperty* OwnerProperty() const { return m_owner; }

    QString GetSQLSelectedFields() const override;
    void SetSQLSelectedFields(const QString& value) override;
    QString GetSQLWhere() const override;
    void SetSQLWhere(const QString& value) override;
    QString GetSQLGroupBy() const override;
    void SetSQLGroupBy(const QString& value) override;
    QString GetSQLHaving() const override;
    void SetSQLHaving(const QString& value) override;
    QString GetSQLOrderBy() const override;
    void SetSQLOrderBy(const QString& value) override;
    QString GetSQLForUpdateOf() const override;
    void SetSQLForUpdateOf(const QString& value) override;

    QString GetTableName() const override;
    // Always rewrites the FROM part, even with the same value.
    void SetTableName(const QString& value) override;

    // The whole text, lines joined with CR LF.
    QString GetAsString() const override;
    void SetAsString(const QString& value) override;

    // Keyword lists, in the order in which they are searched.
    static const QStringList& StatementWords();
    static const QStringList& JoinWords();
    static const QStringList& ClauseWordsAfterWhere();

private:
    QString ExtractPart(const TKxSqlPartRule& rule) const;
    void ReplacePart(const TKxSqlPartRule& rule, const QString& value, bool always);

    TKxStringList* m_text;
    TKxSqlProperty* m_owner;
};

// The FROM part of an arbitrary text: the whole table expression, aliases and comma-joined
// tables included.
QString GetTableNameOfSQL(const QString& text);

} // namespace kx
