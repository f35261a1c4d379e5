#include "editor/syntax_coloring.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace kx {

namespace {

constexpr QChar kCR{u'\r'};
constexpr QChar kLF{u'\n'};

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool IsHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return IsDigit(c) || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString StoredMarker(const QString& value) {
    return value == QStringLiteral("#13") ? QString(kCR) : value;
}

// The characters of a marker found at position (1-based) in text.
bool MarkerAt(const QString& text, int position, const QString& marker) {
    if (marker.isEmpty())
        return true;
    if (position < 1 || position - 1 + marker.size() > text.size())
        return false;
    return QStringView(text).mid(position - 1, marker.size()) == marker;
}

// Whether an end marker at position is escaped: preceded by an odd number of escape
// characters ("??/" counting as one backslash).
bool Escaped(const QString& text, int position, const QString& ignoreChar) {
    if (ignoreChar.isEmpty())
        return false;
    const QChar escape = ignoreChar.at(0);
    bool escaped = false;
    int q = position - 1;
    while (q >= 1) {
        if (text.at(q - 1) == escape) {
            escaped = !escaped;
            --q;
        } else if (escape == QLatin1Char('\\') && q >= 3 &&
                   QStringView(text).mid(q - 3, 3) == QStringLiteral("?\?/")) {
            escaped = !escaped;
            q -= 3;
        } else {
            break;
        }
    }
    return escaped;
}

} // namespace

bool KxIsSyntaxSymbolChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 33 && u <= 47 && u != 36) || (u >= 58 && u <= 64) || (u >= 91 && u <= 94) ||
           (u >= 123 && u <= 126);
}

bool KxIsSyntaxWordChar(QChar c) {
    const char16_t u = c.unicode();
    return u == u'$' || u == u'_' || (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') ||
           (u >= u'A' && u <= u'Z');
}

bool KxIsSyntaxTokenChar(QChar c) {
    const char16_t u = c.unicode();
    return KxIsSyntaxWordChar(c) || u == u'#' || u == u'+' || u == u'-' || u == u'.';
}

// ---------------------------------------------------------------- word lists and styles

void TSyntaxItem::Notify() {
    if (m_owner)
        m_owner->NotifyChanged();
}
void TSyntaxItem::SetCaption(const QString& value) {
    m_caption = value;
    Notify();
}
void TSyntaxItem::SetCustomColor(bool value) {
    m_customColor = value;
    Notify();
}
void TSyntaxItem::SetColor(TColor value) {
    m_color = value;
    Notify();
}
void TSyntaxItem::SetCustomStyle(bool value) {
    m_customStyle = value;
    Notify();
}
void TSyntaxItem::SetStyle(TFontStyles value) {
    m_style = value;
    Notify();
}
void TSyntaxItem::AssignItem(const TSyntaxItem& source) {
    m_caption = source.m_caption;
    m_customColor = source.m_customColor;
    m_color = source.m_color;
    m_customStyle = source.m_customStyle;
    m_style = source.m_style;
    m_font = source.m_font;
}

void TWordList::SetCaseSensitive(bool value) {
    m_caseSensitive = value;
    Notify();
}
void TWordList::SetWords(const QStringList& value) {
    m_words = value;
    std::stable_sort(m_words.begin(), m_words.end(), [](const QString& x, const QString& y) {
        return QString::compare(x, y, Qt::CaseInsensitive) < 0;
    });
    Notify();
}
void TWordList::AddWord(const QString& word) {
    const auto it = std::upper_bound(m_words.begin(), m_words.end(), word,
                                     [](const QString& x, const QString& y) {
                                         return QString::compare(x, y, Qt::CaseInsensitive) < 0;
                                     });
    m_words.insert(it, word);
    Notify();
}

bool TWordList::Contains(QStringView word) const {
    const auto it = std::lower_bound(
        m_words.begin(), m_words.end(), word, [](const QString& entry, QStringView w) {
            return QStringView(entry).compare(w, Qt::CaseInsensitive) < 0;
        });
    if (it == m_words.end())
        return false;
    if (m_caseSensitive)
        return QStringView(*it) == word;
    if (QStringView(*it).compare(word, Qt::CaseInsensitive) == 0)
        return true;
    // Case folding and upper-casing differ only outside ASCII ("ß" and "SS"); the tokeniser's
    // words are ASCII, so only other callers pay for the second comparison.
    const bool ascii =
        std::all_of(word.begin(), word.end(), [](QChar c) { return c.unicode() < 128; });
    return !ascii && it->toUpper() == word.toString().toUpper();
}

void TWordList::Assign(const TWordList& source) {
    AssignItem(source);
    m_caseSensitive = source.m_caseSensitive;
    m_words = source.m_words;
    Notify();
}

void TCustomStyle::SetBeginText(const QString& value) {
    m_beginText = StoredMarker(value);
    Notify();
}
void TCustomStyle::SetEndText(const QString& value) {
    m_endText = StoredMarker(value);
    Notify();
}
void TCustomStyle::SetIgnoreChar(const QString& value) {
    m_ignoreChar = value.left(1);
    Notify();
}
void TCustomStyle::SetSwitchable(bool value) {
    m_switchable = value;
    Notify();
}
void TCustomStyle::SetLineStartOnly(bool value) {
    m_lineStartOnly = value;
    Notify();
}
void TCustomStyle::SetIgnoreLeadingBlanks(bool value) {
    m_ignoreLeadingBlanks = value;
    Notify();
}

void TCustomStyle::SetKind(TSyntaxStyleKind value) {
    m_kind = value;
    Notify();
}

void TCustomStyle::Assign(const TCustomStyle& source) {
    AssignItem(source);
    m_kind = source.m_kind;
    m_beginText = source.m_beginText;
    m_endText = source.m_endText;
    m_ignoreChar = source.m_ignoreChar;
    m_switchable = source.m_switchable;
    m_lineStartOnly = source.m_lineStartOnly;
    m_ignoreLeadingBlanks = source.m_ignoreLeadingBlanks;
    Notify();
}

int TWordLists::FindWordList(QStringView word) const {
    for (int i = 0; i < Count(); ++i)
        if (m_items[i]->Contains(word))
            return i;
    return -1;
}

int TCustomStyles::FindStyleAt(QStringView text) const {
    for (int i = 0; i < Count(); ++i) {
        const QString& begin = m_items[i]->BeginText();
        // An empty marker would start a style everywhere; a marker longer than what is
        // compared never matches.
        if (!begin.isEmpty() && begin.size() <= text.size() && text.front() == begin.front() &&
            text.startsWith(begin))
            return i;
    }
    return -1;
}

int TCustomStyles::StyleBeginningAt(const QString& text, int position) const {
    const int found = FindStyleAt(QStringView(text).mid(position - 1, kBeginLookahead));
    if (found < 0)
        return -1;
    const TCustomStyle& style = Items(found);
    if (style.LineStartOnly() && position >= 2 && text.at(position - 2) != kCR &&
        text.at(position - 2) != kLF) {
        bool blanksOnly = style.IgnoreLeadingBlanks();
        for (int q = position - 1; blanksOnly && q >= 1; --q) {
            const QChar c = text.at(q - 1);
            if (c == kCR || c == kLF)
                break;
            blanksOnly = IsBlank(c);
        }
        if (!blanksOnly)
            return -1;
    }
    return found;
}

int TCustomStyles::StyleSpanEnd(const QString& text, int position, int index) const {
    const TCustomStyle& style = Items(index);
    const QString& endText = style.EndText();
    const int length = static_cast<int>(text.size());
    const int beginEnd = position + static_cast<int>(style.BeginText().size()) - 1;
    int from = beginEnd + 1;
    while (from <= length + 1) {
        const qsizetype at = endText.isEmpty() ? from - 1 : text.indexOf(endText, from - 1);
        if (at < 0)
            break;
        const int marker = static_cast<int>(at) + 1;
        if (Escaped(text, marker, style.IgnoreChar())) {
            from = marker + std::max<int>(1, static_cast<int>(endText.size()));
            continue;
        }
        int spanEnd = marker + static_cast<int>(endText.size()) - 1;
        if (endText == QString(kCR))
            ++spanEnd; // the LF of the line break
        return std::max(spanEnd, beginEnd);
    }
    return -1;
}

// ---------------------------------------------------------------- properties

TSyntaxColoringProperties::TSyntaxColoringProperties() = default;

#define KX_SETTER(Name, Type, member)                                                              \
    void TSyntaxColoringProperties::Set##Name(Type value) {                                        \
        member = value;                                                                            \
        NotifyChanged();                                                                           \
    }
KX_SETTER(Enabled, bool, m_enabled)
KX_SETTER(SymbolColor, TColor, m_symbolColor)
KX_SETTER(SymbolStyle, TFontStyles, m_symbolStyle)
KX_SETTER(SymbolCustomStyle, bool, m_symbolCustomStyle)
KX_SETTER(NumberColor, TColor, m_numberColor)
KX_SETTER(NumberStyle, TFontStyles, m_numberStyle)
KX_SETTER(NumberCustomStyle, bool, m_numberCustomStyle)
KX_SETTER(ParenthesisColors, const QStringList&, m_parenthesisColors)
KX_SETTER(ParenthesisStyle, TFontStyles, m_parenthesisStyle)
KX_SETTER(ParenthesisCustomStyle, bool, m_parenthesisCustomStyle)
#undef KX_SETTER

TColor TSyntaxColoringProperties::ParenthesisColor(int levelIndex) const {
    if (m_parenthesisColors.isEmpty() || levelIndex < 0)
        return clWindowText;
    const QString entry = m_parenthesisColors.at(levelIndex % m_parenthesisColors.size()).trimmed();
    bool ok = false;
    qint64 value = 0;
    if (entry.startsWith(QLatin1Char('$')))
        value = entry.mid(1).toLongLong(&ok, 16);
    else
        value = entry.toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<std::int32_t>::min() || value > 0xFFFFFFFFLL)
        return clWindowText;
    return static_cast<TColor>(static_cast<std::uint32_t>(value));
}

void TSyntaxColoringProperties::Assign(const TSyntaxColoringProperties& source) {
    if (&source == this)
        return;
    Lock();
    m_enabled = source.m_enabled;
    m_symbolColor = source.m_symbolColor;
    m_symbolStyle = source.m_symbolStyle;
    m_symbolCustomStyle = source.m_symbolCustomStyle;
    m_numberColor = source.m_numberColor;
    m_numberStyle = source.m_numberStyle;
    m_numberCustomStyle = source.m_numberCustomStyle;
    m_wordLists.Assign(source.m_wordLists);
    m_customStyles.Assign(source.m_customStyles);
    m_parenthesisColors = source.m_parenthesisColors;
    m_parenthesisStyle = source.m_parenthesisStyle;
    m_parenthesisCustomStyle = source.m_parenthesisCustomStyle;
    Unlock();
    NotifyChanged();
}

// ---------------------------------------------------------------- the colouring

TSyntaxColoring::TSyntaxColoring(TCustomEditor& editor) : m_editor(editor) {
    BuildFonts();
}

TSyntaxColoring::~TSyntaxColoring() {
    Lock();
}

void TSyntaxColoring::SetEditorFont(const TEditorFont& value) {
    m_editorFont = value;
    NotifyChanged();
}

void TSyntaxColoring::SetSplitOnFly(bool value) {
    m_splitOnFly = value;
    Recolor();
}

void TSyntaxColoring::BuildFonts() {
    const auto copy = [this](TColor color, bool custom, TFontStyles style) {
        TEditorFont font = m_editorFont;
        font.Color = color;
        if (custom)
            font.Style = style;
        return font;
    };
    m_symbolFont = copy(SymbolColor(), SymbolCustomStyle(), SymbolStyle());
    m_numberFont = copy(NumberColor(), NumberCustomStyle(), NumberStyle());
    m_parenthesisFont = copy(ParenthesisColor(0), ParenthesisCustomStyle(), ParenthesisStyle());
    m_parenthesisColorCache.clear();
    for (int i = 0; i < ParenthesisColors().size(); ++i)
        m_parenthesisColorCache.push_back(ParenthesisColor(i));
    for (int i = 0; i < WordLists().Count(); ++i) {
        TWordList& list = WordLists().Items(i);
        TEditorFont font = m_editorFont;
        if (list.CustomColor())
            font.Color = list.Color();
        if (list.CustomStyle())
            font.Style = list.Style();
        list.SetFont(font);
    }
    for (int i = 0; i < CustomStyles().Count(); ++i) {
        TCustomStyle& style = CustomStyles().Items(i);
        TEditorFont font = m_editorFont;
        if (style.CustomColor())
            font.Color = style.Color();
        if (style.CustomStyle())
            font.Style = style.Style();
        style.SetFont(font);
    }
}

void TSyntaxColoring::Changed() {
    if (Locked())
        return;
    BuildFonts();
    Recolor();
}

TEditorFont TSyntaxColoring::RangeFont(const TSyntaxToken& token) const {
    if (!Enabled())
        return m_editorFont;
    switch (token.Class) {
    case TSyntaxRangeClass::WordList:
        return token.Item < WordLists().Count() ? WordLists().Items(token.Item).Font()
                                                : m_editorFont;
    case TSyntaxRangeClass::CustomStyle:
        return token.Item < CustomStyles().Count() ? CustomStyles().Items(token.Item).Font()
                                                   : m_editorFont;
    case TSyntaxRangeClass::Symbol:
        return m_symbolFont;
    case TSyntaxRangeClass::Number:
        return m_numberFont;
    case TSyntaxRangeClass::Parenthesis: {
        TEditorFont font = m_parenthesisFont;
        const int index = token.Level - 1;
        font.Color = m_parenthesisColorCache.empty() || index < 0
                         ? clWindowText
                         : m_parenthesisColorCache[index % m_parenthesisColorCache.size()];
        return font;
    }
    default:
        return m_editorFont;
    }
}

const TSyntaxToken* TSyntaxColoring::RangeAt(int position) const {
    const int index = m_chain.IndexAt(position);
    return index < 0 ? nullptr : &m_chain[index];
}

QString TSyntaxColoring::RangeText(const TSyntaxToken& token) const {
    return m_editor.Text().mid(token.Start - 1, std::max(0, token.Length()));
}

bool TSyntaxColoring::InCustomStyle(int position, const QString& caption) const {
    const TSyntaxToken* token = RangeAt(position);
    return token && token->Class == TSyntaxRangeClass::CustomStyle &&
           token->Item < CustomStyles().Count() &&
           CustomStyles().Items(token->Item).Caption() == caption;
}

TSyntaxStyleKind TSyntaxColoring::StyleKind(const TSyntaxToken& token) const {
    if (token.Class != TSyntaxRangeClass::CustomStyle || token.Item >= CustomStyles().Count())
        return TSyntaxStyleKind::Other;
    return CustomStyles().Items(token.Item).Kind();
}

TSyntaxStyleKind TSyntaxColoring::StyleKindAt(int position) const {
    const TSyntaxToken* token = RangeAt(position);
    return token ? StyleKind(*token) : TSyntaxStyleKind::Other;
}

void TSyntaxColoring::Recolor() {
    if (Locked())
        return;
    if (m_editor.TextLength() == 0) {
        m_chain.Clear();
        return;
    }
    m_chain.Clear();
    int start = 1;
    int end = m_editor.TextLength();
    Tokenize(start, end);
    m_touched = -1;
    UpdateLevels(0, end, false);
    if (OnRepaint)
        OnRepaint(1, m_editor.TextLength());
}

void TSyntaxColoring::TextReplaced(int position, int oldLength, int newLength) {
    m_chain.AdjustToEdit(position, position + oldLength - 1, newLength - oldLength);
    m_regionStart = position;
    m_regionEnd = position + newLength - 1;
    m_touched = -1;
    Tokenize(m_regionStart, m_regionEnd);
}

void TSyntaxColoring::AfterRepaint() {
    if (m_touched < 0)
        return;
    UpdateLevels(m_touched, m_regionEnd, true);
    m_touched = -1;
    if (OnRepaint)
        OnRepaint(m_regionStart, m_regionEnd);
}

void TSyntaxColoring::UpdateLevels(int first, int regionEnd, bool repaint) {
    const int count = m_chain.Count();
    int before = first > 0 ? m_chain[first - 1].LevelAfter() : 0;
    for (int i = first; i < count; ++i) {
        TSyntaxToken& token = m_chain[i];
        const int level = token.LevelFrom(before);
        if (level != token.Level) {
            token.Level = level;
            if (repaint && token.Class == TSyntaxRangeClass::Parenthesis && token.End > regionEnd &&
                OnRepaint)
                OnRepaint(token.Start, token.End);
        } else if (token.Start > regionEnd && repaint) {
            // An old range that kept its level: every later level follows from it and so is
            // unchanged too.
            break;
        }
        before = token.LevelAfter();
    }
}

void TSyntaxColoring::CutText(int start, int end, bool symbols,
                              const std::function<void(const TSyntaxToken&)>& emit) const {
    const QString& text = m_editor.Text();
    if (symbols) {
        // A range made with SplitOnFly holds symbols too: first split it into symbol and text
        // runs by the tokeniser's rules, then cut the text runs.
        int runStart = start;
        bool runSymbol = false;
        int wordMark = start;
        const auto flush = [&](int upTo) {
            if (upTo < runStart)
                return;
            if (runSymbol) {
                TSyntaxToken token;
                token.Start = runStart;
                token.End = upTo;
                token.Class = TSyntaxRangeClass::Symbol;
                emit(token);
            } else {
                CutText(runStart, upTo, false, emit);
            }
        };
        for (int q = start; q <= end; ++q) {
            const QChar c = text.at(q - 1);
            bool symbol = KxIsSyntaxSymbolChar(c);
            if (c == QLatin1Char('.')) {
                symbol = !((!runSymbol && IsDigit(text.at(wordMark - 1))) ||
                           (q < text.size() && IsDigit(text.at(q))));
            } else if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && q >= 3) {
                const QChar e = text.at(q - 2);
                const QChar before = text.at(q - 3);
                if ((e == QLatin1Char('E') || e == QLatin1Char('e') || e == QLatin1Char('P') ||
                     e == QLatin1Char('p')) &&
                    (IsDigit(before) || before == QLatin1Char('#') || before == QLatin1Char('.')))
                    symbol = runSymbol;
            }
            if (symbol != runSymbol) {
                flush(q - 1);
                runStart = q;
                runSymbol = symbol;
                wordMark = q;
            }
            if (!symbol && !KxIsSyntaxWordChar(c) && !KxIsSyntaxSymbolChar(c))
                wordMark = q;
        }
        flush(end);
        return;
    }
    int plain = start; // first character not yet emitted
    const auto flushPlain = [&](int upTo) {
        if (upTo >= plain) {
            TSyntaxToken token;
            token.Start = plain;
            token.End = upTo;
            emit(token);
        }
    };
    int q = start;
    while (q <= end) {
        const QChar c = text.at(q - 1);
        if (KxIsSyntaxTokenChar(c)) {
            int t = q;
            while (t < end && KxIsSyntaxTokenChar(text.at(t)))
                ++t;
            const QStringView word = QStringView(text).mid(q - 1, t - q + 1);
            TSyntaxToken token;
            token.Start = q;
            token.End = t;
            bool special = true;
            const QChar first = word.at(0);
            if (IsDigit(first) || first == QLatin1Char('#') || first == QLatin1Char('.') ||
                (first == QLatin1Char('$') && word.size() > 1 &&
                 std::all_of(word.begin() + 1, word.end(), IsHexDigit))) {
                token.Class = TSyntaxRangeClass::Number;
            } else if (const int list = WordLists().FindWordList(word); list >= 0) {
                token.Class = TSyntaxRangeClass::WordList;
                token.Item = static_cast<std::uint16_t>(list);
            } else {
                special = false;
            }
            if (special) {
                flushPlain(q - 1);
                emit(token);
                plain = t + 1;
            }
            q = t + 1;
        } else {
            ++q;
        }
    }
    flushPlain(end);
}

void TSyntaxColoring::ColoredPieces(int start, int end, std::vector<TColoredPiece>& pieces) const {
    int at = start;
    const auto push = [&](int s, int e, const TEditorFont& font) {
        s = std::max(s, start);
        e = std::min(e, end);
        if (s > e)
            return;
        if (s > at)
            pieces.push_back({at, s - 1, m_editorFont});
        pieces.push_back({s, e, font});
        at = e + 1;
    };
    if (Enabled()) {
        for (int i = m_chain.FirstEndingAtOrAfter(start);
             i < m_chain.Count() && m_chain[i].Start <= end; ++i) {
            const TSyntaxToken& token = m_chain[i];
            if (token.Class == TSyntaxRangeClass::CustomText) {
                CutText(token.Start, token.End, true, [&](const TSyntaxToken& piece) {
                    push(piece.Start, piece.End, RangeFont(piece));
                });
            } else {
                push(token.Start, token.End, RangeFont(token));
            }
        }
    }
    if (at <= end)
        pieces.push_back({at, end, m_editorFont});
}

// ---------------------------------------------------------------- the tokeniser

namespace {

enum class TRunKind { Text, Symbol, Parenthesis, Style };

} // namespace

int TSyntaxColoring::ResumeWordMark(int position, int resume) const {
    // Tokenising from the start would reach position inside the text run that the plain
    // ranges before it were cut from, with the word mark on the last character that was
    // neither a word nor a symbol character; "." depends on it, so resuming must find the
    // same mark, or an edit would colour "1.5." differently from loading the same text.
    const QString& text = m_editor.Text();
    int index = resume - 1;
    for (int q = position - 1; q >= 1; --q) {
        while (index >= 0 && m_chain[index].Start > q)
            --index;
        if (index < 0 || m_chain[index].End < q)
            return q + 1;
        const TSyntaxRangeClass rangeClass = m_chain[index].Class;
        if (rangeClass != TSyntaxRangeClass::NormalText &&
            rangeClass != TSyntaxRangeClass::Number && rangeClass != TSyntaxRangeClass::WordList &&
            rangeClass != TSyntaxRangeClass::CustomText)
            return q + 1;
        const QChar c = text.at(q - 1);
        if (!KxIsSyntaxWordChar(c) && !KxIsSyntaxSymbolChar(c))
            return q;
    }
    return 1;
}

void TSyntaxColoring::Tokenize(int& regionStart, int& regionEnd) {
    if (Locked())
        return;
    const QString& text = m_editor.Text();
    const int length = static_cast<int>(text.size());
    if (!Enabled() || length == 0) {
        m_chain.Clear();
        m_touched = -1;
        return;
    }
    Lock();

    // Resume where the chain meets the region; a switchable style is resumed from its start,
    // since its end depends on what came before.
    int resume = m_chain.FirstEndingAtOrAfter(regionStart - 1);
    if (resume > 0 && resume <= m_chain.Count()) {
        const TSyntaxToken& previous = m_chain[resume - 1];
        if (previous.Class == TSyntaxRangeClass::CustomStyle &&
            previous.Item < CustomStyles().Count() &&
            CustomStyles().Items(previous.Item).Switchable())
            --resume;
    }
    // A symbol or text range right before the resume point would have continued into it when
    // the text was tokenised from the start ("-" before a comment whose "/*" loses its "*"
    // becomes part of "-/"), so it is tokenised again too.
    if (resume > 0 && resume < m_chain.Count()) {
        const TSyntaxToken& previous = m_chain[resume - 1];
        if (previous.End == m_chain[resume].Start - 1 &&
            previous.Class != TSyntaxRangeClass::CustomStyle &&
            previous.Class != TSyntaxRangeClass::Parenthesis) {
            --resume;
            // Plain text pieces are cut as long as they can be: if the resumed piece turns
            // plain ("$1F1" becoming "$1F1.5e-3" once a line break goes), it joins the plain
            // piece before it, so that one is cut again as well. The piece before a plain one
            // is never plain, so one more step is enough.
            if (resume > 0 && m_chain[resume - 1].Class == TSyntaxRangeClass::NormalText &&
                m_chain[resume - 1].End == m_chain[resume].Start - 1)
                --resume;
        }
    }
    if (resume < m_chain.Count()) {
        if (m_chain[resume].Start < regionStart)
            regionStart = m_chain[resume].Start;
    } else {
        regionStart = 1;
        resume = m_chain.FirstEndingAtOrAfter(0);
    }

    // New ranges collect here; the old ones they replace are skipped by index and removed in
    // one splice at the end, so re-tokenising a region costs one move of the chain's tail.
    std::vector<TSyntaxToken> fresh;
    int old = resume;
    const auto insertIntoChain = [&](const TSyntaxToken& token) {
        bool equal = false;
        while (old < m_chain.Count() && m_chain[old].Start <= token.End) {
            equal = m_chain[old].EqualTo(token);
            ++old;
        }
        fresh.push_back(token);
        return equal;
    };

    int p = regionStart;
    int runStart = p;
    int runLength = 0;
    TRunKind runKind = TRunKind::Text;
    int runStyle = -1;
    int wordMark = ResumeWordMark(p, resume);
    bool matched = false;
    bool insideStyle = false;
    const bool splitOnFly = m_splitOnFly;

    const auto emitRun = [&]() {
        if (runLength <= 0)
            return;
        const int runEnd = runStart + runLength - 1;
        TSyntaxToken token;
        token.Start = runStart;
        token.End = runEnd;
        switch (runKind) {
        case TRunKind::Symbol:
            token.Class = TSyntaxRangeClass::Symbol;
            matched = insertIntoChain(token);
            break;
        case TRunKind::Parenthesis:
            token.Class = TSyntaxRangeClass::Parenthesis;
            token.Paren = text.at(runStart - 1) == QLatin1Char(')') ? psClosing : psOpening;
            matched = insertIntoChain(token);
            break;
        case TRunKind::Style:
            token.Class = TSyntaxRangeClass::CustomStyle;
            token.Item = static_cast<std::uint16_t>(runStyle);
            matched = insertIntoChain(token);
            break;
        case TRunKind::Text:
            if (splitOnFly) {
                token.Class = TSyntaxRangeClass::CustomText;
                matched = insertIntoChain(token);
            } else {
                CutText(runStart, runEnd, false,
                        [&](const TSyntaxToken& piece) { matched = insertIntoChain(piece); });
            }
            break;
        }
    };
    const auto switchRun = [&](TRunKind kind, int style) {
        if (splitOnFly && kind == TRunKind::Symbol) {
            kind = TRunKind::Text;
            if (runKind == TRunKind::Text && runLength > 128) {
                emitRun();
                runStart = p;
                runLength = 0;
                wordMark = p;
                return;
            }
        }
        if (kind == runKind && (kind == TRunKind::Text || kind == TRunKind::Symbol))
            return;
        emitRun();
        runStart = p;
        runLength = 0;
        runKind = kind;
        runStyle = style;
        wordMark = p;
    };
    const auto currentStyle = [&]() -> const TCustomStyle* {
        return runKind == TRunKind::Style ? &CustomStyles().Items(runStyle) : nullptr;
    };

    // The characters the styles' begin markers start with. At any other character no style
    // begins, and the search through every style's marker is skipped: it ran for each
    // character of the region. The styles cannot change while the chain is locked.
    std::uint64_t beginsAscii[2] = {0, 0};
    bool beginsBeyondAscii = false;
    for (int i = 0; i < CustomStyles().Count(); ++i) {
        const QString& begin = CustomStyles().Items(i).BeginText();
        if (begin.isEmpty())
            continue;
        const char16_t c = begin.front().unicode();
        if (c < 128)
            beginsAscii[c / 64] |= std::uint64_t(1) << (c % 64);
        else
            beginsBeyondAscii = true;
    }
    const auto mayBeginStyle = [&](QChar c) {
        const char16_t u = c.unicode();
        return u < 128 ? (beginsAscii[u / 64] >> (u % 64) & 1) != 0 : beginsBeyondAscii;
    };

    bool stopped = false;
    while (p <= length) {
        if (p > regionEnd + 2 && matched && !insideStyle) {
            stopped = true;
            break;
        }
        matched = false;
        int found = mayBeginStyle(text.at(p - 1)) ? CustomStyles().StyleBeginningAt(text, p) : -1;
        const TCustomStyle* current = currentStyle();
        if (found >= 0 && current) {
            const TCustomStyle& style = CustomStyles().Items(found);
            if ((&style == current && current->Switchable()) ||
                style.EndText() != current->EndText())
                found = -1;
        }
        insideStyle = current && current->Switchable() && found < 0;
        if (insideStyle && MarkerAt(text, p, current->EndText()))
            insideStyle = Escaped(text, p, current->IgnoreChar());

        if (insideStyle) {
            // the character belongs to the style run
        } else if (found >= 0) {
            const TCustomStyle& style = CustomStyles().Items(found);
            switchRun(TRunKind::Style, found);
            if (!style.Switchable()) {
                const int spanEnd = CustomStyles().StyleSpanEnd(text, p, found);
                const int runEnd = spanEnd < 0 ? length : std::min(spanEnd, length);
                runLength = runEnd - p + 1;
                p = runEnd + 1;
                switchRun(TRunKind::Text, -1);
                continue;
            }
            insideStyle = true;
        } else if (current && current->Switchable()) {
            const int marker = current->EndText() == QString(kCR)
                                   ? 2
                                   : static_cast<int>(current->EndText().size());
            const int add = std::min(marker, length - p + 1);
            runLength += add;
            p += add;
            switchRun(TRunKind::Text, -1);
            continue;
        } else {
            const QChar c = text.at(p - 1);
            if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
                // Every parenthesis is a run of its own: switching from a parenthesis run to
                // another one emits the first.
                switchRun(TRunKind::Parenthesis, -1);
            } else if (c == QLatin1Char('.')) {
                const bool number = (runKind == TRunKind::Text && IsDigit(text.at(wordMark - 1))) ||
                                    (p < length && IsDigit(text.at(p)));
                switchRun(number ? TRunKind::Text : TRunKind::Symbol, -1);
            } else if (c == QLatin1Char('+') || c == QLatin1Char('-')) {
                bool exponent = false;
                if (p >= 3) {
                    const QChar e = text.at(p - 2);
                    const QChar before = text.at(p - 3);
                    exponent = (e == QLatin1Char('E') || e == QLatin1Char('e') ||
                                e == QLatin1Char('P') || e == QLatin1Char('p')) &&
                               (IsDigit(before) || before == QLatin1Char('#') ||
                                before == QLatin1Char('.'));
                }
                if (!exponent)
                    switchRun(TRunKind::Symbol, -1);
            } else if (KxIsSyntaxSymbolChar(c)) {
                switchRun(TRunKind::Symbol, -1);
            } else {
                switchRun(TRunKind::Text, -1);
                if (!KxIsSyntaxWordChar(c))
                    wordMark = p;
            }
        }
        ++runLength;
        ++p;
    }
    regionEnd = p - 1;
    if (!stopped)
        emitRun();

    m_chain.Splice(resume, old, fresh);
    m_touched = resume;
    Unlock();
}

} // namespace kx
