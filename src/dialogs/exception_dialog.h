#pragma once

#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"
#include "foundation/tabular_details.h"

#include <QDialog>
#include <QUrl>
#include <exception>

class QLabel;
class QPrinter;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QVBoxLayout;

namespace kx {

// A message form: a header the subclass fills, a body that is either a read-only rich-text
// box (mode 0) or a list view (mode 1) — the other one hidden — and a bottom bar.
class TKxMsgBaseDlg : public QDialog {
public:
    explicit TKxMsgBaseDlg(QWidget* parent = nullptr);

    int BodyMode() const { return m_bodyMode; }
    void SetBodyMode(int mode);
    QString BodyText() const;
    void SetBodyText(const QString& text);
    void SetListColumns(const std::vector<TKxColumnDesc>& columns);
    void AddListRow(const QStringList& row);

    QTextEdit* BodyBox() const { return m_body; }
    QTreeWidget* BodyList() const { return m_list; }

protected:
    QWidget* Header() const { return m_header; }
    QWidget* BottomBar() const { return m_bar; }

private:
    int m_bodyMode = 0;
    QWidget* m_header = nullptr;
    QTextEdit* m_body = nullptr;
    QTreeWidget* m_list = nullptr;
    QWidget* m_bar = nullptr;
};

// The dialog that reports an exception: its class, object, routine and address in the
// header, its message (or the table of an error that carries one, such as the diagnostic
// records of an ODBC error) in the body, and Print, Copy to Clipboard, a mail hand-off to
// support and Close below. Its bounds live in the store under "KxExceptionDlg".
class TKxExceptionDlg : public TKxMsgBaseDlg {
public:
    // Null stands for "no exception information"; the dialog keeps a snapshot, so the
    // exception may end before the dialog does.
    TKxExceptionDlg(const std::exception* exception, IKxUnknown* store, QWidget* parent = nullptr);
    ~TKxExceptionDlg() override;

    IKxExceptionInformation* Information() const { return m_info.get(); }

    // The bottom bar's actions without their dialogs. An error inside them is shown by the
    // default display (KxMessageBox), never by another exception dialog.
    void Print(QPrinter* printer);
    void CopyToClipboard();
    void SendToSupport();

    // The mail the send button hands to the desktop's mail program.
    QUrl SupportMailUrl() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void BuildHeader();
    void StoreBounds();

    KxIntf<IKxExceptionInformation> m_info;
    KxIntf<IKxUnknown> m_store;
};

// Takes over the program's exception event while it lives (the previous handler comes back
// when it ends): an exception that reaches the event loop is shown in the exception dialog,
// modally. While one dialog is open, and once the application is closing down, exceptions go
// to the previous handler, or to the default display when there was none.
class TKxExceptionHandlerObj {
public:
    explicit TKxExceptionHandlerObj(IKxUnknown* store);
    ~TKxExceptionHandlerObj();
    TKxExceptionHandlerObj(const TKxExceptionHandlerObj&) = delete;
    TKxExceptionHandlerObj& operator=(const TKxExceptionHandlerObj&) = delete;

    void HandleException(const std::exception& exception);
    bool DialogShowing() const { return m_showing; }

private:
    void PassOn(const std::exception& exception);

    KxIntf<IKxUnknown> m_store;
    KxApplicationExceptionHandler m_previous;
    bool m_showing = false;
};

} // namespace kx
