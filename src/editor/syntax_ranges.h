#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace kx {

// The classes of syntax range the tokeniser cuts the text into.
enum class TSyntaxRangeClass : std::uint8_t {
    NormalText,  // TNormalTextRange: plain text in the editor font
    CustomText,  // TCustomTextRange: a text run cut only when painted (SplitOnFly)
    WordList,    // TWordListRange: a word of a word list
    CustomStyle, // TCustomStyleRange: a comment, string or other styled span
    Symbol,      // TSymbolRange: a run of symbol characters
    Number,      // TNumberRange
    Parenthesis, // TParenthesisRange: one "(" or ")"
};

enum TParenthesisStyle : std::uint8_t { psOpening, psClosing };

// What the text of a custom style's span is, for logic that reads the script's structure
// (which ";" ends a statement). It is a property of the style rather than something guessed
// from its colour, so recolouring comments or strings never changes how a script is split.
enum class TSyntaxStyleKind : std::uint8_t {
    Other,   // any other styled span: separators inside it count as usual
    Comment, // text the data source never sees
    Quoted,  // a literal or quoted name: its text belongs to the statement, unread as SQL
};

// The class name of a range class ("TNormalTextRange", ...), for messages and tests.
QString KxSyntaxRangeClassName(TSyntaxRangeClass rangeClass);

// One range of the chain. A 5 MB script holds well over a million of them, so a range is
// 16 bytes in one vector instead of a heap object in the editor's range container: the
// container's per-object cost (virtual dispatch, two std::function members, allocation) put
// such a script near half a gigabyte and made every keystroke walk all of them.
struct TSyntaxToken {
    std::int32_t Start = 1;
    std::int32_t End = 0;
    std::int32_t Level = 0; // ParenthesisLevel
    TSyntaxRangeClass Class = TSyntaxRangeClass::NormalText;
    TParenthesisStyle Paren = psOpening;
    // Index of the word list (WordList) or custom style (CustomStyle).
    std::uint16_t Item = 0;

    int Length() const { return End - Start + 1; }
    // The level that follows this range.
    int LevelAfter() const {
        return Class == TSyntaxRangeClass::Parenthesis && Paren == psClosing ? Level - 1 : Level;
    }
    // The level this range takes after a predecessor whose LevelAfter is before.
    int LevelFrom(int before) const {
        return Class == TSyntaxRangeClass::Parenthesis && Paren == psOpening ? before + 1 : before;
    }
    // Whether a new range reproduces this one. A symbol's or number's text is the text of its
    // span, so with the same end the same start means the same text.
    bool EqualTo(const TSyntaxToken& other) const {
        if (Class != other.Class || End != other.End)
            return false;
        switch (Class) {
        case TSyntaxRangeClass::WordList:
        case TSyntaxRangeClass::CustomStyle:
            return Item == other.Item;
        case TSyntaxRangeClass::Symbol:
        case TSyntaxRangeClass::Number:
            return Start == other.Start;
        case TSyntaxRangeClass::Parenthesis:
            return Paren == other.Paren;
        default:
            return true;
        }
    }
};
static_assert(sizeof(TSyntaxToken) == 16);

// The syntax chain: ranges ordered by position, never overlapping. It follows edits with the
// same rules as the ranges of the editor's container, and a range an edit overwrites is freed.
class TSyntaxChain {
public:
    int Count() const { return static_cast<int>(m_tokens.size()); }
    bool IsEmpty() const { return m_tokens.empty(); }
    const TSyntaxToken& operator[](int index) const { return m_tokens[index]; }
    TSyntaxToken& operator[](int index) { return m_tokens[index]; }
    void Clear() {
        m_tokens.clear();
        m_tokens.shrink_to_fit();
    }

    // Index of the first range whose end is >= position (Count() if none).
    int FirstEndingAtOrAfter(int position) const;
    // Index of the first range whose start is > position (Count() if none).
    int FirstStartingAfter(int position) const;
    // Index of the range covering position, or -1.
    int IndexAt(int position) const;

    // Follows an edit that replaced a..b (b = a - 1 for an insertion) and changed the text
    // length by delta; ranges the edit left empty are freed.
    void AdjustToEdit(int a, int b, int delta);
    // Replaces the ranges [first, last) by the given ones in one move of the tail.
    void Splice(int first, int last, const std::vector<TSyntaxToken>& tokens);

    std::size_t CapacityBytes() const { return m_tokens.capacity() * sizeof(TSyntaxToken); }

private:
    std::vector<TSyntaxToken> m_tokens;
};

} // namespace kx
