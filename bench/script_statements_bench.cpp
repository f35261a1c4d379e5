// The statements of a 5 MB script with 100 000 statements: counting them (off the user
// interface thread, on a copy of the text) and moving to the next statement (which scans
// only the neighbourhood). Reference: a plain count of ";" over the same QString.

#include "app/script_statements.h"
#include "editor/custom_editor.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

using namespace kx;

const QString& Script() {
    static const QString text = [] {
        QString script;
        for (int i = 0; i < 100000; ++i)
            script +=
                QStringLiteral("insert into orders values (%1, 'customer %1', 12.5); -- c\r\n")
                    .arg(i);
        return script;
    }();
    return text;
}

void BM_CountStatements(benchmark::State& state) {
    TKxShieldedSpans comments;
    const QString& text = Script();
    for (qsizetype i = text.indexOf(QStringLiteral("--")); i >= 0;
         i = text.indexOf(QStringLiteral("--"), i + 1))
        comments.push_back({int(i) + 1, int(text.indexOf(QLatin1Char('\r'), i))});
    for (auto _ : state)
        benchmark::DoNotOptimize(KxCountStatementSeparators(text, comments));
    state.counters["MB"] = text.size() * 2 / 1e6;
}
BENCHMARK(BM_CountStatements)->Unit(benchmark::kMillisecond);

void BM_PlainSemicolonCount(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Script().count(QLatin1Char(';')));
}
BENCHMARK(BM_PlainSemicolonCount)->Unit(benchmark::kMillisecond);

void BM_NextStatement(benchmark::State& state) {
    TCustomEditor editor;
    editor.SetAllText(Script());
    TKxScriptStatements statements(editor);
    statements.SetStart(Script().size() / 2);
    statements.FindCurrentStatement();
    for (auto _ : state) {
        statements.NextStatement();
        if (statements.IsLastStatement()) {
            state.PauseTiming();
            statements.SetStart(Script().size() / 2);
            statements.FindCurrentStatement();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_NextStatement)->Unit(benchmark::kMicrosecond);

} // namespace
