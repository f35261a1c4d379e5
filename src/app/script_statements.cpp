#include "app/script_statements.h"

#include "editor/custom_editor.h"
#include "foundation/kx_timer.h"
#include "foundation/temp_cursor.h"

#include <QMetaObject>
#include <QThread>
#include <algorithm>

namespace kx {

// The count runs on a copy of the text and of the shielded stretches, so the editor may
// change while it runs; its result travels back as a queued call.
class TStatementCountThread : public QThread {
public:
    TStatementCountThread(QString text, TKxShieldedSpans shielded, QObject* receiver,
                          std::function<void(int)> finished)
        : m_text(std::move(text)), m_shielded(std::move(shielded)), m_receiver(receiver),
          m_finished(std::move(finished)) {}

    void Stop() { m_stop = true; }

protected:
    void run() override {
        const int count = KxCountStatementSeparators(m_text, m_shielded, &m_stop);
        if (count < 0)
            return;
        QMetaObject::invokeMethod(
            m_receiver, [finished = m_finished, count] { finished(count); }, Qt::QueuedConnection);
    }

private:
    const QString m_text;
    const TKxShieldedSpans m_shielded;
    QObject* m_receiver;
    std::function<void(int)> m_finished;
    std::atomic<bool> m_stop{false};
};

int KxCountStatementSeparators(const QString& text, const TKxShieldedSpans& shielded,
                               const std::atomic<bool>* stop) {
    int count = 0;
    std::size_t span = 0;
    const qsizetype length = text.size();
    const QChar* data = text.constData();
    for (qsizetype i = 0; i < length; ++i) {
        if (data[i] != QLatin1Char(';'))
            continue;
        if (stop != nullptr && stop->load(std::memory_order_relaxed))
            return -1;
        const int position = static_cast<int>(i) + 1;
        while (span < shielded.size() && shielded[span].Last < position)
            ++span;
        if (span < shielded.size() && shielded[span].First <= position)
            continue; // inside a comment or quoted text
        ++count;
    }
    return count;
}

TKxScriptStatements::TKxScriptStatements(TCustomEditor& editor)
    : m_editor(editor),
      m_settleTimer(std::make_unique<TKxTimer>(1000, nullptr, TKxLifetime::OwnerOwned)),
      m_context(std::make_unique<QObject>()) {
    m_settleTimer->OnTimer = [this](TKxTimer* timer) {
        timer->Stop();
        StartCount();
        FindCurrentStatement();
    };
}

TKxScriptStatements::~TKxScriptStatements() {
    m_settleTimer->Stop();
    StopCount();
}

bool TKxStatementText::IsSeparator(qint64 position) {
    return At(position) == QLatin1Char(';') && KindAt(position) == TSyntaxStyleKind::Other;
}

bool TKxStatementText::IsEmptyStatementText(qint64 position) {
    const QChar c = At(position);
    if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
        c == QLatin1Char('\r'))
        return true;
    // Quoted text is statement text: only comments and separators are passed over.
    const TSyntaxStyleKind kind = KindAt(position);
    return kind == TSyntaxStyleKind::Comment ||
           (c == QLatin1Char(';') && kind == TSyntaxStyleKind::Other);
}

TKxStatementSpan TKxStatementText::StatementFrom(qint64 start) {
    // Leading blanks, comments and further separators: an empty statement («;;», a statement
    // of only a comment) is stepped over, so it never swallows the next one. When nothing but
    // such text is left, the statement is the empty one after the end of the text (as in an
    // empty script), never the last character of a comment: that character alone would be
    // sent to the data source as a statement.
    while (Reaches(start) && IsEmptyStatementText(start))
        ++start;
    qint64 end = start + 1;
    while (Reaches(end + 1) && !IsSeparator(end))
        ++end;
    return {start, end};
}

bool TKxStatementText::StatementFollows(qint64 end) {
    // The same steps as StatementFrom: over the empty statements after `end`, then the
    // following statement's text must reach a separator. Without one it is text after the
    // last separator, which no script run and no Next Statement reaches, whether «;;» or a
    // comment-only statement stands before it or not.
    qint64 p = std::max<qint64>(end + 1, 1);
    while (Reaches(p) && IsEmptyStatementText(p))
        ++p;
    while (Reaches(p) && !IsSeparator(p))
        ++p;
    return Reaches(p);
}

// The editor's text as the rules read it, for the length of one call: the text cannot change
// meanwhile.
class TKxScriptStatements::TEditorText final : public TKxStatementText {
public:
    explicit TEditorText(const TKxScriptStatements& statements)
        : m_statements(statements), m_length(statements.Length()) {}

protected:
    bool Reaches(qint64 position) override { return position <= m_length; }
    QChar At(qint64 position) override { return m_statements.At(static_cast<int>(position)); }
    TSyntaxStyleKind KindAt(qint64 position) override {
        return m_statements.m_kindAt ? m_statements.m_kindAt(static_cast<int>(position))
                                     : TSyntaxStyleKind::Other;
    }

private:
    const TKxScriptStatements& m_statements;
    const qint64 m_length;
};

QChar TKxScriptStatements::At(int position) const {
    return m_editor.Text().at(position - 1);
}

int TKxScriptStatements::Length() const {
    return m_editor.TextLength();
}

void TKxScriptStatements::FindCurrentStatement() {
    TKxTempCursor waitCursor;
    TEditorText text(*this);
    m_start = std::clamp(m_start, 1, std::max(Length(), 1));
    while (m_start > 1 && !text.IsSeparator(m_start - 1))
        --m_start;
    const TKxStatementSpan span = text.StatementFrom(m_start);
    m_start = static_cast<int>(span.Start);
    m_end = static_cast<int>(span.End);
    HighlightCurrentStatement();
    if (OnStatementChanged)
        OnStatementChanged();
}

void TKxScriptStatements::NextStatement() {
    // Without a current statement, Next makes the first one current, ended or not: Execute
    // current Statement relies on that for a script without any separator.
    if (HasCurrentStatement() ? IsLastStatement() : m_end >= Length())
        return;
    m_start = std::max(m_end + 1, 1);
    FindCurrentStatement();
    if (OnShowPosition)
        OnShowPosition(m_start, m_end);
}

void TKxScriptStatements::PreviousStatement() {
    TEditorText text(*this);
    m_start = std::clamp(m_start, 1, std::max(Length(), 1));
    while (m_start > 1 && !text.IsSeparator(m_start))
        --m_start;
    // Over the run of separators, and of the blanks and comments of empty statements between
    // them, into the previous statement that has text.
    while (m_start > 1 && text.IsEmptyStatementText(m_start))
        --m_start;
    FindCurrentStatement();
    if (OnShowPosition)
        OnShowPosition(m_start, m_start);
}

void TKxScriptStatements::MakeCurrentAt(int position) {
    m_start = position;
    FindCurrentStatement();
}

bool TKxScriptStatements::IsFirstStatement() const {
    int p = std::min(m_start, Length());
    while (p > 1 && At(p) != QLatin1Char(';'))
        --p;
    return p <= 1;
}

bool TKxScriptStatements::IsLastStatement() const {
    return !TEditorText(*this).StatementFollows(m_end);
}

void TKxScriptStatements::ResetCurrentStatement() {
    m_start = 1;
    m_end = -1;
    m_editor.RowRanges().clear();
    m_editor.WholeText().InvalidateRange();
    if (OnStatementChanged)
        OnStatementChanged();
}

QString TKxScriptStatements::GetCurrentStatementText() const {
    if (m_end < m_start)
        return {};
    TMCRange range(&m_editor);
    range.SetRStart(m_start);
    range.SetREnd(m_end);
    return range.GetText();
}

void TKxScriptStatements::SetHighlightColor(TColor color) {
    m_highlightColor = color;
    if (HasCurrentStatement())
        HighlightCurrentStatement();
}

void TKxScriptStatements::HighlightCurrentStatement() {
    std::vector<TRowRangeObj>& rows = m_editor.RowRanges();
    rows.clear();
    rows.push_back(
        {m_editor.PosToRowCol(m_start).Row, m_editor.PosToRowCol(m_end).Row, m_highlightColor});
    m_editor.WholeText().InvalidateRange();
}

void TKxScriptStatements::StopCount() {
    if (!m_countThread)
        return;
    m_countThread->Stop();
    m_countThread->wait();
    m_countThread.reset();
}

void TKxScriptStatements::WaitForCount() {
    if (m_countThread)
        m_countThread->wait();
}

TKxShieldedSpans TKxScriptStatements::ShieldedSpans() const {
    TKxShieldedSpans shielded = m_shieldSnapshot ? m_shieldSnapshot() : TKxShieldedSpans();
    std::sort(shielded.begin(), shielded.end(),
              [](const TKxShieldedSpan& a, const TKxShieldedSpan& b) { return a.First < b.First; });
    return shielded;
}

void TKxScriptStatements::StartCount() {
    StopCount();
    m_countThread =
        std::make_unique<TStatementCountThread>(m_editor.Text(), ShieldedSpans(), m_context.get(),
                                                [this](int count) { CountFinished(count); });
    m_countThread->start();
}

void TKxScriptStatements::CountFinished(int count) {
    m_statementCount = count;
    if (OnCountFinished)
        OnCountFinished(count);
}

void TKxScriptStatements::TextChanged() {
    m_settleTimer->Restart();
}

int TKxScriptStatements::EditSettleDelay() const {
    return m_settleTimer->Interval();
}

void TKxScriptStatements::SetEditSettleDelay(int milliseconds) {
    m_settleTimer->SetInterval(milliseconds);
}

} // namespace kx
