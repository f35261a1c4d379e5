#include "app/settings_dialog.h"

#include "app/application_settings.h"
#include "app/execution_log.h"
#include "app/main_window.h"
#include "datactrls/grid_properties.h"
#include "dialogs/color_picker.h"
#include "dialogs/connection_properties_frame.h"
#include "dialogs/recordset_properties_frame.h"
#include "foundation/persistent_data.h"
#include "odbc/odbc_recordset.h"
#include "platform/event_guard.h"
#include "platform/window_bounds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxSettingsDlg", text);
}

const QString kBoundsName = QStringLiteral("SettingsDialog");

// A label that gives the keyboard to its control with Alt and the underlined letter.
QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TSettingsDlg::TSettingsDlg(TMainWindow& owner) : QDialog(&owner), m_owner(owner) {
    setObjectName(QStringLiteral("SettingsDlg"));
    setWindowTitle(Tr("Settings"));
    // A plain dialog window over the main window rather than a Qt::Tool window: Qt routes the
    // keys of an active tool window's mnemonics to its parent, so Alt+E here would open the
    // main window's Edit menu instead of reaching "Data grid even row color:".
    setModal(false);
    setMinimumSize(315, 570);
    resize(420, 600); // room for the three page tabs until the user sizes it

    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("SettingsPages"));
    m_pages->addTab(BuildGeneralPage(), Tr("General"));

    auto* recordsetPage = new QScrollArea(m_pages);
    recordsetPage->setObjectName(QStringLiteral("PageRSProperties"));
    recordsetPage->setWidgetResizable(true);
    recordsetPage->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_recordsetFrame = new TRecordsetPropertyFrame(recordsetPage);
    recordsetPage->setWidget(m_recordsetFrame);
    m_pages->addTab(recordsetPage, Tr("SQL Statement"));

    auto* connectionPage = new QWidget(m_pages);
    connectionPage->setObjectName(QStringLiteral("PageConnectionProperties"));
    auto* connectionLayout = new QVBoxLayout(connectionPage);
    m_connectionFrame = new TKxOdbcCnPropFrame(connectionPage);
    connectionLayout->addWidget(m_connectionFrame);
    connectionLayout->addStretch(1);
    m_pages->addTab(connectionPage, Tr("Current Connection"));
    layout->addWidget(m_pages, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    auto* close = new QPushButton(Tr("&Close"), this);
    close->setObjectName(QStringLiteral("BtnClose"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    m_recordsetFrame->SetRecordset(&m_owner.ResultSet());
    m_connectionFrame->SetConnection(m_owner.CurrentConnection());
    // The data source typed here renames the connection: title and menus follow.
    m_connectionFrame->OnDataSourceChange = [this] { m_owner.ConnectionStringChanged(); };
    LoadGeneralPage();
    KxLoadWidgetBounds(this, &m_owner.Store(), kBoundsName, TKxDefaultPosition::ScreenCenter);
}

TSettingsDlg::~TSettingsDlg() {
    KxStoreWidgetBounds(this, &m_owner.Store(), kBoundsName);
    m_connectionFrame->OnDataSourceChange = nullptr;
}

QWidget* TSettingsDlg::BuildGeneralPage() {
    auto* page = new QWidget(m_pages);
    page->setObjectName(QStringLiteral("PageGeneral"));
    auto* layout = new QVBoxLayout(page);

    m_errorAction = new QComboBox(page);
    m_errorAction->setObjectName(QStringLiteral("ComboBoxErrorAction"));
    m_errorAction->addItems({Tr("Continue Operation"), Tr("Ask User"), Tr("Abort Operation")});
    layout->addWidget(Caption(Tr("Script p&rocessing Error Action:"), m_errorAction, page));
    layout->addWidget(m_errorAction);

    m_logAttributes = new QListWidget(page);
    m_logAttributes->setObjectName(QStringLiteral("ListBoxLogAttributes"));
    for (const QString& caption : KxLogAttributeCaptions()) {
        auto* item = new QListWidgetItem(caption, m_logAttributes);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    layout->addWidget(Caption(Tr("Write to &log Window:"), m_logAttributes, page));
    m_logAttributes->setFixedHeight(m_logAttributes->sizeHintForRow(0) * kxLogAttributeCount +
                                    2 * m_logAttributes->frameWidth() + 2);
    layout->addWidget(m_logAttributes);

    m_directiveComment = new QCheckBox(Tr("&Treat  #  character as line comment"), page);
    m_directiveComment->setObjectName(QStringLiteral("CheckBoxDirectiveComment"));
    m_directiveComment->setToolTip(
        Tr("MS-Access uses this character in date literals.\nThis conflicts with SQL scripts "
           "generated by C++ preprocessors for macro replacements"));
    layout->addWidget(m_directiveComment);

    m_currentStatementColor = new TKxColorPicker(page);
    m_currentStatementColor->setObjectName(QStringLiteral("ColorPickerCurrStmtBkgnd"));
    layout->addWidget(
        Caption(Tr("Current &statement Background Color:"), m_currentStatementColor, page));
    layout->addWidget(m_currentStatementColor);
    m_evenRowColor = new TKxColorPicker(page);
    m_evenRowColor->setObjectName(QStringLiteral("ColorPickerEvenRowColor"));
    layout->addWidget(Caption(Tr("Data grid &even row color:"), m_evenRowColor, page));
    layout->addWidget(m_evenRowColor);
    layout->addStretch(1);

    TKxPersistentData& store = m_owner.Store();
    connect(m_errorAction, &QComboBox::currentIndexChanged, this, [this, &store](int index) {
        if (!m_loading)
            KxGuardCall(
                [&] { store.WriteValue(sidErrorAction, KxVariant(std::clamp(index, 0, 2))); });
    });
    connect(m_logAttributes, &QListWidget::itemChanged, this, [this] {
        if (!m_loading)
            KxGuardCall([&] { StoreLogAttributes(); });
    });
    connect(m_directiveComment, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_loading)
            KxGuardCall([&] { m_owner.SetDirectiveComment(on); });
    });
    m_currentStatementColor->OnChange = [this](TColor color) {
        m_owner.SetCurrentStatementColor(color);
    };
    m_evenRowColor->OnChange = [this](TColor color) { m_owner.SetEvenRowColor(color); };
    return page;
}

void TSettingsDlg::LoadGeneralPage() {
    m_loading = true;
    TKxPersistentData& store = m_owner.Store();
    const int attributes = KxReadLogAttributes(store);
    for (int row = 0; row < m_logAttributes->count(); ++row)
        m_logAttributes->item(row)->setCheckState((attributes >> row) & 1 ? Qt::Checked
                                                                          : Qt::Unchecked);
    m_directiveComment->setChecked(KxReadDirectiveComment(store));
    m_errorAction->setCurrentIndex(KxReadErrorAction(store));
    m_currentStatementColor->SetSelected(m_owner.CurrentStatementColor());
    m_evenRowColor->SetSelected(TGridDataAreaProperties::DefaultEvenRowColor());
    m_loading = false;
}

void TSettingsDlg::StoreLogAttributes() {
    int attributes = 0;
    for (int row = 0; row < m_logAttributes->count(); ++row) {
        if (m_logAttributes->item(row)->checkState() == Qt::Checked)
            attributes |= 1 << row;
    }
    m_owner.Store().WriteValue(sidLogAttributes, KxVariant(attributes));
}

void TSettingsDlg::ShowPage(int page) {
    if (page != kKeepPage)
        m_pages->setCurrentIndex(std::clamp(page, 0, m_pages->count() - 1));
    show();
    raise();
    activateWindow();
}

void TSettingsDlg::SetExecuting(bool executing) {
    m_pages->widget(PageRSProperties)->setEnabled(!executing);
    m_pages->widget(PageConnectionProperties)->setEnabled(!executing);
}

int TSettingsDlg::CurrentPage() const {
    return m_pages->currentIndex();
}

void TSettingsDlg::SetConnection(TKxOdbcConnection* connection) {
    m_connectionFrame->SetConnection(connection);
}

void TSettingsDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    KxGuardCall([&] { m_owner.RefreshActions(); });
}

void TSettingsDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    KxGuardCall([&] { m_owner.RefreshActions(); });
}

} // namespace kx
