#include "dialogs/report_window.h"

#include "dialogs/dialog_texts.h"
#include "dialogs/report_export.h"
#include "foundation/message_box.h"
#include "platform/system_colors.h"
#include "platform/window_bounds.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace kx {
namespace {

const QString kBoundsName = QStringLiteral("ReportForm");

QString ToLines(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

// Runs a bottom-bar action; a failure is reported, never left to escape into the event loop.
template <class F> void Guarded(F&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        KxMessageBox(KxExceptionMessage(e), svError);
    }
}

// The classic find dialog: a text, match case, whole word and a direction.
QDialog* MakeFindDialog(TKxReportDlg* report) {
    auto* dialog = new QDialog(report);
    dialog->setObjectName(QStringLiteral("FindDialog"));
    dialog->setWindowTitle(dlgtext::FindCaption());
    auto* what = new QLineEdit(dialog);
    what->setObjectName(QStringLiteral("FindWhat"));
    auto* label = new QLabel(dlgtext::FindWhat(), dialog);
    label->setBuddy(what);
    auto* matchCase = new QCheckBox(dlgtext::MatchCase(), dialog);
    matchCase->setObjectName(QStringLiteral("MatchCase"));
    auto* wholeWord = new QCheckBox(dlgtext::WholeWord(), dialog);
    wholeWord->setObjectName(QStringLiteral("WholeWord"));
    auto* direction = new QGroupBox(dlgtext::Direction(), dialog);
    auto* up = new QRadioButton(dlgtext::Up(), direction);
    up->setObjectName(QStringLiteral("Up"));
    auto* down = new QRadioButton(dlgtext::Down(), direction);
    down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up);
    directionLayout->addWidget(down);
    auto* findNext = new QPushButton(dlgtext::FindNext(), dialog);
    findNext->setObjectName(QStringLiteral("FindNext"));
    findNext->setDefault(true);
    auto* cancel = new QPushButton(dlgtext::Cancel(), dialog);

    auto* grid = new QVBoxLayout;
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(what);
    grid->addLayout(row);
    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(wholeWord);
    checks->addWidget(matchCase);
    options->addLayout(checks);
    options->addWidget(direction);
    grid->addLayout(options);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(findNext);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(dialog);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QObject::connect(findNext, &QPushButton::clicked, dialog, [=] {
        if (!report->FindText(what->text(), matchCase->isChecked(), wholeWord->isChecked(),
                              down->isChecked()))
            QApplication::beep();
    });
    return dialog;
}

} // namespace

TKxReportDlg::TKxReportDlg(IKxUnknown* store, QAction* menuItem, QAction* action, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(store), m_menuItem(menuItem), m_action(action) {
    setObjectName(QStringLiteral("KxReportDlg"));
    setWindowTitle(dlgtext::ReportCaption());
    setMinimumSize(350, 300);
    resize(350, 300);

    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(100); // soon enough to read as live, rare enough to batch
    connect(m_flushTimer, &QTimer::timeout, this, [this] { FlushPending(); });

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("ReportText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setUndoRedoEnabled(false);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont font(QStringLiteral("Lucida Console"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(12);
    m_text->setFont(font);
    // The selection stays visible while the find dialog has the focus.
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_text->setPalette(palette);
    m_text->installEventFilter(this);

    auto* bar = new QWidget(this);
    bar->setFixedHeight(36);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(4, 4, 4, 4);
    barLayout->setSpacing(2);
    auto* clear = AddBarButton(bar, QStringLiteral("ClearButton"), dlgtext::Clear(),
                               ThemeIcon("edit-clear", QStyle::SP_DialogResetButton));
    auto* print = AddBarButton(bar, QStringLiteral("PrintButton"), dlgtext::Print(),
                               ThemeIcon("document-print", QStyle::SP_ComputerIcon));
    auto* save = AddBarButton(bar, QStringLiteral("SaveButton"), dlgtext::SaveToFile(),
                              ThemeIcon("document-save", QStyle::SP_DialogSaveButton));
    auto* copy = AddBarButton(bar, QStringLiteral("CopyButton"), dlgtext::CopyToClipboard(),
                              ThemeIcon("edit-copy", QStyle::SP_FileDialogContentsView));
    auto* changeFont =
        AddBarButton(bar, QStringLiteral("FontButton"), dlgtext::ChangeFont(),
                     ThemeIcon("preferences-desktop-font", QStyle::SP_FileDialogInfoView));
    auto* search = AddBarButton(bar, QStringLiteral("SearchButton"), dlgtext::Search(),
                                ThemeIcon("edit-find", QStyle::SP_FileDialogDetailedView));
    m_wrapButton = AddBarButton(bar, QStringLiteral("WrapButton"), dlgtext::WrapLines(),
                                ThemeIcon("format-justify-fill", QStyle::SP_ArrowForward));
    m_wrapButton->setCheckable(true);
    barLayout->addStretch();
    auto* close = new QPushButton(dlgtext::Close(), bar);
    close->setObjectName(QStringLiteral("CloseButton"));
    barLayout->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_text);
    layout->addWidget(bar);

    connect(clear, &QToolButton::clicked, this, [this] { Clear(); });
    connect(print, &QToolButton::clicked, this, [this] { Guarded([this] { PrintWithDialog(); }); });
    connect(save, &QToolButton::clicked, this, [this] { Guarded([this] { SaveWithDialog(); }); });
    connect(copy, &QToolButton::clicked, this, [this] { CopyToClipboard(); });
    connect(changeFont, &QToolButton::clicked, this, [this] { ChangeFontWithDialog(); });
    connect(search, &QToolButton::clicked, this, [this] { ShowSearch(); });
    connect(m_wrapButton, &QToolButton::toggled, this, [this](bool on) { SetWrapLines(on); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    KxLoadWidgetBounds(this, m_store.get(), kBoundsName, TKxDefaultPosition::ScreenCenter);
}

TKxReportDlg::~TKxReportDlg() {
    if (isVisible())
        StoreBounds();
    MirrorVisibility(false);
}

QToolButton* TKxReportDlg::AddBarButton(QWidget* bar, const QString& name, const QString& hint,
                                        const QIcon& icon) {
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    bar->layout()->addWidget(button);
    return button;
}

void TKxReportDlg::AddText(const QString& text, TColor color, int size, unsigned style) {
    QTextCharFormat format;
    // The window's text colour is left unset, so the box paints it with the palette's text
    // colour of the moment: a dark theme shows it light, also after a theme change. Other
    // system colours have no such late binding in a text document and are resolved now.
    if (color != clWindowText)
        format.setForeground(KxToQColor(color, m_text->palette()));
    // Size 0 leaves the size to the box, so a later font change applies to these lines too.
    if (size > 0)
        format.setFontPointSize(size);
    format.setFontWeight(style & reportstyle::Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style & reportstyle::Italic);
    format.setFontUnderline(style & reportstyle::Underline);
    format.setFontStrikeOut(style & reportstyle::StrikeOut);

    m_pending.push_back({ToLines(text), format});
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
}

void TKxReportDlg::FlushPending() const {
    m_flushTimer->stop();
    if (m_pending.empty())
        return;
    QScrollBar* vertical = m_text->verticalScrollBar();
    const bool atBottom = vertical->value() == vertical->maximum();
    QTextDocument* document = m_text->document();
    const bool first = document->isEmpty();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (std::size_t i = 0; i < m_pending.size(); ++i) {
        const bool separate = !(first && i == 0);
        cursor.insertText(separate ? QStringLiteral("\n") + m_pending[i].text : m_pending[i].text,
                          m_pending[i].format);
    }
    cursor.endEditBlock();
    m_pending.clear();
    // The caret stays where the reader left it; only the very first line would drag it along
    // to the end, and a search would then start behind everything.
    if (first)
        m_text->moveCursor(QTextCursor::Start);
    // Follow the end only when the reader is there; someone reading earlier lines keeps them.
    if (atBottom)
        vertical->setValue(vertical->maximum());
}

void TKxReportDlg::Clear() {
    m_pending.clear();
    m_flushTimer->stop();
    m_text->clear();
}

void TKxReportDlg::BringToFront() {
    show();
    raise();
}

int TKxReportDlg::MaxLineCount() const {
    return m_text->maximumBlockCount();
}

void TKxReportDlg::SetMaxLineCount(int count) {
    m_text->setMaximumBlockCount(std::max(count, 0));
}

bool TKxReportDlg::WrapLines() const {
    return m_text->lineWrapMode() != QPlainTextEdit::NoWrap;
}

void TKxReportDlg::SetWrapLines(bool wrap) {
    m_text->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    m_wrapButton->setChecked(wrap);
}

void TKxReportDlg::Print(QPrinter* printer) const {
    FlushPending();
    // The printout starts with a title line; the window's own text stays as it is.
    std::unique_ptr<QTextDocument> copy(m_text->document()->clone());
    copy->setDefaultFont(m_text->font());
    QTextCursor cursor(copy.get());
    QTextCharFormat titleFormat;
    titleFormat.setFontWeight(QFont::Bold);
    cursor.insertText(dlgtext::PrintTitleFormat().arg(
                          windowTitle(), QLocale::system().toString(QDateTime::currentDateTime(),
                                                                    QLocale::ShortFormat)),
                      titleFormat);
    cursor.insertBlock();
    cursor.insertBlock();
    copy->print(printer);
}

void TKxReportDlg::SaveToFile(const QString& fileName) const {
    FlushPending();
    const bool rich = fileName.endsWith(QStringLiteral(".rtf"), Qt::CaseInsensitive);
    const QTextDocument& document = *m_text->document();
    KxWriteFileAtomically(fileName,
                          rich ? KxDocumentToRtf(document, m_text->font())
                               : KxDocumentToPlainLines(document),
                          QStringLiteral("TKxReportDlg.SaveToFile"));
}

void TKxReportDlg::CopyToClipboard() {
    FlushPending();
    m_text->selectAll();
    m_text->copy();
}

bool TKxReportDlg::FindText(const QString& text, bool matchCase, bool wholeWord, bool down) {
    FlushPending();
    QTextDocument::FindFlags flags;
    if (matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (wholeWord)
        flags |= QTextDocument::FindWholeWords;
    if (!down)
        flags |= QTextDocument::FindBackward;
    return !text.isEmpty() && m_text->find(text, flags);
}

QDialog* TKxReportDlg::ShowSearch() {
    if (!m_findDialog)
        m_findDialog = MakeFindDialog(this);
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
    return m_findDialog;
}

void TKxReportDlg::PrintWithDialog() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        Print(&printer);
}

namespace {

// A name typed without an extension gets the one of the file type chosen in the dialog, as
// the user expects from "Text Files": «log» becomes «log.txt» and is written as plain text.
// Qt's dialog only knows one fixed default suffix, so it is set from the chosen type at the
// moment the name is taken — before Qt checks the final name for the overwrite prompt.
class TReportSaveDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        setDefaultSuffix(KxFilterSuffix(selectedNameFilter(), QStringLiteral("rtf")));
        QFileDialog::accept();
    }
};

} // namespace

void TKxReportDlg::SaveWithDialog() {
    TReportSaveDialog dialog(this, dlgtext::SaveReportCaption());
    dialog.setObjectName(QStringLiteral("SaveReportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("rtf"));
    dialog.setNameFilters(
        {dlgtext::TextFilesFilter(), dlgtext::RichTextFilesFilter(), dlgtext::AllFilesFilter()});
    dialog.selectNameFilter(dlgtext::RichTextFilesFilter());
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        SaveToFile(dialog.selectedFiles().constFirst());
}

void TKxReportDlg::ChangeFontWithDialog() {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, m_text->font(), this);
    if (ok)
        m_text->setFont(font);
}

void TKxReportDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    MirrorVisibility(true);
}

void TKxReportDlg::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimising hides the window spontaneously; the report is still "shown" then.
    if (event->spontaneous())
        return;
    StoreBounds();
    MirrorVisibility(false);
}

bool TKxReportDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_F &&
            (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier)) {
            ShowSearch();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TKxReportDlg::MirrorVisibility(bool visible) {
    if (m_menuItem)
        m_menuItem->setChecked(visible);
    if (m_action)
        m_action->setChecked(visible);
}

void TKxReportDlg::StoreBounds() {
    if (!m_store)
        return;
    try {
        KxStoreWidgetBounds(this, m_store.get(), kBoundsName);
    } catch (const std::exception& e) {
        // Losing the window position is no reason to interrupt the user.
        KxTraceException(e, true);
    }
}

} // namespace kx
