#include "dialogs/report_export.h"

#include "dialogs/dialog_texts.h"
#include "foundation/atomic_save.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <cmath>
#include <vector>

namespace kx {
namespace {

struct TRun {
    QString text;
    QColor color;
    int halfPoints;
    QTextCharFormat format;
};

int HalfPoints(const QFont& font) {
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    return std::max(1, int(std::lround(points * 2)));
}

void AppendEscaped(QByteArray& out, const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u >= 0x20 && u < 0x80) {
            out += char(u);
        } else if (u < 0x20) {
            continue; // control characters have no place in a line
        } else {
            // RTF's \u takes a signed 16-bit number, followed by the one-character fallback.
            out += "\\u" + QByteArray::number(int(std::int16_t(u))) + '?';
        }
    }
}

} // namespace

QString KxFilterSuffix(const QString& nameFilter, const QString& defaultSuffix) {
    static const QRegularExpression firstPattern(QStringLiteral(R"(\(\s*\*\.([^\s;*?)]+)[\s;)])"));
    const QRegularExpressionMatch match = firstPattern.match(nameFilter);
    return match.hasMatch() ? match.captured(1) : defaultSuffix;
}

QByteArray KxDocumentToPlainLines(const QTextDocument& document) {
    QByteArray out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        out += block.text().toUtf8();
        out += "\r\n";
    }
    return out;
}

QByteArray KxDocumentToRtf(const QTextDocument& document, const QFont& defaultFont) {
    const int defaultSize = HalfPoints(defaultFont);
    std::vector<QColor> colors;
    const auto colorIndex = [&colors](const QColor& color) {
        for (size_t i = 0; i < colors.size(); ++i) {
            if (colors[i] == color)
                return int(i) + 1; // entry 0 of the table is the automatic colour
        }
        colors.push_back(color);
        return int(colors.size());
    };

    QByteArray body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            // Text in the window's own colour is written in the reader's automatic colour
            // (entry 0), so it stays readable wherever the file is opened.
            const int colorNumber = format.hasProperty(QTextFormat::ForegroundBrush)
                                        ? colorIndex(format.foreground().color())
                                        : 0;
            const int size = format.hasProperty(QTextFormat::FontPointSize)
                                 ? std::max(1, int(std::lround(format.fontPointSize() * 2)))
                                 : defaultSize;
            body += "{\\cf" + QByteArray::number(colorNumber) + "\\fs" + QByteArray::number(size);
            if (format.fontWeight() >= QFont::Bold)
                body += "\\b";
            if (format.fontItalic())
                body += "\\i";
            if (format.fontUnderline())
                body += "\\ul";
            if (format.fontStrikeOut())
                body += "\\strike";
            body += ' ';
            AppendEscaped(body, fragment.text());
            body += '}';
        }
        body += "\\par\r\n";
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl{\\f0\\fmodern ";
    AppendEscaped(out, defaultFont.family());
    out += ";}}\r\n{\\colortbl ;";
    for (const QColor& color : colors) {
        out += "\\red" + QByteArray::number(color.red()) + "\\green" +
               QByteArray::number(color.green()) + "\\blue" + QByteArray::number(color.blue()) +
               ';';
    }
    out += "}\r\n\\pard\\f0\\fs" + QByteArray::number(defaultSize) + "\r\n";
    out += body;
    out += "}\r\n";
    return out;
}

void KxWriteFileAtomically(const QString& fileName, const QByteArray& bytes,
                           const QString& routineName) {
    KxSaveFile(fileName, bytes, dlgtext::CannotWriteFile(), routineName);
}

} // namespace kx
