#pragma once

#include "editor/custom_editor.h"
#include "editor/editor_types.h"
#include "editor/syntax_ranges.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <memory>
#include <vector>

namespace kx {

class TSyntaxColoringProperties;

// "No colour of its own": a set-up entry with this colour keeps the item's default.
inline constexpr TColor clDefault = 0x20000000;

// --- character classes of the tokeniser (ASCII only; every other character is plain text)
bool KxIsSyntaxSymbolChar(QChar c);
bool KxIsSyntaxWordChar(QChar c);
bool KxIsSyntaxTokenChar(QChar c);

// What word lists and custom styles share: a caption and the colour and font style they
// paint with. Every setter tells the owning colouring, which recolours.
class TSyntaxItem {
public:
    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& value);
    bool CustomColor() const { return m_customColor; }
    void SetCustomColor(bool value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    bool CustomStyle() const { return m_customStyle; }
    void SetCustomStyle(bool value);
    TFontStyles Style() const { return m_style; }
    void SetStyle(TFontStyles value);

    // The font built by the colouring's last Changed.
    const TEditorFont& Font() const { return m_font; }
    void SetFont(const TEditorFont& value) { m_font = value; }

protected:
    explicit TSyntaxItem(TColor defaultColor) : m_color(defaultColor) {}
    ~TSyntaxItem() = default;
    void Notify();
    // Copies the shared values (not the owner) without telling anybody.
    void AssignItem(const TSyntaxItem& source);

private:
    template <class> friend class TSyntaxItemCollection;

    TSyntaxColoringProperties* m_owner = nullptr;
    QString m_caption;
    bool m_customColor = true;
    TColor m_color;
    bool m_customStyle = false;
    TFontStyles m_style = 0;
    TEditorFont m_font;
};

// A configured list of words painted in a font of their own (keywords, functions, types).
class TWordList : public TSyntaxItem {
public:
    TWordList() : TSyntaxItem(clBlue) {}
    bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool value);
    // Kept sorted without regard to case; duplicates are kept.
    const QStringList& Words() const { return m_words; }
    void SetWords(const QStringList& value);
    void AddWord(const QString& word);
    bool Contains(QStringView word) const;

    // Copies the published values (not the owner).
    void Assign(const TWordList& source);

private:
    bool m_caseSensitive = false;
    QStringList m_words;
};

// A span from a begin text to an end text: comments, strings, directives.
class TCustomStyle : public TSyntaxItem {
public:
    TCustomStyle() : TSyntaxItem(clMaroon) {}
    // "#13" is stored as a single CR, the line-break marker.
    const QString& BeginText() const { return m_beginText; }
    void SetBeginText(const QString& value);
    const QString& EndText() const { return m_endText; }
    void SetEndText(const QString& value);
    // The escape character, empty for none; only its first character is kept.
    const QString& IgnoreChar() const { return m_ignoreChar; }
    void SetIgnoreChar(const QString& value);
    bool Switchable() const { return m_switchable; }
    void SetSwitchable(bool value);
    bool LineStartOnly() const { return m_lineStartOnly; }
    void SetLineStartOnly(bool value);
    bool IgnoreLeadingBlanks() const { return m_ignoreLeadingBlanks; }
    void SetIgnoreLeadingBlanks(bool value);
    // Comment, quoted text or neither; styles are neither until a set-up says otherwise.
    TSyntaxStyleKind Kind() const { return m_kind; }
    void SetKind(TSyntaxStyleKind value);

    void Assign(const TCustomStyle& source);

private:
    QString m_beginText;
    QString m_endText;
    QString m_ignoreChar;
    bool m_switchable = false;
    bool m_lineStartOnly = false;
    bool m_ignoreLeadingBlanks = false;
    TSyntaxStyleKind m_kind = TSyntaxStyleKind::Other;
};

// An ordered collection of word lists or custom styles; adding or removing one recolours.
template <class T> class TSyntaxItemCollection {
public:
    explicit TSyntaxItemCollection(TSyntaxColoringProperties* owner) : m_owner(owner) {}
    int Count() const { return static_cast<int>(m_items.size()); }
    T& Items(int index) { return *m_items.at(index); }
    const T& Items(int index) const { return *m_items.at(index); }
    T& Add();
    void Delete(int index);
    void Clear();
    void Assign(const TSyntaxItemCollection& source);

protected:
    TSyntaxColoringProperties* m_owner;
    std::vector<std::unique_ptr<T>> m_items;
};

class TWordLists : public TSyntaxItemCollection<TWordList> {
public:
    using TSyntaxItemCollection::TSyntaxItemCollection;
    // Index of the first list, in order, that contains the word; -1 for none.
    int FindWordList(QStringView word) const;
};

class TCustomStyles : public TSyntaxItemCollection<TCustomStyle> {
public:
    using TSyntaxItemCollection::TSyntaxItemCollection;
    // Index of the first style, in order, whose BeginText starts text; -1 for none.
    int FindStyleAt(QStringView text) const;

    // How the tokeniser finds the spans of the styles, for whoever must tell comments and
    // quoted text exactly as the colouring does without colouring (a batch run reading its
    // script a piece at a time). Positions are 1-based.
    //
    // The characters a begin marker is looked for in: a longer marker never matches.
    static constexpr int kBeginLookahead = 20;
    // Index of the style whose span begins at `position` outside any span: the first whose
    // begin marker stands there; -1 for none, or when that style must begin its line and
    // something other than blanks it may ignore comes before it on the line.
    int StyleBeginningAt(const QString& text, int position) const;
    // The last position of the span of the style `index` (one that does not switch) begun at
    // `position`: its first end marker that is not escaped (a CR marker takes the LF after it
    // too); -1 when the text ends first. Can lie past the end of the text.
    int StyleSpanEnd(const QString& text, int position, int index) const;
};

// The twelve published properties of a colouring. Every change calls Changed, unless a lock
// is held (Assign holds one while it copies and calls Changed once at the end).
class TSyntaxColoringProperties {
public:
    TSyntaxColoringProperties();
    TSyntaxColoringProperties(const TSyntaxColoringProperties&) = delete;
    TSyntaxColoringProperties& operator=(const TSyntaxColoringProperties&) = delete;
    virtual ~TSyntaxColoringProperties() = default;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    TColor SymbolColor() const { return m_symbolColor; }
    void SetSymbolColor(TColor value);
    TFontStyles SymbolStyle() const { return m_symbolStyle; }
    void SetSymbolStyle(TFontStyles value);
    bool SymbolCustomStyle() const { return m_symbolCustomStyle; }
    void SetSymbolCustomStyle(bool value);
    TColor NumberColor() const { return m_numberColor; }
    void SetNumberColor(TColor value);
    TFontStyles NumberStyle() const { return m_numberStyle; }
    void SetNumberStyle(TFontStyles value);
    bool NumberCustomStyle() const { return m_numberCustomStyle; }
    void SetNumberCustomStyle(bool value);
    TWordLists& WordLists() { return m_wordLists; }
    const TWordLists& WordLists() const { return m_wordLists; }
    TCustomStyles& CustomStyles() { return m_customStyles; }
    const TCustomStyles& CustomStyles() const { return m_customStyles; }
    const QStringList& ParenthesisColors() const { return m_parenthesisColors; }
    void SetParenthesisColors(const QStringList& value);
    TFontStyles ParenthesisStyle() const { return m_parenthesisStyle; }
    void SetParenthesisStyle(TFontStyles value);
    bool ParenthesisCustomStyle() const { return m_parenthesisCustomStyle; }
    void SetParenthesisCustomStyle(bool value);

    // The colour of a parenthesis level index (level - 1): entry index mod count, "$" for
    // hexadecimal; clWindowText for an empty list, a negative index or an entry that is not
    // a colour.
    TColor ParenthesisColor(int levelIndex) const;

    void Assign(const TSyntaxColoringProperties& source);

    void Lock() { ++m_lock; }
    void Unlock() { --m_lock; }
    bool Locked() const { return m_lock > 0; }
    // Something was changed; does nothing while locked.
    void NotifyChanged() {
        if (!Locked())
            Changed();
    }

protected:
    virtual void Changed() {}

private:
    bool m_enabled = true;
    TColor m_symbolColor = clOlive;
    TFontStyles m_symbolStyle = 0;
    bool m_symbolCustomStyle = false;
    TColor m_numberColor = clGreen;
    TFontStyles m_numberStyle = 0;
    bool m_numberCustomStyle = false;
    TWordLists m_wordLists{this};
    TCustomStyles m_customStyles{this};
    QStringList m_parenthesisColors{QStringLiteral("$000000")};
    TFontStyles m_parenthesisStyle = 0;
    bool m_parenthesisCustomStyle = false;
    int m_lock = 0;
};

template <class T> T& TSyntaxItemCollection<T>::Add() {
    m_items.push_back(std::make_unique<T>());
    m_items.back()->m_owner = m_owner;
    m_owner->NotifyChanged();
    return *m_items.back();
}

template <class T> void TSyntaxItemCollection<T>::Delete(int index) {
    m_items.erase(m_items.begin() + index);
    m_owner->NotifyChanged();
}

template <class T> void TSyntaxItemCollection<T>::Clear() {
    m_items.clear();
    m_owner->NotifyChanged();
}

template <class T> void TSyntaxItemCollection<T>::Assign(const TSyntaxItemCollection& source) {
    m_owner->Lock();
    m_items.clear();
    for (const auto& item : source.m_items)
        Add().Assign(*item);
    m_owner->Unlock();
    m_owner->NotifyChanged();
}

// A colouring set-up without an editor, to keep and exchange one; Assign copies in both
// directions.
class TSyntaxColoringCopy : public TSyntaxColoringProperties {};

// One stretch of a row segment and the font it is painted with.
struct TColoredPiece {
    int Start = 1;
    int End = 0;
    TEditorFont Font;
};

// The colouring of one editor: its set-up, the fonts built from it and the syntax chain over
// the editor's text. It needs no window, so script logic can ask which range covers a
// position; the editor (a widget or a headless model) forwards its TextReplaced and
// AfterRepaint hooks here.
class TSyntaxColoring : public TSyntaxColoringProperties {
public:
    explicit TSyntaxColoring(TCustomEditor& editor);
    ~TSyntaxColoring() override;

    TCustomEditor& Editor() const { return m_editor; }

    // The editor's font; every other font is a copy of it.
    const TEditorFont& EditorFont() const { return m_editorFont; }
    void SetEditorFont(const TEditorFont& value);
    bool SplitOnFly() const { return m_splitOnFly; }
    void SetSplitOnFly(bool value);

    const TEditorFont& SymbolFont() const { return m_symbolFont; }
    const TEditorFont& NumberFont() const { return m_numberFont; }
    const TEditorFont& ParenthesisFont() const { return m_parenthesisFont; }
    // The font a range is painted with (before the editor's style mask).
    TEditorFont RangeFont(const TSyntaxToken& token) const;

    const TSyntaxChain& Chain() const { return m_chain; }
    // The range covering a position, or null.
    const TSyntaxToken* RangeAt(int position) const;
    QString RangeText(const TSyntaxToken& token) const;
    // Whether position lies in a range of the named custom style ("C_Comment", ...).
    bool InCustomStyle(int position, const QString& caption) const;
    // The kind of the custom style whose range covers a position; Other outside styles.
    TSyntaxStyleKind StyleKindAt(int position) const;
    // The kind of a range of the chain; Other for anything but a custom style.
    TSyntaxStyleKind StyleKind(const TSyntaxToken& token) const;

    // Frees the chain, tokenises the whole text and computes every level.
    void Recolor();
    // Tokenises the region start..end again until the new ranges meet the old chain; the
    // region is widened to what was actually tokenised.
    void Tokenize(int& start, int& end);

    // --- the editor's hooks
    void TextReplaced(int position, int oldLength, int newLength);
    void AfterRepaint();

    // Locks for good: nothing is recoloured any more (the editor is being destroyed).
    void Shutdown() { Lock(); }

    // Asked to repaint start..end (a widget paints those rows; a headless model ignores it).
    std::function<void(int start, int end)> OnRepaint;

    // Cuts start..end of the text like a plain text run: numbers, word-list words and, with
    // symbols, runs of symbol characters; everything else is normal text.
    void CutText(int start, int end, bool symbols,
                 const std::function<void(const TSyntaxToken&)>& emit) const;
    // The coloured pieces of a row segment, in order and without gaps.
    void ColoredPieces(int start, int end, std::vector<TColoredPiece>& pieces) const;

protected:
    void Changed() override;

private:
    void BuildFonts();
    void UpdateLevels(int first, int regionEnd, bool repaint);
    int ResumeWordMark(int position, int resume) const;

    TCustomEditor& m_editor;
    TEditorFont m_editorFont;
    bool m_splitOnFly = false;
    TEditorFont m_symbolFont;
    TEditorFont m_numberFont;
    TEditorFont m_parenthesisFont;
    // ParenthesisColors converted once per change, not for every parenthesis painted.
    std::vector<TColor> m_parenthesisColorCache;
    TSyntaxChain m_chain;
    // What the last tokenising touched, for the level pass of AfterRepaint.
    int m_touched = -1;
    int m_regionStart = 1;
    int m_regionEnd = 0;
};

// A headless editor model with syntax colouring, for script logic without a window.
class TSyntaxTextModel : public TCustomEditor {
public:
    TSyntaxTextModel() : m_coloring(*this) {}
    ~TSyntaxTextModel() override { m_coloring.Shutdown(); }
    TSyntaxColoring& SyntaxColoring() { return m_coloring; }
    const TSyntaxColoring& SyntaxColoring() const { return m_coloring; }

    void TextReplaced(int position, int oldLength, int newLength) override {
        m_coloring.TextReplaced(position, oldLength, newLength);
    }
    void AfterRepaint() override { m_coloring.AfterRepaint(); }

private:
    TSyntaxColoring m_coloring;
};

} // namespace kx
