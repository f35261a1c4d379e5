#include "dbcore/record_states.h"
#include "dbcore/sql_words.h"
#include "foundation/connection_points.h"
#include "foundation/interface_connection.h"
#include "foundation/notification_sinks.h"
#include "foundation/questions.h"
#include "odbc/odbc_schema_recordset.h"
#include "support/connected_driver_test.h"
#include "support/raised.h"

#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>

namespace {

using namespace kx;

using test::Raised;

QStringList Names(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* name : names)
        list << QString::fromUtf8(name);
    return list;
}

// Hears the recordset's statement changes and notes what the recordset showed at the time.
class TStatementChangeSink : public TKxInterfacedObject, public virtual IKxSQLChangeSink {
public:
    explicit TStatementChangeSink(std::function<QString()> current)
        : m_current(std::move(current)) {}
    void AfterSQLChange() override { seen << m_current(); }
    QStringList seen;

private:
    std::function<QString()> m_current;
};

class OdbcSchemaRecordsetTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        recordset.SetName(QStringLiteral("Schema1"));
        recordset.SetODBCConnection(&connection);
    }

    void Execute(const QString& sql) { connection.ExecuteDirect(sql); }

    // Reopens the recordset on `list` with the given table pattern and column text.
    void Open(TKxSchemaList list, const QString& table,
              const QString& column = QStringLiteral("%")) {
        recordset.SetActive(false);
        recordset.SchemaData().SetSchemaListValue(list);
        recordset.SchemaData().SetTableName(table);
        recordset.SchemaData().SetColumnName(column);
        recordset.SetActive(true);
    }

    QString Value(int column) { return recordset.FieldValue(KxVariant(column)).ToString(); }

    // The values of one result column (1-based) over every row, read from the first row on.
    QStringList Column(int column) {
        QStringList values;
        recordset.MoveToFirst();
        while (recordset.Active() && recordset.LastFetchSucceeded()) {
            values << Value(column);
            if (recordset.IsEOF())
                break;
            recordset.MoveToNext();
        }
        return values;
    }

    QStringList Sorted(QStringList values) {
        values.sort();
        return values;
    }

    TKxOdbcSchemaRecordset recordset;
};

TEST_P(OdbcSchemaRecordsetTest, TablePatternsAndTheNoneValue) {
    Execute(QStringLiteral("CREATE TABLE kx_alpha (id INTEGER)"));
    Execute(QStringLiteral("CREATE TABLE kx_beta (id INTEGER)"));
    Execute(QStringLiteral("CREATE VIEW kx_gamma AS SELECT id FROM kx_alpha"));
    const QStringList tables{QStringLiteral("kx_alpha"), QStringLiteral("kx_beta")};

    Open(slTables, QStringLiteral("%"));
    EXPECT_EQ(recordset.Position(), 1);
    EXPECT_EQ(recordset.RecordCount(), 2);
    EXPECT_EQ(Sorted(Column(3)), tables) << "every table, and only tables";
    Open(slViews, QStringLiteral("%"));
    EXPECT_EQ(Column(3), QStringList{QStringLiteral("kx_gamma")});
    Open(slTables, QStringLiteral("kx\\_a%"));
    EXPECT_EQ(Column(3), QStringList{QStringLiteral("kx_alpha")});

    // "<None>" in any case is no restriction at all; the empty text is a pattern of its own.
    Open(slTables, QStringLiteral("<none>"));
    EXPECT_EQ(Sorted(Column(3)), tables);
    Open(slTables, QString());
    if (Server())
        EXPECT_EQ(Sorted(Column(3)), tables) << "psqlODBC takes an empty pattern as none";
    else
        EXPECT_TRUE(Column(3).isEmpty()) << "SQLite3's driver: an empty pattern matches no name";
    EXPECT_TRUE(recordset.Active());
}

TEST_P(OdbcSchemaRecordsetTest, TypeInfoAsksForTheTypeTheDigitsOfColumnNameForm) {
    Open(slTypeInfo, QString(), QString());
    const QStringList allTypes = Column(2);
    ASSERT_GT(allTypes.size(), 5) << "no digit: every type";
    const auto typesOf = [&](const QString& code) {
        return QStringList(allTypes.count(code), code);
    };

    Open(slTypeInfo, QString(), QStringLiteral(" 4 "));
    const QStringList integers = Column(2);
    EXPECT_FALSE(integers.isEmpty());
    EXPECT_EQ(integers, typesOf(QStringLiteral("4")));
    Open(slTypeInfo, QString(), QStringLiteral("4"));
    EXPECT_EQ(Column(2), integers);
    // Both drivers are the ANSI builds, which offer no wide types: the list is empty there,
    // but it must be the list of -9, not of 9 (a date type on both).
    Open(slTypeInfo, QString(), QStringLiteral("-9"));
    EXPECT_EQ(Column(2), typesOf(QStringLiteral("-9")));
    EXPECT_TRUE(recordset.Active());
}

TEST_P(OdbcSchemaRecordsetTest, ChangingANameReReadsAtOnceFromTheFirstRow) {
    for (const char* table : {"kx_a1", "kx_a2", "kx_b1", "kx_b2"})
        Execute(QStringLiteral("CREATE TABLE %1 (id INTEGER)").arg(QLatin1String(table)));
    Open(slTables, QStringLiteral("kx\\_a%"));
    recordset.MoveToNext();
    ASSERT_EQ(recordset.Position(), 2);
    const auto sink = KxMake<TStatementChangeSink>(
        [this] { return recordset.Active() ? Value(3) : QStringLiteral("inactive"); });
    KxIntf<IConnectionPoint> point;
    ASSERT_EQ(recordset.FindConnectionPoint(IKxSQLChangeSink::IID, point), hr::S_Ok);
    std::uint32_t cookie = 0;
    ASSERT_EQ(point->Advise(sink.get(), &cookie), hr::S_Ok);

    // Through the published property, as the schema tree and the property editor reach it.
    const auto schemaData = KxGetPropertyIntf<IKxSchemaDataProperties>(
        static_cast<IKxGetItemByName*>(&recordset), QStringLiteral("SchemaData"));
    ASSERT_TRUE(schemaData);
    schemaData->SetTableName(QStringLiteral("kx\\_b%"));
    EXPECT_TRUE(recordset.Active());
    EXPECT_EQ(recordset.Position(), 1);
    EXPECT_EQ(Value(3), QStringLiteral("kx_b1"));
    EXPECT_EQ(sink->seen, QStringList{QStringLiteral("kx_b1")})
        << "the change is announced once, after the new result is there";

    recordset.SchemaData().SetReExecuteAfterPropertyValueChange(false);
    schemaData->SetTableName(QStringLiteral("kx\\_a%"));
    EXPECT_EQ(Value(3), QStringLiteral("kx_b1")) << "no re-reading when switched off";
    recordset.SchemaData().SetReExecuteAfterPropertyValueChange(true);
    recordset.SetActive(false);
    schemaData->SetTableName(QStringLiteral("kx\\_b2"));
    EXPECT_FALSE(recordset.Active()) << "an inactive recordset stays inactive";
    recordset.SetActive(true);
    EXPECT_EQ(Column(3), QStringList{QStringLiteral("kx_b2")});
    EXPECT_EQ(sink->seen.size(), 3);
    EXPECT_EQ(point->Unadvise(cookie), hr::S_Ok);
}

TEST_P(OdbcSchemaRecordsetTest, CallsThatFindNothingGiveAnEmptyOpenResult) {
    Execute(QStringLiteral("CREATE TABLE kx_keyless (id INTEGER)"));
    Open(slPrimaryKeys, QStringLiteral("kx_keyless"));
    EXPECT_TRUE(recordset.Active());
    EXPECT_EQ(recordset.RecordCount(), 0);
    EXPECT_TRUE(recordset.IsEOF());
    EXPECT_EQ(recordset.Fields().size(), 6u) << "the result columns are there all the same";
    Open(slColumns, QStringLiteral("kx\\_nothing%"));
    EXPECT_TRUE(recordset.Active());
    EXPECT_EQ(recordset.RecordCount(), 0);
    EXPECT_TRUE(Column(4).isEmpty());
}

TEST_P(OdbcSchemaRecordsetTest, AnEscapedNameMatchesOnlyItself) {
    Execute(QStringLiteral("CREATE TABLE my_t (a INTEGER, b INTEGER)"));
    Execute(QStringLiteral("CREATE TABLE myxt (c INTEGER)"));
    const QString escape = recordset.GetSearchPatternEscape();
    ASSERT_FALSE(escape.isEmpty()) << "both drivers name an escape";
    EXPECT_EQ(escape, connection.SearchPatternEscape());

    Open(slColumns, QStringLiteral("my_t"));
    EXPECT_EQ(Sorted(Column(4)), Names({"a", "b", "c"})) << "unescaped, _ is a wildcard";
    Open(slColumns, KxEscapeSearchPattern(QStringLiteral("my_t"), escape));
    EXPECT_EQ(Sorted(Column(4)), Names({"a", "b"}));
    EXPECT_EQ(Column(3), Names({"my_t", "my_t"}));

    TKxOdbcSchemaRecordset unconnected;
    EXPECT_TRUE(unconnected.GetSearchPatternEscape().isEmpty());
}

TEST_P(OdbcSchemaRecordsetTest, ColumnsAreRestrictedByDatabaseAndSchema) {
    if (!Server())
        GTEST_SKIP() << "the SQLite3 driver knows no schemas";
    Execute(QStringLiteral("CREATE SCHEMA kx_a"));
    Execute(QStringLiteral("CREATE SCHEMA kx_b"));
    Execute(QStringLiteral("CREATE TABLE kx_a.t (x INTEGER)"));
    Execute(QStringLiteral("CREATE TABLE kx_b.t (y INTEGER, z INTEGER)"));
    recordset.SchemaData().SetDatabaseName(pg->Name());

    recordset.SchemaData().SetSchemaName(QStringLiteral("kx\\_a"));
    Open(slColumns, QStringLiteral("t"));
    EXPECT_EQ(Column(4), QStringList{QStringLiteral("x")});
    EXPECT_EQ(Column(1), QStringList{pg->Name()});
    EXPECT_EQ(Column(2), QStringList{QStringLiteral("kx_a")});
    recordset.SchemaData().SetSchemaName(QStringLiteral("kx\\_b"));
    EXPECT_EQ(Sorted(Column(4)), Names({"y", "z"}));
    recordset.SchemaData().SetSchemaName(QStringLiteral("kx%"));
    EXPECT_EQ(Sorted(Column(4)), Names({"x", "y", "z"}));
    // Without a schema psqlODBC lists only what the search path shows, which holds neither.
    recordset.SchemaData().SetSchemaName(QStringLiteral("<None>"));
    EXPECT_TRUE(Column(4).isEmpty());
    Execute(QStringLiteral("SET search_path TO kx_b"));
    recordset.SetActive(false);
    recordset.SetActive(true);
    EXPECT_EQ(Sorted(Column(4)), Names({"y", "z"}));
}

TEST_P(OdbcSchemaRecordsetTest, ForeignKeysTakeThePrimaryKeySideFromTableName) {
    Execute(QStringLiteral("CREATE TABLE kx_parent (id INTEGER PRIMARY KEY)"));
    Execute(QStringLiteral(
        "CREATE TABLE kx_child (id INTEGER PRIMARY KEY, parent INTEGER REFERENCES kx_parent(id))"));
    Execute(QStringLiteral("CREATE TABLE kx_other (id INTEGER PRIMARY KEY)"));
    recordset.SchemaData().SetForeignTableName(QStringLiteral("<None>"));
    Open(slForeignKeys, QStringLiteral("kx_parent"));
    EXPECT_EQ(Column(7), QStringList{QStringLiteral("kx_child")});
    EXPECT_EQ(Column(8), QStringList{QStringLiteral("parent")});
    recordset.SchemaData().SetForeignTableName(QStringLiteral("kx_child"));
    recordset.SchemaData().SetTableName(QStringLiteral("<None>"));
    EXPECT_EQ(Column(3), QStringList{QStringLiteral("kx_parent")});
    recordset.SchemaData().SetTableName(QStringLiteral("kx_other"));
    EXPECT_TRUE(Column(3).isEmpty());
}

TEST_P(OdbcSchemaRecordsetTest, ACatalogResultCannotBeChanged) {
    Execute(QStringLiteral("CREATE TABLE kx_t (id INTEGER PRIMARY KEY, name VARCHAR(20))"));
    recordset.SetUpdateStrategy(usMinimalLock);
    Open(slColumns, QStringLiteral("kx_t"));
    ASSERT_EQ(recordset.RecordCount(), 2);
    EXPECT_FALSE(recordset.IsUpdatable());
    EXPECT_EQ(recordset.AskBoolean(qid::CanModify), baFalse);
    for (const int operation : {roEdit, roInsert, roDelete})
        EXPECT_FALSE(recordset.CanExecuteOperation(operation, nullptr)) << operation;
    EXPECT_FALSE(recordset.ExecuteOperation(roEdit, nullptr));
    EXPECT_THROW(recordset.SetFieldValue(KxVariant(QStringLiteral("COLUMN_NAME")),
                                         KxVariant(QStringLiteral("changed"))),
                 EKxException);
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    EXPECT_EQ(Sorted(Column(4)), Names({"id", "name"}));
}

TEST_P(OdbcSchemaRecordsetTest, FailuresNameTheirRoutineAndLeaveTheRecordsetClosed) {
    recordset.SchemaData().SetSchemaListValue(static_cast<TKxSchemaList>(kxLastSchemaList + 1));
    const EKxException unknown = Raised([&] { recordset.SetActive(true); });
    EXPECT_EQ(unknown.GetRoutineName(), QStringLiteral("InternalExecute"));
    EXPECT_TRUE(unknown.GetMessage().contains(QStringLiteral("TKxSchemaList")))
        << unknown.GetMessage().toStdString();
    EXPECT_FALSE(recordset.Active());

    // Neither table named: ODBC refuses the call (HY009).
    recordset.SchemaData().SetSchemaListValue(slForeignKeys);
    recordset.SchemaData().SetTableName(QStringLiteral("<None>"));
    recordset.SchemaData().SetForeignTableName(QStringLiteral("<None>"));
    try {
        recordset.SetActive(true);
        ADD_FAILURE() << "nothing was raised";
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SQLForeignKeys"));
    }
    EXPECT_FALSE(recordset.Active());
    recordset.SchemaData().SetSchemaListValue(slTables);
    recordset.SchemaData().SetTableName(QStringLiteral("%"));
    recordset.SetActive(true);
    EXPECT_TRUE(recordset.Active()) << "the same component opens after a failure";
}

} // namespace

KX_INSTANTIATE_DRIVER_TESTS(OdbcSchemaRecordsetTest);
