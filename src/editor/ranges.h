#pragma once

#include "editor/editor_types.h"
#include "editor/range_container.h"

#include <QString>
#include <functional>
#include <optional>

namespace kx {

// Where a range s..e (1-based, inclusive) ends up after the characters a..b were replaced by
// text delta characters longer (or shorter). `touched` says the edit reached into the range;
// a touched range with End = Start - 1 was overwritten. `caretFollowsDeletion` is the
// rule for a live range of the editor: an empty range just behind a deleted span moves with
// it instead of collapsing onto it.
struct TKxAdjustedSpan {
    int Start;
    int End;
    bool Touched;
};
TKxAdjustedSpan KxAdjustSpanToEdit(int s, int e, int a, int b, int delta,
                                   bool caretFollowsDeletion);

class TCustomEditor;

// A live span of the editor's text: RStart..REnd inclusive, empty when REnd = RStart - 1.
// Ranges in the editor's container follow every edit; a working range made without a
// container is given its editor explicitly and takes no part in edit adjustment.
class TCustomRange : public TFastContainerItem {
public:
    explicit TCustomRange(TCustomEditor* editor = nullptr) : m_editor(editor) {}

    TCustomEditor* Editor() const { return m_editor; }

    int RStart() const { return GetRStart(); }
    int REnd() const { return GetREnd(); }
    int RLength() const { return GetRLength(); }

    virtual void SetRStart(int value);
    virtual void SetREnd(int value);
    virtual void SetRLength(int value);
    virtual int GetRStart() const = 0;
    virtual int GetREnd() const = 0;
    virtual int GetRLength() const;
    virtual TRowCol GetEndRowCol() const;
    virtual TRowCol GetStartRowCol() const;
    virtual void SetEndRowCol(TRowCol value);
    virtual void SetStartRowCol(TRowCol value);
    virtual void SetText(const QString& text);
    virtual QString GetText() const;
    // Follows an edit that replaced a..b (b = a - 1 for an insertion) and changed the
    // text length by delta.
    virtual void AdjustToEdit(int a, int b, int delta);
    virtual void DeleteText();
    virtual void InvalidateRange();
    virtual void MakeVisible(int margin);

    void BeginUpdate();
    void EndUpdate();
    void EndUpdateQuiet();
    int UpdateCount() const { return m_updateCount; }

    std::function<void(TCustomRange* sender)> OnChange;
    std::function<void(TCustomRange* sender)> OnOverwrite;

protected:
    void Joined(TFastObjectContainer& container) override;
    // Hooks of the update bracket: its start, its end with OnChange, its quiet end.
    virtual void UpdateBegun() {}
    virtual void Changed();
    virtual void UpdateEndedQuietly() {}
    int TextLength() const;

private:
    TCustomEditor* m_editor;
    int m_updateCount = 0;
};

// A range with stored ends.
class TMCRange : public TCustomRange {
public:
    using TCustomRange::TCustomRange;

    void SetRStart(int value) override;
    void SetREnd(int value) override;
    int GetRStart() const override { return m_start; }
    int GetREnd() const override { return m_end; }
    void AdjustToEdit(int a, int b, int delta) override;

protected:
    int m_start = 1;
    int m_end = 0;
};

// Always the whole text; used to set the whole text.
class TWholeTextRange : public TCustomRange {
public:
    using TCustomRange::TCustomRange;

    void SetRStart(int) override {}
    void SetREnd(int) override {}
    void SetRLength(int) override {}
    int GetRStart() const override { return 1; }
    int GetREnd() const override { return TextLength(); }
};

// The part of the text the view shows, from TopRow for the visible rows and from LeftCol
// for the visible columns.
class TVisibleRange : public TCustomRange {
public:
    using TCustomRange::TCustomRange;

    int TopRow() const { return m_topRow; }
    int LeftCol() const { return m_leftCol; }
    int BottomRow() const;
    int RightCol() const;
    void SetTopRow(int value);
    void SetLeftCol(int value);
    void SetBottomRow(int value);
    void SetRightCol(int value);
    // Keeps TopRow and LeftCol inside what the text and the window allow.
    void Clamp();
    TVisibleRect Rect() const;

    void SetRStart(int value) override;
    void SetREnd(int) override {}
    void SetRLength(int) override {}
    int GetRStart() const override;
    int GetREnd() const override;
    void AdjustToEdit(int, int, int) override {}

protected:
    void UpdateBegun() override;
    void Changed() override;

private:
    friend class TCustomEditor;
    int m_topRow = 1;
    int m_leftCol = 1;
    TVisibleRect m_snapshot;
};

class TSelectionRange : public TMCRange {
public:
    using TMCRange::TMCRange;

    bool Backwards() const { return m_backwards; }
    void SetBackwards(bool value) { m_backwards = value; }
    bool Hidden() const { return m_hidden; }
    void SetHidden(bool value);
    // The visual column vertical caret moves try to keep.
    int DesiredVisualCol() const { return m_desiredVisualCol; }
    void SetDesiredVisualCol(int value) { m_desiredVisualCol = value; }
    bool CaretVisible() const { return m_caretVisible; }
    // Sets start and length in one update, so listeners hear of it once.
    void Select(int start, int length);
    // Forgets the state taken at the start of the current update, so that its end neither
    // cleans the row left by the caret nor repaints a selection difference.
    void DiscardSnapshot() { m_snapshot.reset(); }

protected:
    void UpdateBegun() override;
    void Changed() override;
    void UpdateEndedQuietly() override;

private:
    struct TSnapshot {
        int Start;
        int End;
    };
    bool m_backwards = false;
    bool m_hidden = false;
    bool m_caretVisible = true;
    int m_desiredVisualCol = 0;
    std::optional<TSnapshot> m_snapshot;
};

// A range that paints its text with a colour and a font.
class TCustomFormattedRange : public TMCRange {
public:
    using TMCRange::TMCRange;

    TColor Color() const { return GetColor(); }
    TEditorFont Font() const { return GetFont(); }
    virtual TColor GetColor() const { return m_color; }
    virtual TEditorFont GetFont() const = 0;
    virtual void SetColor(TColor value);
    virtual void SetFont(const TEditorFont& value) = 0;
    // Drops the styles that would change the character width in the editor font, so the
    // character grid stays fixed.
    virtual void ApplyStyleMask(TEditorFont& font) const;

private:
    TColor m_color = clWindow;
};

class TFormattedRange : public TCustomFormattedRange {
public:
    using TCustomFormattedRange::TCustomFormattedRange;

    TEditorFont GetFont() const override { return m_font; }
    void SetFont(const TEditorFont& value) override;

private:
    TEditorFont m_font;
};

} // namespace kx
