// The schema tree loading a catalog of N tables x 15 columns on psqlODBC, against the same
// catalog calls made directly through a schema recordset with no tree (one SQLTables per root
// list, then one SQLColumns per table with its names taken literally, every row read and the
// fields the tree shows taken from it), each round timing the bare calls right before the tree:
//   - the load (Refresh) of the tables list alone and of the default root lists (tables,
//     views, procedures), and the ratio tree/bare calls; the same load with the tree not
//     shown, which separates painting and scrolling from the rest;
//   - the longest stall of the event loop while loading: the longest time between two turns
//     of the event loop, as a zero-interval timer sees them (that timer fires on every
//     processEvents), the start and the end of Refresh counted as turns;
//   - Escape: a key event sent to the tree about one second into a load, and the time from
//     the key until Refresh returns;
//   - resident memory (/proc/self/statm after malloc_trim) the loaded tree adds, and what
//     clearing it gives back;
//   - pieces of the load: the style's standardIcon called once per node as the tree does, and
//     a plain QTreeWidget of the same shape sharing three icons;
//   - isql's "help <table>" (one SQLColumns) and the whole catalog read by one isql run
//     ("help", then "help <table>" for every table) for reference.
// The tree is shown (offscreen), so its layout and painting during the load are charged to it
// as a user would feel them.
//
// Needs the test server: KX_TEST_PG_CONNECT (a DSN-less connection string without a Database
// key), as scripts/with-test-databases.sh sets it.
//
// Usage: scripts/with-test-databases.sh build/release/bench/schema_tree_bench [tables] [rounds]

#include "datactrls/schema_tree.h"
#include "dbcore/sql_interfaces.h"
#include "dbcore/sql_words.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_schema_recordset.h"
#include "odbc_bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <optional>
#include <vector>

using namespace kx;
using namespace kx::bench;

namespace {

constexpr int kColumnsPerTable = 15;
constexpr int kTablesPerStatement = 200;
constexpr int kEscapeAfterMs = 1000;

QString TableName(int number) {
    return QStringLiteral("bench_t%1").arg(number, 5, 10, QLatin1Char('0'));
}

// Tables bench_t00001 … in public, created by DO blocks of a few hundred each (one
// transaction for all of them would run out of lock slots).
void CreateTables(TKxOdbcConnection& connection, int tables) {
    for (int first = 1; first <= tables; first += kTablesPerStatement) {
        const int last = std::min(tables, first + kTablesPerStatement - 1);
        connection.ExecuteDirect(
            QStringLiteral(
                "DO $$ BEGIN FOR i IN %1..%2 LOOP EXECUTE format('CREATE TABLE bench_t%s ("
                "id integer PRIMARY KEY, name varchar(40) NOT NULL, amount numeric(12,2), "
                "price double precision, quantity integer, code char(10), note text, "
                "created date, changed timestamp, active boolean NOT NULL, big bigint, "
                "small smallint, weight real, label varchar(100), data bytea)', "
                "lpad(i::text, 5, '0')); END LOOP; END $$")
                .arg(first)
                .arg(last));
    }
}

// A field's value by its 1-based result column, the way the tree reads it.
KxVariant Value(TKxOdbcSchemaRecordset& recordset, int position) {
    KxIntf<IKxUnknown> field;
    if (recordset.GetItemByIndex(position, field) != hr::S_Ok)
        return {};
    const auto value = KxQuery<IKxGetValue>(field);
    return value ? value->GetValue() : KxVariant();
}

QString Text(TKxOdbcSchemaRecordset& recordset, int position) {
    const KxVariant value = Value(recordset, position);
    return value.IsEmptyOrNull() ? QString() : value.ToString();
}

// ---- the bare catalog calls

struct TBare {
    double ms = 0;
    double tablesMs = 0; // the SQLTables call for the tables and its rows alone
    int tables = 0;
    int columns = 0;
    int otherObjects = 0; // views and procedures
    int otherRows = 0;    // their columns and parameters
};

// The root lists `lists` as the tree reads them, in the same order: each list's objects
// (those outside the database's own schemas), then the columns or parameters of each object.
TBare BareCatalogCalls(TKxOdbcConnection& connection, TKxSchemaRootLists lists) {
    TKxOdbcSchemaRecordset recordset;
    recordset.SetODBCConnection(&connection);
    // What the tree asks of its recordset before loading.
    recordset.SetCursorType(ctUnidirectional);
    recordset.SetUpdateStrategy(usReadOnly);
    TKxSchemaDataProperties& data = recordset.SchemaData();
    const QString escape = recordset.GetSearchPatternEscape();
    const auto literal = [&](const QString& name) {
        return name.isEmpty() ? QStringLiteral("<None>") : KxEscapeSearchPattern(name, escape);
    };
    struct TObject {
        QString catalog;
        QString schema;
        QString name;
    };
    TBare result;
    QElapsedTimer clock;
    clock.start();
    for (const TKxSchemaList list : {slTables, slViews, slProcedures}) {
        if ((lists & (1 << list)) == 0)
            continue;
        std::vector<TObject> objects;
        data.SetSchemaList(list);
        data.SetDatabaseName(QStringLiteral("<None>"));
        data.SetSchemaName(QStringLiteral("%"));
        data.SetTableName(QStringLiteral("%"));
        recordset.SetActive(true);
        const int namePosition = KxSchemaListNameColumn(list);
        for (; !recordset.IsEOF(); recordset.MoveToNext()) {
            const QString schema = Text(recordset, 2);
            if (recordset.IsSystemSchema(schema))
                continue;
            objects.push_back({Text(recordset, 1), schema, Text(recordset, namePosition)});
        }
        recordset.SetActive(false);
        if (list == slTables) {
            result.tablesMs = Elapsed(clock);
            result.tables = int(objects.size());
        } else {
            result.otherObjects += int(objects.size());
        }
        const bool procedure = list == slProcedures;
        for (const TObject& object : objects) {
            data.SetSchemaList(procedure ? slProcedureColumns : slColumns);
            data.SetDatabaseName(object.catalog.isEmpty() ? QStringLiteral("<None>")
                                                          : object.catalog);
            data.SetSchemaName(literal(object.schema));
            data.SetTableName(literal(object.name));
            recordset.SetActive(true);
            for (; !recordset.IsEOF(); recordset.MoveToNext()) {
                // What a column node shows: name, type, size, nullable.
                const QString name = Text(recordset, 4);
                const QString type = Text(recordset, procedure ? 7 : 6);
                const QString size = Text(recordset, procedure ? 9 : 8);
                const KxVariant nullable = Value(recordset, procedure ? 12 : 11);
                if (name.isEmpty() && type.isEmpty() && size.isEmpty() && nullable.IsEmptyOrNull())
                    std::fprintf(stderr, "empty column row in %s\n", qPrintable(object.name));
                ++(list == slTables ? result.columns : result.otherRows);
            }
            recordset.SetActive(false);
        }
    }
    result.ms = Elapsed(clock);
    return result;
}

// ---- the tree

struct TTreeLoad {
    double ms = 0;
    double longestGapMs = 0;
    double gapAtMs = 0; // when the longest gap ended, from the start of Refresh
    int turns = 0;
    double longestRowMs = 0; // the longest time between two rows read (OnRowLoaded)
    int tables = 0;
    int columns = 0;
    std::int64_t rssAdded = 0;
    std::int64_t rssFreed = 0;
    // With Escape
    double keyAtMs = -1;
    bool loadingAtKey = false;
    double stopMs = 0;
};

std::int64_t TrimmedResident() {
    malloc_trim(0);
    return ResidentBytes();
}

void CountNodes(const TKxISchemaTree& tree, TTreeLoad& load) {
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        const auto* list = dynamic_cast<const TKxSchemaTreeNode*>(tree.topLevelItem(i));
        if (list == nullptr || list->List() != slTables)
            continue;
        load.tables += list->childCount();
        for (int j = 0; j < list->childCount(); ++j) {
            const QTreeWidgetItem* object = list->child(j);
            for (int k = 0; k < object->childCount(); ++k)
                load.columns += object->child(k)->childCount();
        }
    }
}

TTreeLoad LoadTree(TKxOdbcSchemaRecordset& recordset, TKxSchemaRootLists lists, bool escape,
                   bool shown = true) {
    TKxISchemaTree tree;
    tree.resize(400, 800);
    if (shown)
        tree.show();
    tree.setFocus();
    tree.SetSchemaRecordset(static_cast<IKxForwardCursor*>(&recordset));
    QApplication::processEvents();

    TTreeLoad load;
    QElapsedTimer clock;
    double lastTurn = 0;
    double lastRow = 0;
    const auto turn = [&] {
        const double now = Elapsed(clock);
        if (now - lastTurn > load.longestGapMs) {
            load.longestGapMs = now - lastTurn;
            load.gapAtMs = now;
        }
        lastTurn = now;
    };
    QTimer pulse;
    pulse.setInterval(0);
    QObject::connect(&pulse, &QTimer::timeout, [&] {
        ++load.turns;
        turn();
    });
    tree.OnRowLoaded = [&] {
        const double now = Elapsed(clock);
        load.longestRowMs = std::max(load.longestRowMs, now - lastRow);
        lastRow = now;
    };
    QTimer key;
    key.setSingleShot(true);
    key.setTimerType(Qt::PreciseTimer);
    QObject::connect(&key, &QTimer::timeout, [&] {
        load.loadingAtKey = tree.Loading();
        load.keyAtMs = Elapsed(clock);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&tree, &press);
    });

    const std::int64_t before = TrimmedResident();
    pulse.start();
    if (escape)
        key.start(kEscapeAfterMs);
    clock.start();
    tree.Refresh(lists);
    turn(); // the event loop runs again once Refresh returns
    load.ms = Elapsed(clock);
    pulse.stop();
    if (load.keyAtMs >= 0)
        load.stopMs = load.ms - load.keyAtMs;
    tree.OnRowLoaded = nullptr;
    CountNodes(tree, load);
    const std::int64_t loaded = TrimmedResident();
    tree.clear();
    const std::int64_t cleared = TrimmedResident();
    load.rssAdded = loaded - before;
    load.rssFreed = loaded - cleared;
    tree.SetSchemaRecordset(nullptr);
    return load;
}

// ---- pieces of the load

struct TPiece {
    double ms = 0;
    std::int64_t rssAdded = 0;
};

// The icons the tree asks of the style for `nodes` nodes, one standardIcon call each and each
// kept alive as a node keeps its own.
TPiece StandardIcons(int nodes) {
    QTreeWidget owner;
    std::vector<QIcon> icons;
    icons.reserve(std::size_t(nodes));
    const std::int64_t before = TrimmedResident();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < nodes; ++i)
        icons.push_back(owner.style()->standardIcon(
            i % 17 == 0 ? QStyle::SP_FileIcon : QStyle::SP_FileDialogDetailedView));
    TPiece piece{Elapsed(clock), 0};
    piece.rssAdded = TrimmedResident() - before;
    return piece;
}

// A plain QTreeWidget of the same shape (a list node, per table an object node, its columns
// list and its column nodes, with texts of the same kind), shown like the tree, with three
// icons made once and shared by every node.
TPiece SharedIconTree(int tables) {
    QTreeWidget tree;
    tree.setHeaderHidden(true);
    tree.setUniformRowHeights(true);
    tree.resize(400, 800);
    tree.show();
    QApplication::processEvents();
    const QIcon folder = tree.style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon file = tree.style()->standardIcon(QStyle::SP_FileIcon);
    const QIcon column = tree.style()->standardIcon(QStyle::SP_FileDialogDetailedView);
    const auto add = [](QTreeWidgetItem* parent, const QString& text, const QIcon& icon) {
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, text);
        item->setIcon(0, icon);
        return item;
    };
    const std::int64_t before = TrimmedResident();
    QElapsedTimer clock;
    clock.start();
    auto* list = new QTreeWidgetItem(&tree);
    list->setText(0, QStringLiteral("Tables"));
    list->setIcon(0, folder);
    list->setExpanded(true);
    for (int t = 1; t <= tables; ++t) {
        QTreeWidgetItem* object = add(list, TableName(t), file);
        QTreeWidgetItem* columns = add(object, QStringLiteral("Columns: 15"), folder);
        for (int c = 0; c < kColumnsPerTable; ++c)
            add(columns, QStringLiteral("column_%1 <varchar(40), not null>").arg(c), column);
        tree.scrollToItem(object);
    }
    QApplication::processEvents();
    TPiece piece{Elapsed(clock), 0};
    piece.rssAdded = TrimmedResident() - before;
    return piece;
}

// ---- isql

std::optional<double> BestIsql(const QString& connect, const QByteArray& input, int rounds) {
    std::optional<double> best;
    for (int round = 0; round < rounds; ++round) {
        const std::optional<double> ms = RunIsql(connect, input);
        if (!ms)
            return std::nullopt;
        best = std::min(best.value_or(1e18), *ms);
    }
    return best;
}

// ---- the report

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QString Mb(std::int64_t bytes) {
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

void Line(const QString& measure, const QString& value, const QString& target,
          const QString& note = {}) {
    std::printf("%-54s | %16s | %-10s | %s\n", qPrintable(measure), qPrintable(value),
                qPrintable(target), qPrintable(note));
}

QString Verdict(bool met) {
    return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int tableCount = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 3);
    const QString server = qEnvironmentVariable("KX_TEST_PG_CONNECT");
    if (server.isEmpty()) {
        std::fprintf(stderr, "schema_tree_bench needs the PostgreSQL test server: run it "
                             "through scripts/with-test-databases.sh\n");
        return 1;
    }

    TKxOdbcEnvironment environment;
    const QString name =
        QStringLiteral("kx_schema_bench_%1").arg(QCoreApplication::applicationPid());
    const QString connect = server + QStringLiteral("Database=%1;").arg(name);
    CreatePostgresDatabase(environment, server, name);
    {
        TKxOdbcConnection connection;
        connection.SetODBCEnvironment(&environment);
        connection.SetConnectionString(connect);
        std::fprintf(stderr, "creating %d tables x %d columns\n", tableCount, kColumnsPerTable);
        QElapsedTimer clock;
        clock.start();
        CreateTables(connection, tableCount);
        connection.ExecuteDirect(QStringLiteral("ANALYZE"));
        std::fprintf(stderr, "created in %s ms\n", qPrintable(Ms(Elapsed(clock))));

        TKxOdbcSchemaRecordset recordset;
        recordset.SetODBCConnection(&connection);
        // As the schema page does: objects of every schema, not only those on the search path.
        recordset.SchemaData().SetSchemaName(QStringLiteral("%"));

        // Warm-up: the server's catalog caches and the driver's first calls.
        BareCatalogCalls(connection, kxDefaultSchemaRootLists);

        // Each round runs the bare calls right before the tree for the same lists, and the
        // ratio is taken within the round: the machine's load changes between rounds.
        struct TSeries {
            const char* name;
            TKxSchemaRootLists lists;
            std::vector<double> bare, tree, hidden, ratio, hiddenRatio;
            TBare bareLoad;
            TTreeLoad treeLoad;
            double longestGap = 0;
            double gapAt = 0;
            double longestRow = 0;
            std::int64_t rssAdded = 0;
            std::int64_t rssFreed = 0;
        };
        TSeries series[] = {{"tables list", 1 << slTables},
                            {"default lists", kxDefaultSchemaRootLists}};
        for (int round = 0; round < rounds; ++round) {
            for (TSeries& one : series) {
                std::fprintf(stderr, "round %d, %s: bare calls, tree, tree not shown\n", round + 1,
                             one.name);
                one.bareLoad = BareCatalogCalls(connection, one.lists);
                one.treeLoad = LoadTree(recordset, one.lists, false);
                const TTreeLoad hidden = LoadTree(recordset, one.lists, false, false);
                one.bare.push_back(one.bareLoad.ms);
                one.tree.push_back(one.treeLoad.ms);
                one.hidden.push_back(hidden.ms);
                one.ratio.push_back(one.treeLoad.ms / one.bareLoad.ms);
                one.hiddenRatio.push_back(hidden.ms / one.bareLoad.ms);
                if (one.treeLoad.longestGapMs > one.longestGap) {
                    one.longestGap = one.treeLoad.longestGapMs;
                    one.gapAt = one.treeLoad.gapAtMs;
                }
                one.longestRow = std::max(one.longestRow, one.treeLoad.longestRowMs);
                one.rssAdded = std::max(one.rssAdded, one.treeLoad.rssAdded);
                one.rssFreed = std::max(one.rssFreed, one.treeLoad.rssFreed);
            }
        }
        std::fprintf(stderr, "Escape during a load\n");
        std::vector<double> stops;
        TTreeLoad escaped;
        for (int round = 0; round < rounds; ++round) {
            escaped = LoadTree(recordset, kxDefaultSchemaRootLists, true);
            stops.push_back(escaped.keyAtMs >= 0 && escaped.loadingAtKey ? escaped.stopMs : -1);
        }

        std::fprintf(stderr, "pieces\n");
        const TTreeLoad& tablesLoad = series[0].treeLoad;
        const int nodes = tablesLoad.tables * 2 + tablesLoad.columns + 1;
        // The plain tree first: the icons' gigabytes would leave the allocator with free
        // memory the tree's nodes then reuse unseen.
        const TPiece plainTree = SharedIconTree(tableCount);
        const TPiece icons = StandardIcons(nodes);

        std::fprintf(stderr, "isql\n");
        const int isqlRounds = std::max(rounds, 5);
        const std::optional<double> isqlConnect = BestIsql(connect, QByteArray(), isqlRounds);
        const std::optional<double> isqlOne =
            BestIsql(connect, "help " + TableName(tableCount / 2).toUtf8() + '\n', isqlRounds);
        QByteArray all = "help\n";
        for (int i = 1; i <= tableCount; ++i)
            all += "help " + TableName(i).toUtf8() + '\n';
        const std::optional<double> isqlAll = BestIsql(connect, all, 1);

        std::printf("\nschema tree on psqlODBC: %d tables x %d columns in public, schema \"%%\", "
                    "the tree shown offscreen at 400 x 800; times are medians of %d rounds, "
                    "ratios medians of each round's own ratio\n\n",
                    tableCount, kColumnsPerTable, rounds);
        Line(QStringLiteral("measure"), QStringLiteral("value"), QStringLiteral("target"),
             QStringLiteral("note"));
        std::printf("%s\n", QByteArray(130, '-').constData());
        const TBare& bareTables = series[0].bareLoad;
        const double perTable =
            (Median(series[0].bare) - bareTables.tablesMs) / std::max(1, bareTables.tables);
        for (const TSeries& one : series) {
            const TBare& bare = one.bareLoad;
            const TTreeLoad& load = one.treeLoad;
            Line(QStringLiteral("bare catalog calls, %1").arg(QLatin1String(one.name)),
                 Ms(Median(one.bare)) + QStringLiteral(" ms"), {},
                 QStringLiteral("%1 tables, %2 columns; SQLTables alone %3 ms%4")
                     .arg(bare.tables)
                     .arg(bare.columns)
                     .arg(Ms(bare.tablesMs))
                     .arg(one.lists == (1 << slTables)
                              ? QStringLiteral("; %1 ms a table").arg(Ms(perTable))
                              : QStringLiteral("; then views and procedures: %1 objects, %2 "
                                               "columns or parameters")
                                    .arg(bare.otherObjects)
                                    .arg(bare.otherRows)));
            Line(QStringLiteral("tree Refresh, %1").arg(QLatin1String(one.name)),
                 Ms(Median(one.tree)) + QStringLiteral(" ms"), {},
                 QStringLiteral("%1 tables, %2 columns%3")
                     .arg(load.tables)
                     .arg(load.columns)
                     .arg(load.tables != bare.tables || load.columns != bare.columns
                              ? QStringLiteral(" (NOT what the bare calls read)")
                              : QString()));
            const double ratio = Median(one.ratio);
            Line(QStringLiteral("  ratio tree / bare calls (same lists)"),
                 QString::number(ratio, 'f', 2), QStringLiteral("<= 1.3"), Verdict(ratio <= 1.3));
            if (one.lists != (1 << slTables)) {
                const double againstTables = Median(one.tree) / Median(series[0].bare);
                Line(QStringLiteral("  ratio tree / bare calls of the tables list"),
                     QString::number(againstTables, 'f', 2), QStringLiteral("<= 1.3"),
                     Verdict(againstTables <= 1.3) +
                         QStringLiteral("; the tree reads views and procedures too"));
            }
            Line(QStringLiteral("  the tree not shown: ratio / bare calls"),
                 QString::number(Median(one.hiddenRatio), 'f', 2), {},
                 QStringLiteral("%1 ms; what showing the tree costs: %2 ms")
                     .arg(Ms(Median(one.hidden)))
                     .arg(Ms(Median(one.tree) - Median(one.hidden))));
            Line(QStringLiteral("  longest event-loop stall"),
                 Ms(one.longestGap) + QStringLiteral(" ms"), QStringLiteral("<= 100 ms"),
                 QStringLiteral("%1 (worst round); ended %2 ms into the load; %3 turns; longest "
                                "between two rows %4 ms")
                     .arg(Verdict(one.longestGap <= 100))
                     .arg(Ms(one.gapAt))
                     .arg(load.turns)
                     .arg(Ms(one.longestRow)));
            Line(QStringLiteral("  memory the loaded tree adds / clearing frees"),
                 Mb(one.rssAdded) + QStringLiteral(" / ") + Mb(one.rssFreed) +
                     QStringLiteral(" MB"),
                 QStringLiteral("<= 50 MB"),
                 Verdict(one.rssAdded <= 50 * 1024 * 1024) +
                     QStringLiteral(" (worst round); %1 bytes a node")
                         .arg(one.rssAdded / std::max(1, load.tables * 2 + load.columns + 3)));
        }
        const bool stopsValid =
            std::all_of(stops.begin(), stops.end(), [](double ms) { return ms >= 0; });
        const double stopWorst = *std::max_element(stops.begin(), stops.end());
        Line(QStringLiteral("Escape %1 ms into a load: key to Refresh returning")
                 .arg(kEscapeAfterMs),
             stopsValid ? Ms(stopWorst) + QStringLiteral(" ms") : QStringLiteral("n/a"),
             QStringLiteral("<= 200 ms"),
             stopsValid ? QStringLiteral("%1 (worst of %2); key at %3 ms, %4 columns loaded "
                                         "by then")
                              .arg(Verdict(stopWorst <= 200))
                              .arg(rounds)
                              .arg(Ms(escaped.keyAtMs))
                              .arg(escaped.columns)
                        : QStringLiteral("the load had ended before the key"));
        Line(QStringLiteral("piece: standardIcon for every node (%1)").arg(nodes),
             Ms(icons.ms) + QStringLiteral(" ms"), {},
             QStringLiteral("%1 MB kept by the icons; %2 x the tables-list load")
                 .arg(Mb(icons.rssAdded))
                 .arg(QString::number(icons.ms / Median(series[0].tree), 'f', 2)));
        Line(QStringLiteral("piece: a plain QTreeWidget, same shape, shared icons"),
             Ms(plainTree.ms) + QStringLiteral(" ms"), {},
             QStringLiteral("%1 MB; bare calls + this = %2 x the bare calls")
                 .arg(Mb(plainTree.rssAdded))
                 .arg(QString::number(
                     (Median(series[0].bare) + plainTree.ms) / Median(series[0].bare), 'f', 2)));
        const auto isqlText = [](const std::optional<double>& ms) {
            return ms ? Ms(*ms) + QStringLiteral(" ms") : QStringLiteral("failed");
        };
        Line(QStringLiteral("isql, connect only"), isqlText(isqlConnect), {},
             QStringLiteral("process start and SQLDriverConnect, best of %1").arg(isqlRounds));
        Line(QStringLiteral("isql, help <table> (one SQLColumns)"), isqlText(isqlOne), {},
             isqlOne && isqlConnect
                 ? QStringLiteral("%1 ms beyond connecting (best of %2), within the noise of "
                                  "starting isql; per table see the next line")
                       .arg(Ms(*isqlOne - *isqlConnect))
                       .arg(isqlRounds)
                 : QString());
        Line(QStringLiteral("isql, help + help <table> for every table"), isqlText(isqlAll), {},
             isqlAll && isqlConnect
                 ? QStringLiteral("%1 ms beyond connecting, %4 ms a table; tree (tables "
                                  "list) / isql %2, bare calls / isql %3")
                       .arg(Ms(*isqlAll - *isqlConnect))
                       .arg(QString::number(Median(series[0].tree) / (*isqlAll - *isqlConnect), 'f',
                                            2))
                       .arg(QString::number(Median(series[0].bare) / (*isqlAll - *isqlConnect), 'f',
                                            2))
                       .arg(Ms((*isqlAll - *isqlConnect) / std::max(1, tableCount + 1)))
                 : QString());
    }
    DropPostgresDatabase(environment, server, name);
    return 0;
}
