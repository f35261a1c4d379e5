#include "dbcore/sql_partitioner.h"
#include "dbcore/sql_words.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

// A partitioner over a text of its own, counting the changes its setters make.
struct PartsFixture {
    explicit PartsFixture(const QString& sql) {
        lines.SetText(sql);
        lines.OnChange = [this] { ++changes; };
    }
    TKxStringList lines;
    TKxSQLStatmentPartitioner parts{lines, nullptr};
    int changes = 0;
};

TEST(SqlWordsTest, WholeWordSearchMatchesOnlyAtTokenStarts) {
    const QString text = QStringLiteral("SELECT xfrom, from_t FROM t");
    EXPECT_EQ(FindWord(text, u"FROM", 0), 21);
    EXPECT_EQ(FindWord(text, u"from", 0, true, false), 8); // plain search finds the inner one
    EXPECT_EQ(FindWord(text, u"FROM", 22), -1);
    EXPECT_EQ(FindWord(text, u"", 0), -1);
    EXPECT_EQ(FindWord(text, u"SELECT", -1), -1);
    // The blank inside a keyword is compared literally.
    EXPECT_EQ(FindWord(u"a GROUP  BY b", u"GROUP BY", 0), -1);
    EXPECT_EQ(FindWord(u"a group by b", u"GROUP BY", 0), 2);
    // List order wins over text order.
    EXPECT_EQ(
        FindFirstOf(u"x WHERE y LEFT z", {QStringLiteral("LEFT"), QStringLiteral("WHERE")}, 0), 10);
    EXPECT_EQ(FindFirstOf(u"x y", {QStringLiteral("LEFT")}, 0), -1);
}

// FindFirstOf walks the text once for all its words; it must answer what a search per word
// in list order answers, whatever the text, the start and the words.
TEST(SqlWordsTest, FirstOfAgreesWithASearchPerWordInListOrder) {
    const QStringList words{QStringLiteral("ORDER BY"), QString(), QStringLiteral("BY"),
                            QStringLiteral("x"), QStringLiteral("HAVING")};
    const QStringList texts{QStringLiteral("a HAVING b ORDER BY c"),
                            QStringLiteral("having x, by"),
                            QStringLiteral("xx BY x"),
                            QStringLiteral("(x)order by"),
                            QStringLiteral("ORDER  BY x ORDER BY"),
                            QStringLiteral("\u017Fx HAVING"), // a long s is no "x"
                            QStringLiteral("by"),
                            QStringLiteral("x"),
                            QString(),
                            QStringLiteral(" ,;"),
                            QStringLiteral("havingx having")};
    for (const QString& text : texts) {
        for (int start = -1; start <= text.size() + 1; ++start) {
            for (qsizetype first = 0; first < words.size(); ++first) {
                const QStringList tried = words.mid(first);
                int expected = -1;
                for (const QString& word : tried) {
                    expected = FindWord(text, word, start);
                    if (expected >= 0)
                        break;
                }
                EXPECT_EQ(FindFirstOf(text, tried, start), expected)
                    << qPrintable(text) << " from " << start << ", words from " << first;
            }
        }
    }
    // Spot checks against the hand-worked answer, so the comparison above cannot agree on a
    // wrong FindWord.
    EXPECT_EQ(FindFirstOf(u"a HAVING b ORDER BY c", words, 0), 11);
    EXPECT_EQ(FindFirstOf(u"a HAVING b ORDER BY c", words, 12), 17);
    EXPECT_EQ(FindFirstOf(u"xx BY x", words.mid(3), 0), 6);
    EXPECT_EQ(FindFirstOf(u"xx BY x", words.mid(3), 7), -1);
    EXPECT_EQ(FindFirstOf(u"havingx having", words.mid(4), 0), 8);
}

TEST(SqlWordsTest, BracketedWordKeepsDelimitersInsideBrackets) {
    const QString text = QStringLiteral("  :[my name], next");
    int position = 0;
    EXPECT_EQ(NextBracketedWord(text, position, u", "), QStringLiteral(":[my name]"));
    EXPECT_EQ(position, 14);
    EXPECT_EQ(NextBracketedWord(text, position, u", "), QStringLiteral("next"));
    EXPECT_EQ(position, text.size());
    EXPECT_EQ(NextBracketedWord(text, position, u", "), QString());
}

TEST(SqlStringListTest, AnyLineBreakEndsALineAndTheTextJoinsWithCrLf) {
    TKxStringList lines;
    int changes = 0;
    lines.OnChange = [&changes] { ++changes; };
    lines.SetText(QStringLiteral("a\rb\nc\r\nd\r\n"));
    EXPECT_EQ(lines.Lines(), (QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                          QStringLiteral("c"), QStringLiteral("d")}));
    EXPECT_EQ(lines.Text(), QStringLiteral("a\r\nb\r\nc\r\nd"));
    lines.SetText(QStringLiteral("x\n\ny"));
    EXPECT_EQ(lines.Count(), 3);
    lines.SetText(QString());
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_EQ(changes, 3);
}

TEST(SqlPartitionerTest, ReadsTheClausesOfASelect) {
    PartsFixture f(QStringLiteral("SELECT a, b FROM t WHERE x = 1 ORDER BY a"));
    EXPECT_EQ(f.parts.GetSQLSelectedFields(), QStringLiteral("a, b"));
    EXPECT_EQ(f.parts.GetTableName(), QStringLiteral("t"));
    EXPECT_EQ(f.parts.GetSQLWhere(), QStringLiteral("x = 1"));
    EXPECT_EQ(f.parts.GetSQLOrderBy(), QStringLiteral("a"));
    EXPECT_EQ(f.parts.GetSQLGroupBy(), QString());
    EXPECT_EQ(f.parts.GetSQLHaving(), QString());
    EXPECT_EQ(f.parts.GetSQLForUpdateOf(), QString());

    PartsFixture all(QStringLiteral("select count(*) from t1 a, t2 b\r\nwhere (a.id = b.id)\r\n"
                                    "group by a.k having (count(*) > 1) order by 1 desc "
                                    "for update of a.k"));
    EXPECT_EQ(all.parts.GetSQLSelectedFields(), QStringLiteral("count(*)"));
    EXPECT_EQ(all.parts.GetTableName(), QStringLiteral("t1 a, t2 b"));
    EXPECT_EQ(all.parts.GetSQLWhere(), QStringLiteral("(a.id = b.id)")); // brackets kept
    EXPECT_EQ(all.parts.GetSQLGroupBy(), QStringLiteral("a.k"));
    EXPECT_EQ(all.parts.GetSQLHaving(), QStringLiteral("count(*) > 1")); // brackets stripped
    EXPECT_EQ(all.parts.GetSQLOrderBy(), QStringLiteral("1 desc"));
    EXPECT_EQ(all.parts.GetSQLForUpdateOf(), QStringLiteral("a.k"));
}

TEST(SqlPartitionerTest, ScannerIsTextualByDesign) {
    // Join words are searched before WHERE, so the table stops at the first LEFT, even
    // inside a sub-query.
    EXPECT_EQ(GetTableNameOfSQL(QStringLiteral(
                  "SELECT * FROM t WHERE x IN (SELECT y FROM u LEFT JOIN v ON u.a = v.a)")),
              QStringLiteral("t WHERE x IN (SELECT y FROM u"));
    // Two blanks: not the GROUP BY keyword.
    PartsFixture twoBlanks(QStringLiteral("SELECT k FROM t GROUP  BY k"));
    EXPECT_EQ(twoBlanks.parts.GetSQLGroupBy(), QString());
    EXPECT_EQ(twoBlanks.parts.GetTableName(), QStringLiteral("t GROUP  BY k"));
    // Keywords inside a literal are found when a blank precedes them.
    PartsFixture literal(QStringLiteral("SELECT * FROM t WHERE s = ' ORDER BY x'"));
    EXPECT_EQ(literal.parts.GetSQLWhere(), QStringLiteral("s = '"));
    EXPECT_EQ(literal.parts.GetSQLOrderBy(), QStringLiteral("x'"));
    // Not a SELECT: parts are absent or wrong, never an error.
    PartsFixture update(QStringLiteral("UPDATE t SET a = 1 WHERE b = 2"));
    EXPECT_EQ(update.parts.GetSQLSelectedFields(), QStringLiteral("t SET a = 1"));
    EXPECT_EQ(update.parts.GetTableName(), QString());
    EXPECT_EQ(update.parts.GetSQLWhere(), QStringLiteral("b = 2"));
}

TEST(SqlPartitionerTest, SettersInsertReplaceAndRemoveParts) {
    PartsFixture f(QStringLiteral("SELECT * FROM t ORDER BY a"));
    f.parts.SetSQLWhere(QStringLiteral("y = 2"));
    EXPECT_EQ(f.parts.GetAsString(), QStringLiteral("SELECT * FROM t WHERE y = 2\r\nORDER BY a"));
    EXPECT_EQ(f.parts.GetSQLWhere(), QStringLiteral("y = 2"));
    EXPECT_EQ(f.changes, 1);

    f.parts.SetSQLWhere(QStringLiteral("y = 2")); // unchanged: no rewrite
    EXPECT_EQ(f.changes, 1);

    f.parts.SetSQLWhere(QStringLiteral("z > 3"));
    EXPECT_EQ(f.parts.GetAsString(), QStringLiteral("SELECT * FROM t WHERE z > 3\r\nORDER BY a"));

    f.parts.SetSQLWhere(QString());
    EXPECT_EQ(f.parts.GetAsString(), QStringLiteral("SELECT * FROM t ORDER BY a"));
    EXPECT_EQ(f.parts.GetSQLWhere(), QString());

    f.parts.SetSQLOrderBy(QStringLiteral("b DESC"));
    EXPECT_EQ(f.parts.GetAsString(), QStringLiteral("SELECT * FROM t ORDER BY b DESC"));
    f.parts.SetSQLGroupBy(QStringLiteral("k"));
    f.parts.SetSQLHaving(QStringLiteral("COUNT(*) > 1"));
    EXPECT_EQ(
        f.parts.GetAsString(),
        QStringLiteral("SELECT * FROM t GROUP BY k\r\nHAVING COUNT(*) > 1\r\nORDER BY b DESC"));
    // Appended at the end, the new clause starts a line of its own.
    f.parts.SetSQLForUpdateOf(QStringLiteral("k"));
    EXPECT_EQ(f.parts.GetSQLForUpdateOf(), QStringLiteral("k"));
    EXPECT_EQ(f.parts.GetSQLOrderBy(), QStringLiteral("b DESC"));

    f.parts.SetSQLSelectedFields(QStringLiteral("k, COUNT(*)"));
    EXPECT_EQ(f.parts.GetSQLSelectedFields(), QStringLiteral("k, COUNT(*)"));
    EXPECT_EQ(f.parts.GetTableName(), QStringLiteral("t"));

    // The table name is rewritten even when equal.
    const int before = f.changes;
    f.parts.SetTableName(QStringLiteral("t"));
    EXPECT_EQ(f.changes, before + 1);
    f.parts.SetTableName(QStringLiteral("u x"));
    EXPECT_EQ(f.parts.GetTableName(), QStringLiteral("u x"));
    EXPECT_EQ(f.parts.GetSQLGroupBy(), QStringLiteral("k"));
}

TEST(SqlPartitionerTest, SettersReplaceWhatGettersRead) {
    // A bracket right after the keyword: read as the WHERE part, so replaced as one, not
    // joined by a second WHERE.
    PartsFixture f(QStringLiteral("SELECT * FROM t WHERE(x = 1)ORDER BY(a)"));
    EXPECT_EQ(f.parts.GetSQLWhere(), QStringLiteral("(x = 1)"));
    f.parts.SetSQLWhere(QStringLiteral("y = 2"));
    EXPECT_EQ(f.parts.GetAsString(), QStringLiteral("SELECT * FROM t WHERE y = 2\r\nORDER BY(a)"));
    f.parts.SetSQLGroupBy(QStringLiteral("k"));
    f.parts.SetSQLGroupBy(QStringLiteral("m"));
    EXPECT_EQ(f.parts.GetAsString(),
              QStringLiteral("SELECT * FROM t WHERE y = 2\r\nGROUP BY m\r\nORDER BY(a)"));
}

TEST(SqlPartitionerTest, APartWhoseFollowingClauseStandsEarlierIsInsertedBeforeIt) {
    // ORDER BY before WHERE: the WHERE part counts as absent and the new one goes before
    // ORDER BY; the old text stays.
    PartsFixture f(QStringLiteral("SELECT * FROM t ORDER BY a WHERE x = 1"));
    f.parts.SetSQLWhere(QStringLiteral("y = 2"));
    EXPECT_EQ(f.parts.GetAsString(),
              QStringLiteral("SELECT * FROM t WHERE y = 2\r\nORDER BY a WHERE x = 1"));
}

} // namespace
