// The data grid over a result of N rows x 10 columns (three integers, three texts, three
// reals, a date) on the SQLite3 driver and on psqlODBC, a 1200 x 800 grid painted offscreen,
// compared in the same run with a QTableView over a small table model that reads the same
// kind of recordset lazily (data(): move the recordset to the row, read the field's display
// text; rowCount(): the record count), the honest Qt way of showing a large ODBC result:
//   - first paint after open: binding and the first grab(), beyond the execution (the open
//     is timed on its own in the same sequence), and the rows read for it;
//   - Ctrl+End (a key event) and the grab after it: the time and the last record shown;
//   - a jump to the middle by the scroll bar, then 50 steps of one row down by the scroll
//     bar, each with a grab: rows read and time per step;
//   - a full repaint (grab) with nothing new to read;
//   - resident memory (/proc/self/statm, after malloc_trim) the whole sequence adds on a
//     1 000-row result and on the N-row one, and what the driver alone adds for the same
//     moves without any view (its copy of the result), so the view's own growth can be told
//     from the driver's.
// Every step checks what is shown: the first column is the id, which equals the record
// position (ORDER BY id), so a wrong row or a missed fetch shows up as a wrong text.
//
// The PostgreSQL configuration needs a server: KX_TEST_PG_CONNECT (a DSN-less connection
// string without a Database key), as scripts/with-test-databases.sh sets it. Without it only
// SQLite3 runs.
//
// Usage: data_grid_bench [rows]   (default 1 000 000; run with QT_QPA_PLATFORM=offscreen)

#include "datactrls/data_grid.h"
#include "dbcore/sql_property.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "odbc_bench_support.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace kx;
using namespace kx::bench;

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 800;
constexpr int kScrollSteps = 50;
constexpr int kRepaints = 20;
constexpr std::int64_t kSmallRows = 1000;

const QString kColumns =
    QStringLiteral("id, customer_no, quantity, name, city, note, amount, price, weight, day");

QString Query(std::int64_t limit) {
    return QStringLiteral("SELECT %1 FROM bench_grid%2 ORDER BY id")
        .arg(kColumns, limit > 0 ? QStringLiteral(" WHERE id <= %1").arg(limit) : QString());
}

// ---- the report

struct TReportLine {
    QString configuration;
    QString measure;
    QString grid;
    QString table;
    QString ratio;
    QString note;
};

std::vector<TReportLine> g_lines;

void Report(const QString& configuration, const QString& measure, const QString& grid,
            const QString& table = {}, const QString& ratio = {}, const QString& note = {}) {
    g_lines.push_back({configuration, measure, grid, table, ratio, note});
    std::fprintf(stderr, "  %s | %s | %s | %s | %s | %s\n", qPrintable(configuration),
                 qPrintable(measure), qPrintable(grid), qPrintable(table), qPrintable(ratio),
                 qPrintable(note));
}

QString Ratio(double grid, double table) {
    return table > 0 ? QString::number(grid / table, 'f', 2) : QString();
}

QString MB(std::int64_t bytes) {
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

// ---- the two views under test

// The Qt baseline: the recordset as a table model, read lazily. A cell moves the recordset
// to its row (only when it is not there: QTableView paints row by row, so a row costs one
// move) and reads the field's display text. Nothing is cached, as a model over a cursor
// usually does it; the moves are counted as the grid counts its row fetches.
class TRecordsetTableModel : public QAbstractTableModel {
public:
    void SetRecordset(TKxOdbcRecordset* recordset) {
        beginResetModel();
        m_recordset = recordset;
        endResetModel();
    }
    std::int64_t Moves() const { return m_moves; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || m_recordset == nullptr ? 0
                                                          : std::max(m_recordset->RecordCount(), 0);
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || m_recordset == nullptr
                   ? 0
                   : static_cast<int>(m_recordset->Fields().size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || m_recordset == nullptr || !index.isValid())
            return {};
        if (m_recordset->Position() != index.row() + 1) {
            m_recordset->SetPosition(index.row() + 1);
            ++m_moves;
        }
        return m_recordset->Fields()[static_cast<std::size_t>(index.column())]->GetDisplayText();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_recordset != nullptr)
            return m_recordset->Fields()[static_cast<std::size_t>(section)]->GetName();
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    TKxOdbcRecordset* m_recordset = nullptr;
    mutable std::int64_t m_moves = 0;
};

// What the sequence needs of a view; rows are numbered from 1 as record positions are.
class TSubject {
public:
    virtual ~TSubject() = default;
    virtual QAbstractScrollArea& View() = 0;
    virtual void Bind(TKxOdbcRecordset& recordset) = 0;
    virtual void Unbind() = 0;
    virtual std::int64_t Fetches() const = 0;
    // What a shown view does after a key moved its current row.
    virtual void AfterKey() {}
    // Scroll-bar units of one row.
    virtual int RowStep() = 0;
    virtual int RowHeight() = 0;
    virtual std::int64_t FirstVisibleRow() = 0;
    // The last row with a pixel in the viewport.
    virtual std::int64_t LastVisibleRow() = 0;
    // The first column's text as painted in `row`.
    virtual QString ShownText(std::int64_t row) = 0;

    int VisibleRows() { return View().viewport()->height() / RowHeight() + 1; }
};

class TGridSubject : public TSubject {
public:
    TGridSubject() { m_grid.resize(kWidth, kHeight); }
    QAbstractScrollArea& View() override { return m_grid; }
    void Bind(TKxOdbcRecordset& recordset) override {
        m_grid.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
    }
    void Unbind() override { m_grid.SetRecordset(nullptr); }
    std::int64_t Fetches() const override { return m_grid.RowFetches(); }
    int RowStep() override { return m_grid.Rows().RowHeight(); }
    int RowHeight() override { return m_grid.Rows().RowHeight(); }
    std::int64_t FirstVisibleRow() override { return m_grid.Rows().FirstVisibleRow(); }
    std::int64_t LastVisibleRow() override {
        return std::min(m_grid.Rows().RowCount(),
                        m_grid.Rows().RowAtY(m_grid.viewport()->height() - 1));
    }
    QString ShownText(std::int64_t row) override { return m_grid.CellText(row, 0); }

private:
    TKxIDataGrid m_grid;
};

class TTableSubject : public TSubject {
public:
    TTableSubject() {
        m_view.resize(kWidth, kHeight);
        // As one would set up a view over a million rows: fixed row heights (no measuring of
        // rows) as high as the grid's, so both show the same number of rows.
        m_view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        m_view.verticalHeader()->setDefaultSectionSize(TKxGridRows().RowHeight());
        m_view.verticalHeader()->setMinimumSectionSize(TKxGridRows().RowHeight());
    }
    QAbstractScrollArea& View() override { return m_view; }
    void Bind(TKxOdbcRecordset& recordset) override {
        m_model.SetRecordset(&recordset);
        if (m_view.model() != &m_model)
            m_view.setModel(&m_model);
        // What focusing a shown view does: the first cell becomes current.
        m_view.setCurrentIndex(m_model.index(0, 0));
    }
    void Unbind() override { m_model.SetRecordset(nullptr); }
    // A QTableView scrolls to its new current cell only while it is visible; the views here
    // are painted by grab() without being shown, so the scroll is asked for as a shown view
    // does it (the grid scrolls on the recordset's position change, shown or not).
    void AfterKey() override { m_view.scrollTo(m_view.currentIndex()); }
    std::int64_t Fetches() const override { return m_model.Moves(); }
    // QTableView scrolls by items.
    int RowStep() override { return 1; }
    int RowHeight() override { return m_view.verticalHeader()->defaultSectionSize(); }
    std::int64_t FirstVisibleRow() override { return m_view.rowAt(0) + 1; }
    std::int64_t LastVisibleRow() override {
        const int row = m_view.rowAt(m_view.viewport()->height() - 1);
        return row < 0 ? m_model.rowCount() : row + 1;
    }
    // What data() gives the row, read the way painting reads it.
    QString ShownText(std::int64_t row) override {
        return m_model.data(m_model.index(int(row - 1), 0), Qt::DisplayRole).toString();
    }

private:
    TRecordsetTableModel m_model;
    QTableView m_view;
};

// ---- the sequence

struct TRun {
    QString granted;
    std::int64_t count = 0;
    int visibleRows = 0;
    double openMs = 0;
    double firstPaintMs = 0;
    std::int64_t firstFetches = 0;
    double endMs = 0;
    std::int64_t endFetches = 0;
    QString lastShown;
    double middleMs = 0;
    std::int64_t middleFetches = 0;
    double stepTotalMs = 0;
    double stepMaxMs = 0;
    std::int64_t stepFetchesMin = LLONG_MAX;
    std::int64_t stepFetchesMax = 0;
    double repaintBestMs = 1e18;
    double repaintMedianMs = 0;
    std::int64_t repaintFetches = 0;
    std::int64_t residentGrowth = 0;
    QStringList problems;
};

void Settle() {
    // Layouts and scroll ranges a view updates later (QTableView does) are brought up to date,
    // as the event loop would before the user sees anything.
    QApplication::processEvents();
}

void Grab(QAbstractScrollArea& view) {
    const QPixmap pixmap = view.grab();
    if (pixmap.isNull())
        throw std::runtime_error("data_grid_bench Grab: the view painted nothing");
}

// The rows on screen show their own ids (position = id).
void CheckShown(TSubject& subject, const QString& step, QStringList& problems) {
    const std::int64_t first = subject.FirstVisibleRow();
    const std::int64_t last = subject.LastVisibleRow();
    for (const std::int64_t row : {first, (first + last) / 2, last}) {
        const QString text = subject.ShownText(row);
        if (text != QString::number(row)) {
            problems << QStringLiteral("%1: row %2 shows \"%3\"").arg(step).arg(row).arg(text);
            return;
        }
    }
}

TRun RunSequence(TSubject& subject, TKxOdbcConnection& connection, const QString& sql) {
    TRun run;
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SetCursorType(ctKeyset);
    recordset.SQL().SetAsString(sql);
    QAbstractScrollArea& view = subject.View();
    QScrollBar& bar = *view.verticalScrollBar();
    malloc_trim(0);
    const std::int64_t residentBefore = ResidentBytes();

    // First paint: the open alone, then binding and the first grab.
    QElapsedTimer clock;
    clock.start();
    recordset.SetActive(true);
    run.openMs = Elapsed(clock);
    clock.restart();
    subject.Bind(recordset);
    Settle();
    Grab(view);
    run.firstPaintMs = Elapsed(clock);
    run.firstFetches = subject.Fetches();
    run.granted = QString::fromLatin1(GrantedCursorName(recordset.GrantedCursorType()));
    run.count = recordset.RecordCount();
    run.visibleRows = subject.VisibleRows();
    CheckShown(subject, QStringLiteral("first paint"), run.problems);

    // Ctrl+End and the paint that follows.
    std::int64_t fetches = subject.Fetches();
    clock.restart();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(&view, &end);
    subject.AfterKey();
    Settle();
    Grab(view);
    run.endMs = Elapsed(clock);
    run.endFetches = subject.Fetches() - fetches;
    run.lastShown = subject.ShownText(subject.LastVisibleRow());
    if (subject.LastVisibleRow() != run.count || run.lastShown != QString::number(run.count))
        run.problems << QStringLiteral("Ctrl+End: last row on screen %1 shows \"%2\", count %3")
                            .arg(subject.LastVisibleRow())
                            .arg(run.lastShown)
                            .arg(run.count);
    CheckShown(subject, QStringLiteral("Ctrl+End"), run.problems);

    // A jump to the middle by the scroll bar.
    fetches = subject.Fetches();
    clock.restart();
    bar.setValue(bar.maximum() / 2);
    Settle();
    Grab(view);
    run.middleMs = Elapsed(clock);
    run.middleFetches = subject.Fetches() - fetches;
    CheckShown(subject, QStringLiteral("middle"), run.problems);

    // One row down at a time.
    for (int step = 0; step < kScrollSteps; ++step) {
        const std::int64_t firstBefore = subject.FirstVisibleRow();
        fetches = subject.Fetches();
        clock.restart();
        bar.setValue(bar.value() + subject.RowStep());
        Settle();
        Grab(view);
        const double ms = Elapsed(clock);
        const std::int64_t stepFetches = subject.Fetches() - fetches;
        run.stepTotalMs += ms;
        run.stepMaxMs = std::max(run.stepMaxMs, ms);
        run.stepFetchesMin = std::min(run.stepFetchesMin, stepFetches);
        run.stepFetchesMax = std::max(run.stepFetchesMax, stepFetches);
        if (subject.FirstVisibleRow() != firstBefore + 1)
            run.problems << QStringLiteral("scroll step %1: first row %2 after %3")
                                .arg(step + 1)
                                .arg(subject.FirstVisibleRow())
                                .arg(firstBefore);
        CheckShown(subject, QStringLiteral("scroll step %1").arg(step + 1), run.problems);
    }

    // Full repaints with nothing new to read.
    std::vector<double> repaints;
    fetches = subject.Fetches();
    for (int round = 0; round < kRepaints; ++round) {
        clock.restart();
        Grab(view);
        repaints.push_back(Elapsed(clock));
    }
    run.repaintFetches = subject.Fetches() - fetches;
    std::sort(repaints.begin(), repaints.end());
    run.repaintBestMs = repaints.front();
    run.repaintMedianMs = repaints[repaints.size() / 2];
    CheckShown(subject, QStringLiteral("repaint"), run.problems);

    malloc_trim(0);
    run.residentGrowth = ResidentBytes() - residentBefore;
    subject.Unbind();
    return run;
}

// What the driver alone adds for the same result and the same moves, no view attached.
std::int64_t DriverGrowth(TKxOdbcConnection& connection, const QString& sql, int visibleRows) {
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SetCursorType(ctKeyset);
    recordset.SQL().SetAsString(sql);
    malloc_trim(0);
    const std::int64_t before = ResidentBytes();
    recordset.SetActive(true);
    const int count = recordset.RecordCount();
    recordset.MoveToLast();
    recordset.SetPosition(std::max(count / 2, 1));
    for (int row = 0; row < visibleRows + kScrollSteps; ++row)
        recordset.MoveToNext();
    malloc_trim(0);
    const std::int64_t growth = ResidentBytes() - before;
    recordset.SetActive(false);
    return growth;
}

QString FetchCheck(std::int64_t fetches, std::int64_t bound) {
    return fetches <= bound ? QStringLiteral("ok (<= %1)").arg(bound)
                            : QStringLiteral("MISSED (> %1)").arg(bound);
}

void ReportRuns(const QString& name, const TRun& grid, const TRun& table, double endTargetMs) {
    const auto problems = [](const TRun& run) {
        return run.problems.isEmpty()
                   ? QString()
                   : QStringLiteral("; ") + run.problems.mid(0, 3).join(QStringLiteral("; "));
    };
    Report(name, QStringLiteral("cursor granted (keyset requested); rows; rows visible"),
           QStringLiteral("%1; %2; %3").arg(grid.granted).arg(grid.count).arg(grid.visibleRows),
           QStringLiteral("%1; %2; %3").arg(table.granted).arg(table.count).arg(table.visibleRows));
    Report(name, QStringLiteral("open (execution alone), ms"), Ms(grid.openMs), Ms(table.openMs));
    Report(name, QStringLiteral("first paint beyond the open, ms"), Ms(grid.firstPaintMs),
           Ms(table.firstPaintMs), Ratio(grid.firstPaintMs, table.firstPaintMs),
           grid.firstPaintMs <= 150 ? QStringLiteral("ok (<= 150)")
                                    : QStringLiteral("MISSED (> 150)"));
    Report(name, QStringLiteral("  rows read for it"), QString::number(grid.firstFetches),
           QString::number(table.firstFetches), QString(),
           FetchCheck(grid.firstFetches, grid.visibleRows + 2));
    Report(name, QStringLiteral("Ctrl+End + paint, ms"), Ms(grid.endMs), Ms(table.endMs),
           Ratio(grid.endMs, table.endMs),
           grid.endMs <= endTargetMs ? QStringLiteral("ok (<= %1)").arg(endTargetMs)
                                     : QStringLiteral("MISSED (> %1)").arg(endTargetMs));
    Report(name, QStringLiteral("  rows read; last record shown (id)"),
           QStringLiteral("%1; %2").arg(grid.endFetches).arg(grid.lastShown),
           QStringLiteral("%1; %2").arg(table.endFetches).arg(table.lastShown));
    Report(name, QStringLiteral("jump to the middle (scroll bar) + paint, ms; rows read"),
           QStringLiteral("%1; %2").arg(Ms(grid.middleMs)).arg(grid.middleFetches),
           QStringLiteral("%1; %2").arg(Ms(table.middleMs)).arg(table.middleFetches),
           Ratio(grid.middleMs, table.middleMs));
    Report(name,
           QStringLiteral("scroll one row + paint, ms per step (mean / worst of %1)")
               .arg(kScrollSteps),
           QStringLiteral("%1 / %2").arg(Ms(grid.stepTotalMs / kScrollSteps), Ms(grid.stepMaxMs)),
           QStringLiteral("%1 / %2").arg(Ms(table.stepTotalMs / kScrollSteps), Ms(table.stepMaxMs)),
           Ratio(grid.stepTotalMs, table.stepTotalMs));
    Report(name, QStringLiteral("  rows read per step (fewest / most)"),
           QStringLiteral("%1 / %2").arg(grid.stepFetchesMin).arg(grid.stepFetchesMax),
           QStringLiteral("%1 / %2").arg(table.stepFetchesMin).arg(table.stepFetchesMax), QString(),
           grid.stepFetchesMin >= 1 && grid.stepFetchesMax <= 2
               ? QStringLiteral("ok (1 or 2)")
               : QStringLiteral("MISSED (1 or 2)"));
    Report(name,
           QStringLiteral("full repaint, nothing new, ms (best / median of %1); rows read")
               .arg(kRepaints),
           QStringLiteral("%1 / %2; %3")
               .arg(Ms(grid.repaintBestMs), Ms(grid.repaintMedianMs))
               .arg(grid.repaintFetches),
           QStringLiteral("%1 / %2; %3")
               .arg(Ms(table.repaintBestMs), Ms(table.repaintMedianMs))
               .arg(table.repaintFetches),
           Ratio(grid.repaintMedianMs, table.repaintMedianMs),
           grid.repaintMedianMs <= 16 && grid.repaintFetches == 0
               ? QStringLiteral("ok (<= 16, none read)")
               : QStringLiteral("MISSED (<= 16, none read)"));
    if (!grid.problems.isEmpty() || !table.problems.isEmpty())
        Report(name, QStringLiteral("WRONG ROWS SHOWN"),
               QString::number(grid.problems.size()) + problems(grid),
               QString::number(table.problems.size()) + problems(table));
    else
        Report(name, QStringLiteral("rows shown checked after every step"),
               QStringLiteral("all right"), QStringLiteral("all right"));
}

void Run(TKxOdbcEnvironment& environment, const QString& name, const QString& connect,
         std::int64_t rows, double endTargetMs) {
    std::fprintf(stderr, "%s\n", qPrintable(name));
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(connect);
    const QString small = Query(kSmallRows);
    const QString large = Query(0);

    // Warm-up: fonts, the backing store, style and item-view caches are made once per process
    // and would otherwise land in the first measured sequence; so would the allocator's first
    // growth to the size of the large result (its thresholds move after the first big block).
    (void)DriverGrowth(connection, large, 0);
    {
        TGridSubject grid;
        RunSequence(grid, connection, small);
        TTableSubject table;
        RunSequence(table, connection, small);
    }

    TGridSubject gridSmall;
    const TRun gridSmallRun = RunSequence(gridSmall, connection, small);
    TGridSubject gridLarge;
    const TRun gridRun = RunSequence(gridLarge, connection, large);
    TTableSubject tableSmall;
    const TRun tableSmallRun = RunSequence(tableSmall, connection, small);
    TTableSubject tableLarge;
    const TRun tableRun = RunSequence(tableLarge, connection, large);
    ReportRuns(name, gridRun, tableRun, endTargetMs);

    const std::int64_t driverSmall = DriverGrowth(connection, small, gridRun.visibleRows);
    const std::int64_t driverLarge = DriverGrowth(connection, large, gridRun.visibleRows);
    const std::int64_t driverPart = driverLarge - driverSmall;
    const std::int64_t gridGrowth = gridRun.residentGrowth - gridSmallRun.residentGrowth;
    const std::int64_t tableGrowth = tableRun.residentGrowth - tableSmallRun.residentGrowth;
    Report(
        name,
        QStringLiteral("RSS growth of the sequence, MB: %1 rows / %2 rows")
            .arg(kSmallRows)
            .arg(rows),
        QStringLiteral("%1 / %2").arg(MB(gridSmallRun.residentGrowth), MB(gridRun.residentGrowth)),
        QStringLiteral("%1 / %2").arg(MB(tableSmallRun.residentGrowth),
                                      MB(tableRun.residentGrowth)));
    Report(name,
           QStringLiteral("  the driver alone, same moves, no view, MB: %1 rows / %2 rows")
               .arg(kSmallRows)
               .arg(rows),
           QStringLiteral("%1 / %2").arg(MB(driverSmall), MB(driverLarge)),
           QStringLiteral("%1 / %2").arg(MB(driverSmall), MB(driverLarge)));
    Report(
        name,
        QStringLiteral("  the view's own growth from %1 to %2 rows, MB").arg(kSmallRows).arg(rows),
        MB(gridGrowth - driverPart), MB(tableGrowth - driverPart), QString(),
        gridGrowth - driverPart <= 5 * 1024 * 1024 ? QStringLiteral("ok (<= 5 MB)")
                                                   : QStringLiteral("MISSED (> 5 MB)"));
}

// ---- the databases: both get the same rows

QString FillSelect(const QString& source, const QString& day) {
    return QStringLiteral(
               "SELECT i, (i * 7919) % 100000, i % 97, 'customer ' || i, CASE i % 5 WHEN 0 THEN "
               "'Berlin' WHEN 1 THEN 'Hamburg' WHEN 2 THEN 'London' WHEN 3 THEN 'Lyon' ELSE "
               "'Porto' END, 'order ' || i || ' of customer ' || ((i * 7919) % 100000), "
               "i * 0.25 + 0.125, (i % 1000) * 1.5 + 0.99, (i % 333) / 8.0, %2 FROM %1")
        .arg(source, day);
}

const QString kCreate = QStringLiteral(
    "CREATE TABLE bench_grid (id INTEGER PRIMARY KEY, customer_no INTEGER, quantity INTEGER, "
    "name VARCHAR(40), city VARCHAR(20), note VARCHAR(60), amount %1, price %1, weight %1, "
    "day DATE)");

void CreateSqlite(TKxOdbcEnvironment& environment, const QString& connect, std::int64_t rows) {
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(connect);
    connection.ExecuteDirect(kCreate.arg(QStringLiteral("REAL")));
    connection.ExecuteDirect(
        QStringLiteral("INSERT INTO bench_grid WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT "
                       "i + 1 FROM n WHERE i < %1) ")
            .arg(rows) +
        FillSelect(QStringLiteral("n"),
                   QStringLiteral("date('2020-01-01', '+' || (i % 2000) || ' days')")));
}

void CreatePostgres(TKxOdbcEnvironment& environment, const QString& server, const QString& name,
                    std::int64_t rows) {
    CreatePostgresDatabase(environment, server, name);
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(server + QStringLiteral("Database=%1;").arg(name));
    connection.ExecuteDirect(kCreate.arg(QStringLiteral("DOUBLE PRECISION")));
    connection.ExecuteDirect(
        QStringLiteral("INSERT INTO bench_grid ") +
        FillSelect(QStringLiteral("generate_series(1::bigint, %1) AS n(i)").arg(rows),
                   QStringLiteral("DATE '2020-01-01' + (i % 2000)::integer")));
    connection.ExecuteDirect(QStringLiteral("VACUUM ANALYZE bench_grid"));
}

void PrintTable() {
    int widths[6] = {13, 7, 4, 10, 5, 4};
    for (const auto& line : g_lines) {
        widths[0] = std::max<int>(widths[0], int(line.configuration.size()));
        widths[1] = std::max<int>(widths[1], int(line.measure.size()));
        widths[2] = std::max<int>(widths[2], int(line.grid.size()));
        widths[3] = std::max<int>(widths[3], int(line.table.size()));
        widths[4] = std::max<int>(widths[4], int(line.ratio.size()));
    }
    const auto print = [&widths](const TReportLine& line) {
        std::printf("%-*s | %-*s | %*s | %*s | %*s | %s\n", widths[0],
                    qPrintable(line.configuration), widths[1], qPrintable(line.measure), widths[2],
                    qPrintable(line.grid), widths[3], qPrintable(line.table), widths[4],
                    qPrintable(line.ratio), qPrintable(line.note));
    };
    print({QStringLiteral("configuration"), QStringLiteral("measure"), QStringLiteral("grid"),
           QStringLiteral("QTableView"), QStringLiteral("ratio"), QStringLiteral("target")});
    std::printf("%s\n",
                QByteArray(widths[0] + widths[1] + widths[2] + widths[3] + widths[4] + 30, '-')
                    .constData());
    for (const auto& line : g_lines)
        print(line);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
    if (rows < 10 * kSmallRows || rows > INT_MAX) {
        std::fprintf(stderr, "usage: data_grid_bench [rows >= 10000]\n");
        return 2;
    }
    QTemporaryDir dir;
    TKxOdbcEnvironment environment;
    const QString server = qEnvironmentVariable("KX_TEST_PG_CONNECT");
    const QString pgName =
        QStringLiteral("kx_data_grid_bench_%1").arg(QCoreApplication::applicationPid());
    bool pgCreated = false;
    int result = 0;
    try {
        const QString sqlite = QStringLiteral("Driver=SQLite3;Database=%1;")
                                   .arg(QDir(dir.path()).filePath(QStringLiteral("bench.db")));
        QElapsedTimer clock;
        clock.start();
        CreateSqlite(environment, sqlite, rows);
        std::fprintf(stderr, "SQLite3 database filled in %lld ms\n",
                     static_cast<long long>(clock.restart()));
        Run(environment, QStringLiteral("SQLite3"), sqlite, rows, 100);
        if (server.isEmpty()) {
            std::fprintf(stderr, "KX_TEST_PG_CONNECT is not set: PostgreSQL is left out\n");
        } else {
            CreatePostgres(environment, server, pgName, rows);
            pgCreated = true;
            std::fprintf(stderr, "PostgreSQL database filled in %lld ms\n",
                         static_cast<long long>(clock.restart()));
            const QString pg = server + QStringLiteral("Database=%1;").arg(pgName);
            Run(environment, QStringLiteral("PostgreSQL"), pg, rows, 300);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "data_grid_bench: %s\n", error.what());
        result = 1;
    }
    std::printf("%lld rows x 10 columns (3 integers, 3 texts, 3 reals, a date); a %d x %d view "
                "on the %s platform\n",
                static_cast<long long>(rows), kWidth, kHeight,
                qPrintable(QGuiApplication::platformName()));
    std::printf("query: %s\n", qPrintable(Query(0)));
    std::printf("grid: TKxIDataGrid bound to the recordset; QTableView: a table model moving the "
                "same kind of recordset per row, no cache; ratio grid/QTableView\n\n");
    PrintTable();
    if (pgCreated) {
        try {
            DropPostgresDatabase(environment, server, pgName);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "data_grid_bench: %s\n", error.what());
        }
    }
    return result;
}
