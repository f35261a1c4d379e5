#pragma once

#include "editor/custom_editor.h"

#include <QString>
#include <gtest/gtest.h>
#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kx::test {

// Keyboard-like edits at the caret, as the editing commands perform them.
inline void Type(TCustomEditor& editor, const QString& text) {
    editor.ReplaceRangeText(editor.Selection(), text);
}

inline void Backspace(TCustomEditor& editor) {
    TMCRange work(&editor);
    work.SetRStart(editor.Selection().RStart() - 1);
    work.SetRLength(1);
    work.DeleteText();
}

inline void DeleteForward(TCustomEditor& editor) {
    TMCRange work(&editor);
    work.SetRStart(editor.Selection().RStart());
    work.SetRLength(1);
    work.DeleteText();
}

inline void Replace(TCustomEditor& editor, int start, int length, const QString& text) {
    TMCRange work(&editor);
    work.SetRStart(start);
    work.SetRLength(length);
    editor.ReplaceRangeText(work, text);
}

// The line table and the widest row an edit left must equal those of a fresh load.
inline void ExpectConsistent(const TCustomEditor& editor) {
    TCustomEditor fresh;
    fresh.SetTabSize(editor.TabSize());
    fresh.SetAllText(editor.Text());
    ASSERT_EQ(fresh.Text(), editor.Text());
    ASSERT_EQ(editor.LineCount(), fresh.LineCount());
    for (int row = 1; row <= fresh.LineCount(); ++row)
        ASSERT_EQ(editor.LineStart(row), fresh.LineStart(row)) << "row " << row;
    EXPECT_EQ(editor.WidestRow(), fresh.WidestRow());
}

} // namespace kx::test
