#pragma once

#include "datactrls/state_change_properties.h"

#include <QPlainTextEdit>
#include <functional>
#include <memory>

class QLabel;

namespace kx {

class TKxFieldIntfSource;
class TKxIntfSourceSignals;
class IKxUnknown;

// A multi-line edit bound to one long-text field: it shows the field's whole value, writes
// every change of the user back into the field (which puts the record into edit state), and
// loads a dropped text file into the field. The value is read when the memo is next shown,
// not on every notification, so a hidden memo costs nothing while the user scrolls.
//
// Text is decoded by the field's kind: UTF-8 for memo fields, UTF-16 for wide memos. A value
// that is not valid text in its encoding is shown read-only with a note: saving the decoded
// substitute back would replace the stored bytes.
class TKxIDataMemo : public QPlainTextEdit {
public:
    explicit TKxIDataMemo(QWidget* parent = nullptr);
    ~TKxIDataMemo() override;

    TKxFieldIntfSource& InterfaceSource() { return *m_source; }
    // Binds the memo to `fieldName` of `recordset` (null unbinds).
    void Bind(IKxUnknown* recordset, const QString& fieldName);
    void SetFieldName(const QString& fieldName);
    QString FieldName() const;
    TKxIBlobStateChangeProperties& SourceObjStateChangeReflection() { return m_reflection; }

    // Reads the field now if its value is not shown yet.
    void EnsureLoaded();
    // Whether the shown value could not be decoded as text.
    bool NotText() const { return m_notText; }
    // Writes `text` into the field as the user's change would; answers whether it was written.
    bool WriteText(const QString& text);
    // The hint shown when none was set.
    static QString DefaultHint();

    std::function<void(TKxIDataMemo* sender, const QStringList& fileNames)> OnFilesDropped;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Reload();
    void Load();
    void ReflectState();
    // The field source's may-modify check: the record goes into edit state when it can.
    bool MayModify();
    void TextChangedByUser();
    void ShowNote(bool show);

    std::unique_ptr<TKxFieldIntfSource> m_source;
    TKxIntfSourceSignals* m_signals;
    TKxIBlobStateChangeProperties m_reflection;
    QLabel* m_note;
    bool m_loaded = false;
    bool m_loading = false;
    bool m_writing = false;
    bool m_pendingWrite = false;
    bool m_writeQueued = false;
    bool m_startingEdit = false;
    bool m_notText = false;
    bool m_fieldReadOnly = false;
};

} // namespace kx
