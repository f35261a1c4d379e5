// Report window timings: the execution log of a long script run appends one entry per
// statement and result, so the cost of an entry must not grow with the entries before it.
// The reference in the same run is QPlainTextEdit::appendPlainText, Qt's own log-style append
// without colours.

#include "dialogs/report_window.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <benchmark/benchmark.h>

namespace {

using namespace kx;

// Statement, result and error entries in the three colours of the log.
void AddEntry(TKxReportDlg& report, int i) {
    switch (i % 3) {
    case 0:
        report.AddText(QStringLiteral("UPDATE orders SET state = 2 WHERE id = %1\r\n\r\n").arg(i),
                       0x000000);
        break;
    case 1:
        report.AddText(
            QStringLiteral("SQL execution time: 00:00:00.012   Records affected: 1\r\n\r\n"),
            0xFF0000);
        break;
    default:
        report.AddText(QStringLiteral("no such column: stat\r\n\r\n"), 0x0000FF);
    }
}

// Fills a shown window with N entries; the time per entry is the total over N.
void BM_FillReport(benchmark::State& state) {
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto report = std::make_unique<TKxReportDlg>(nullptr);
        report->show();
        state.ResumeTiming();
        for (int i = 0; i < count; ++i)
            AddEntry(*report, i);
        QCoreApplication::processEvents(); // layout and paint of what is visible
        state.PauseTiming();
        report.reset();
        state.ResumeTiming();
    }
    state.counters["per_entry"] =
        benchmark::Counter(double(count) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FillReport)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The next 1 000 entries after N are already there: the marginal cost late in a long run.
void BM_AppendAfter(benchmark::State& state) {
    const int before = int(state.range(0));
    TKxReportDlg report(nullptr);
    report.show();
    for (int i = 0; i < before; ++i)
        AddEntry(report, i);
    QCoreApplication::processEvents();
    int next = before;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i)
            AddEntry(report, next++);
        QCoreApplication::processEvents();
    }
    state.counters["per_entry"] =
        benchmark::Counter(1000.0 * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AppendAfter)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Reference: Qt's plain append of the same texts into the same widget class.
void BM_QtAppendPlainText(benchmark::State& state) {
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = std::make_unique<QPlainTextEdit>();
        edit->setReadOnly(true);
        edit->show();
        state.ResumeTiming();
        for (int i = 0; i < count; ++i)
            edit->appendPlainText(
                QStringLiteral("UPDATE orders SET state = 2 WHERE id = %1\n").arg(i));
        QCoreApplication::processEvents();
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
    state.counters["per_entry"] =
        benchmark::Counter(double(count) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_QtAppendPlainText)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
