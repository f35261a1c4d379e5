#include "app/statement_stream.h"

#include "editor/script_file.h"
#include "editor/syntax_coloring.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxQuerolt", text);
}

} // namespace

TKxStatementStream::TKxStatementStream(TKxScriptReader& reader, const TCustomStyles& styles)
    : m_reader(reader), m_styles(styles) {
    // The text kept reaches back to the current statement, whose separator ends every look
    // back a style makes (to the start of a line, over escape characters): unless ";" is an
    // escape character itself.
    for (int i = 0; i < styles.Count(); ++i) {
        const TCustomStyle& style = styles.Items(i);
        if (style.Switchable() || style.IgnoreChar() == QStringLiteral(";"))
            KxRaise(Tr("The statements cannot be read a piece at a time with the style \"%1\"")
                        .arg(style.Caption()),
                    QStringLiteral("TKxStatementStream"), this);
    }
}

void TKxStatementStream::ReadMore() {
    // At least as much as the span still open holds: a span longer than one read then costs
    // reads that double in size, not one more search through it for every read.
    const qint64 bytes = std::max(m_readSize, m_openSpan);
    const qsizetype before = m_text.size();
    while (!m_readAll && m_text.size() == before) {
        m_breaks.Append(m_reader.Read(bytes), m_text);
        m_readAll = m_reader.AtEnd();
    }
}

void TKxStatementStream::Scan() {
    const int length = static_cast<int>(m_text.size());
    // Positions within m_text, 1-based as the colouring's tests take them.
    int p = static_cast<int>(m_scanned - m_base) + 2;
    int plain = p; // the first character of plain text not yet recorded
    m_openSpan = 0;
    const auto recordPlain = [&] {
        m_kinds.append(p - plain, static_cast<char>(TSyntaxStyleKind::Other));
    };
    while (p <= length) {
        // A begin marker may go on in text not read yet.
        if (!m_readAll && p + TCustomStyles::kBeginLookahead - 1 > length)
            break;
        const int style = m_styles.StyleBeginningAt(m_text, p);
        if (style < 0) {
            ++p;
            continue;
        }
        int end = m_styles.StyleSpanEnd(m_text, p, style);
        if (end < 0 || end > length) {
            if (!m_readAll) {
                m_openSpan = length - p + 1; // it ends in text not read yet
                break;
            }
            end = length;
        }
        recordPlain();
        m_kinds.append(end - p + 1, static_cast<char>(m_styles.Items(style).Kind()));
        p = end + 1;
        plain = p;
    }
    recordPlain();
    m_scanned = m_base + p - 2;
}

bool TKxStatementStream::Reaches(qint64 position) {
    while (position > m_scanned) {
        // Once everything is read, the scan has gone to the end.
        if (m_readAll)
            return false;
        ReadMore();
        Scan();
    }
    return true;
}

void TKxStatementStream::DropPassedText() {
    const qint64 passed = m_start - m_base;
    // Dropping moves what is kept: only once the passed text is as long, so that every
    // character moves about once.
    if (passed <= 0 || passed < m_text.size() / 2)
        return;
    m_text.remove(0, passed);
    m_kinds.remove(0, std::min<qint64>(passed, m_kinds.size()));
    m_base = m_start;
}

void TKxStatementStream::NextStatement() {
    const bool first = !HasCurrentStatement();
    if (!first && m_isLast)
        return;
    try {
        const TKxStatementSpan span = StatementFrom(first ? 1 : m_end + 1);
        m_start = span.Start;
        m_end = span.End;
        DropPassedText();
        m_isLast = !StatementFollows(m_end);
    } catch (...) {
        m_readFailed = true;
        throw;
    }
}

QString TKxStatementStream::GetCurrentStatementText() const {
    if (m_end < m_start)
        return {};
    return m_text.mid(m_start - m_base, m_end - m_start + 1);
}

qint64 TKxStatementStream::CountStatements() {
    if (!HasCurrentStatement())
        NextStatement();
    qint64 count = 1;
    for (; !m_isLast; ++count)
        NextStatement();
    return count;
}

} // namespace kx
