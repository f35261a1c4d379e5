#pragma once

#include "app/script_search.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kx {

class IKxUnknown;
class TCustomEditor;

// The non-modal find or replace dialog of the script: the texts, match case, whole word and
// the direction; Find Next, and for the replace kind Replace and Replace All. A find text
// that is empty disables them all (an empty text would match everywhere). Its position and
// last texts are kept under "FindDialog" or "ReplaceDialog".
class TKxFindDialog : public QDialog {
public:
    enum TKind { Find, Replace };
    TKxFindDialog(TKind kind, TCustomEditor& editor, IKxUnknown* store, QWidget* parent = nullptr);
    ~TKxFindDialog() override;

    TKind Kind() const { return m_kind; }
    QString FindText() const;
    void SetFindText(const QString& text);
    QString ReplaceText() const;
    void SetReplaceText(const QString& text);
    TKxSearchOptions Options() const;
    void SetOptions(const TKxSearchOptions& options);

    // Find Next (F3 too): false when nothing more was found, after saying so.
    bool FindNext();
    // Replaces the selected match and selects the next one.
    bool ReplaceOnce();
    int ReplaceAll();

    // After the dialog was closed (the owner frees it).
    std::function<void()> OnClosed;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString StoreKey() const;
    void UpdateButtons();
    void NotFound();

    TKind m_kind;
    TCustomEditor& m_editor;
    IKxUnknown* m_store;
    TKxScriptSearch m_search;
    QLineEdit* m_find;
    QLineEdit* m_replace = nullptr;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
    QRadioButton* m_up;
    QRadioButton* m_down;
    QPushButton* m_findNext;
    QPushButton* m_replaceButton = nullptr;
    QPushButton* m_replaceAll = nullptr;
};

} // namespace kx
