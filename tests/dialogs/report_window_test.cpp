#include "dialogs/dialog_texts.h"
#include "dialogs/report_export.h"
#include "dialogs/report_window.h"
#include "dialogs_test_support.h"
#include "foundation/exceptions.h"
#include "platform/clipboard_text.h"
#include "support/file_fault_scopes.h"
#include "support/raised.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <map>

namespace {

using namespace kx;

class ReportWindowTest : public kx::test::DialogsTest {
protected:
    QToolButton* BarButton(TKxReportDlg& report, const char* name) {
        auto* button = report.findChild<QToolButton*>(QString::fromLatin1(name));
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
    static QStringList Lines(const TKxReportDlg& report) {
        QStringList lines;
        const QTextDocument* document = report.TextBox()->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            lines << block.text();
        return lines;
    }
    static QColor LineColor(const TKxReportDlg& report, int line) {
        const QTextBlock block = report.TextBox()->document()->findBlockByNumber(line);
        return block.begin().fragment().charFormat().foreground().color();
    }
    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The three colours of the execution log: black statement, blue result, red error.
    void AddLogEntries(TKxReportDlg& report) {
        report.AddText(QStringLiteral("UPDATE t SET name = 'Grüße {x}'\r\n\r\n"), 0x000000);
        report.AddText(QStringLiteral("Records affected: 3\r\n\r\n"), 0xFF0000);
        report.AddText(QStringLiteral("no such table: t\r\n\r\n"), 0x0000FF);
    }
};

TEST_F(ReportWindowTest, EntriesAreAppendedAsColouredLinesFollowedByBlankLines) {
    TKxReportDlg report(&store);
    AddLogEntries(report);
    const QStringList expected{QStringLiteral("UPDATE t SET name = 'Grüße {x}'"),
                               QString(),
                               QString(),
                               QStringLiteral("Records affected: 3"),
                               QString(),
                               QString(),
                               QStringLiteral("no such table: t"),
                               QString(),
                               QString()};
    EXPECT_EQ(Lines(report), expected);
    EXPECT_EQ(LineColor(report, 0), QColor(0, 0, 0));
    EXPECT_EQ(LineColor(report, 3), QColor(0, 0, 255));
    EXPECT_EQ(LineColor(report, 6), QColor(255, 0, 0));

    report.AddText(QStringLiteral("big"), 0x00FF00, 20, reportstyle::Bold | reportstyle::Italic);
    const QTextCharFormat format =
        report.TextBox()->document()->lastBlock().begin().fragment().charFormat();
    EXPECT_EQ(format.fontPointSize(), 20);
    EXPECT_EQ(format.fontWeight(), QFont::Bold);
    EXPECT_TRUE(format.fontItalic());
    EXPECT_FALSE(format.fontUnderline());

    BarButton(report, "ClearButton")->click();
    EXPECT_TRUE(report.TextBox()->document()->isEmpty());
    report.AddText(QStringLiteral("again"), 0);
    EXPECT_EQ(Lines(report), QStringList{QStringLiteral("again")}) << "no blank line before it";
}

TEST_F(ReportWindowTest, MaximumLineCountDropsTheOldestLines) {
    TKxReportDlg report(&store);
    report.SetMaxLineCount(3);
    for (int i = 1; i <= 5; ++i)
        report.AddText(QStringLiteral("line %1").arg(i), 0);
    EXPECT_EQ(Lines(report), (QStringList{QStringLiteral("line 3"), QStringLiteral("line 4"),
                                          QStringLiteral("line 5")}));
}

TEST_F(ReportWindowTest, SavesPlainLinesWithCrLfAndRichTextWithTheColours) {
    TKxReportDlg report(&store);
    AddLogEntries(report);

    report.SaveToFile(Path(QStringLiteral("log.txt")));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("log.txt"))),
              QStringLiteral("UPDATE t SET name = 'Grüße {x}'\r\n\r\n\r\n"
                             "Records affected: 3\r\n\r\n\r\n"
                             "no such table: t\r\n\r\n\r\n")
                  .toUtf8());

    report.SaveToFile(Path(QStringLiteral("log.RTF")));
    const QByteArray rtf = ReadFile(Path(QStringLiteral("log.RTF")));
    ASSERT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.constData();
    // Groups nest properly and the outer group closes at the very end.
    int depth = 0;
    qsizetype outerClosedAt = -1;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i; // an escaped brace is text, not a group
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}') {
            ASSERT_GT(depth, 0) << i;
            if (--depth == 0 && outerClosedAt < 0)
                outerClosedAt = i;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(outerClosedAt, rtf.trimmed().size() - 1);
    for (char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "RTF is 7-bit text";

    // Colour table entries by index, then the colour each line is written in.
    const QRegularExpression table(
        QStringLiteral(R"(\{\\colortbl ;((?:\\red\d+\\green\d+\\blue\d+;)*)\})"));
    const auto tableMatch = table.match(QString::fromLatin1(rtf));
    ASSERT_TRUE(tableMatch.hasMatch());
    std::map<int, QColor> colors;
    const QRegularExpression entry(QStringLiteral(R"(\\red(\d+)\\green(\d+)\\blue(\d+);)"));
    int index = 1;
    for (const auto& m : entry.globalMatch(tableMatch.captured(1)))
        colors[index++] =
            QColor(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    EXPECT_EQ(colors.size(), 3u);
    const auto colorOf = [&](const QString& text) {
        const QRegularExpression run(QStringLiteral(R"(\{\\cf(\d+)\\fs\d+ )") +
                                     QRegularExpression::escape(text));
        const auto m = run.match(QString::fromLatin1(rtf));
        return m.hasMatch() ? colors[m.captured(1).toInt()] : QColor();
    };
    EXPECT_EQ(colorOf(QStringLiteral(R"(UPDATE t SET name = 'Gr\u252?\u223?e \{x\}')")),
              QColor(0, 0, 0));
    EXPECT_EQ(colorOf(QStringLiteral("Records affected: 3")), QColor(0, 0, 255));
    EXPECT_EQ(colorOf(QStringLiteral("no such table: t")), QColor(255, 0, 0));
    EXPECT_EQ(rtf.count("\\par\r\n"), 9) << "one paragraph per line";
}

TEST_F(ReportWindowTest, AFailedSaveRaisesInsteadOfReportingSuccess) {
    TKxReportDlg report(&store);
    AddLogEntries(report);
    EXPECT_THROW(report.SaveToFile(Path(QStringLiteral("missing/dir/log.txt"))), EKxException);
    EXPECT_THROW(report.SaveToFile(dir.path()), EKxException) << "a folder is no file";
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST_F(ReportWindowTest, AFullDiskOrAWriteProtectedFolderKeepsTheOldReport) {
    TKxReportDlg report(&store);
    for (int i = 0; i < 200; ++i)
        AddLogEntries(report); // far more than the limit below
    // A folder of its own: the settings file beside the others is not part of this.
    const QString folder = Path(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    test::OpenToOthers(dir.path());
    test::OpenToOthers(folder);
    const QString file = QDir(folder).filePath(QStringLiteral("log.rtf"));
    const QByteArray old("{\\rtf1 old report}");
    {
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write(old);
    }
    const auto expectRefused = [&](const QString& name, const QString& reason) {
        const EKxException e = test::Raised([&] { report.SaveToFile(name); });
        EXPECT_EQ(e.GetMessage(), dlgtext::CannotWriteFile().arg(name, reason));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("TKxReportDlg.SaveToFile"));
        EXPECT_EQ(ReadFile(file), old);
        EXPECT_EQ(test::FolderEntries(folder), QStringList{QStringLiteral("log.rtf")});
    };
    {
        test::FileSizeLimitScope limit(4096);
        expectRefused(file, QStringLiteral("File too large"));
        expectRefused(QDir(folder).filePath(QStringLiteral("log.txt")),
                      QStringLiteral("File too large"));
    }
    {
        test::WriteProtectionScope protection(folder);
        expectRefused(file, QStringLiteral("Existing file %1 is not writable").arg(file));
        expectRefused(QDir(folder).filePath(QStringLiteral("log.txt")),
                      QStringLiteral("Permission denied"));
    }
    report.SaveToFile(file);
    EXPECT_TRUE(ReadFile(file).startsWith("{\\rtf1\\ansi")) << "saved once the fault is gone";
}

TEST_F(ReportWindowTest, VisibilityIsMirroredToTheMenuItemAndTheAction) {
    QAction menuItem;
    QAction action;
    menuItem.setCheckable(true);
    action.setCheckable(true);
    auto report = std::make_unique<TKxReportDlg>(&store, &menuItem, &action);
    report->BringToFront();
    EXPECT_TRUE(report->isVisible());
    EXPECT_TRUE(menuItem.isChecked());
    EXPECT_TRUE(action.isChecked());
    report->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    EXPECT_FALSE(report->isVisible());
    EXPECT_FALSE(menuItem.isChecked());
    EXPECT_FALSE(action.isChecked());
    report->show();
    EXPECT_TRUE(action.isChecked());
    report.reset();
    EXPECT_FALSE(action.isChecked()) << "a destroyed report is not shown";
}

TEST_F(ReportWindowTest, BoundsAreStoredUnderReportFormAndRestored) {
    {
        TKxReportDlg report(&store);
        EXPECT_EQ(report.size(), QSize(350, 300));
        EXPECT_EQ(report.minimumSize(), QSize(350, 300));
        report.show();
        report.setGeometry(40, 50, 500, 400);
        report.hide();
    }
    const TKxBounds bounds = StoredBounds(QStringLiteral("ReportForm"));
    EXPECT_EQ(bounds.Left, 40);
    EXPECT_EQ(bounds.Top, 50);
    EXPECT_EQ(bounds.Right, 540);
    TKxReportDlg again(&store);
    EXPECT_EQ(again.geometry(), QRect(40, 50, 500, 400));
}

TEST_F(ReportWindowTest, KeyFOpensTheFindDialogWhichSelectsMatchesBothWays) {
    TKxReportDlg report(&store);
    report.AddText(QStringLiteral("select name from t"), 0);
    report.AddText(QStringLiteral("SELECT names FROM t"), 0);
    report.AddText(QStringLiteral("Select name"), 0);
    report.show();
    kx::test::KeyClick(report.TextBox(), Qt::Key_F);
    auto* find = report.findChild<QDialog*>(QStringLiteral("FindDialog"));
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isVisible());
    EXPECT_EQ(Lines(report).size(), 3) << "the key must not reach the text";

    find->findChild<QLineEdit*>(QStringLiteral("FindWhat"))->setText(QStringLiteral("name"));
    find->findChild<QCheckBox*>(QStringLiteral("WholeWord"))->setChecked(true);
    auto* next = find->findChild<QPushButton*>(QStringLiteral("FindNext"));
    const auto selectedLine = [&] {
        const QTextCursor cursor = report.TextBox()->textCursor();
        return cursor.hasSelection() ? cursor.block().blockNumber() : -1;
    };
    next->click();
    EXPECT_EQ(selectedLine(), 0);
    next->click();
    EXPECT_EQ(selectedLine(), 2) << "whole word skips \"names\"";

    find->findChild<QCheckBox*>(QStringLiteral("WholeWord"))->setChecked(false);
    find->findChild<QRadioButton*>(QStringLiteral("Up"))->setChecked(true);
    next->click();
    EXPECT_EQ(selectedLine(), 1);

    EXPECT_FALSE(report.FindText(QStringLiteral("select"), true, false, true))
        << "nothing lower-case after line 1";
    EXPECT_TRUE(report.FindText(QStringLiteral("select"), true, false, false));
    EXPECT_EQ(selectedLine(), 0);
}

TEST_F(ReportWindowTest, WrapCopyAndPrintFromTheBottomBar) {
    TKxReportDlg report(&store);
    AddLogEntries(report);
    EXPECT_FALSE(report.WrapLines());
    BarButton(report, "WrapButton")->click();
    EXPECT_TRUE(report.WrapLines());
    EXPECT_TRUE(BarButton(report, "WrapButton")->isChecked());
    BarButton(report, "WrapButton")->click();
    EXPECT_EQ(report.TextBox()->lineWrapMode(), QPlainTextEdit::NoWrap);

    KxSetClipboardText(QString());
    BarButton(report, "CopyButton")->click();
    EXPECT_EQ(KxClipboardText(), report.TextBox()->toPlainText());
    EXPECT_TRUE(KxClipboardText().startsWith(QStringLiteral("UPDATE t SET")));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Path(QStringLiteral("report.pdf")));
    report.Print(&printer);
    const QByteArray pdf = ReadFile(printer.outputFileName());
    EXPECT_TRUE(pdf.startsWith("%PDF")) << pdf.size();
    EXPECT_EQ(report.TextBox()->document()->blockCount(), 9) << "printing leaves the text alone";
}

TEST_F(ReportWindowTest, DefaultTextFollowsThePaletteAndIsSavedInTheAutomaticColour) {
    TKxReportDlg report(&store);
    QPalette dark = report.palette();
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::Text, QColor(0xF0, 0xF0, 0xF0));
    report.setPalette(dark);
    report.AddText(QStringLiteral("select count(*) from orders where amount > 100"), clWindowText);
    report.AddText(QStringLiteral("Records affected: 3"), 0xFF0000);
    report.show();
    QApplication::processEvents();
    EXPECT_FALSE(
        report.TextBox()->document()->firstBlock().begin().fragment().charFormat().hasProperty(
            QTextFormat::ForegroundBrush))
        << "the window's text colour is taken from the palette when the line is painted";
    EXPECT_EQ(LineColor(report, 1), QColor(0, 0, 255));

    // Painted: light strokes on the dark box, in the first line only the palette's colours.
    const QImage image = report.TextBox()->viewport()->grab().toImage();
    const int lineHeight = QFontMetrics(report.TextBox()->font()).height();
    int light = 0;
    int other = 0;
    for (int y = 0; y < lineHeight + 2; ++y)
        for (int x = 0; x < image.width() / 2; ++x) {
            const QColor c = image.pixelColor(x, y);
            const int brightness = (c.red() + c.green() + c.blue()) / 3;
            light += brightness > 0xA0;
            other += c.red() != c.green() || c.green() != c.blue();
        }
    EXPECT_GT(light, 20);
    EXPECT_EQ(other, 0) << "grey ink only: no fixed colour in the default text";
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 2), QColor(0x1E, 0x1E, 0x1E));

    report.SaveToFile(Path(QStringLiteral("log.rtf")));
    const QByteArray rtf = ReadFile(Path(QStringLiteral("log.rtf")));
    EXPECT_TRUE(QString::fromLatin1(rtf).contains(
        QRegularExpression(QStringLiteral(R"(\{\\cf0\\fs\d+ select count)"))))
        << rtf.constData();
}

TEST_F(ReportWindowTest, ABareNameIsSavedWithTheExtensionOfTheChosenFileType) {
    TKxReportDlg report(&store);
    AddLogEntries(report);
    report.show();
    const auto saveAs = [&](const QString& filter, const QString& name) {
        bool answered = false;
        QTimer::singleShot(0, &report, [&] {
            auto* dialog = report.findChild<QFileDialog*>(QStringLiteral("SaveReportDialog"));
            if (dialog == nullptr || !dialog->isVisible())
                return;
            dialog->setDirectory(dir.path());
            dialog->selectNameFilter(filter);
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            edit->setText(name);
            // Enter in the name box, as the user finishes the dialog.
            kx::test::KeyClick(edit, Qt::Key_Return);
            answered = !dialog->isVisible();
            if (!answered)
                dialog->reject();
        });
        BarButton(report, "SaveButton")->click();
        return answered;
    };

    ASSERT_TRUE(saveAs(dlgtext::TextFilesFilter(), QStringLiteral("log")));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("log"))));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("log.rtf"))));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("log.txt"))),
              QStringLiteral("UPDATE t SET name = 'Grüße {x}'\r\n\r\n\r\n"
                             "Records affected: 3\r\n\r\n\r\n"
                             "no such table: t\r\n\r\n\r\n")
                  .toUtf8());

    ASSERT_TRUE(saveAs(dlgtext::RichTextFilesFilter(), QStringLiteral("rich")));
    EXPECT_TRUE(ReadFile(Path(QStringLiteral("rich.rtf"))).startsWith("{\\rtf1"));
    ASSERT_TRUE(saveAs(dlgtext::TextFilesFilter(), QStringLiteral("named.log")));
    EXPECT_TRUE(QFileInfo::exists(Path(QStringLiteral("named.log"))))
        << "a name with an extension of its own keeps it";

    EXPECT_EQ(KxFilterSuffix(dlgtext::AllFilesFilter(), QStringLiteral("rtf")),
              QStringLiteral("rtf"));
    EXPECT_EQ(KxFilterSuffix(QStringLiteral("Scripts (*.sql *.txt)"), QString()),
              QStringLiteral("sql"));
}

} // namespace
