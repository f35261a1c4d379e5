#include "editor/editor_strings.h"

#include "editor/custom_editor.h"

namespace kx {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

// Replaces from..to (inclusive positions) through the editor's edit primitive.
void ReplaceSpan(TCustomEditor& editor, int from, int to, const QString& text) {
    TMCRange work(&editor);
    work.SetRStart(from);
    work.SetREnd(to);
    editor.ReplaceRangeText(work, text);
}

} // namespace

int TCustomEditorStrings::Count() const {
    return m_editor.TextLength() == 0 ? 0 : m_editor.LineCount();
}

QString TCustomEditorStrings::Get(int index) const {
    if (index < 0 || index >= Count())
        return {};
    return m_editor.Text().mid(m_editor.LineStart(index + 1) - 1, m_editor.LineLength(index + 1));
}

void TCustomEditorStrings::Put(int index, const QString& text) {
    if (index < 0 || index >= Count())
        return;
    const int start = m_editor.LineStart(index + 1);
    ReplaceSpan(m_editor, start, start + m_editor.LineLength(index + 1) - 1, text);
}

void TCustomEditorStrings::Insert(int index, const QString& text) {
    if (m_editor.TextLength() == 0) {
        m_editor.SetAllText(text);
    } else if (index >= 0 && index < Count()) {
        const int start = m_editor.LineStart(index + 1);
        ReplaceSpan(m_editor, start, start - 1, text + kLineBreak);
    } else {
        const int end = m_editor.TextLength() + 1;
        ReplaceSpan(m_editor, end, end - 1, kLineBreak + text);
    }
}

void TCustomEditorStrings::Delete(int index) {
    const int count = Count();
    if (index < 0 || index >= count)
        return;
    if (index < count - 1) {
        // The row and the line break that ends it.
        ReplaceSpan(m_editor, m_editor.LineStart(index + 1), m_editor.LineStart(index + 2) - 1,
                    QString());
    } else {
        // The last row and the line break before it.
        ReplaceSpan(m_editor, m_editor.RowColToPos({index + 1, -1}), m_editor.TextLength(),
                    QString());
    }
}

void TCustomEditorStrings::Clear() {
    m_editor.SetAllText(QString());
}

QString TCustomEditorStrings::Text() const {
    return m_editor.Text();
}

void TCustomEditorStrings::SetText(const QString& text) {
    m_editor.SetAllText(text);
}

QStringList TCustomEditorStrings::ToStringList() const {
    QStringList result;
    const int count = Count();
    result.reserve(count);
    for (int i = 0; i < count; ++i)
        result.append(Get(i));
    return result;
}

void TCustomEditorStrings::Assign(const QStringList& lines) {
    m_editor.SetAllText(lines.join(kLineBreak));
}

TKxScriptEncoding TCustomEditorStrings::LoadFromFile(const QString& fileName) {
    TKxScriptFileText file = KxReadScriptFile(fileName);
    m_editor.SetAllText(file.Text);
    return file.Encoding;
}

TKxScriptEncoding TCustomEditorStrings::SaveToFile(const QString& fileName,
                                                   TKxScriptEncoding encoding) const {
    return KxWriteScriptFile(fileName, m_editor.Text(), encoding);
}

} // namespace kx
