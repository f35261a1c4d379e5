#pragma once

#include "app/statement_source.h"
#include "editor/syntax_ranges.h"
#include "foundation/colors.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace kx {

class TCustomEditor;
class TKxTimer;
class TStatementCountThread;

// A stretch of the script (1-based, inclusive) where a ";" separates nothing: a comment or
// quoted text, as the syntax colouring shows it.
struct TKxShieldedSpan {
    int First = 0;
    int Last = 0;
};
using TKxShieldedSpans = std::vector<TKxShieldedSpan>;

// Where a statement lies: its first position and its last (its separator, or the end of the
// text), 1-based.
struct TKxStatementSpan {
    qint64 Start = 1;
    qint64 End = 0;
};

// The rules that divide a script into statements, over whatever holds its text: a ";" outside
// comments and quoted text ends a statement; blanks, comments and further separators make an
// empty statement, which is stepped over. The editor's statements and those a batch run reads
// from its file as it goes both follow them, so the two find the same statements.
class TKxStatementText {
public:
    virtual ~TKxStatementText() = default;

    // A ";" outside comments and quoted text.
    bool IsSeparator(qint64 position);
    // Blanks, comments and separators: all that an empty statement holds.
    bool IsEmptyStatementText(qint64 position);
    // The statement at `start` or, over empty statements, after it (an empty rest leaves it
    // on the last character), up to its separator or the end of the text.
    TKxStatementSpan StatementFrom(qint64 start);
    // Whether a statement follows the one that ends at `end`: statement text after it (not
    // just what empty statements hold) that is itself ended by a separator.
    bool StatementFollows(qint64 end);

protected:
    // Whether the text reaches `position`; a text read a piece at a time reads on to know.
    virtual bool Reaches(qint64 position) = 0;
    // The character at a position the text reaches and what the colouring makes of it.
    virtual QChar At(qint64 position) = 0;
    virtual TSyntaxStyleKind KindAt(qint64 position) = 0;
};

// The statements of the script in the editor: separated by ";" outside comments and quoted
// text. Keeps the current statement (Start and End, 1-based), finds and moves it, highlights
// its rows, counts the statements in the background and follows the text about a second
// after the last edit. It needs no window: what is a comment or quoted text comes from the
// syntax colouring through the two callbacks, which the editor that owns the colouring sets.
//
// One rule decides whether a statement follows the current one: only when statement text
// after it (not just blanks, comments and further separators) is itself ended by a
// separator. Next Statement, its enabling and a script run all go by it, so text after the
// last separator is reached only by making it current.
class TKxScriptStatements : public TKxStatementSource {
public:
    using KindTest = std::function<TSyntaxStyleKind(int position)>;
    using ShieldSnapshot = std::function<TKxShieldedSpans()>;

    explicit TKxScriptStatements(TCustomEditor& editor);
    ~TKxScriptStatements() override;
    TKxScriptStatements(const TKxScriptStatements&) = delete;
    TKxScriptStatements& operator=(const TKxScriptStatements&) = delete;

    // What the text at position p (1-based) is: comment, quoted text or other; without a
    // test everything is other.
    void SetKindTest(KindTest test) { m_kindAt = std::move(test); }
    // All stretches of comments and quoted text at this moment, for a count that runs while
    // the text changes.
    void SetShieldSnapshot(ShieldSnapshot snapshot) { m_shieldSnapshot = std::move(snapshot); }

    int Start() const { return m_start; }
    int End() const { return m_end; }
    void SetStart(int start) { m_start = start; }
    bool HasCurrentStatement() const override { return m_start >= 1 && m_start < m_end; }

    void FindCurrentStatement();
    void NextStatement() override;
    void PreviousStatement();
    // Makes the statement at `position` current (a ";" selects the statement it ends).
    void MakeCurrentAt(int position);
    bool IsFirstStatement() const;
    // True when no statement follows the current one (the rule above).
    bool IsLastStatement() const override;
    void ResetCurrentStatement();
    QString GetCurrentStatementText() const override;

    TColor HighlightColor() const { return m_highlightColor; }
    // Re-highlights at once.
    void SetHighlightColor(TColor color);
    void HighlightCurrentStatement();

    // -1 until the first count has finished.
    int StatementCount() const { return m_statementCount; }
    // Stops a running count, waits for it, and starts a new one on a copy of the text and of
    // ShieldedSpans().
    void StartCount();
    // The stretches of comments and quoted text at this moment, sorted by position: what a
    // count started now works with.
    TKxShieldedSpans ShieldedSpans() const;
    // Waits for a running count; for callers that need the result now.
    void WaitForCount();

    // Restarts the edit-settle timer; when it fires, the count and the current statement
    // follow the text.
    void TextChanged();
    int EditSettleDelay() const;
    void SetEditSettleDelay(int milliseconds);

    // Called after the current statement moved or was recomputed (the owner refreshes its
    // actions), after a count finished, and to scroll a position into view.
    std::function<void()> OnStatementChanged;
    std::function<void(int count)> OnCountFinished;
    std::function<void(int start, int end)> OnShowPosition;

private:
    class TEditorText;

    QChar At(int position) const;
    int Length() const;
    void StopCount();
    void CountFinished(int count);

    TCustomEditor& m_editor;
    KindTest m_kindAt;
    ShieldSnapshot m_shieldSnapshot;
    int m_start = 1;
    int m_end = -1;
    TColor m_highlightColor = 0xF0F0F0;
    int m_statementCount = -1;
    std::unique_ptr<TStatementCountThread> m_countThread;
    std::unique_ptr<TKxTimer> m_settleTimer;
    // Receives the count thread's queued result; dies with this object, dropping it.
    std::unique_ptr<QObject> m_context;
};

// Counts the ";" of `text` outside the shielded stretches (sorted by position). Stops early
// and answers -1 when `stop` becomes true.
int KxCountStatementSeparators(const QString& text, const TKxShieldedSpans& shielded,
                               const std::atomic<bool>* stop = nullptr);

} // namespace kx
