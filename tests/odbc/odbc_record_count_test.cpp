#include "dbcore/sql_property.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "odbc/odbc_recordset.h"
#include "odbc/odbc_recordset_properties.h"
#include "support/connected_driver_test.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// How a scrollable recordset learns its row count when the driver does not tell it.
class OdbcRecordCountTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(QStringLiteral("CREATE TABLE kx_n (id INTEGER, grp INTEGER)"));
        connection.ExecuteDirect(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 300) INSERT INTO kx_n SELECT i, i % 3 FROM n"));
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
    }

    int CountOf(const QString& sql, TRecordCountStrategies strategies) {
        recordset.SetActive(false);
        recordset.SetRecordCountStrategies(strategies);
        recordset.SQL().SetAsString(sql);
        recordset.SetActive(true);
        return recordset.RecordCount();
    }

    TKxOdbcRecordset recordset;
};

TEST_P(OdbcRecordCountTest, EveryStrategyCountsTheSameRows) {
    const QString sql = QStringLiteral("SELECT id, grp FROM kx_n WHERE id > 10 ORDER BY id");
    EXPECT_EQ(CountOf(sql, csUseSelectCountStatement), 290);
    EXPECT_EQ(recordset.Position(), 1) << "counting leaves the recordset where it was";
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("id"))).ToInt64(), 11);
    EXPECT_EQ(CountOf(sql, csCountByLogarithmicPositioning), 290);
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("id"))).ToInt64(), 11)
        << "the probes do not reach the fields";
    EXPECT_EQ(CountOf(sql, kxDefaultRecordCountStrategies), 290);
    EXPECT_EQ(CountOf(QStringLiteral("SELECT id FROM kx_n WHERE id < 0"),
                      csCountByLogarithmicPositioning),
              0);
    EXPECT_EQ(CountOf(sql, 0), -1) << "no strategy, no count";
    EXPECT_TRUE(recordset.IsEOF());
}

TEST_P(OdbcRecordCountTest, TheRowLimitBoundsTheCountAndTheMoves) {
    recordset.SetMaxRecordsReturned(5);
    EXPECT_EQ(CountOf(QStringLiteral("SELECT id FROM kx_n ORDER BY id"), csUseSelectCountStatement),
              5);
    recordset.MoveToLast();
    EXPECT_EQ(recordset.Position(), 5);
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("id"))).ToInt64(), 5);
}

TEST_P(OdbcRecordCountTest, BookmarksAreAFieldOfTheirOwnBesideTheData) {
    recordset.SetAttributes(kxDefaultRecordsetAttributes | raBookmarksEnabled);
    CountOf(QStringLiteral("SELECT id, grp FROM kx_n ORDER BY id"), kxDefaultRecordCountStrategies);
    EXPECT_EQ(recordset.Fields().size(), 2u) << "the data fields leave the bookmark out";
    EXPECT_EQ(recordset.AllFieldCount(), 3u);
    KxIntf<IKxUnknown> bookmark;
    ASSERT_EQ(recordset.GetItemByIndex(0, bookmark), hr::S_Ok);
    const QString first = KxQuery<IKxGetDisplayText>(bookmark.get())->GetDisplayText();
    bool isNumber = false;
    first.toULongLong(&isNumber);
    EXPECT_TRUE(isNumber) << first.toStdString();
    EXPECT_THROW(recordset.SetAttributes(kxDefaultRecordsetAttributes), EKxException)
        << "bookmarks cannot be switched while open";
}

TEST_P(OdbcRecordCountTest, AggregatesCountAsOneRowAndShapedResultsCountWhatTheyShow) {
    EXPECT_EQ(
        CountOf(QStringLiteral("SELECT count(*), max(id) FROM kx_n"), csUseSelectCountStatement),
        1);
    // Groups, distinct rows, limits and set operations are counted as the rows they give,
    // not as the rows they are made of.
    EXPECT_EQ(CountOf(QStringLiteral("SELECT grp FROM kx_n WHERE id <= 30 GROUP BY grp"),
                      csUseSelectCountStatement),
              3);
    EXPECT_EQ(CountOf(QStringLiteral("SELECT DISTINCT grp FROM kx_n ORDER BY grp"),
                      csUseSelectCountStatement),
              3);
    EXPECT_EQ(CountOf(QStringLiteral("SELECT id FROM kx_n ORDER BY id LIMIT 7 OFFSET 295"),
                      csUseSelectCountStatement),
              5);
    EXPECT_EQ(CountOf(QStringLiteral("SELECT id FROM kx_n WHERE id < 3 UNION SELECT id FROM "
                                     "kx_n WHERE id > 298"),
                      csUseSelectCountStatement),
              4);
    // A literal that merely contains such a word is no reason to wrap.
    EXPECT_EQ(CountOf(QStringLiteral("SELECT id, 'union' AS w FROM kx_n WHERE id <= 10"),
                      csUseSelectCountStatement),
              10);
}

TEST_P(OdbcRecordCountTest, ACountStatementThatCannotRunHandsOverToTheNextStrategy) {
    if (Server())
        GTEST_SKIP() << "PostgreSQL refuses the alias in WHERE the count statement trips on";
    // SQLite lets WHERE name a column alias; the Count(*) statement has no such alias and
    // fails, so probing counts instead of the failure reaching whoever asked.
    EXPECT_EQ(CountOf(QStringLiteral("SELECT id AS k FROM kx_n WHERE k <= 20 ORDER BY k"),
                      csUseSelectCountStatement | csCountByLogarithmicPositioning),
              20);
    EXPECT_EQ(CountOf(QStringLiteral("SELECT id AS k FROM kx_n WHERE k <= 20 ORDER BY k"),
                      csUseSelectCountStatement),
              -1)
        << "with no strategy left the count is unknown, not an error";
}

TEST_P(OdbcRecordCountTest, AnEmptyResultCountsNoRowsWithoutAsking) {
    // No strategy is needed: the first fetch found no row.
    EXPECT_EQ(CountOf(QStringLiteral("SELECT id FROM kx_n WHERE id < 0"), 0), 0);
    EXPECT_TRUE(recordset.IsEOF());
}

TEST_P(OdbcRecordCountTest, TheLastRowIsReachedRightAfterOpening) {
    connection.SetActive(false);
    if (Server())
        connection.SetConnectionString(connectString + QStringLiteral("UseDeclareFetch=1;"));
    CountOf(QStringLiteral("SELECT id FROM kx_n ORDER BY id"), kxDefaultRecordCountStrategies);
    recordset.MoveToLast();
    EXPECT_EQ(recordset.Position(), 300);
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("id"))).ToInt64(), 300);
    recordset.SetPosition(150);
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("id"))).ToInt64(), 150);
    recordset.MoveToPrevious();
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("id"))).ToInt64(), 149);
    // Re-executing keeps the position through the recordset's state holder.
    EXPECT_TRUE(recordset.ExecuteOperation(roReExecuteStatement, nullptr));
    EXPECT_EQ(recordset.Position(), 149);
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("id"))).ToInt64(), 149);
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcRecordCountTest);

TEST(RecordCountProbingTest, ProbesDoubleFromTwoHundredFiftySixThenSearchBelow) {
    const auto probe = [](std::int64_t rows, std::vector<std::int64_t>& probes) {
        return KxFirstPositionNotFetched([&](std::int64_t position) {
                   probes.push_back(position);
                   return position <= rows;
               }) -
               1;
    };
    std::vector<std::int64_t> probes;
    EXPECT_EQ(probe(5, probes), 5);
    EXPECT_EQ(probes, (std::vector<std::int64_t>{256, 128, 64, 32, 16, 8, 4, 6, 5, 5}));
    probes.clear();
    EXPECT_EQ(probe(0, probes), 0);
    probes.clear();
    EXPECT_EQ(probe(256, probes), 256);
    EXPECT_EQ(probes.front(), 256);
    EXPECT_EQ(probes[1], 512);
    probes.clear();
    EXPECT_EQ(probe(1000000, probes), 1000000);
    EXPECT_EQ(probes.size(), 34u);
}

TEST(OdbcRecordsetPropertiesTest, StoredSettingsSkipDefaultsRoundTripAndLoadClamped) {
    QTemporaryDir dir;
    TKxPersistentData store;
    store.SetFileName(QDir(dir.path()).filePath(QStringLiteral("r.PRS")));
    KxOpenKey(&store, QStringLiteral("\\Recordset"), true);
    const auto fileBytes = [&store] {
        store.Flush();
        QFile file(store.FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    TKxOdbcRecordsetProperties defaults(false, TKxLifetime::OwnerOwned);
    defaults.StoreData(&store);
    for (const char* key : {"Cursor Type", "Update Strategy", "Attributes", "Count Strategies",
                            "BLOB Compression Type", "Keyset Size"})
        EXPECT_FALSE(fileBytes().contains(key)) << key;

    TKxOdbcRecordset recordset;
    recordset.SetCursorType(ctUnidirectional);
    recordset.SetUpdateStrategy(usReadOnly);
    recordset.SetAttributes(raAutoEdit | raBookmarksEnabled);
    recordset.SetRecordCountStrategies(csCountByLogarithmicPositioning);
    recordset.SetMaxRecordsReturned(50);
    TKxOdbcRecordsetProperties properties(false, TKxLifetime::OwnerOwned);
    properties.AssignFromObj(&recordset);
    properties.StoreData(&store);
    const QByteArray bytes = fileBytes();
    EXPECT_TRUE(bytes.contains("Cursor Type=0")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("Attributes=12")) << "one byte, hexadecimal";
    EXPECT_TRUE(bytes.contains("Count Strategies=04"));

    TKxOdbcRecordsetProperties loaded(false, TKxLifetime::OwnerOwned);
    loaded.LoadData(&store);
    TKxOdbcRecordset copy;
    loaded.AssignToObj(&copy);
    EXPECT_EQ(copy.CursorType(), ctUnidirectional);
    EXPECT_EQ(copy.UpdateStrategy(), usReadOnly);
    EXPECT_EQ(copy.Attributes(), raAutoEdit | raBookmarksEnabled);
    EXPECT_EQ(copy.RecordCountStrategies(), csCountByLogarithmicPositioning);
    EXPECT_EQ(copy.MaxRecordsReturned(), 50u);

    store.WriteString(QStringLiteral("Cursor Type"), QStringLiteral("9"));
    store.WriteString(QStringLiteral("Update Strategy"), QStringLiteral("-4"));
    loaded.LoadData(&store);
    EXPECT_EQ(loaded.CursorType, ctDynamic) << "a stored value outside the range is clamped";
    EXPECT_EQ(loaded.UpdateStrategy, usReadOnly);
    EXPECT_THROW(copy.SetCursorType(static_cast<TKxCursorType>(7)), EKxException);
}

} // namespace
