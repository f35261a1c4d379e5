#include "dbcore/sql_statement_text.h"

#include "dbcore/sql_literals.h"
#include "dbcore/sql_words.h"

namespace kx {

QString AddWhereCondition(const QString& where, const QString& fieldName, const QString& op,
                          const KxVariant& value, const QString& conjunction) {
    const QString condition = value.IsNull()
                                  ? QStringLiteral("%1 IS NULL").arg(fieldName)
                                  : QStringLiteral("%1 %2 %3")
                                        .arg(fieldName, KxStripChars(op, KxSqlWhiteSpace()),
                                             ValueAsSQLLiteral(value, QLatin1Char('\'')));
    const QStringView conditionDelims = KxSqlConditionDelimiters();
    const int found = FindWord(where, fieldName, 0, true, true, conditionDelims);
    if (found < 0) {
        const QString existing = KxStripChars(where, KxSqlWhiteSpace());
        const QString bracketed = QLatin1Char('(') + condition + QLatin1Char(')');
        if (existing.isEmpty())
            return bracketed;
        return existing + QLatin1Char(' ') + KxStripChars(conjunction, KxSqlWhiteSpace()) +
               QLatin1Char(' ') + bracketed;
    }
    // Field name, blanks, operator, blanks, value: the form written above.
    const QStringView wordDelims = KxSqlWordDelimiters();
    const qsizetype length = where.size();
    qsizetype p = found;
    while (p < length && !conditionDelims.contains(where[p]))
        ++p;
    for (int token = 0; token < 2; ++token) {
        while (p < length && wordDelims.contains(where[p]))
            ++p;
        while (p < length && !wordDelims.contains(where[p]))
            ++p;
    }
    QString result = where;
    result.replace(found, p - found, condition);
    return result;
}

bool IsSelectStatement(const QString& text) {
    return KxFirstWord(text).compare(QLatin1String("SELECT"), Qt::CaseInsensitive) == 0;
}

TKxSQLStatementKind GetSQLStatementKind(const QString& text) {
    const QString word = KxFirstWord(text).toUpper();
    if (word == QLatin1String("SELECT"))
        return skSelect;
    if (word == QLatin1String("EXECUTE"))
        return skExecute;
    if (word == QLatin1String("INSERT") || word == QLatin1String("UPDATE") ||
        word == QLatin1String("DELETE"))
        return skModify;
    if (word == QLatin1String("CREATE") || word == QLatin1String("ALTER") ||
        word == QLatin1String("DROP"))
        return skDefinition;
    return skOther;
}

bool IsAggregateSelectList(const QString& selectList) {
    if (selectList.isEmpty())
        return false;
    static const QStringList aggregates{QStringLiteral("min"), QStringLiteral("max"),
                                        QStringLiteral("avg"), QStringLiteral("count"),
                                        QStringLiteral("sum")};
    QString items = selectList;
    items.replace(QLatin1Char(';'), QLatin1Char(','));
    const QStringList parts = items.split(QLatin1Char(','));
    for (const QString& item : parts) {
        if (!aggregates.contains(KxFirstWord(item), Qt::CaseInsensitive))
            return false;
    }
    return true;
}

QString BuildSelectAllStatement(const QString& tableName, const QString& orderField) {
    if (orderField.isEmpty())
        return QStringLiteral("SELECT * FROM %1").arg(tableName);
    return QStringLiteral("SELECT * FROM %1 ORDER BY %2 ASC;").arg(tableName, orderField);
}

} // namespace kx
