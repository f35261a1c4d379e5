#pragma once

#include <QString>

namespace kx {

class TCustomEditor;

// How the script is searched: downwards or upwards, with or without case, and whether a match
// must be a whole word — bounded by SQL delimiters (",;() \t\n\r=<>!*+-") or the text's ends.
struct TKxSearchOptions {
    bool down = true;
    bool matchCase = false;
    bool wholeWord = false;
};

// The 1-based position of the first match of `find` in `text` from `start` (1-based) in the
// search direction, or 0. An empty `find` matches nothing; upwards the search never starts
// where the text is too short to hold `find`.
int KxSearchText(const QString& text, const QString& find, int start,
                 const TKxSearchOptions& options);

// Replaces every match from `start` on in one pass (each search resumes after the inserted
// text, so a replacement that contains `find` is not found again); answers how many.
int KxReplaceAllText(QString& text, const QString& find, const QString& replace, int start,
                     const TKxSearchOptions& options);

// Search and replace in the editor: matches are selected; replacing changes the editor
// through its one edit primitive, and Replace All is a single edit (one undo step).
class TKxScriptSearch {
public:
    explicit TKxScriptSearch(TCustomEditor& editor) : m_editor(editor) {}

    // From after the selection (down) or before it (up); selects the match.
    bool Find(const QString& find, const TKxSearchOptions& options);
    // Replaces the selected match (when the selection is one) and selects the next match
    // after the inserted text; false when there is no further match.
    bool Replace(const QString& find, const QString& replace, const TKxSearchOptions& options);
    // Every match from the selection on; answers how many.
    int ReplaceAll(const QString& find, const QString& replace, const TKxSearchOptions& options);

private:
    bool SelectionMatches(const QString& find, const TKxSearchOptions& options) const;
    bool SearchFrom(int start, const QString& find, const TKxSearchOptions& options);

    TCustomEditor& m_editor;
};

} // namespace kx
