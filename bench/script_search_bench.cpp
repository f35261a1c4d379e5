// Replace All in a 5 MB script with 100 000 matches, as the window runs it: the editor model
// with the SQL colouring, one replacement of the whole text (one undo step), compared in the
// same run with QString::replace on the same text (no editor, no colouring).
//
// Usage: script_search_bench

#include "app/script_search.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace kx;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString script;
    script.reserve(5 * 1024 * 1024 + 100);
    for (int i = 0; script.size() < 5 * 1024 * 1024; ++i)
        script += i < 100000 ? QStringLiteral("SELECT total FROM t WHERE needle = %1;\n").arg(i)
                             : QStringLiteral("SELECT amount FROM orders WHERE id = %1;\n").arg(i);
    TSyntaxTextModel editor;
    KxLoadSqlSyntaxSetup(editor.SyntaxColoring());
    editor.SetAllText(script);
    // The editor keeps its own line breaks: compare with what it holds.
    const QString before = editor.Text();
    TKxScriptSearch search(editor);
    QElapsedTimer clock;
    clock.start();
    const int count = search.ReplaceAll(QStringLiteral("needle"), QStringLiteral("haystack"), {});
    const double ours = clock.nsecsElapsed() / 1e6;
    QString plain = before;
    clock.restart();
    plain.replace(QStringLiteral("needle"), QStringLiteral("haystack"), Qt::CaseInsensitive);
    const double qt = clock.nsecsElapsed() / 1e6;
    std::printf("Replace All in %.1f MB: %d matches, %.1f ms (target <= 1000); QString::replace "
                "%.1f ms; ratio %.1f; texts %s; undo steps: %s\n",
                script.size() / 1048576.0, count, ours, qt, qt > 0 ? ours / qt : 0.0,
                editor.Text() == plain ? "equal" : "DIFFER", editor.CanUndo() ? "1" : "0");
    editor.Undo();
    std::printf("after one undo the text is %s\n", editor.Text() == before ? "back" : "NOT BACK");
    return 0;
}
