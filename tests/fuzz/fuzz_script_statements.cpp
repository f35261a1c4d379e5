// The statements of a script as the window and the batch runner find them: a headless editor
// model with the program's SQL colouring, the statement finder attached to it as the window
// attaches it, the background count, and the preparation of each statement for the driver.
// Every script is tried with "#" comments off and on.
//
// Properties of the walk a script run makes (Next from the reset state, then Next while a
// statement follows):
//  - it ends; its statements lie inside the text, in order, without overlapping;
//  - every statement but a lone first one ends with a separator, and every one after the
//    first starts with statement text (empty statements are stepped over);
//  - the current statement's text is the text between Start and End;
//  - making any position of a statement current selects that statement, and Previous from
//    one statement reaches the one before it;
//  - the background count of separators is the walk's separators plus those that end empty
//    statements, so without empty statements it is the number of statements the run makes;
//  - the prepared text of each statement keeps what the colouring shows as statement text and
//    quoted text and drops what it shows as comments: the preparation's own scan agrees with
//    the colouring.

#include "app/script_comments.h"
#include "app/script_statements.h"
#include "app/statement_preparation.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"
#include "fuzz_support.h"

#include <QCoreApplication>
#include <memory>
#include <optional>
#include <vector>

using namespace kx;
using namespace kx::fuzz;

namespace {

struct TWalked {
    int Start;
    int End;
};

bool IsBlankChar(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

QString WithoutBlanks(const QString& text) {
    QString result;
    for (const QChar c : text) {
        if (!IsBlankChar(c))
            result += c;
    }
    return result;
}

QString Describe(const QString& text, bool directive) {
    return QStringLiteral("script %1 (\"#\" comments %2)")
        .arg(Shown(text), directive ? QStringLiteral("on") : QStringLiteral("off"));
}

QString Span(int start, int end) {
    return QStringLiteral(" statement %1..%2").arg(start).arg(end);
}

// The statement text the colouring shows, as the driver should get it: comments dropped
// (a line comment leaves its line break), quoted text and everything else kept; with double
// quotes as strings, a double-quoted text becomes a single-quoted literal of the same value.
// Blanks are left out on both sides of the comparison: where a removed comment leaves
// them is the preparation's business.
QString ExpectedStatementText(const TSyntaxColoring& coloring, const QString& text, int start,
                              int end, bool doubleQuotes) {
    QString result;
    const int last = std::min(end, static_cast<int>(text.size()));
    for (int p = start; p <= last; ++p) {
        const QChar c = text.at(p - 1);
        const TSyntaxToken* token = coloring.RangeAt(p);
        const TSyntaxStyleKind kind =
            token != nullptr ? coloring.StyleKind(*token) : TSyntaxStyleKind::Other;
        if (kind == TSyntaxStyleKind::Comment)
            continue;
        if (kind == TSyntaxStyleKind::Quoted && doubleQuotes &&
            coloring.CustomStyles().Items(token->Item).BeginText() == QStringLiteral("\"")) {
            const bool opening = p == token->Start;
            const bool closing = p == token->End && token->Length() >= 2 && c == QLatin1Char('"');
            if (opening || closing)
                result += QLatin1Char('\'');
            else if (c == QLatin1Char('\''))
                result += QStringLiteral("''");
            else
                result += c;
            continue;
        }
        result += c;
    }
    // The separator that ends the statement is not sent; blanks and separators at both ends
    // go together.
    const auto trimmed = [](QChar c) { return IsBlankChar(c) || c == QLatin1Char(';'); };
    while (!result.isEmpty() && trimmed(result.back()))
        result.chop(1);
    while (!result.isEmpty() && trimmed(result.front()))
        result.remove(0, 1);
    return WithoutBlanks(result);
}

// The background count as the window gets it: started on a copy of the text and of the
// shielded stretches, it runs while the checks below move the current statement about and
// even switch the "#" comments (as it runs while the user works), and its result arrives as
// a queued call, delivered by processEvents. The statement finder outlives the input, so the
// count this input started is caught as it arrives; the stored count must agree with it.
class TBackgroundCount {
public:
    explicit TBackgroundCount(TKxScriptStatements& statements) : m_statements(statements) {
        m_statements.OnCountFinished = [this](int count) { m_delivered = count; };
        m_statements.StartCount();
    }
    ~TBackgroundCount() { m_statements.OnCountFinished = nullptr; }
    TBackgroundCount(const TBackgroundCount&) = delete;
    TBackgroundCount& operator=(const TBackgroundCount&) = delete;

    int Result() {
        m_statements.WaitForCount();
        QCoreApplication::processEvents();
        KX_CHECK(m_delivered >= 0 && m_delivered == m_statements.StatementCount(),
                 "a count delivers its result and keeps it",
                 QStringLiteral("delivered %1, kept %2")
                     .arg(m_delivered)
                     .arg(m_statements.StatementCount()));
        return m_delivered;
    }

private:
    TKxScriptStatements& m_statements;
    int m_delivered = -1;
};

// Checks the walk and the preparation of every statement; answers the count of separators a
// background count started now makes.
int CheckScript(TSyntaxTextModel& model, TKxScriptStatements& statements, bool directive) {
    const TSyntaxColoring& coloring = model.SyntaxColoring();
    const QString& text = model.Text();
    const int length = model.TextLength();
    const auto kindAt = [&](int p) { return coloring.StyleKindAt(p); };
    const auto isSeparator = [&](int p) {
        return p >= 1 && p <= length && text.at(p - 1) == QLatin1Char(';') &&
               kindAt(p) == TSyntaxStyleKind::Other;
    };
    const auto isEmptyText = [&](int p) {
        const QChar c = text.at(p - 1);
        return IsBlankChar(c) || kindAt(p) == TSyntaxStyleKind::Comment || isSeparator(p);
    };
    const auto where = [&] { return Describe(text, directive); };

    // The walk of a script run.
    std::vector<TWalked> walked;
    statements.ResetCurrentStatement();
    statements.NextStatement();
    walked.push_back({statements.Start(), statements.End()});
    while (!statements.IsLastStatement()) {
        statements.NextStatement();
        walked.push_back({statements.Start(), statements.End()});
        KX_CHECK(static_cast<int>(walked.size()) <= length + 1, "the walk of a script run ends",
                 where());
    }

    int terminated = 0;
    for (std::size_t i = 0; i < walked.size(); ++i) {
        const TWalked& s = walked[i];
        const auto at = [&] { return where() + Span(s.Start, s.End); };
        KX_CHECK(s.Start >= 1 && s.Start < s.End, "a statement is a non-empty span", at());
        KX_CHECK(s.End <= length || (s.End == s.Start + 1 && s.Start >= length),
                 "a statement lies inside the text (one past it only for a last character)", at());
        if (i > 0)
            KX_CHECK(s.Start > walked[i - 1].End, "statements follow each other without overlap",
                     at());
        if (walked.size() > 1)
            KX_CHECK(isSeparator(s.End),
                     "every statement of a run of several ends with a separator", at());
        if (i > 0)
            KX_CHECK(!isEmptyText(s.Start),
                     "a statement after the first starts with statement text", at());
        if (isSeparator(s.End))
            ++terminated;

        const int last = std::min(s.End, length);
        const auto selects = [&](int p) {
            statements.MakeCurrentAt(p);
            KX_CHECK(statements.Start() == s.Start && statements.End() == s.End,
                     "making a position of a statement current selects that statement",
                     at() + QStringLiteral(", position %1 gave %2..%3")
                                .arg(p)
                                .arg(statements.Start())
                                .arg(statements.End()));
        };
        // The finder's state after making a position current depends on that position alone,
        // so each state is reached once and every check that starts from it follows.
        selects(s.Start);
        KX_CHECK(statements.GetCurrentStatementText() == text.mid(s.Start - 1, last - s.Start + 1),
                 "the current statement's text is the text between Start and End", at());
        if (i > 0) {
            statements.PreviousStatement();
            KX_CHECK(statements.Start() == walked[i - 1].Start &&
                         statements.End() == walked[i - 1].End,
                     "Previous reaches the statement before",
                     at() + QStringLiteral(" went to %1..%2")
                                .arg(statements.Start())
                                .arg(statements.End()));
        }
        const int middle = (s.Start + last) / 2;
        if (middle != s.Start)
            selects(middle);
        if (last != middle)
            selects(last);

        const QString statementText = text.mid(s.Start - 1, last - s.Start + 1);
        for (const bool doubleQuotes : {false, true}) {
            const QString prepared = PrepareStatementText(statementText, directive, doubleQuotes);
            const QString expected =
                ExpectedStatementText(coloring, text, s.Start, s.End, doubleQuotes);
            KX_CHECK(WithoutBlanks(prepared) == expected,
                     "the prepared statement keeps what the colouring shows as SQL and drops its "
                     "comments",
                     at() +
                         QStringLiteral(", double quotes as strings %1\nprepared %2\nexpected %3")
                             .arg(doubleQuotes)
                             .arg(Shown(prepared), Shown(expected)));
        }
    }

    // Separators that end empty statements: only blanks, comments and separators since the
    // previous separator (or the start of the text).
    int emptySeparators = 0;
    bool onlyEmptySince = true;
    for (int p = 1; p <= length; ++p) {
        if (isSeparator(p)) {
            if (onlyEmptySince)
                ++emptySeparators;
            onlyEmptySince = true;
        } else if (!isEmptyText(p)) {
            onlyEmptySince = false;
        }
    }
    // What the count thread computes, from what it is given, without a thread per check.
    const int count = KxCountStatementSeparators(text, statements.ShieldedSpans());
    KX_CHECK(count == terminated + emptySeparators,
             "the background count is the run's separators plus those of empty statements",
             where() + QStringLiteral(": count %1, run %2 ended by separators, %3 empty")
                           .arg(count)
                           .arg(terminated)
                           .arg(emptySeparators));
    return count;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The count's result comes back as a queued call, delivered by processEvents.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One editor, colouring and statement finder for the whole run, as one window keeps them
    // for every script it loads: setting them up cost more than checking most inputs. Each
    // input starts from the state a fresh set-up has: "#" comments off, no undo history, the
    // whole text replaced (the colouring tokenises it anew), no current statement (the walk
    // resets it) and no count carried over (TBackgroundCount takes the one it started).
    static TSyntaxTextModel model;
    static const bool loaded = [] {
        KxLoadSqlSyntaxSetup(model.SyntaxColoring());
        return true;
    }();
    static TKxScriptStatements statements(model);
    static const bool attached = [] {
        KxAttachSyntaxSpans(statements, model.SyntaxColoring());
        return true;
    }();
    (void)loaded;
    (void)attached;

    const QString script =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // "#" comments are switched off over an empty text, where the recolouring costs nothing.
    model.SetAllText(QString());
    KxSetDirectiveCommentStyle(model.SyntaxColoring(), false);
    model.ClearUndo();
    model.SetAllText(script);
    // Every check computes the count from exactly what the count thread is given (the text
    // and ShieldedSpans()) with the routine the thread runs. The thread itself, which only
    // carries those copies and its result, runs for the first input and every 64th one
    // after it: a thread per input spent more time waiting for the scheduler than the checks
    // take, and it leaves mallocs and frees unbalanced, so libFuzzer scans for leaks after
    // such inputs. The first input has it, so any input that fails it fails alone too.
    static std::uint64_t inputNumber = 0;
    std::optional<TBackgroundCount> background;
    if (inputNumber++ % 64 == 0)
        background.emplace(statements);
    const int countWithout = CheckScript(model, statements, false);
    KxSetDirectiveCommentStyle(model.SyntaxColoring(), true);
    CheckScript(model, statements, true);
    if (background) {
        const int delivered = background->Result();
        KX_CHECK(delivered == countWithout,
                 "the count on a thread is that of the text and colouring it started with",
                 Describe(script, false) +
                     QStringLiteral(": thread %1, direct %2").arg(delivered).arg(countWithout));
    }
    return 0;
}
