#include "dialogs/exception_dialog.h"
#include "dialogs_test_support.h"
#include "foundation/exception_information.h"
#include "platform/clipboard_text.h"
#include "support/scripted_message_box.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QUrlQuery>
#include <stdexcept>

namespace {

using namespace kx;

// An ODBC error as the driver layer reports it: a message and its diagnostic records.
class TTestOdbcError : public EKxException, public virtual IKxTabularDetails {
public:
    TTestOdbcError()
        : EKxException(QStringLiteral("[unixODBC][Driver]table t has no column x\r\n"
                                      "[unixODBC][Driver]statement could not be prepared"),
                       QStringLiteral("TKxOdbcStatement.Prepare")) {}
    void EnumColumns(const ColumnCallback& callback) const override {
        if (callback)
            callback({{QStringLiteral("State"), 60, TKxColumnAlignment::Left},
                      {QStringLiteral("Native"), 60, TKxColumnAlignment::Right},
                      {QStringLiteral("Message"), 300, TKxColumnAlignment::Left}});
    }
    void EnumRows(const RowCallback& callback) const override {
        if (!callback)
            return;
        callback({QStringLiteral("42S22"), QStringLiteral("1"),
                  QStringLiteral("[unixODBC][Driver]table t has no column x")});
        callback({QStringLiteral("HY000"), QStringLiteral("7"),
                  QStringLiteral("[unixODBC][Driver]statement could not be prepared")});
    }
};

// Stands in for the desktop's mail program: QDesktopServices hands it the mailto: URL.
class MailRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void Open(const QUrl& url) { urls << url; }
};

class ExceptionDialogTest : public kx::test::DialogsTest {
protected:
    static QString HeaderValue(const TKxExceptionDlg& dialog, int row) {
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("HeaderValue%1").arg(row));
        return label != nullptr ? label->text() : QStringLiteral("<missing>");
    }
    static int OpenExceptionDialogs() {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += dynamic_cast<TKxExceptionDlg*>(widget) != nullptr && widget->isVisible();
        return count;
    }
};

TEST_F(ExceptionDialogTest, AnOdbcErrorShowsItsDiagnosticRowsInTheListAndItsOriginInTheHeader) {
    const TTestOdbcError error;
    TKxExceptionDlg dialog(&error, &store);
    dialog.show();
    EXPECT_EQ(dialog.BodyMode(), 1);
    EXPECT_FALSE(dialog.BodyBox()->isVisible());
    ASSERT_TRUE(dialog.BodyList()->isVisible());
    QTreeWidget* list = dialog.BodyList();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Message"));
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("42S22"));
    EXPECT_EQ(list->topLevelItem(1)->text(2),
              QStringLiteral("[unixODBC][Driver]statement could not be prepared"));
    EXPECT_EQ(list->topLevelItem(1)->textAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    EXPECT_EQ(HeaderValue(dialog, 0), QStringLiteral("TTestOdbcError"));
    EXPECT_EQ(HeaderValue(dialog, 1), QStringLiteral("<nil>"));
    EXPECT_EQ(HeaderValue(dialog, 3), QStringLiteral("TKxOdbcStatement.Prepare"));
    const auto address = reinterpret_cast<quintptr>(static_cast<const std::exception*>(&error));
    EXPECT_EQ(HeaderValue(dialog, 4),
              QStringLiteral("$%1 (%2)").arg(QString::number(address, 16).toUpper()).arg(address));
    EXPECT_TRUE(dialog.windowTitle().startsWith(QStringLiteral("Exception in Application: ")));
    EXPECT_GE(dialog.minimumWidth(), 320);
    EXPECT_GE(dialog.minimumHeight(), 255);
    auto* send = dialog.findChild<QPushButton*>(QStringLiteral("SendButton"));
    EXPECT_EQ(send->text(), QStringLiteral("Send this exception to Kx-Software Support"));
    dialog.resize(dialog.minimumSize());
    QCoreApplication::processEvents();
    EXPECT_GE(send->width(), send->sizeHint().width()) << "the caption is not cut";
}

TEST_F(ExceptionDialogTest, PlainErrorsShowTheirMessageAndMissingValuesShowAQuestionMark) {
    const std::runtime_error plain("disk full");
    TKxExceptionDlg dialog(&plain, &store);
    EXPECT_EQ(dialog.BodyMode(), 0);
    EXPECT_EQ(dialog.BodyText(), QStringLiteral("disk full"));
    EXPECT_TRUE(dialog.BodyBox()->font().bold());
    EXPECT_EQ(HeaderValue(dialog, 3), QStringLiteral("?")) << "no routine";

    TKxExceptionDlg none(nullptr, &store);
    EXPECT_EQ(none.BodyText(), QStringLiteral("The Exception Information Object was nil"));
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(HeaderValue(none, row), QStringLiteral("?")) << row;
}

TEST_F(ExceptionDialogTest, CopyPrintAndMailCarryTheDetailedText) {
    const TTestOdbcError error;
    TKxExceptionDlg dialog(&error, &store);
    const QString detailed = KxBuildExceptionText(dialog.Information(), true);
    ASSERT_TRUE(detailed.contains(QStringLiteral("statement could not be prepared")));

    dialog.findChild<QPushButton*>(QStringLiteral("CopyButton"))->click();
    EXPECT_EQ(KxClipboardText(), detailed);

    MailRecorder mail;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mail, "Open");
    dialog.findChild<QPushButton*>(QStringLiteral("SendButton"))->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    ASSERT_EQ(mail.urls.size(), 1);
    const QUrl url = mail.urls[0];
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral("support@kx-software.example"));
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("Kx - Exception Notification"));
    const QString body = query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    EXPECT_TRUE(body.startsWith(QStringLiteral(
        "Hello,\r\n\r\nthe following exception has been raised by an application of mine.")));
    EXPECT_TRUE(body.endsWith(detailed)) << "every character, '&' and line breaks included";

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Path(QStringLiteral("exception.pdf")));
    dialog.Print(&printer);
    QFile pdf(printer.outputFileName());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
}

TEST_F(ExceptionDialogTest, HandlerShowsOneDialogAndSendsASecondErrorToTheDefaultDisplay) {
    kx::test::ScriptedMessageBox messages({id::Ok});
    {
        TKxExceptionHandlerObj handler(&store);
        int shown = 0;
        QTimer::singleShot(0, [&] {
            shown = OpenExceptionDialogs();
            EXPECT_TRUE(handler.DialogShowing());
            // A failure while the dialog is up, as from one of its own buttons.
            KxHandleApplicationException(std::runtime_error("second failure"));
            EXPECT_EQ(OpenExceptionDialogs(), 1);
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
        });
        KxHandleApplicationException(EKxException(QStringLiteral("first failure")));
        EXPECT_EQ(shown, 1);
        EXPECT_FALSE(handler.DialogShowing());
    }
    ASSERT_EQ(messages.Seen().size(), 1u);
    EXPECT_EQ(messages.Seen()[0].text, QStringLiteral("second failure"));
    EXPECT_NE(StoredBounds(QStringLiteral("KxExceptionDlg")).Left, kxUnsetBound);

    // Once the handler is gone, the previous route (here the default display) is back.
    messages.Answer(id::Ok);
    KxHandleApplicationException(std::runtime_error("after"));
    EXPECT_EQ(messages.Seen().size(), 2u);
}

} // namespace

#include "exception_dialog_test.moc"
