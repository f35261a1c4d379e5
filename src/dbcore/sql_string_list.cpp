#include "dbcore/sql_string_list.h"

namespace kx {

QString TKxStringList::Text() const {
    return m_lines.join(QStringLiteral("\r\n"));
}

void TKxStringList::SetText(const QString& text) {
    QStringList lines;
    qsizetype begin = 0;
    const qsizetype length = text.size();
    const QChar* data = text.constData();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = data[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(begin, i - begin));
        if (c == u'\r' && i + 1 < length && data[i + 1] == u'\n')
            ++i;
        begin = i + 1;
    }
    if (begin < length)
        lines.append(text.mid(begin));
    m_lines = std::move(lines);
    Changed();
}

void TKxStringList::SetLines(const QStringList& lines) {
    m_lines = lines;
    Changed();
}

void TKxStringList::Add(const QString& line) {
    m_lines.append(line);
    Changed();
}

void TKxStringList::Clear() {
    m_lines.clear();
    Changed();
}

void TKxStringList::Changed() {
    if (OnChange)
        OnChange();
}

} // namespace kx
