#pragma once

#include "editor/script_file.h"

#include <QString>
#include <QStringList>

namespace kx {

class TCustomEditor;

// The Lines view: the text as a list of rows without their line breaks. Every change is a
// range replacement in the editor, so it is undoable and keeps all ranges in place.
class TCustomEditorStrings {
public:
    explicit TCustomEditorStrings(TCustomEditor& editor) : m_editor(editor) {}

    // 0 for an empty text, else the row count.
    int Count() const;
    QString Get(int index) const;
    void Put(int index, const QString& text);
    void Insert(int index, const QString& text);
    void Add(const QString& text) { Insert(Count(), text); }
    void Delete(int index);
    void Clear();
    QString Text() const;
    void SetText(const QString& text);
    QStringList ToStringList() const;
    // Copies the lines in one replacement of the whole text.
    void Assign(const QStringList& lines);

    // Loads a script file in one replacement of the whole text and answers its encoding;
    // saving writes the rows with CR LF breaks in the encoding given.
    TKxScriptEncoding LoadFromFile(const QString& fileName);
    TKxScriptEncoding SaveToFile(const QString& fileName, TKxScriptEncoding encoding) const;

private:
    TCustomEditor& m_editor;
};

} // namespace kx
