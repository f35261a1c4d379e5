#include "editor/editor_painter.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>

namespace kx {

namespace {

bool IsFixedPitch(const QFont& font) {
    const QFontMetricsF metrics(font);
    return QFontInfo(font).fixedPitch() && metrics.horizontalAdvance(QLatin1Char('i')) ==
                                               metrics.horizontalAdvance(QLatin1Char('M'));
}

} // namespace

QFont KxEditorQFont(const TEditorFont& font) {
    QFont result(font.Name);
    result.setPointSize(std::max(font.Size, 1));
    result.setStyleHint(QFont::TypeWriter);
    result.setFixedPitch(true);
    if (!IsFixedPitch(result)) {
        result = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        result.setPointSize(std::max(font.Size, 1));
    }
    result.setBold((font.Style & fsBold) != 0);
    result.setItalic((font.Style & fsItalic) != 0);
    result.setUnderline((font.Style & fsUnderline) != 0);
    result.setStrikeOut((font.Style & fsStrikeOut) != 0);
    return result;
}

TCharCell KxMeasureCell(const QFont& font) {
    const QFontMetrics metrics(font);
    TCharCell cell;
    cell.Width = metrics.horizontalAdvance(QLatin1Char('M'));
    // The line height is the full height of the font, as the extent of "Q" reports it —
    // and at least enough for the underscore, which some fonts draw on the pixel row just
    // below their descent, where the next row's background would paint over it.
    cell.Height = std::max(metrics.height(),
                           metrics.ascent() + metrics.boundingRect(QLatin1Char('_')).bottom() + 1);
    cell.Ascent = metrics.ascent();
    // A font that cannot be measured (no screen yet) still gives a usable grid.
    if (cell.Width <= 0)
        cell.Width = 8;
    if (cell.Height <= 0)
        cell.Height = 13;
    return cell;
}

QFont KxFontOnGrid(QFont font, int cellWidth) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    const qreal advance = QFontMetricsF(font).horizontalAdvance(QLatin1Char('M'));
    if (advance != cellWidth)
        font.setLetterSpacing(QFont::AbsoluteSpacing, cellWidth - advance);
    return font;
}

void KxExpandTabs(const QChar* data, int length, int tabSize, int& phase, QString& out) {
    for (int i = 0; i < length; ++i) {
        if (data[i] == QChar(u'\t')) {
            out.append(QString(phase, QChar(u' ')));
            phase = tabSize;
        } else {
            out.append(data[i]);
            if (--phase <= 0)
                phase = tabSize;
        }
    }
}

} // namespace kx
