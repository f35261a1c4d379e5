#include "dialogs/about_form.h"

#include "dialogs/dialog_texts.h"
#include "kx_version.h"
#include "platform/window_bounds.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kx {
namespace {

const QString kBoundsName = QStringLiteral("AboutForm");
QPointer<TKxAboutForm> theInstance;

QLabel* ValueLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

TKxAboutForm::TKxAboutForm(IKxUnknown* store, const QString& programName, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(store) {
    setObjectName(kBoundsName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(dlgtext::AboutCaption());
    resize(350, 350);

    m_pages = new QTabWidget(this);
    auto* information = new QWidget(m_pages);
    information->setObjectName(QStringLiteral("InformationPage"));
    auto* rows = new QFormLayout(information);
    const auto row = [&](const QString& name, QWidget* value) {
        rows->addRow(name + QLatin1Char(':'), value);
    };
    row(dlgtext::ProgramRow(), ValueLabel(programName, information));
    row(dlgtext::VersionRow(), ValueLabel(QStringLiteral(KX_VERSION_STRING), information));
    row(dlgtext::FileRow(), ValueLabel(QCoreApplication::applicationFilePath(), information));
    row(dlgtext::QtVersionRow(), ValueLabel(QString::fromLatin1(qVersion()), information));
    auto* web = new QLabel(information);
    web->setObjectName(QStringLiteral("WebLink"));
    const QString page = dlgtext::MakerWebPage();
    web->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(page.toHtmlEscaped()));
    web->setTextFormat(Qt::RichText);
    web->setOpenExternalLinks(true);
    row(dlgtext::Web(), web);
    m_pages->addTab(information, dlgtext::InformationPage());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pages);

    KxLoadWidgetBounds(this, m_store.get(), kBoundsName, TKxDefaultPosition::ScreenCenter);
}

TKxAboutForm::~TKxAboutForm() = default;

void TKxAboutForm::AddPage(QWidget* page, const QString& title) {
    m_pages->addTab(page, title);
}

TKxAboutForm* TKxAboutForm::ShowInstance(IKxUnknown* store, const QString& programName,
                                         const std::function<void(TKxAboutForm&)>& addPages,
                                         QWidget* parent) {
    if (!theInstance) {
        theInstance = new TKxAboutForm(store, programName, parent);
        if (addPages)
            addPages(*theInstance);
    }
    theInstance->show();
    theInstance->raise();
    theInstance->activateWindow();
    return theInstance;
}

void TKxAboutForm::closeEvent(QCloseEvent* event) {
    if (m_store) {
        try {
            KxStoreWidgetBounds(this, m_store.get(), kBoundsName);
        } catch (...) {
            // A window position is not worth an error on the way out.
        }
    }
    QWidget::closeEvent(event);
}

} // namespace kx
