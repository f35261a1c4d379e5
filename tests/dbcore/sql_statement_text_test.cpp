#include "dbcore/sql_literals.h"
#include "dbcore/sql_statement_text.h"
#include "foundation/exceptions.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace kx;

KxVariant Date(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return KxVariant::FromDateTime(KxToDateTime(QDateTime(QDate(y, m, d), QTime(hh, mm, ss))));
}

QString NotLiteralMessage(const KxVariant& value) {
    try {
        ValueAsSQLLiteral(value);
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("ValueAsSQLLiteral"));
        return e.GetMessage();
    }
    return QStringLiteral("no error");
}

class GermanLocale : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German)); }
    void TearDown() override { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

TEST_F(GermanLocale, NumbersAndDatesAreWrittenTheSameInEveryLocale) {
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(1.5)), QStringLiteral("1.5"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(1234567.25)), QStringLiteral("1234567.25"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(0.1)), QStringLiteral("0.1"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(-2.5f)), QStringLiteral("-2.5"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant::FromCurrencyScaled(123456789)),
              QStringLiteral("12345.6789"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant::FromCurrencyScaled(-5000)), QStringLiteral("-0.5"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant::FromCurrencyScaled(70000)), QStringLiteral("7"));
    EXPECT_EQ(ValueAsSQLLiteral(Date(2024, 3, 5)), QStringLiteral("{d '2024-03-05'}"));
    EXPECT_EQ(ValueAsSQLLiteral(Date(2024, 3, 5, 13, 45, 10)),
              QStringLiteral("{ts '2024-03-05 13:45:10'}"));
    EXPECT_EQ(ValueAsSQLLiteral(Date(1899, 12, 30, 10, 30)), QStringLiteral("{t '10:30:00'}"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant::FromDateTime(
                  KxToDateTime(QDateTime(QDate(2024, 3, 5), QTime(13, 45, 10, 250))))),
              QStringLiteral("{ts '2024-03-05 13:45:10.250'}"));
    EXPECT_EQ(ValueAsSQLLiteral(Date(2024, 3, 5), QLatin1Char('\''), QStringLiteral("dd.MM.yyyy")),
              QStringLiteral("05.03.2024"));
}

TEST(SqlLiteralsTest, TextIsQuotedUnlessItIsAGuid) {
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(QStringLiteral("O'Brien"))),
              QStringLiteral("'O''Brien'"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(QStringLiteral("say \"hi\" o'k")), QLatin1Char('"')),
              QStringLiteral("\"say \"\"hi\"\" o'k\""));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(QString())), QStringLiteral("''"));
    const QString guid = QStringLiteral("{6b9c1ae0-4E21-4C5B-9A10-2F610B7C1D00}");
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(guid)), guid);
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(QStringLiteral("6B9C1AE0-4E21-4C5B-9A10-2F610B7C1D00"))),
              QStringLiteral("'6B9C1AE0-4E21-4C5B-9A10-2F610B7C1D00'"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(QStringLiteral("{x}"))), QStringLiteral("'{x}'"));
}

TEST(SqlLiteralsTest, IntegersBooleansAndNullUseTheirPlainText) {
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant::Null()), QStringLiteral("NULL"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(std::int32_t(-42))), QStringLiteral("-42"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(std::int16_t(7))), QStringLiteral("7"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(std::uint8_t(255))), QStringLiteral("255"));
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(true)), QStringLiteral("True"));
    // A BIGINT key must be usable in a condition.
    EXPECT_EQ(ValueAsSQLLiteral(KxVariant(std::int64_t(9007199254740993))),
              QStringLiteral("9007199254740993"));
}

TEST(SqlLiteralsTest, ValuesWithoutLiteralRaise) {
    const QString expected = QStringLiteral("Variant Type Cannot be converted to SQL Literal");
    EXPECT_EQ(NotLiteralMessage(KxVariant()), expected);
    EXPECT_EQ(NotLiteralMessage(KxVariant(QByteArray("ab"))), expected);
    EXPECT_EQ(NotLiteralMessage(KxVariant(std::numeric_limits<double>::quiet_NaN())), expected);
    EXPECT_EQ(NotLiteralMessage(KxVariant(std::numeric_limits<double>::infinity())), expected);
}

TEST(SqlWhereConditionTest, AppendsOrReplacesTheFieldsCondition) {
    const auto add = [](const QString& where, const KxVariant& value,
                        const QString& conjunction = QStringLiteral("AND")) {
        return AddWhereCondition(where, QStringLiteral("ID"), QStringLiteral(" = "), value,
                                 conjunction);
    };
    const KxVariant seven(std::int32_t(7));
    EXPECT_EQ(add(QString(), seven), QStringLiteral("(ID = 7)"));
    EXPECT_EQ(add(QStringLiteral("A = 1"), seven), QStringLiteral("A = 1 AND (ID = 7)"));
    EXPECT_EQ(add(QStringLiteral("ID = 3 AND A = 1"), seven), QStringLiteral("ID = 7 AND A = 1"));
    EXPECT_EQ(add(QStringLiteral("  A = 1\r\n"), seven, QStringLiteral(" OR ")),
              QStringLiteral("A = 1 OR (ID = 7)"));
    EXPECT_EQ(add(QString(), KxVariant::Null()), QStringLiteral("(ID IS NULL)"));
    // What the routine wrote for Null is replaced by a value later, and vice versa.
    EXPECT_EQ(add(QStringLiteral("A = 1 AND (ID IS NULL)"), seven),
              QStringLiteral("A = 1 AND (ID = 7)"));
    EXPECT_EQ(add(QStringLiteral("A = 1 AND (ID = 7)"), KxVariant::Null()),
              QStringLiteral("A = 1 AND (ID IS NULL)"));
    // Only the whole word counts; case does not.
    EXPECT_EQ(add(QStringLiteral("A_ID = 3"), seven), QStringLiteral("A_ID = 3 AND (ID = 7)"));
    EXPECT_EQ(add(QStringLiteral("x=1 and id <> 3"), seven), QStringLiteral("x=1 and ID = 7"));
    EXPECT_EQ(AddWhereCondition(QString(), QStringLiteral("NAME"), QStringLiteral("="),
                                KxVariant(QStringLiteral("O'Brien")), QStringLiteral("AND")),
              QStringLiteral("(NAME = 'O''Brien')"));
}

TEST(SqlStatementTextTest, ClassifiesStatementsByTheirFirstWord) {
    EXPECT_TRUE(IsSelectStatement(QStringLiteral("\r\n  select * from t")));
    EXPECT_TRUE(IsSelectStatement(QStringLiteral("(SELECT 1)")));
    EXPECT_FALSE(IsSelectStatement(QStringLiteral("SELECTED")));
    EXPECT_FALSE(IsSelectStatement(QString()));
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral("Select 1")), skSelect);
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral("execute p")), skExecute);
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral(" insert into t values (1)")), skModify);
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral("UPDATE t SET a = 1")), skModify);
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral("delete from t")), skModify);
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral("Create table t (a int)")), skDefinition);
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral("ALTER table t")), skDefinition);
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral("drop table t")), skDefinition);
    EXPECT_EQ(GetSQLStatementKind(QStringLiteral("WITH x AS (SELECT 1) SELECT * FROM x")), skOther);
    EXPECT_EQ(GetSQLStatementKind(QString()), skOther);
}

TEST(SqlStatementTextTest, AggregateSelectListsAndSelectAll) {
    EXPECT_FALSE(IsAggregateSelectList(QString()));
    EXPECT_TRUE(IsAggregateSelectList(QStringLiteral("count(*)")));
    EXPECT_TRUE(IsAggregateSelectList(QStringLiteral("MIN(a), max(b); Sum (c), avg(d)")));
    EXPECT_FALSE(IsAggregateSelectList(QStringLiteral("count(*), a")));
    EXPECT_FALSE(IsAggregateSelectList(QStringLiteral("counter")));
    EXPECT_FALSE(IsAggregateSelectList(QStringLiteral("count(*),")));

    EXPECT_EQ(BuildSelectAllStatement(QStringLiteral("t"), QString()),
              QStringLiteral("SELECT * FROM t"));
    EXPECT_EQ(BuildSelectAllStatement(QStringLiteral("\"my t\""), QStringLiteral("id")),
              QStringLiteral("SELECT * FROM \"my t\" ORDER BY id ASC;"));
}

} // namespace
