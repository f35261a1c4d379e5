#include "dbcore/name_value_match.h"
#include "dbcore/sql_property.h"
#include "foundation/basic_interfaces.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

// Locating in a real result: the names A, C, E (and a NULL where a test adds one).
class OdbcLocateTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(
            QStringLiteral("CREATE TABLE kx_l (id INTEGER PRIMARY KEY, name VARCHAR(10))"));
        connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_l VALUES (1, 'A')"));
        connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_l VALUES (2, 'C')"));
        connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_l VALUES (3, 'E')"));
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
    }
    void Open(const QString& orderBy) {
        recordset.SQL().SetAsString(
            QStringLiteral("SELECT id, name FROM kx_l ORDER BY %1").arg(orderBy));
        recordset.SetActive(true);
    }
    static KxIntf<TKxNameAndValueMatchList> Values(std::vector<TNameAndValueMatch> matches) {
        return KxIntf<TKxNameAndValueMatchList>(new TKxNameAndValueMatchList(matches));
    }
    static KxIntf<TKxNameAndValueMatchList> Name(const char* value, TKxMatchKind kind) {
        return Values(
            {{QStringLiteral("name"), KxVariant(QString::fromLatin1(value)), kind, true}});
    }
    bool Locate(const KxIntf<TKxNameAndValueMatchList>& values) {
        return recordset.LocateValues(static_cast<IKxGetItemByIndex*>(values.get()));
    }
    QString Current() { return recordset.FieldValue(KxVariant(QStringLiteral("name"))).ToString(); }

    TKxOdbcRecordset recordset;
};

TEST_P(OdbcLocateTest, ExactAndClosestValuesInAnAscendingOrder) {
    Open(QStringLiteral("name"));
    recordset.SetPosition(2);
    EXPECT_FALSE(Locate(Name("D", mtExact)));
    EXPECT_EQ(recordset.Position(), 2) << "not found: the recordset stays where it was";
    EXPECT_TRUE(Locate(Name("D", mtClosest)));
    EXPECT_EQ(Current(), QStringLiteral("E"));
    EXPECT_TRUE(Locate(Name("Z", mtClosest)));
    EXPECT_EQ(recordset.Position(), 3);
    EXPECT_TRUE(Locate(Name("0", mtClosest)));
    EXPECT_EQ(recordset.Position(), 1);
    EXPECT_TRUE(Locate(Name("C", mtExact)));
    EXPECT_EQ(recordset.Position(), 2);

    // The position alone, without moving.
    recordset.SetPosition(1);
    std::int64_t position = 0;
    const auto c = Name("C", mtExact);
    EXPECT_TRUE(recordset.PositionOfValues(static_cast<IKxGetItemByIndex*>(c.get()), position));
    EXPECT_EQ(position, 2);
    EXPECT_EQ(recordset.Position(), 1);
    const auto d = Name("D", mtExact);
    EXPECT_FALSE(recordset.PositionOfValues(static_cast<IKxGetItemByIndex*>(d.get()), position));
    EXPECT_EQ(position, -1);
}

TEST_P(OdbcLocateTest, ADescendingTermIsSearchedTheOtherWayRound) {
    Open(QStringLiteral("name DESC"));
    EXPECT_TRUE(Locate(Name("C", mtExact)));
    EXPECT_EQ(recordset.Position(), 2);
    EXPECT_TRUE(Locate(Name("D", mtClosest)));
    EXPECT_EQ(Current(), QStringLiteral("C")) << "between E and C in E, C, A";
    EXPECT_TRUE(Locate(Name("A", mtExact)));
    EXPECT_EQ(recordset.Position(), 3);
    recordset.SetActive(false);
    // A quoted name, as a title click writes it, is the same field.
    Open(QStringLiteral("\"name\" DESC"));
    EXPECT_TRUE(Locate(Name("E", mtExact)));
    EXPECT_EQ(recordset.Position(), 1);
}

TEST_P(OdbcLocateTest, CaseSensitiveTextFollowsSQLitesByteOrder) {
    if (Server())
        GTEST_SKIP() << "PostgreSQL sorts by the database's collation";
    // In byte order every capital comes before every small letter: A, C, E, b.
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_l VALUES (4, 'b')"));
    Open(QStringLiteral("name"));
    EXPECT_TRUE(Locate(Name("b", mtExact)));
    EXPECT_EQ(recordset.Position(), 4);
    EXPECT_TRUE(Locate(Name("E", mtExact)));
    EXPECT_EQ(recordset.Position(), 3);
}

TEST_P(OdbcLocateTest, NullsStandWhereTheDatabaseSortsThem) {
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_l VALUES (4, NULL)"));
    Open(QStringLiteral("name"));
    EXPECT_TRUE(Locate(Name("E", mtExact)));
    EXPECT_EQ(Current(), QStringLiteral("E"));
    EXPECT_TRUE(Locate(Name("A", mtExact)));
    EXPECT_EQ(Current(), QStringLiteral("A"));
    EXPECT_TRUE(Locate(Name("C", mtExact)));
    EXPECT_EQ(Current(), QStringLiteral("C"));
}

TEST_P(OdbcLocateTest, TheValuesMustFollowTheOrderBy) {
    const auto both =
        Values({{QStringLiteral("id"), KxVariant(2), mtExact, false},
                {QStringLiteral("name"), KxVariant(QStringLiteral("C")), mtExact, false}});
    Open(QStringLiteral("name, id"));
    try {
        Locate(both);
        ADD_FAILURE() << "located in the wrong order";
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("The Recordset is not sorted by Field: 'id'"));
    }
    recordset.SetActive(false);
    Open(QStringLiteral("id, name"));
    EXPECT_TRUE(Locate(both));
    EXPECT_EQ(recordset.Position(), 2);
    try {
        Locate(Values({}));
        ADD_FAILURE() << "nothing to locate was accepted";
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("No Values passed to Locate"));
    }
}

TEST_P(OdbcLocateTest, ARowBeingTypedIsNeverAppliedByASearch) {
    Open(QStringLiteral("name"));
    recordset.SetFieldValue(KxVariant(QStringLiteral("name")), KxVariant(QStringLiteral("Q")));
    ASSERT_EQ(recordset.GetRecordsetState(), rsEdit);
    std::int64_t position = 0;
    const auto c = Name("C", mtExact);
    EXPECT_TRUE(recordset.PositionOfValues(static_cast<IKxGetItemByIndex*>(c.get()), position));
    EXPECT_EQ(position, 2);
    // Locating does not move away from it either.
    EXPECT_FALSE(Locate(Name("E", mtExact)));
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit);
    EXPECT_EQ(recordset.Position(), 1);
    EXPECT_EQ(Current(), QStringLiteral("Q")) << "the typed value is kept";
    // Nothing was written.
    TKxOdbcRecordset reader;
    reader.SetODBCConnection(&connection);
    reader.SQL().SetAsString(QStringLiteral("SELECT name FROM kx_l WHERE id = 1"));
    reader.SetActive(true);
    EXPECT_EQ(reader.FieldValue(KxVariant(QStringLiteral("name"))).ToString(), QStringLiteral("A"));
}

TEST_P(OdbcLocateTest, ASearchReadsAboutLogTwoOfTheRows) {
    connection.ExecuteDirect(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 4 UNION ALL SELECT i + 1 FROM n WHERE i < 1027) "
        "INSERT INTO kx_l SELECT i, 'row' FROM n"));
    Open(QStringLiteral("id"));
    ASSERT_EQ(recordset.RecordCount(), 1027);
    const std::int64_t before = recordset.RowFetches();
    const auto values = Values({{QStringLiteral("id"), KxVariant(777), mtExact, false}});
    EXPECT_TRUE(Locate(values));
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("id"))).ToInt(), 777);
    // log2(1027) is about 10: the probes, the check of the result and the final move.
    EXPECT_LE(recordset.RowFetches() - before, 14);
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcLocateTest);

} // namespace
