#include "dbcore/sql_parameters.h"
#include "dbcore/sql_property.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connection.h"
#include "foundation/operations.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

// Stands in for the statement: counts the re-executions it is asked to schedule.
class TestStatement : public TKxInterfacedObject,
                      public virtual IKxGetName,
                      public virtual IKxCanExecuteOperation,
                      public virtual IKxExecuteOperation,
                      public virtual IKxComponentLoading,
                      public virtual IKxFillNameList {
public:
    TestStatement() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
    QString GetName() const override { return QStringLiteral("Query1"); }
    bool CanExecuteOperation(int operation, IKxUnknown*) override {
        return operation == roScheduleReExecution;
    }
    bool ExecuteOperation(int operation, IKxUnknown* parameter) override {
        if (operation == roScheduleReExecution && parameter == nullptr)
            ++scheduled;
        return true;
    }
    bool IsLoading() const override { return loading; }
    void FillNameList(int listKind, IKxUnknown* target) override {
        filled.append({listKind, target});
    }

    int scheduled = 0;
    bool loading = false;
    QList<std::pair<int, IKxUnknown*>> filled;
};

QString Resolve(const TKxSqlProperty& sql) {
    return sql.ResolveSQLParamValues();
}

QString UnresolvedMessage(const TKxSqlProperty& sql) {
    try {
        sql.ResolveSQLParamValues();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("ResolveSQLParamValues"));
        return e.GetMessage();
    }
    return QStringLiteral("no error");
}

QStringList Names(const TKxSqlParameterList& list) {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names.append(list.Items(i)->GetName());
    return names;
}

const QString kUnresolved = QStringLiteral("Failed to prepare the SQL Statement because the "
                                           "following Parameters are unresolved or have no "
                                           "Value assigned to them: ");

TEST(SqlParametersTest, RebuildKeepsSurvivingValuesAndIgnoresCase) {
    TKxSqlProperty sql;
    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE A = :p OR B = :P"));
    EXPECT_EQ(Names(sql.SQLParameter()), QStringList{QStringLiteral("p")});
    EXPECT_TRUE(sql.SQLParameter().GetParameter(QStringLiteral("P"))->GetValue().IsNull());

    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE A = :a AND B = :b"));
    sql.SQLParameter().GetParameter(QStringLiteral("a"))->SetValue(KxVariant(std::int32_t(1)));
    sql.SQLParameter().GetParameter(QStringLiteral("b"))->SetValue(KxVariant(std::int32_t(2)));
    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE B = :B AND C = :c"));
    EXPECT_EQ(Names(sql.SQLParameter()), (QStringList{QStringLiteral("B"), QStringLiteral("c")}));
    EXPECT_EQ(sql.SQLParameter().GetParameter(QStringLiteral("b"))->GetValue().ToInt(), 2);
    EXPECT_TRUE(sql.SQLParameter().GetParameter(QStringLiteral("c"))->GetValue().IsNull());

    // Sorted without regard to case; a marker followed by a delimiter names nothing.
    sql.SetAsString(QStringLiteral("SELECT :Zeta, :alpha, : FROM T"));
    EXPECT_EQ(sql.SQLParameter().GetParameter(0)->GetName(), QStringLiteral("alpha"));
    EXPECT_EQ(sql.SQLParameter().GetParameter(KxVariant(1.0))->GetName(), QStringLiteral("Zeta"));
    EXPECT_EQ(sql.SQLParameter().Count(), 2);
}

TEST(SqlParametersTest, ResolutionWritesLiteralsAndNullComparisons) {
    TKxSqlProperty sql;
    sql.SetAsString(QStringLiteral("A = :X AND B <> :Y"));
    sql.SQLParameter().GetParameter(QStringLiteral("X"))->SetValue(KxVariant(std::int32_t(5)));
    EXPECT_EQ(Resolve(sql), QStringLiteral("A = 5 AND B IS NOT NULL "));

    sql.SetAsString(QStringLiteral("SELECT * FROM T\r\nWHERE A >= :Lim"));
    EXPECT_EQ(Resolve(sql), QStringLiteral("SELECT * FROM T\r\nWHERE A IS NULL "));

    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE N = :n AND D < :d AND K IN (:n, 3)"));
    sql.SQLParameter()
        .GetParameter(QStringLiteral("n"))
        ->SetValue(KxVariant(QStringLiteral("O'Brien")));
    sql.SQLParameter()
        .GetParameter(QStringLiteral("d"))
        ->SetValue(
            KxVariant::FromDateTime(KxToDateTime(QDateTime(QDate(2024, 1, 31), QTime(0, 0)))));
    EXPECT_EQ(Resolve(sql), QStringLiteral("SELECT * FROM T WHERE N = 'O''Brien' AND D < {d "
                                           "'2024-01-31'} AND K IN ('O''Brien', 3)"));

    // Each null marker swallows only the operator written since the previous marker.
    sql.SetAsString(QStringLiteral("A = :a AND B = :b"));
    sql.SQLParameter().GetParameter(QStringLiteral("a"))->SetValue(KxVariant());
    EXPECT_EQ(Resolve(sql), QStringLiteral("A IS NULL  AND B IS NULL "));
}

// A value never changes what the text around it is: a negative number after a minus would
// otherwise open a line comment («5--3») that swallows the rest of the line.
TEST(SqlParametersTest, ANegativeValueAfterAMinusStaysANumber) {
    TKxSqlProperty sql;
    sql.SetAsString(QStringLiteral("SELECT 5-:p, 1 FROM T WHERE A = -:p"));
    sql.SQLParameter().GetParameter(QStringLiteral("p"))->SetValue(KxVariant(std::int32_t(-3)));
    EXPECT_EQ(Resolve(sql), QStringLiteral("SELECT 5- -3, 1 FROM T WHERE A = - -3"));
    sql.SQLParameter().GetParameter(QStringLiteral("p"))->SetValue(KxVariant(-0.5));
    EXPECT_EQ(Resolve(sql), QStringLiteral("SELECT 5- -0.5, 1 FROM T WHERE A = - -0.5"));
    sql.SQLParameter().GetParameter(QStringLiteral("p"))->SetValue(KxVariant(std::int32_t(3)));
    EXPECT_EQ(Resolve(sql), QStringLiteral("SELECT 5-3, 1 FROM T WHERE A = -3"));
    sql.SetAsString(QStringLiteral("SELECT 5 - :p"));
    sql.SQLParameter().GetParameter(QStringLiteral("p"))->SetValue(KxVariant(std::int32_t(-3)));
    EXPECT_EQ(Resolve(sql), QStringLiteral("SELECT 5 - -3"));
}

TEST(SqlParametersTest, NullValuesKeepTheMeaningOfTheirOperator) {
    // Every marker of these texts is Null (p, q and r are never set).
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT * FROM T WHERE A = :p", "SELECT * FROM T WHERE A IS NULL "},
        {"SELECT * FROM T WHERE A <> :p", "SELECT * FROM T WHERE A IS NOT NULL "},
        {"SELECT * FROM T WHERE A!=:p", "SELECT * FROM T WHERE A IS NOT NULL "},
        {"SELECT * FROM T WHERE A\r\n\t<>\r\n  :p AND B = 1",
         "SELECT * FROM T WHERE A IS NOT NULL  AND B = 1"},
        {"SELECT * FROM T WHERE A >= :p", "SELECT * FROM T WHERE A IS NULL "},
        // Comments between operator and marker are no SQL; one that hides an operator
        // leaves no comparison behind.
        {"SELECT * FROM T WHERE A = /* the key */ :p", "SELECT * FROM T WHERE A IS NULL "},
        {"SELECT * FROM T WHERE A = -- the key\r\n:p", "SELECT * FROM T WHERE A IS NULL "},
        {"SELECT * FROM T WHERE A IS /* <> */ :p", "SELECT * FROM T WHERE A IS /* <> */ NULL"},
        // No comparison before the marker: the literal NULL.
        {"INSERT INTO T (a, b) VALUES\r\n(\r\n:p,\r\n  :q)",
         "INSERT INTO T (a, b) VALUES\r\n(\r\nNULL,\r\n  NULL)"},
        {"SELECT coalesce(:p, 0) + :q, x - :r FROM T",
         "SELECT coalesce(NULL, 0) + NULL, x - NULL FROM T"},
        {"SELECT * FROM T WHERE A IN (:p, :q)", "SELECT * FROM T WHERE A IN (NULL, NULL)"},
        // SET assigns; WHERE, a subquery or a later "=" of the same item compare.
        {"UPDATE T SET c = :p", "UPDATE T SET c = NULL"},
        {"update T set a = :p, b=:q,\r\n  c =\r\n :r\r\nwhere d = :p AND e <> :q OR f=:r",
         "update T set a = NULL, b=NULL,\r\n  c =\r\n NULL\r\nwhere d IS NULL  AND e IS NOT "
         "NULL  OR f IS NULL "},
        {"UPDATE T SET c = CASE WHEN d = :p THEN 1 END, e = (SELECT max(f) FROM U WHERE g = :q)",
         "UPDATE T SET c = CASE WHEN d IS NULL  THEN 1 END, e = (SELECT max(f) FROM U WHERE "
         "g IS NULL )"},
        {"UPDATE T SET c = :p FROM U WHERE U.id = :q",
         "UPDATE T SET c = NULL FROM U WHERE U.id IS NULL "},
        {"INSERT INTO T VALUES (:p) ON CONFLICT (id) DO UPDATE SET c = :q WHERE T.c <> :r",
         "INSERT INTO T VALUES (NULL) ON CONFLICT (id) DO UPDATE SET c = NULL WHERE T.c IS NOT "
         "NULL "},
        // Only SQL counts: no SET in a word or a literal, no marker in a literal or comment.
        {"SELECT * FROM T WHERE settings = :p AND name = 'SET a = :q' -- , b = :r\r\nOR c <> :r",
         "SELECT * FROM T WHERE settings IS NULL  AND name = 'SET a = :q' -- , b = :r\r\nOR c IS "
         "NOT NULL "},
        {"UPDATE T SET c = 1;\r\nSELECT * FROM T WHERE d = :p",
         "UPDATE T SET c = 1;\r\nSELECT * FROM T WHERE d IS NULL "},
    };
    TKxSqlProperty sql;
    for (const auto& [text, resolved] : cases) {
        sql.SetAsString(QString::fromUtf8(text));
        EXPECT_EQ(Resolve(sql).toStdString(), resolved);
    }

    // Values and Nulls mixed: a value is a literal wherever it stands.
    sql.SetAsString(QStringLiteral("UPDATE T SET a = :v, b = :n WHERE c = :v AND d <> :n"));
    sql.SQLParameter().GetParameter(QStringLiteral("v"))->SetValue(KxVariant(std::int32_t(5)));
    EXPECT_EQ(Resolve(sql), QStringLiteral("UPDATE T SET a = 5, b = NULL WHERE c = 5 AND d IS "
                                           "NOT NULL "));
    sql.SQLParameter().GetParameter(QStringLiteral("n"))->SetValue(KxVariant());
    sql.SQLParameter().GetParameter(QStringLiteral("v"))->SetValue(KxVariant::Null());
    EXPECT_EQ(Resolve(sql), QStringLiteral("UPDATE T SET a = NULL, b = NULL WHERE c IS NULL  "
                                           "AND d IS NOT NULL "))
        << "Empty counts as Null";
}

TEST(SqlParametersTest, UnresolvedMarkersAreReportedInOrderAndNothingIsReturned) {
    TKxSqlProperty sql;
    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE A = :a"));
    sql.SQLParameter().Clear(); // as if the list had been emptied behind the text's back
    EXPECT_EQ(UnresolvedMessage(sql), kUnresolved + QStringLiteral("a"));

    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE A = : AND B = :b"));
    sql.SQLParameter().Clear();
    // A lone ":" is reported with an empty name, then b.
    EXPECT_EQ(UnresolvedMessage(sql), kUnresolved + QStringLiteral(", b"));
    QString text = QStringLiteral("untouched");
    EXPECT_THROW(sql.ResolveSQLParamValues(text), EKxException);
    EXPECT_EQ(text, QStringLiteral("untouched"));
}

TEST(SqlParametersTest, ColonsInLiteralsCommentsAndCastsAreNoMarkers) {
    TKxSqlProperty sql;
    const QString texts[] = {
        QStringLiteral("SELECT * FROM T WHERE T = '10:30'"),
        QStringLiteral("SELECT * FROM T WHERE T = 'it''s :not'"),
        QStringLiteral("SELECT \"odd :col\" FROM T"),
        QStringLiteral("SELECT x::int, (y)::text FROM T"),
        QStringLiteral("SELECT a -- note: yes\r\nFROM T /* :x\r\n :y */"),
        QStringLiteral("SELECT arr[1:2], a:b FROM T"),
    };
    for (const QString& text : texts) {
        sql.SetAsString(text);
        EXPECT_EQ(sql.SQLParameter().Count(), 0) << text.toStdString();
        EXPECT_EQ(Resolve(sql), sql.GetAsString()) << text.toStdString();
    }
    // Markers around literals and comments still count, a cast after a marker ends its name,
    // and a '[' inside a literal does not swallow the rest of the text.
    sql.SetAsString(
        QStringLiteral("SELECT '[' AS b, ':' -- :c\r\nFROM T WHERE A = :a::int AND B = :b"));
    EXPECT_EQ(Names(sql.SQLParameter()), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    sql.SQLParameter().GetParameter(QStringLiteral("a"))->SetValue(KxVariant(std::int32_t(1)));
    sql.SQLParameter().GetParameter(QStringLiteral("b"))->SetValue(KxVariant(std::int32_t(2)));
    EXPECT_EQ(Resolve(sql), QStringLiteral("SELECT '[' AS b, ':' -- :c\r\nFROM T WHERE A = "
                                           "1::int AND B = 2"));
}

TEST(SqlParametersTest, BracketedNamesWorkInRebuildAndResolution) {
    TKxSqlProperty sql;
    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE A = :[my name] AND B=:[x]"));
    EXPECT_EQ(Names(sql.SQLParameter()),
              (QStringList{QStringLiteral("[my name]"), QStringLiteral("[x]")}));
    sql.SQLParameter()
        .GetParameter(QStringLiteral("[MY NAME]"))
        ->SetValue(KxVariant(std::int32_t(3)));
    sql.SQLParameter().GetParameter(QStringLiteral("[x]"))->SetValue(KxVariant(2.5));
    EXPECT_EQ(Resolve(sql), QStringLiteral("SELECT * FROM T WHERE A = 3 AND B=2.5"));
}

TEST(SqlParametersTest, LookupErrorsNameTheOwner) {
    TestStatement statement;
    TKxSqlParameterList list(&statement);
    list.AddParameter(QStringLiteral("Zeta"));
    list.AddParameter(QStringLiteral("alpha"));
    EXPECT_EQ(list.AddParameter(QStringLiteral("ZETA")), list.GetParameter(1));
    TKxSqlParameter* found = nullptr;
    EXPECT_FALSE(list.FindParameter(QString(), found));
    EXPECT_TRUE(list.FindParameter(QStringLiteral("ALPHA"), found));
    EXPECT_EQ(found, list.Items(0));
    try {
        list.GetParameter(QStringLiteral("nope"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("A parameter with name 'nope' doesn't exist"));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("TKxSqlParameterList.GetParameter"));
        EXPECT_EQ(e.GetObjectName(), QStringLiteral("Query1"));
    }
    try {
        list.GetParameter(KxVariant(true));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral("Unsupported Datatype used for indexing, vartype: 11"));
    }
    EXPECT_THROW(list.GetParameter(2), EKxException);
    KxIntf<IKxUnknown> item;
    EXPECT_EQ(list.GetItemByIndex(0, item), hr::S_Ok);
    EXPECT_EQ(KxQuery<IKxGetName>(item)->GetName(), QStringLiteral("alpha"));
    EXPECT_THROW(list.GetItemByName(QStringLiteral("nope"), item), EKxException);
    item.reset();
}

TEST(SqlParametersTest, AssignCopiesAndAssignValuesOnlyFillsKnownNames) {
    TKxSqlParameterList source;
    source.AddParameter(QStringLiteral("a"))->AssignValue(KxVariant(std::int32_t(1)));
    source.AddParameter(QStringLiteral("b"))->AssignValue(KxVariant(std::int32_t(2)));
    source.SetReExecuteAfterParamValueChange(false);

    TKxSqlParameterList copy;
    copy.Assign(&source);
    EXPECT_EQ(Names(copy), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(copy.GetParameter(QStringLiteral("b"))->GetValue().ToInt(), 2);
    EXPECT_EQ(copy.GetParameter(0)->List(), &copy);
    EXPECT_FALSE(copy.ReExecuteAfterParamValueChange());

    TKxSqlParameterList target;
    target.AddParameter(QStringLiteral("B"));
    target.AddParameter(QStringLiteral("c"))->AssignValue(KxVariant(std::int32_t(9)));
    target.AssignValues(source);
    EXPECT_EQ(Names(target), (QStringList{QStringLiteral("B"), QStringLiteral("c")}));
    EXPECT_EQ(target.GetParameter(QStringLiteral("b"))->GetValue().ToInt(), 2);
    EXPECT_EQ(target.GetParameter(QStringLiteral("c"))->GetValue().ToInt(), 9);
}

TEST(SqlParametersTest, ValueChangesScheduleReExecutionUnlessLoadingOrSwitchedOff) {
    TestStatement statement;
    TKxSqlProperty sql(&statement);
    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE A = :a"));
    EXPECT_EQ(statement.scheduled, 0); // neither the text change nor the rebuild schedules
    TKxSqlParameter* a = sql.SQLParameter().GetParameter(QStringLiteral("a"));

    a->SetValue(KxVariant(std::int32_t(1)));
    a->SetValue(KxVariant(std::int32_t(1))); // equal values count too
    EXPECT_EQ(statement.scheduled, 2);
    a->AssignValue(KxVariant(std::int32_t(2)));
    EXPECT_EQ(statement.scheduled, 2);

    statement.loading = true;
    a->SetValue(KxVariant(std::int32_t(3)));
    EXPECT_EQ(statement.scheduled, 2);
    statement.loading = false;

    sql.SQLParameter().SetReExecuteAfterParamValueChange(false);
    a->SetValue(KxVariant(std::int32_t(4)));
    EXPECT_EQ(statement.scheduled, 2);
    EXPECT_EQ(a->GetValue().ToInt(), 4);
}

TEST(SqlPropertyTest, TextChangesRebuildThenCallBackThenSchedule) {
    TestStatement statement;
    QStringList seen;
    TKxSqlProperty sql(&statement, [&](IKxUnknown* owner) {
        EXPECT_EQ(owner, static_cast<IKxUnknown*>(&statement));
        // The parameters are already rebuilt when the statement hears of the change.
        seen.append(QString::number(sql.SQLParameter().Count()));
    });
    sql.SetAsString(QStringLiteral("SELECT * FROM T WHERE A = :a"));
    sql.SetSQLWhere(QStringLiteral("A = :a AND B = :b"));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(statement.scheduled, 0);

    sql.SetReExecuteAfterSQLChange(true);
    sql.SQLText().Add(QStringLiteral("ORDER BY A"));
    EXPECT_EQ(statement.scheduled, 1);
    EXPECT_EQ(sql.GetSQLOrderBy(), QStringLiteral("A"));
    statement.loading = true;
    sql.SetSQLOrderBy(QStringLiteral("B"));
    EXPECT_EQ(statement.scheduled, 1);
    EXPECT_EQ(seen.size(), 4);

    // The property answers the parts interfaces itself.
    KxIntf<IKxSqlStatementParts> parts = KxQuery<IKxSqlStatementParts>(&sql);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->GetSQLWhere(), QStringLiteral("A = :a AND B = :b"));
    EXPECT_EQ(KxQuery<IKxGetSetTableName>(&sql)->GetTableName(), QStringLiteral("T"));
    EXPECT_EQ(sql.Partitioner().OwnerProperty(), &sql);
    parts.reset();
    sql.FillNameList(3, &statement);
    ASSERT_EQ(statement.filled.size(), 1);
    EXPECT_EQ(statement.filled[0].first, 3);
    TKxSqlProperty alone;
    alone.FillNameList(3, &statement); // no owner: nothing to ask
    EXPECT_EQ(statement.filled.size(), 1);
}

TEST(SqlPropertyTest, AssignCopiesFlagTextAndParameters) {
    TKxSqlProperty source;
    source.SetReExecuteAfterSQLChange(true);
    source.SetAsString(QStringLiteral("SELECT * FROM T WHERE A = :a"));
    source.SQLParameter().GetParameter(QStringLiteral("a"))->SetValue(KxVariant(std::int32_t(8)));

    TestStatement statement;
    int changes = 0;
    TKxSqlProperty target(&statement, [&changes](IKxUnknown*) { ++changes; });
    target.Assign(&source);
    EXPECT_TRUE(target.ReExecuteAfterSQLChange());
    EXPECT_EQ(target.GetAsString(), source.GetAsString());
    EXPECT_EQ(Resolve(target), QStringLiteral("SELECT * FROM T WHERE A = 8"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(statement.scheduled, 1); // the text change, with the copied flag
    EXPECT_EQ(target.SQLParameter().Owner(), static_cast<IKxUnknown*>(&statement));
    EXPECT_THROW(target.Assign(&source.SQLParameter()), EKxException);
}

} // namespace
