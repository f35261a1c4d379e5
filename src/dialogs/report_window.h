#pragma once

#include "foundation/colors.h"
#include "foundation/kx_intf.h"

#include <QPointer>
#include <QTextCharFormat>
#include <QTimer>
#include <QWidget>
#include <vector>

class QAction;
class QDialog;
class QPlainTextEdit;
class QPrinter;
class QToolButton;

namespace kx {

// Font styles an entry may carry; the values are the editor's, so a style set passes through.
namespace reportstyle {
inline constexpr unsigned Bold = 1;
inline constexpr unsigned Italic = 2;
inline constexpr unsigned Underline = 4;
inline constexpr unsigned StrikeOut = 8;
} // namespace reportstyle

// The "Operation Report" window: a read-only text box that collects coloured lines (the
// execution log) and a bottom bar to clear, print, save, copy, refont, search and wrap them.
// Its bounds live in the store under "ReportForm"; every show and hide sets the checked state
// of the menu item and the action it was given.
class TKxReportDlg : public QWidget {
public:
    TKxReportDlg(IKxUnknown* store, QAction* menuItem = nullptr, QAction* action = nullptr,
                 QWidget* parent = nullptr);
    ~TKxReportDlg() override;

    // Appends `text` as a new line in `color`, at `size` points (0: the box's own font size)
    // and with the reportstyle flags of `style`. CR LF, CR and LF all break lines.
    //
    // Lines reach the text box in batches, a fraction of a second later or when anything
    // reads the report: laying the document out once per batch instead of once per line is
    // what keeps a long script run from spending its time in the log.
    void AddText(const QString& text, TColor color, int size = 0, unsigned style = 0);
    // Puts pending lines into the text box now.
    void FlushPending() const;
    void Clear();
    // Shows the window and raises it above the others without taking the keyboard from the
    // window the user works in (a script run logs while the editor keeps the focus).
    void BringToFront();

    // 0 keeps every line; otherwise the oldest lines beyond the count are dropped.
    int MaxLineCount() const;
    void SetMaxLineCount(int count);

    bool WrapLines() const;
    void SetWrapLines(bool wrap);

    // The bottom bar's actions without their dialogs.
    void Print(QPrinter* printer) const;
    // A name ending in ".rtf" (any case) is written as rich text, anything else as plain lines
    // each followed by CR LF. Raises EKxException when the file cannot be written.
    void SaveToFile(const QString& fileName) const;
    void CopyToClipboard();
    // Searches from the current position downwards (or upwards) and selects the match.
    bool FindText(const QString& text, bool matchCase, bool wholeWord, bool down);

    // Opens the find dialog (also the key F in the text); answers it.
    QDialog* ShowSearch();

    // The text box with every line added so far.
    QPlainTextEdit* TextBox() const {
        FlushPending();
        return m_text;
    }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* AddBarButton(QWidget* bar, const QString& name, const QString& hint,
                              const QIcon& icon);
    void MirrorVisibility(bool visible);
    void StoreBounds();
    void PrintWithDialog();
    void SaveWithDialog();
    void ChangeFontWithDialog();

    KxIntf<IKxUnknown> m_store;
    QPointer<QAction> m_menuItem;
    QPointer<QAction> m_action;
    QPlainTextEdit* m_text = nullptr;
    QToolButton* m_wrapButton = nullptr;
    QPointer<QDialog> m_findDialog;
    struct PendingLine {
        QString text;
        QTextCharFormat format;
    };
    mutable std::vector<PendingLine> m_pending;
    QTimer* m_flushTimer = nullptr;
};

} // namespace kx
