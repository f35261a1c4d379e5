#include "app/script_search.h"

#include "editor/custom_editor.h"
#include "editor/ranges.h"

#include <algorithm>

namespace kx {
namespace {

bool IsWordDelimiter(QChar c) {
    return QStringLiteral(",;() \t\n\r=<>!*+-").contains(c);
}

// Whether `find` stands at the 1-based `position` of `text` as the options want it.
bool MatchesAt(const QString& text, const QString& find, int position,
               const TKxSearchOptions& options) {
    const int index = position - 1;
    if (index < 0 || index + find.size() > text.size())
        return false;
    if (QStringView(text)
            .mid(index, find.size())
            .compare(find, options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) != 0)
        return false;
    if (!options.wholeWord)
        return true;
    const bool startsWord = index == 0 || IsWordDelimiter(text[index - 1]);
    const qsizetype after = index + find.size();
    const bool endsWord = after >= text.size() || IsWordDelimiter(text[after]);
    return startsWord && endsWord;
}

} // namespace

int KxSearchText(const QString& text, const QString& find, int start,
                 const TKxSearchOptions& options) {
    if (find.isEmpty())
        return 0;
    const int length = static_cast<int>(text.size());
    const int last = length - static_cast<int>(find.size()) + 1; // the last place it fits
    if (options.down) {
        for (int position = std::max(start, 1); position <= last; ++position) {
            if (MatchesAt(text, find, position, options))
                return position;
        }
        return 0;
    }
    // Upwards from no later than where the text can still hold it.
    for (int position = std::min(start, last); position >= 1; --position) {
        if (MatchesAt(text, find, position, options))
            return position;
    }
    return 0;
}

int KxReplaceAllText(QString& text, const QString& find, const QString& replace, int start,
                     const TKxSearchOptions& options) {
    if (find.isEmpty())
        return 0;
    TKxSearchOptions forward = options;
    forward.down = true;
    // Built once, piece by piece: linear in the text however many matches there are.
    QString result;
    result.reserve(text.size());
    int copiedUpTo = 1; // 1-based: the first character not yet copied
    int count = 0;
    for (int position = KxSearchText(text, find, start, forward); position > 0;
         position = KxSearchText(text, find, position + static_cast<int>(find.size()), forward)) {
        result += QStringView(text).mid(copiedUpTo - 1, position - copiedUpTo);
        result += replace;
        copiedUpTo = position + static_cast<int>(find.size());
        ++count;
    }
    if (count == 0)
        return 0;
    result += QStringView(text).mid(copiedUpTo - 1);
    text = std::move(result);
    return count;
}

bool TKxScriptSearch::SearchFrom(int start, const QString& find, const TKxSearchOptions& options) {
    const int position = KxSearchText(m_editor.Text(), find, start, options);
    if (position == 0)
        return false;
    m_editor.Selection().Select(position, static_cast<int>(find.size()));
    m_editor.Selection().MakeVisible(1);
    return true;
}

bool TKxScriptSearch::Find(const QString& find, const TKxSearchOptions& options) {
    const int selectionStart = m_editor.SelStart(); // 0-based
    const int start = options.down ? selectionStart + m_editor.SelLength() + 1 : selectionStart;
    return SearchFrom(start, find, options);
}

bool TKxScriptSearch::SelectionMatches(const QString& find, const TKxSearchOptions& options) const {
    return m_editor.SelLength() == find.size() &&
           MatchesAt(m_editor.Text(), find, m_editor.SelStart() + 1, options);
}

bool TKxScriptSearch::Replace(const QString& find, const QString& replace,
                              const TKxSearchOptions& options) {
    if (find.isEmpty())
        return false;
    int resume = m_editor.SelStart() + 1;
    if (SelectionMatches(find, options)) {
        const int at = resume;
        m_editor.ReplaceRangeText(m_editor.Selection(), replace);
        // The next search begins behind the inserted text: a replacement that contains the
        // find text is never replaced again.
        resume = at + static_cast<int>(replace.size());
        m_editor.Selection().Select(resume, 0);
    }
    TKxSearchOptions forward = options;
    forward.down = true;
    return SearchFrom(resume, find, forward);
}

int TKxScriptSearch::ReplaceAll(const QString& find, const QString& replace,
                                const TKxSearchOptions& options) {
    QString text = m_editor.Text();
    const int start = m_editor.SelStart() + 1;
    const int count = KxReplaceAllText(text, find, replace, start, options);
    if (count == 0)
        return 0;
    // One edit of the whole text: one undo step, and the colouring runs once.
    TMCRange whole(&m_editor);
    whole.SetRStart(1);
    whole.SetREnd(m_editor.TextLength());
    m_editor.ReplaceRangeText(whole, text);
    m_editor.Selection().Select(1, 0);
    return count;
}

} // namespace kx
