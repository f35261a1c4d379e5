#include "dbcore/sql_partitioner.h"

#include "dbcore/sql_words.h"

#include <algorithm>

namespace kx {

const QStringList& TKxSQLStatmentPartitioner::StatementWords() {
    static const QStringList words{QStringLiteral("SELECT"), QStringLiteral("UPDATE"),
                                   QStringLiteral("INSERT"), QStringLiteral("DELETE")};
    return words;
}

const QStringList& TKxSQLStatmentPartitioner::JoinWords() {
    static const QStringList words{QStringLiteral("LEFT"),  QStringLiteral("RIGHT"),
                                   QStringLiteral("INNER"), QStringLiteral("OUTER"),
                                   QStringLiteral("JOIN"),  QStringLiteral("ON")};
    return words;
}

const QStringList& TKxSQLStatmentPartitioner::ClauseWordsAfterWhere() {
    static const QStringList words{QStringLiteral("GROUP BY"), QStringLiteral("HAVING"),
                                   QStringLiteral("ORDER BY"), QStringLiteral("FOR UPDATE OF")};
    return words;
}

// How one part is found, read and written.
struct TKxSqlPartRule {
    QStringList startWords;
    QStringList stopWords;
    int keywordWords;     // tokens of the keyword, removed when reading
    QStringView stripSet; // stripped from both ends when reading
    QString keyword;      // written before a new value
};

namespace {

using P = TKxSQLStatmentPartitioner;

QStringList Concat(std::initializer_list<QStringList> lists) {
    QStringList result;
    for (const QStringList& list : lists)
        result += list;
    return result;
}

const TKxSqlPartRule& SelectedFieldsRule() {
    static const TKxSqlPartRule rule{P::StatementWords(),
                                     Concat({{QStringLiteral("FROM")},
                                             P::JoinWords(),
                                             {QStringLiteral("WHERE")},
                                             P::ClauseWordsAfterWhere()}),
                                     1, KxSqlWhiteSpace(), QStringLiteral("SELECT")};
    return rule;
}

const TKxSqlPartRule& TableNameRule() {
    static const TKxSqlPartRule rule{
        {QStringLiteral("FROM")},
        Concat({P::JoinWords(), {QStringLiteral("WHERE")}, P::ClauseWordsAfterWhere()}),
        1,
        KxSqlWordDelimiters(),
        QStringLiteral("FROM")};
    return rule;
}

const TKxSqlPartRule& WhereRule() {
    static const TKxSqlPartRule rule{{QStringLiteral("WHERE")},
                                     P::ClauseWordsAfterWhere(),
                                     1,
                                     KxSqlWhiteSpace(),
                                     QStringLiteral("WHERE")};
    return rule;
}

const TKxSqlPartRule& GroupByRule() {
    static const TKxSqlPartRule rule{
        {QStringLiteral("GROUP BY")},
        {QStringLiteral("HAVING"), QStringLiteral("ORDER BY"), QStringLiteral("FOR UPDATE OF")},
        2,
        KxSqlWordDelimiters(),
        QStringLiteral("GROUP BY")};
    return rule;
}

const TKxSqlPartRule& HavingRule() {
    static const TKxSqlPartRule rule{{QStringLiteral("HAVING")},
                                     {QStringLiteral("ORDER BY"), QStringLiteral("FOR UPDATE OF")},
                                     1,
                                     KxSqlWordDelimiters(),
                                     QStringLiteral("HAVING")};
    return rule;
}

const TKxSqlPartRule& OrderByRule() {
    static const TKxSqlPartRule rule{{QStringLiteral("ORDER BY")},
                                     {QStringLiteral("FOR UPDATE OF")},
                                     2,
                                     KxSqlWordDelimiters(),
                                     QStringLiteral("ORDER BY")};
    return rule;
}

const TKxSqlPartRule& ForUpdateOfRule() {
    static const TKxSqlPartRule rule{{QStringLiteral("FOR UPDATE OF")},
                                     {},
                                     3,
                                     KxSqlWordDelimiters(),
                                     QStringLiteral("FOR UPDATE OF")};
    return rule;
}

} // namespace

TKxSQLStatmentPartitioner::TKxSQLStatmentPartitioner(TKxStringList& text, TKxSqlProperty* owner,
                                                     TKxLifetime lifetime)
    : TKxInterfacedObject(lifetime), m_text(&text), m_owner(owner) {}

QString TKxSQLStatmentPartitioner::GetAsString() const {
    return m_text->Text();
}

void TKxSQLStatmentPartitioner::SetAsString(const QString& value) {
    m_text->SetText(value);
}

QString TKxSQLStatmentPartitioner::ExtractPart(const TKxSqlPartRule& rule) const {
    const QString text = GetAsString();
    const int start = FindFirstOf(text, rule.startWords, 0);
    if (start < 0)
        return {};
    int stop = FindFirstOf(text, rule.stopWords, start);
    if (stop < 0)
        stop = static_cast<int>(text.size());
    QStringView part = QStringView(text).mid(start, std::max(stop - start, 0));
    const QStringView delimiters = KxSqlWordDelimiters();
    for (int word = 0; word < rule.keywordWords; ++word) {
        qsizetype p = 0;
        while (p < part.size() && delimiters.contains(part[p]))
            ++p;
        while (p < part.size() && !delimiters.contains(part[p]))
            ++p;
        part = part.mid(p);
    }
    return KxStripChars(part, rule.stripSet);
}

void TKxSQLStatmentPartitioner::ReplacePart(const TKxSqlPartRule& rule, const QString& value,
                                            bool always) {
    if (!always && value == ExtractPart(rule))
        return;
    const QString insertion =
        value.isEmpty() ? QString() : rule.keyword + QLatin1Char(' ') + value + QLatin1Char('\r');
    // Worked on with a break after the last line, so a part appended at the end starts a
    // line of its own instead of gluing onto the last word; SetAsString drops the break.
    QString text = GetAsString();
    if (!text.isEmpty())
        text += QStringLiteral("\r\n");
    const int end = static_cast<int>(text.size());
    // Searched with the same delimiters as when reading, so a setter replaces exactly the
    // part a getter returns: "WHERE(a = 1)" is a WHERE part either way, and setting it
    // must not add a second WHERE clause.
    int p1 = FindFirstOf(text, rule.startWords, 0);
    if (p1 < 0)
        p1 = end;
    // The stop keyword is searched from the beginning of the text, not from the part: when
    // a following clause stands before the part's keyword, the part is treated as absent.
    int p2 = FindFirstOf(text, rule.stopWords, 0);
    if (p2 < 0)
        p2 = end;
    if (p1 < p2)
        text.remove(p1, p2 - p1);
    else
        p1 = p2;
    text.insert(p1, insertion);
    SetAsString(text);
}

QString TKxSQLStatmentPartitioner::GetSQLSelectedFields() const {
    return ExtractPart(SelectedFieldsRule());
}
void TKxSQLStatmentPartitioner::SetSQLSelectedFields(const QString& value) {
    ReplacePart(SelectedFieldsRule(), value, false);
}
QString TKxSQLStatmentPartitioner::GetSQLWhere() const {
    return ExtractPart(WhereRule());
}
void TKxSQLStatmentPartitioner::SetSQLWhere(const QString& value) {
    ReplacePart(WhereRule(), value, false);
}
QString TKxSQLStatmentPartitioner::GetSQLGroupBy() const {
    return ExtractPart(GroupByRule());
}
void TKxSQLStatmentPartitioner::SetSQLGroupBy(const QString& value) {
    ReplacePart(GroupByRule(), value, false);
}
QString TKxSQLStatmentPartitioner::GetSQLHaving() const {
    return ExtractPart(HavingRule());
}
void TKxSQLStatmentPartitioner::SetSQLHaving(const QString& value) {
    ReplacePart(HavingRule(), value, false);
}
QString TKxSQLStatmentPartitioner::GetSQLOrderBy() const {
    return ExtractPart(OrderByRule());
}
void TKxSQLStatmentPartitioner::SetSQLOrderBy(const QString& value) {
    ReplacePart(OrderByRule(), value, false);
}
QString TKxSQLStatmentPartitioner::GetSQLForUpdateOf() const {
    return ExtractPart(ForUpdateOfRule());
}
void TKxSQLStatmentPartitioner::SetSQLForUpdateOf(const QString& value) {
    ReplacePart(ForUpdateOfRule(), value, false);
}
QString TKxSQLStatmentPartitioner::GetTableName() const {
    return ExtractPart(TableNameRule());
}
void TKxSQLStatmentPartitioner::SetTableName(const QString& value) {
    ReplacePart(TableNameRule(), value, true);
}

QString GetTableNameOfSQL(const QString& text) {
    TKxStringList lines;
    lines.SetText(text);
    const TKxSQLStatmentPartitioner partitioner(lines, nullptr);
    return partitioner.GetTableName();
}

} // namespace kx
