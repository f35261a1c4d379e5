#include "app/script_document.h"

#include "app/application_settings.h"
#include "app/script_statements.h"
#include "editor/custom_editor.h"
#include "foundation/message_box.h"
#include "foundation/persistent_data.h"
#include "foundation/temp_cursor.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxMainWindow", text);
}

// A file without any write permission is read-only even for a user who could write it anyway
// (root): that is the file's read-only attribute as people set it with chmod a-w.
bool IsReadOnlyFile(const QString& fileName) {
    const QFileInfo info(fileName);
    // The mode bits, not WriteUser: that one asks whether this user may write, which root may.
    constexpr QFile::Permissions kWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !info.isWritable() || (info.permissions() & kWrite) == 0;
}

QDateTime LastWriteTime(const QString& fileName) {
    return QFileInfo(fileName).lastModified();
}

} // namespace

TKxScriptDocument::TKxScriptDocument(TCustomEditor& editor, TKxScriptStatements& statements,
                                     TKxPersistentData& store)
    : m_editor(editor), m_statements(statements), m_store(store) {}

void TKxScriptDocument::TextChanged() {
    if (m_settingText)
        return;
    // Edited by the user: from now on the text is theirs.
    m_callerText = false;
    SetModified(true);
}

void TKxScriptDocument::SetModified(bool modified) {
    if (m_modified == modified)
        return;
    m_modified = modified;
    Changed();
}

void TKxScriptDocument::Changed() {
    if (OnStateChanged)
        OnStateChanged();
}

void TKxScriptDocument::SetText(const QString& text) {
    m_settingText = true;
    try {
        m_editor.SetAllText(text);
        m_editor.ClearUndo();
    } catch (...) {
        m_settingText = false;
        throw;
    }
    m_settingText = false;
    m_statements.ResetCurrentStatement();
}

bool TKxScriptDocument::AskToSaveChanges() {
    if (m_fileName.isEmpty() || !m_modified)
        return true;
    const int answer = KxMessageBox(
        Tr("The SQL-Script \"%1\" has been modified.\r\rDo you want to save the changes?")
            .arg(m_fileName),
        svConfirm, mb::YesNoCancel);
    if (answer == id::Cancel)
        return false;
    if (answer == id::Yes)
        Save();
    return true;
}

bool TKxScriptDocument::Load(const QString& fileName) {
    if (!QFileInfo::exists(fileName))
        KxRaise(Tr("File \"%1\" doesn't exist").arg(fileName), QStringLiteral("LoadFromFile"),
                KxObjectDescription());
    if (!AskToSaveChanges())
        return false;
    TKxTempCursor waitCursor;
    // The unnamed script is kept before a file takes its place.
    StoreUnnamedScript();
    TKxScriptFileText file;
    try {
        file = KxReadScriptFile(fileName);
    } catch (...) {
        // Nothing nameless may stay in the editor: at close it would replace the unnamed
        // script the user keeps.
        m_fileName.clear();
        ShowUnnamedScript();
        throw;
    }
    m_fileName = QFileInfo(fileName).absoluteFilePath();
    m_callerText = false;
    m_encoding = file.Encoding;
    SetText(file.Text);
    m_editor.SetReadOnly(IsReadOnlyFile(m_fileName));
    RememberFileTime();
    KxRecentScriptFiles(m_store).Add(m_fileName);
    m_modified = false;
    Changed();
    return true;
}

void TKxScriptDocument::Save() {
    if (m_fileName.isEmpty())
        return;
    WriteTo(m_fileName);
    Changed();
}

void TKxScriptDocument::SaveAs(const QString& fileName) {
    WriteTo(QFileInfo(fileName).absoluteFilePath());
    m_callerText = false; // saved by the user: theirs now
    m_editor.SetReadOnly(false);
    Changed();
    KxRecentScriptFiles(m_store).Add(m_fileName);
}

void TKxScriptDocument::WriteTo(const QString& fileName) {
    m_encoding = KxWriteScriptFile(fileName, m_editor.Text(), m_encoding);
    // The script becomes the file only once that is written: after a failure it is still the
    // file (or the unnamed script) it was, and Save goes where it went before.
    m_fileName = fileName;
    RememberFileTime();
    m_modified = false;
}

bool TKxScriptDocument::Close() {
    if (!AskToSaveChanges())
        return false;
    m_fileName.clear();
    ShowUnnamedScript();
    m_modified = false;
    Changed();
    return true;
}

void TKxScriptDocument::ShowUnnamedScript() {
    m_callerText = false;
    SetText(m_store.ReadValue(sidCurrentSQLStatement).ToString());
    m_editor.SetReadOnly(false);
    m_modified = false;
}

void TKxScriptDocument::StoreUnnamedScript() {
    if (m_fileName.isEmpty() && !m_callerText)
        m_store.WriteValue(sidCurrentSQLStatement, KxVariant(m_editor.Text()));
}

void TKxScriptDocument::PlaceCallerText(const QString& text) {
    StoreUnnamedScript();
    m_fileName.clear();
    SetText(text);
    m_editor.SetReadOnly(false);
    m_callerText = true;
    m_modified = false;
    Changed();
}

void TKxScriptDocument::RememberFileTime() {
    m_fileTime = LastWriteTime(m_fileName);
}

void TKxScriptDocument::CheckOutsideChange() {
    if (m_fileName.isEmpty() || !QFileInfo::exists(m_fileName))
        return;
    const QDateTime now = LastWriteTime(m_fileName);
    if (!m_fileTime.isValid() || now <= m_fileTime)
        return;
    m_fileTime = now;
    const int answer = KxMessageBox(
        Tr("The file \"%1\" has been changed from outside this application\r\rReload the file?")
            .arg(m_fileName),
        svConfirm, mb::YesNo);
    if (answer != id::Yes)
        return;
    // The edits are dropped without a second question.
    m_modified = false;
    Load(m_fileName);
}

QStringList TKxScriptDocument::RecentFiles() const {
    const TKxStringHistory history = KxRecentScriptFiles(m_store);
    QStringList files;
    for (int index = 0; index < history.Count(); ++index) {
        const QString file = history.Item(index);
        if (!file.isEmpty() && file.compare(m_fileName, Qt::CaseInsensitive) != 0)
            files.append(file);
    }
    return files;
}

} // namespace kx
