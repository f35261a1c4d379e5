// Editor view paint timings: a full view of 60 rows x 120 columns of SQL with tabs, a
// selection and a row background, and a one-row scroll. The reference in the same run is a
// plain QPainter drawing the same 60 strings, the least any text view has to do.

#include "editor/editor_view.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using namespace kx;

QString Script(int rows) {
    QString text;
    for (int i = 0; i < rows; ++i) {
        QString row =
            QStringLiteral("\tselect col_a, col_b, col_c, sum(amount) as total from orders o%1 "
                           "join customers c on c.id = o.customer_id where ")
                .arg(i);
        while (row.size() < 130)
            row.append(QChar(u'x'));
        text += row + QStringLiteral("\r\n");
    }
    return text;
}

struct FullView {
    TCustomEditorView view;
    FullView() {
        view.SetTabSize(4);
        view.SetAllText(Script(2000));
        view.show();
        const QSize wanted(120 * view.CharWidth() + view.LeftMargin(), 60 * view.LineHeight());
        view.resize(view.size() + wanted - view.viewport()->size());
        QApplication::processEvents();
        view.Selection().Select(view.RowColToPos({10, 20}), 2000);
        view.RowRanges().push_back({30, 40, 0x00E0FFFF});
    }
};

void BM_PaintFullView(benchmark::State& state) {
    FullView fixture;
    TCustomEditorView& view = fixture.view;
    for (auto _ : state)
        view.VisibleRange().InvalidateRange();
    state.counters["rows"] = view.VisibleRowCount();
    state.counters["cols"] = view.VisibleColCount();
}
BENCHMARK(BM_PaintFullView)->Unit(benchmark::kMillisecond);

void BM_ScrollOneRow(benchmark::State& state) {
    FullView fixture;
    TCustomEditorView& view = fixture.view;
    int direction = 1;
    view.ResetPaintedRowCount();
    for (auto _ : state) {
        const int top = view.VisibleRange().TopRow();
        if (top >= 1000 || top <= 1)
            direction = top <= 1 ? 1 : -1;
        view.VisibleRange().SetTopRow(top + direction);
    }
    state.counters["rows_per_scroll"] =
        static_cast<double>(view.PaintedRowCount()) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ScrollOneRow)->Unit(benchmark::kMicrosecond);

// Reference: the same rows drawn straight with QPainter, no model, no pieces.
void BM_PlainQPainterRows(benchmark::State& state) {
    FullView fixture;
    TCustomEditorView& view = fixture.view;
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QStringList rows;
    for (int row = 1; row <= 60; ++row)
        rows.append(view.Lines().Get(row - 1).left(120));
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setFont(view.EditorQFont());
        for (int row = 0; row < rows.size(); ++row) {
            painter.fillRect(QRect(0, row * view.LineHeight(), image.width(), view.LineHeight()),
                             Qt::white);
            painter.drawText(QPoint(2, row * view.LineHeight() + 12), rows[row]);
        }
    }
}
BENCHMARK(BM_PlainQPainterRows)->Unit(benchmark::kMillisecond);

} // namespace
