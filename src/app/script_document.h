#pragma once

#include "editor/script_file.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace kx {

class TCustomEditor;
class TKxPersistentData;
class TKxScriptStatements;

// The script in the editor as a document: a file, or the unnamed script the settings keep.
// Knows whether it was modified since it was loaded or saved, the time the file had then and
// the encoding it came in (saving writes it back the same way), and keeps the recent files.
// The questions it asks go through the program's message box.
class TKxScriptDocument {
public:
    TKxScriptDocument(TCustomEditor& editor, TKxScriptStatements& statements,
                      TKxPersistentData& store);

    // Empty for the unnamed script.
    QString FileName() const { return m_fileName; }
    bool Modified() const { return m_modified; }
    // The editor's text changed (its change event).
    void TextChanged();

    // Asks about unsaved changes of a file: false when the user cancels; Yes saves.
    bool AskToSaveChanges();
    // Loads a script file. Answers false when the user cancelled the question about unsaved
    // changes. A file that does not exist or cannot be read raises; the editor then shows the
    // stored unnamed script, unmodified, so nothing nameless is left to overwrite it.
    bool Load(const QString& fileName);
    // Writes the file; does nothing for the unnamed script.
    void Save();
    // Writes the script to `fileName`, which it is from then on. A save that fails raises and
    // leaves the script the file it was.
    void SaveAs(const QString& fileName);
    // Back to the unnamed script (after the question about unsaved changes; false when
    // cancelled).
    bool Close();
    // Puts the stored unnamed script into the editor.
    void ShowUnnamedScript();
    // Stores the editor's text as the unnamed script when no file is loaded and the text is
    // the user's (not placed by another program).
    void StoreUnnamedScript();
    // Puts text another program sent into the editor in place of the script (the user's
    // unnamed script is kept first). The text is not the user's, and never stored as the
    // unnamed script, until the user edits it; loading or closing makes it go.
    void PlaceCallerText(const QString& text);
    bool HoldsCallerText() const { return m_callerText; }

    // When the file changed on disk since it was loaded or saved: asks whether to reload
    // (unsaved edits are dropped). The remembered time is updated either way.
    void CheckOutsideChange();

    // The recent files, newest first, without the one loaded now (compared ignoring case).
    QStringList RecentFiles() const;

    // After the file name, the modified flag or the read-only state changed.
    std::function<void()> OnStateChanged;

private:
    void SetText(const QString& text);
    void SetModified(bool modified);
    // Writes the text to `fileName` and makes that the script's file, unmodified.
    void WriteTo(const QString& fileName);
    void RememberFileTime();
    void Changed();

    TCustomEditor& m_editor;
    TKxScriptStatements& m_statements;
    TKxPersistentData& m_store;
    QString m_fileName;
    TKxScriptEncoding m_encoding = TKxScriptEncoding::Utf8;
    QDateTime m_fileTime;
    bool m_modified = false;
    bool m_settingText = false;
    bool m_callerText = false;
};

} // namespace kx
