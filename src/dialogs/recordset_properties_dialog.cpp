#include "dialogs/recordset_properties_dialog.h"

#include "dialogs/recordset_properties_frame.h"
#include "foundation/storage_helpers.h"
#include "foundation/storage_interfaces.h"
#include "odbc/odbc_recordset.h"
#include "odbc/odbc_recordset_properties.h"
#include "platform/event_guard.h"
#include "platform/window_bounds.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxRecordsetPropertyDlg", text);
}

const QString kBoundsName = QStringLiteral("RSPropertyDlg");

} // namespace

TKxRecordsetPropertyDlg::TKxRecordsetPropertyDlg(TKxOdbcRecordsetBase* recordset, int options,
                                                 IKxUnknown* store, QWidget* parent)
    : QDialog(parent), m_store(store) {
    setObjectName(QStringLiteral("KxRecordsetPropertyDlg"));
    setWindowTitle(Tr("Recordset Properties"));
    setMinimumWidth(315);
    setFixedHeight(570);
    resize(400, 570);

    auto* layout = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ScrollBox"));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frame = new TRecordsetPropertyFrame(scroll);
    m_frame->setObjectName(QStringLiteral("RecordsetPropertyFrame"));
    scroll->setWidget(m_frame);
    layout->addWidget(scroll, 1);

    if ((options & rpoSkipCheckBox) != 0) {
        m_skip = new QCheckBox(Tr("Skip this dialog when opening edit windows"), this);
        m_skip->setObjectName(QStringLiteral("CheckBoxSkipDialog"));
        if (m_store != nullptr) {
            const TKxKeyPathKeeper keeper(m_store, QString::fromLatin1(kxDefaultRSPropertiesKey),
                                          false);
            const auto values = KxQuery<IKxValueStorage>(m_store);
            if (keeper.Opened() && values)
                m_skip->setChecked(
                    values->ReadBool(QString::fromLatin1(kxSkipRSPropDlgValue), false));
        }
        layout->addWidget(m_skip);
    }
    auto* buttons = new QHBoxLayout;
    if ((options & rpoSetAsDefault) != 0) {
        auto* setDefault = new QPushButton(Tr("Set as &Default"), this);
        setDefault->setObjectName(QStringLiteral("BtnSetAsDefault"));
        setDefault->setFixedWidth(110);
        setDefault->setAutoDefault(false);
        connect(setDefault, &QPushButton::clicked, this,
                [this] { KxGuardCall([&] { SetAsDefault(); }); });
        buttons->addWidget(setDefault);
    }
    buttons->addStretch(1);
    auto* ok = new QPushButton(Tr("OK"), this);
    ok->setObjectName(QStringLiteral("BtnOk"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(Tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("BtnCancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    m_frame->SetRecordset(recordset);
    KxLoadWidgetBounds(this, m_store, kBoundsName, TKxDefaultPosition::ScreenCenter);
}

TKxRecordsetPropertyDlg::~TKxRecordsetPropertyDlg() {
    KxStoreWidgetBounds(this, m_store, kBoundsName);
}

void TKxRecordsetPropertyDlg::SetAsDefault() {
    if (m_store == nullptr || m_frame->Recordset() == nullptr)
        return;
    // The key keeps the skip setting beside the properties, so it is written over, not
    // deleted; values equal to the defaults are removed by the properties themselves.
    const auto properties = KxMake<TKxOdbcRecordsetProperties>(true);
    properties->AssignFromObj(m_frame->Recordset());
    KxStoreObject(m_store, QString::fromLatin1(kxDefaultRSPropertiesKey), properties.get());
}

void TKxRecordsetPropertyDlg::accept() {
    KxGuardCall([&] {
        if (m_skip != nullptr && m_store != nullptr) {
            const TKxKeyPathKeeper keeper(m_store, QString::fromLatin1(kxDefaultRSPropertiesKey),
                                          true);
            KxCheckQueryInterface<IKxValueStorage>(m_store,
                                                   QStringLiteral("TKxRecordsetPropertyDlg.accept"))
                ->WriteBool(QString::fromLatin1(kxSkipRSPropDlgValue), m_skip->isChecked(), false);
        }
    });
    QDialog::accept();
}

bool KxEditRecordsetProperties(TKxOdbcRecordsetProperties& properties, int options,
                               IKxUnknown* store, QWidget* parent) {
    const auto scratch = KxMake<TKxOdbcRecordset>(nullptr, TKxLifetime::SelfOwned);
    properties.AssignToObj(scratch.get());
    TKxRecordsetPropertyDlg dialog(scratch.get(), options, store, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    properties.AssignFromObj(scratch.get());
    return true;
}

} // namespace kx
