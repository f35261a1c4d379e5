// Syntax colouring timings on SQL scripts of about 1 MB and 5 MB with keywords, numbers,
// strings, comments and nested parentheses. The reference in the same run is the model
// without colouring doing the same edit, i.e. what colouring adds to a keystroke.

#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"
#include "editor/syntax_editor.h"

#include <QApplication>
#include <QString>
#include <benchmark/benchmark.h>

namespace {

using namespace kx;

QString Script(int megabytes, bool blockComments = true) {
    const QString rows[] = {
        QStringLiteral("select a.id, count(b.x) as n, sum((b.price * 1.5e-3) + $1F) -- total\n"),
        QStringLiteral("  from orders a join items b on (a.id = b.order_id)\n"),
        blockComments
            ? QStringLiteral("  where a.name <> 'O''Brien' and b.qty >= 42 /* no returns */\n")
            : QStringLiteral("  where a.name <> 'O''Brien' and b.qty >= 42 -- no returns\n"),
        QStringLiteral("  group by a.id order by n desc;\n"),
    };
    QString text;
    const qsizetype wanted = static_cast<qsizetype>(megabytes) * 1024 * 1024;
    text.reserve(wanted + 200);
    while (text.size() < wanted)
        for (const QString& row : rows)
            text.append(row);
    return text;
}

const QString& Script1() {
    static const QString script = Script(1);
    return script;
}

const QString& Script5() {
    static const QString script = Script(5);
    return script;
}

void Load(TSyntaxTextModel& model, const QString& text) {
    KxLoadSqlSyntaxSetup(model.SyntaxColoring());
    model.SetAllText(text);
}

void BM_Recolor5MB(benchmark::State& state) {
    TSyntaxTextModel model;
    Load(model, Script5());
    for (auto _ : state)
        model.SyntaxColoring().Recolor();
    state.counters["ranges"] = model.SyntaxColoring().Chain().Count();
    state.counters["chainMB"] =
        static_cast<double>(model.SyntaxColoring().Chain().CapacityBytes()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Recolor5MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// Loading the 5 MB script once; run alone under /usr/bin/time -v for the peak memory.
void BM_Load5MB(benchmark::State& state) {
    for (auto _ : state) {
        TSyntaxTextModel model;
        Load(model, Script5());
        benchmark::DoNotOptimize(model.SyntaxColoring().Chain().Count());
    }
}
BENCHMARK(BM_Load5MB)->Unit(benchmark::kMillisecond)->Iterations(1);

// One character typed at the top (argument 0: the model without colouring, 1: coloured),
// on the 1 MB (second argument 1) or 5 MB script. The character is deleted again untimed.
void BM_TypeAtTop(benchmark::State& state) {
    const QString& text = state.range(1) == 1 ? Script1() : Script5();
    const bool colored = state.range(0) != 0;
    TSyntaxTextModel model;
    if (colored)
        Load(model, text);
    else {
        model.SyntaxColoring().SetEnabled(false);
        model.SetAllText(text);
    }
    for (auto _ : state) {
        model.SetSelStart(0);
        model.ReplaceRangeText(model.Selection(), QStringLiteral("x"));
        state.PauseTiming();
        model.Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TypeAtTop)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 5})
    ->Args({1, 5})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// "/*" typed at the top of a 1 MB script without "*/" turns the whole text into one comment;
// deleting it again tokenises the whole text back into the old colours. Argument 0 times the
// typing, 1 the deletion.
void BM_CommentOpenerAtTop(benchmark::State& state) {
    TSyntaxTextModel model;
    Load(model, Script(1, false));
    const bool timeDelete = state.range(0) != 0;
    for (auto _ : state) {
        if (timeDelete)
            state.PauseTiming();
        model.SetSelStart(0);
        model.ReplaceRangeText(model.Selection(), QStringLiteral("/*"));
        if (timeDelete)
            state.ResumeTiming();
        else
            state.PauseTiming();
        TMCRange typed(&model);
        typed.SetRStart(1);
        typed.SetRLength(2);
        typed.DeleteText();
        if (!timeDelete)
            state.ResumeTiming();
    }
}
BENCHMARK(BM_CommentOpenerAtTop)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same keystroke in the shown editor: recolouring and painting the touched rows (and any
// visible parenthesis whose level changed). Argument: the script's size in megabytes.
void BM_EditorTypeAtTop(benchmark::State& state) {
    TSyntaxEditor editor;
    KxLoadSqlSyntaxSetup(editor.SyntaxColoring());
    editor.resize(1000, 700);
    editor.show();
    QApplication::processEvents();
    editor.SetAllText(state.range(0) == 1 ? Script1() : Script5());
    QApplication::processEvents();
    for (auto _ : state) {
        editor.SetSelStart(0);
        editor.ReplaceRangeText(editor.Selection(), QStringLiteral("("));
        state.PauseTiming();
        editor.Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorTypeAtTop)
    ->Arg(1)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
