#include "dialogs/exception_dialog.h"

#include "dialogs/dialog_texts.h"
#include "foundation/exception_information.h"
#include "foundation/message_box.h"
#include "platform/clipboard_text.h"
#include "platform/window_bounds.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kx {
namespace {

const QString kBoundsName = QStringLiteral("KxExceptionDlg");

QStyle::StandardPixmap SeverityIcon(TKxSeverityLevel severity) {
    switch (severity) {
    case svInformation:
        return QStyle::SP_MessageBoxInformation;
    case svConfirm:
        return QStyle::SP_MessageBoxQuestion;
    case svWarning:
        return QStyle::SP_MessageBoxWarning;
    default:
        return QStyle::SP_MessageBoxCritical;
    }
}

QString OrQuestionMark(const QString& text) {
    return text.isEmpty() ? QStringLiteral("?") : text;
}

// A failure inside the dialog goes to the plain message box: another exception dialog on
// top of this one would only repeat the trouble.
template <class F> void Guarded(F&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        KxMessageBox(KxExceptionMessage(e), svError);
    }
}

Qt::Alignment ToQt(TKxColumnAlignment alignment) {
    switch (alignment) {
    case TKxColumnAlignment::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case TKxColumnAlignment::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

// ---- TKxMsgBaseDlg

TKxMsgBaseDlg::TKxMsgBaseDlg(QWidget* parent) : QDialog(parent) {
    m_header = new QWidget(this);
    m_header->setFixedHeight(113);

    m_body = new QTextEdit(this);
    m_body->setObjectName(QStringLiteral("BodyText"));
    m_body->setReadOnly(true);
    QFont bold = m_body->font();
    bold.setBold(true);
    m_body->setFont(bold);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("BodyList"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->hide();

    m_bar = new QWidget(this);
    m_bar->setFixedHeight(33);
    auto* barLayout = new QHBoxLayout(m_bar);
    barLayout->setContentsMargins(4, 2, 4, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);
    layout->addWidget(m_header);
    layout->addWidget(m_body, 1);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_bar);
}

void TKxMsgBaseDlg::SetBodyMode(int mode) {
    m_bodyMode = mode == 1 ? 1 : 0;
    m_body->setVisible(m_bodyMode == 0);
    m_list->setVisible(m_bodyMode == 1);
}

QString TKxMsgBaseDlg::BodyText() const {
    return m_body->toPlainText();
}

void TKxMsgBaseDlg::SetBodyText(const QString& text) {
    m_body->setPlainText(text);
}

void TKxMsgBaseDlg::SetListColumns(const std::vector<TKxColumnDesc>& columns) {
    QStringList titles;
    for (const TKxColumnDesc& column : columns)
        titles << column.Title;
    m_list->setColumnCount(int(columns.size()));
    m_list->setHeaderLabels(titles);
    for (int i = 0; i < int(columns.size()); ++i) {
        if (columns[i].Width > 0)
            m_list->setColumnWidth(i, columns[i].Width);
        m_list->headerItem()->setTextAlignment(i, ToQt(columns[i].Alignment));
    }
}

void TKxMsgBaseDlg::AddListRow(const QStringList& row) {
    auto* item = new QTreeWidgetItem(m_list, row);
    for (int i = 0; i < row.size() && i < m_list->columnCount(); ++i) {
        item->setTextAlignment(i, Qt::Alignment(m_list->headerItem()->textAlignment(i)));
        item->setToolTip(i, row[i]);
    }
}

// ---- TKxExceptionDlg

TKxExceptionDlg::TKxExceptionDlg(const std::exception* exception, IKxUnknown* store,
                                 QWidget* parent)
    : TKxMsgBaseDlg(parent), m_store(store) {
    setObjectName(kBoundsName);
    if (exception != nullptr)
        m_info = KxMake<TKxExceptionInformation>(exception);
    setWindowTitle(dlgtext::ExceptionCaptionFormat().arg(QCoreApplication::applicationFilePath()));
    BuildHeader();
    SetBodyText(KxBuildExceptionText(m_info.get(), false));
    if (const auto* details = dynamic_cast<const IKxTabularDetails*>(exception)) {
        details->EnumColumns(
            [this](const std::vector<TKxColumnDesc>& columns) { SetListColumns(columns); });
        details->EnumRows([this](const QStringList& row) { AddListRow(row); });
        SetBodyMode(1);
    }

    auto* bar = BottomBar()->layout();
    auto* print = new QPushButton(dlgtext::Print(), BottomBar());
    print->setObjectName(QStringLiteral("PrintButton"));
    auto* copy = new QPushButton(dlgtext::CopyToClipboard(), BottomBar());
    copy->setObjectName(QStringLiteral("CopyButton"));
    auto* send = new QPushButton(
        dlgtext::SendThisExceptionTo() + QLatin1Char(' ') + dlgtext::SupportName(), BottomBar());
    send->setObjectName(QStringLiteral("SendButton"));
    auto* close = new QPushButton(dlgtext::Close(), BottomBar());
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setDefault(true);
    bar->addWidget(print);
    bar->addWidget(copy);
    bar->addWidget(send);
    static_cast<QHBoxLayout*>(bar)->addStretch();
    bar->addWidget(close);

    connect(print, &QPushButton::clicked, this, [this] {
        Guarded([this] {
            QPrinter printer;
            QPrintDialog dialog(&printer, this);
            if (dialog.exec() == QDialog::Accepted)
                Print(&printer);
        });
    });
    connect(copy, &QPushButton::clicked, this, [this] { CopyToClipboard(); });
    connect(send, &QPushButton::clicked, this, [this] { SendToSupport(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    // 320 x 255 at least, and never so narrow that the bottom bar cuts its captions.
    const QSize least = layout()->minimumSize().expandedTo(QSize(320, 255));
    setMinimumSize(least);
    resize(least);
    KxLoadWidgetBounds(this, m_store.get(), kBoundsName, TKxDefaultPosition::ScreenCenter);
}

TKxExceptionDlg::~TKxExceptionDlg() = default;

void TKxExceptionDlg::BuildHeader() {
    const TKxSeverityLevel severity = m_info ? m_info->GetSeverityLevel() : svError;
    auto* icon = new QLabel(Header());
    icon->setObjectName(QStringLiteral("SeverityIcon"));
    icon->setPixmap(style()->standardIcon(SeverityIcon(severity)).pixmap(32, 32));
    icon->setFixedSize(32, 32);

    const auto text = [this](QString (IKxExceptionInformation::*get)() const) {
        return m_info ? OrQuestionMark((m_info.get()->*get)()) : QStringLiteral("?");
    };
    QString address = QStringLiteral("?");
    if (m_info && m_info->GetExceptionAddress() != nullptr) {
        const auto value = reinterpret_cast<quintptr>(m_info->GetExceptionAddress());
        address = QStringLiteral("$%1 (%2)").arg(QString::number(value, 16).toUpper()).arg(value);
    }
    const std::pair<QString, QString> rows[] = {
        {dlgtext::ExceptionClass(), text(&IKxExceptionInformation::GetExceptionClassName)},
        {dlgtext::ObjectName(), text(&IKxExceptionInformation::GetObjectName)},
        {dlgtext::ObjectClass(), text(&IKxExceptionInformation::GetObjectClassName)},
        {dlgtext::RoutineName(), text(&IKxExceptionInformation::GetRoutineName)},
        {dlgtext::ExceptionAddress(), address},
    };

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    int index = 0;
    for (const auto& [label, value] : rows) {
        grid->addWidget(new QLabel(label + QLatin1Char(':'), Header()), index, 0);
        auto* field = new QLabel(value, Header());
        field->setObjectName(QStringLiteral("HeaderValue%1").arg(index));
        field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        field->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont bold = field->font();
        bold.setBold(true);
        field->setFont(bold);
        QPalette palette = field->palette();
        palette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80)); // navy
        field->setPalette(palette);
        field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        grid->addWidget(field, index, 1);
        ++index;
    }
    grid->setColumnStretch(1, 1);
    auto* layout = new QHBoxLayout(Header());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(grid, 1);
}

void TKxExceptionDlg::Print(QPrinter* printer) {
    QPainter painter;
    if (!painter.begin(printer))
        KxRaise(dlgtext::PrinterNotStarted(), QStringLiteral("TKxExceptionDlg.Print"),
                KxObjectDescription(this));
    // The form as it looks, scaled to fit the page.
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    const qreal scale = std::min(page.width() / width(), page.height() / height());
    painter.scale(scale, scale);
    render(&painter);
    painter.end();
}

void TKxExceptionDlg::CopyToClipboard() {
    Guarded([this] { KxSetClipboardText(KxBuildExceptionText(m_info.get(), true)); });
}

QUrl TKxExceptionDlg::SupportMailUrl() const {
    const QString body = dlgtext::MailBodyFormat().arg(KxBuildExceptionText(m_info.get(), true));
    QByteArray url = "mailto:" + QUrl::toPercentEncoding(dlgtext::SupportMailAddress(), "@");
    url += "?subject=" + QUrl::toPercentEncoding(dlgtext::MailSubject());
    url += "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(url, QUrl::StrictMode);
}

void TKxExceptionDlg::SendToSupport() {
    Guarded([this] {
        // The desktop's mail program gets the finished mail to compose; whether the user
        // then sends or discards it is theirs to decide and no error of ours.
        if (!QDesktopServices::openUrl(SupportMailUrl()))
            KxMessageBox(dlgtext::MailErrorFormat().arg(QStringLiteral("QDesktopServices::openUrl"),
                                                        QStringLiteral("1"), QStringLiteral("1")),
                         svWarning);
    });
}

void TKxExceptionDlg::showEvent(QShowEvent* event) {
    TKxMsgBaseDlg::showEvent(event);
    // The desktop offers one alert sound; every severity plays it.
    if (!event->spontaneous())
        QApplication::beep();
}

void TKxExceptionDlg::done(int result) {
    StoreBounds();
    TKxMsgBaseDlg::done(result);
}

void TKxExceptionDlg::StoreBounds() {
    if (!m_store)
        return;
    try {
        KxStoreWidgetBounds(this, m_store.get(), kBoundsName);
    } catch (...) {
        // The bounds are a convenience; failing to keep them is not worth a message.
    }
}

// ---- TKxExceptionHandlerObj

TKxExceptionHandlerObj::TKxExceptionHandlerObj(IKxUnknown* store) : m_store(store) {
    m_previous = KxSetApplicationExceptionHandler(
        [this](const std::exception& exception) { HandleException(exception); });
}

TKxExceptionHandlerObj::~TKxExceptionHandlerObj() {
    KxSetApplicationExceptionHandler(m_previous);
}

void TKxExceptionHandlerObj::PassOn(const std::exception& exception) {
    if (m_previous)
        m_previous(exception);
    else
        KxMessageBox(KxExceptionMessage(exception), svError);
}

void TKxExceptionHandlerObj::HandleException(const std::exception& exception) {
    if (m_showing || QCoreApplication::closingDown() ||
        qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        PassOn(exception);
        return;
    }
    m_showing = true;
    try {
        TKxExceptionDlg dialog(&exception, m_store.get(), QApplication::activeWindow());
        dialog.exec();
    } catch (const std::exception& e) {
        m_showing = false;
        KxMessageBox(KxExceptionMessage(e), svError);
        return;
    }
    m_showing = false;
}

} // namespace kx
