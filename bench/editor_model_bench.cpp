// Editor model timings on a script of about 5 MB (100 000 rows). There is no outside tool
// doing the same job, so the reference in the same run is the raw cost of the QString
// operation the model cannot avoid (inserting one character into a text of that size).

#include "editor/custom_editor.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace kx;

QString BigScript() {
    QString row = QStringLiteral("select col_a, col_b, \tcol_c from some_table where id = 42;");
    while (row.size() < 48)
        row.append(QChar(u' '));
    QString text;
    text.reserve(100000 * (row.size() + 2));
    for (int i = 0; i < 100000; ++i) {
        text.append(row);
        text.append(QStringLiteral("\n"));
    }
    return text;
}

const QString& Script() {
    static const QString script = BigScript();
    return script;
}

void BM_SetAllText(benchmark::State& state) {
    TCustomEditor editor;
    for (auto _ : state)
        editor.SetAllText(Script());
    state.counters["chars"] = static_cast<double>(editor.TextLength());
}
BENCHMARK(BM_SetAllText)->Unit(benchmark::kMillisecond);

// One typed character with 1 000 live ranges spread over the text, and its undo; each
// iteration types and undoes, so the text does not grow. Arguments: whether the undo is
// timed too, and where the character goes (0 the start, 1 the middle of the text).
void BM_TypeAndUndo(benchmark::State& state) {
    TCustomEditor editor;
    editor.SetAllText(Script());
    for (int i = 0; i < 1000; ++i) {
        TMCRange* range = editor.Ranges().Add<TMCRange>();
        range->SetRStart(1 + i * (editor.TextLength() / 1000));
        range->SetRLength(5);
    }
    const bool undo = state.range(0) != 0;
    const int where = state.range(1) == 0 ? 0 : editor.TextLength() / 2;
    for (auto _ : state) {
        editor.SetSelStart(where);
        editor.ReplaceRangeText(editor.Selection(), QStringLiteral("x"));
        if (undo) {
            editor.Undo();
        } else {
            state.PauseTiming();
            editor.Undo();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_TypeAndUndo)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_RawQStringInsertAtStart(benchmark::State& state) {
    QString text = Script();
    for (auto _ : state) {
        text.insert(0, QChar(u'x'));
        text.remove(0, 1);
    }
}
BENCHMARK(BM_RawQStringInsertAtStart)->Unit(benchmark::kMicrosecond);

void BM_PosToRowColNearEnd(benchmark::State& state) {
    TCustomEditor editor;
    editor.SetAllText(Script());
    int position = editor.TextLength() - 10;
    for (auto _ : state) {
        benchmark::DoNotOptimize(editor.PosToRowCol(position));
        position ^= 1;
    }
}
BENCHMARK(BM_PosToRowColNearEnd)->Unit(benchmark::kNanosecond);

} // namespace
