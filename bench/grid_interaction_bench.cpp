// Two things a user does with results, measured in one run against SQLite3 over ODBC:
//
// - copying 100 000 selected rows of a grid as text (field names, then one line per record),
//   compared with a plain loop that moves the same recordset to each record and writes the
//   same text from the fields' display texts;
// - a keystroke in the memo on a 5 MB text: from the key press until the whole text has been
//   written back into the field (the memo writes the entire value after every change).
//
// Usage: grid_interaction_bench [rows]   (QT_QPA_PLATFORM=offscreen when headless)

#include "datactrls/data_grid.h"
#include "datactrls/data_memo.h"
#include "dbcore/sql_property.h"
#include "foundation/basic_interfaces.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace kx;

namespace {

double Ms(const QElapsedTimer& clock) {
    return clock.nsecsElapsed() / 1e6;
}

// The same text as the grid's copy, written by hand.
QString PlainCopy(TKxOdbcRecordset& recordset, const QStringList& names, int rows) {
    std::vector<KxIntf<IKxGetDisplayText>> fields;
    for (const QString& name : names)
        fields.push_back(KxCheckGetItemByName<IKxGetDisplayText>(
            static_cast<IKxGetItemByName*>(&recordset), name));
    QString text = names.join(QLatin1Char('\t'));
    for (int position = 1; position <= rows; ++position) {
        recordset.SetPosition(position);
        text += QStringLiteral("\r\n");
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += QLatin1Char('\t');
            text += fields[i]->GetDisplayText();
        }
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(QStringLiteral("Driver=SQLite3;Database=%1;SyncPragma=OFF;")
                                       .arg(QDir(dir.path()).filePath(QStringLiteral("bench.db"))));
    connection.ExecuteDirect(QStringLiteral(
        "CREATE TABLE rows (id INTEGER PRIMARY KEY, name VARCHAR(30), city VARCHAR(30), "
        "amount DOUBLE)"));
    connection.ExecuteDirect(
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO rows SELECT i, 'customer ' || i, 'city ' || (i % 97), i * 1.25 FROM n")
            .arg(rows));

    // ---- copying the selected rows
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SQL().SetAsString(
        QStringLiteral("SELECT id, name, city, amount FROM rows ORDER BY id"));
    recordset.SetActive(true);
    TKxIDataGrid grid;
    grid.resize(800, 600);
    grid.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
    grid.SelectedPositions().AddRange(1, rows);
    QElapsedTimer clock;
    clock.start();
    const QString copied = grid.ContentsAsText();
    const double copyMs = Ms(clock);
    // The plain loop moves the recordset with nobody listening, as the copy does.
    grid.SetRecordset(nullptr);
    clock.restart();
    const QString plain = PlainCopy(recordset,
                                    {QStringLiteral("id"), QStringLiteral("name"),
                                     QStringLiteral("city"), QStringLiteral("amount")},
                                    rows);
    const double plainMs = Ms(clock);

    // ---- a keystroke in the memo on 5 MB
    connection.ExecuteDirect(
        QStringLiteral("CREATE TABLE memo (id INTEGER PRIMARY KEY, notes TEXT)"));
    connection.ExecuteDirect(QStringLiteral(
        "INSERT INTO memo VALUES (1, (WITH RECURSIVE n(i, t) AS (SELECT 1, 'line of text "
        "1234567\n' "
        "UNION ALL SELECT i + 1, t FROM n WHERE i < 250000) SELECT group_concat(t, '') FROM n))"));
    TKxOdbcRecordset memoSource;
    memoSource.SetODBCConnection(&connection);
    memoSource.SQL().SetAsString(QStringLiteral("SELECT id, notes FROM memo"));
    memoSource.SetActive(true);
    TKxIDataMemo memo;
    memo.resize(600, 400);
    memo.Bind(static_cast<IKxGetItemByName*>(&memoSource), QStringLiteral("notes"));
    memo.show();
    memo.EnsureLoaded();
    // Gaining the focus selects the whole text: type at the end instead.
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    const qsizetype length = memo.toPlainText().size();
    memo.moveCursor(QTextCursor::End);
    std::vector<double> strokes;
    for (int stroke = 0; stroke < 20; ++stroke) {
        clock.restart();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&memo, &key);
        // Until the posted write of the whole text has run.
        for (int round = 0; round < 3; ++round)
            QCoreApplication::processEvents();
        strokes.push_back(Ms(clock));
    }
    const QString written =
        KxCheckGetItemByName<IKxGetValue>(static_cast<IKxGetItemByName*>(&memoSource),
                                          QStringLiteral("notes"))
            ->GetValue()
            .ToString();
    std::sort(strokes.begin(), strokes.end());
    double mean = 0;
    for (const double ms : strokes)
        mean += ms / static_cast<double>(strokes.size());

    std::printf("grid interaction, SQLite3 over ODBC, offscreen, one run\n");
    std::printf("copy %d selected rows as text: %8.1f ms (target <= 3000), %lld characters\n", rows,
                copyMs, static_cast<long long>(copied.size()));
    std::printf("plain loop writing the same text: %8.1f ms; copy / plain %.2f; texts %s\n",
                plainMs, plainMs > 0 ? copyMs / plainMs : 0.0,
                copied == plain ? "equal" : "DIFFER");
    std::printf("memo keystroke on %.1f MB: mean %.1f ms, median %.1f ms, worst %.1f ms "
                "(target <= 20); value written: %s\n",
                length / 1048576.0, mean, strokes[strokes.size() / 2], strokes.back(),
                written.size() == length + 20 ? "all 20 keystrokes" : "NOT WRITTEN");
    return 0;
}
