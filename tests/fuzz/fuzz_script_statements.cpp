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

int CountNow(TKxScriptStatements& statements) {
    statements.StartCount();
    statements.WaitForCount();
    QCoreApplication::processEvents();
    return statements.StatementCount();
}

void CheckScript(TSyntaxTextModel& model, TKxScriptStatements& statements, bool directive) {
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

        statements.MakeCurrentAt(s.Start);
        const int last = std::min(s.End, length);
        KX_CHECK(statements.GetCurrentStatementText() == text.mid(s.Start - 1, last - s.Start + 1),
                 "the current statement's text is the text between Start and End", at());
        for (const int p : {s.Start, (s.Start + last) / 2, last}) {
            statements.MakeCurrentAt(p);
            KX_CHECK(statements.Start() == s.Start && statements.End() == s.End,
                     "making a position of a statement current selects that statement",
                     at() + QStringLiteral(", position %1 gave %2..%3")
                                .arg(p)
                                .arg(statements.Start())
                                .arg(statements.End()));
        }
        if (i > 0) {
            statements.MakeCurrentAt(s.Start);
            statements.PreviousStatement();
            KX_CHECK(statements.Start() == walked[i - 1].Start &&
                         statements.End() == walked[i - 1].End,
                     "Previous reaches the statement before",
                     at() + QStringLiteral(" went to %1..%2")
                                .arg(statements.Start())
                                .arg(statements.End()));
        }

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
    const int count = CountNow(statements);
    KX_CHECK(count == terminated + emptySeparators,
             "the background count is the run's separators plus those of empty statements",
             where() + QStringLiteral(": count %1, run %2 ended by separators, %3 empty")
                           .arg(count)
                           .arg(terminated)
                           .arg(emptySeparators));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The count's result comes back as a queued call, delivered by processEvents.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString script =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TSyntaxTextModel model;
    KxLoadSqlSyntaxSetup(model.SyntaxColoring());
    TKxScriptStatements statements(model);
    KxAttachSyntaxSpans(statements, model.SyntaxColoring());
    model.SetAllText(script);
    for (const bool directive : {false, true}) {
        KxSetDirectiveCommentStyle(model.SyntaxColoring(), directive);
        CheckScript(model, statements, directive);
    }
    return 0;
}
