#include "dialogs/connection_properties_frame.h"

#include "dbcore/connection_string.h"
#include "dialogs/connection_dialog.h"
#include "dialogs/dialog_texts.h"
#include "foundation/application_exception_handler.h"
#include "foundation/interface_connector.h"
#include "odbc/odbc_connection.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

namespace kx {
namespace {

QComboBox* ChoiceBox(QWidget* parent, const char* name, int count, QString (*text)(int)) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    for (int value = 0; value < count; ++value)
        box->addItem(text(value));
    return box;
}

QSpinBox* TimeoutEdit(QWidget* parent, const char* name) {
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setRange(0, TKxOdbcCnPropFrame::kTimeoutMaximum);
    edit->setToolTip(dlgtext::IntRangeHintFormat().arg(0).arg(TKxOdbcCnPropFrame::kTimeoutMaximum));
    return edit;
}

int FirstIsolation(TTransactionIsolations set) {
    for (int bit = tiReadUncommitted; bit <= tiSerializable; ++bit) {
        if (KxInSet(set, static_cast<TTransactionIsolation>(bit)))
            return bit;
    }
    return -1;
}

} // namespace

TKxOdbcCnPropFrame::TKxOdbcCnPropFrame(QWidget* parent)
    : QFrame(parent), m_source(std::make_unique<TKxActivatableIntfSource>(this)) {
    m_dataSource = new QComboBox(this);
    m_dataSource->setObjectName(QStringLiteral("ComboBoxDSN"));
    m_dataSource->setEditable(true);
    m_dataSource->setInsertPolicy(QComboBox::NoInsert);
    m_dataSource->setMaxVisibleItems(30);
    {
        TKxOdbcEnvironment environment;
        try {
            KxFillDataSourceList(m_dataSource, &environment, QStringLiteral("%s"),
                                 QStringLiteral("%s"));
        } catch (const std::exception& e) {
            KxTraceException(e, true);
        }
    }
    m_accessMode = ChoiceBox(this, "ComboBoxAccessMode", 2, dlgtext::AccessModeName);
    m_username = new QLineEdit(this);
    m_username->setObjectName(QStringLiteral("EditUsername"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("EditPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_loginTimeout = TimeoutEdit(this, "IntEditLoginTimeout");
    m_operationTimeout = TimeoutEdit(this, "IntEditOperationTimeout");
    m_cursorOrigin = ChoiceBox(this, "ComboBoxCursorOrigin", 3, dlgtext::CursorOriginName);
    m_isolation =
        ChoiceBox(this, "ComboBoxTransactionIsolation", 4, dlgtext::TransactionIsolationName);

    auto* form = new QFormLayout(this);
    form->addRow(dlgtext::DataSourceLabel(), m_dataSource);
    form->addRow(dlgtext::AccessModeLabel(), m_accessMode);
    form->addRow(dlgtext::UsernameLabel(), m_username);
    form->addRow(dlgtext::PasswordLabel(), m_password);
    form->addRow(dlgtext::LoginTimeoutLabel(), m_loginTimeout);
    form->addRow(dlgtext::OperationTimeoutLabel(), m_operationTimeout);
    form->addRow(dlgtext::CursorOriginLabel(), m_cursorOrigin);
    form->addRow(dlgtext::TransactionIsolShortLabel(), m_isolation);

    connect(m_dataSource, &QComboBox::activated, this,
            [this](int index) { SetDataSource(m_dataSource->itemText(index)); });
    // A typed text counts when the user leaves the box; a data source list cannot hold the
    // DSN-less strings people use here, so a text with "=" is taken as a connection string.
    connect(m_dataSource->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { SetDataSource(m_dataSource->currentText()); });
    connect(m_accessMode, &QComboBox::activated, this, [this](int index) {
        Edit([index](TKxOdbcConnection& c) {
            c.SetAccessMode(static_cast<TAccessMode>(std::clamp(index, 0, 1)));
        });
    });
    connect(m_cursorOrigin, &QComboBox::activated, this, [this](int index) {
        Edit([index](TKxOdbcConnection& c) {
            c.SetCursorOrigin(static_cast<TCursorOrigin>(std::clamp(index, 0, 2)));
        });
    });
    connect(m_isolation, &QComboBox::activated, this, [this](int index) {
        Edit([index](TKxOdbcConnection& c) {
            c.SetTransactionIsolation(
                KxSetOf(static_cast<TTransactionIsolation>(std::clamp(index, 0, 3))));
        });
    });
    connect(m_username, &QLineEdit::textEdited, this, [this](const QString& text) {
        Edit([&text](TKxOdbcConnection& c) { c.SetUsername(text); });
    });
    connect(m_password, &QLineEdit::textEdited, this, [this](const QString& text) {
        Edit([&text](TKxOdbcConnection& c) { c.SetPassword(text); });
    });
    connect(m_loginTimeout, &QSpinBox::valueChanged, this, [this](int value) {
        Edit([value](TKxOdbcConnection& c) {
            c.SetTimeoutForLogin(static_cast<std::uint32_t>(value));
        });
    });
    connect(m_operationTimeout, &QSpinBox::valueChanged, this, [this](int value) {
        Edit([value](TKxOdbcConnection& c) {
            c.SetTimeoutForStatements(static_cast<std::uint32_t>(value));
        });
    });

    m_source->OnAfterActiveChange = [this](bool) { Load(); };
    m_source->OnAfterIntfSourceChange = [this](IKxUnknown*, IKxUnknown*) { Load(); };
    Load();
}

TKxOdbcCnPropFrame::~TKxOdbcCnPropFrame() {
    // Nothing may reach the controls while the connector lets go of the connection.
    m_source->OnAfterActiveChange = nullptr;
    m_source->OnAfterIntfSourceChange = nullptr;
    m_source.reset();
}

TKxOdbcConnection* TKxOdbcCnPropFrame::Connection() const {
    return dynamic_cast<TKxOdbcConnection*>(m_source->InterfaceSourceComponent());
}

void TKxOdbcCnPropFrame::SetConnection(TKxOdbcConnection* connection) {
    m_source->SetInterfaceSourceComponent(connection);
    Load();
}

void TKxOdbcCnPropFrame::Load() {
    m_loading = true;
    TKxOdbcConnection* connection = Connection();
    if (connection == nullptr) {
        m_dataSource->setEditText({});
        m_username->clear();
        m_password->clear();
        m_loginTimeout->setValue(0);
        m_operationTimeout->setValue(0);
        for (QComboBox* box : {m_accessMode, m_cursorOrigin, m_isolation})
            box->setCurrentIndex(-1);
    } else {
        m_username->setText(connection->Username());
        m_password->setText(connection->Password());
        m_dataSource->setEditText(ExtractDataSourceName(connection->ConnectionString()));
        m_dataSource->setToolTip(
            KxRemoveConnectionStringKeys(connection->ConnectionString(), {QStringLiteral("PWD")}));
        m_accessMode->setCurrentIndex(connection->AccessMode());
        m_cursorOrigin->setCurrentIndex(connection->CursorOrigin());
        m_isolation->setCurrentIndex(FirstIsolation(connection->TransactionIsolation()));
        m_loginTimeout->setValue(static_cast<int>(
            std::min<std::uint32_t>(connection->TimeoutForLogin(), kTimeoutMaximum)));
        m_operationTimeout->setValue(static_cast<int>(
            std::min<std::uint32_t>(connection->TimeoutForStatements(), kTimeoutMaximum)));
    }
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        control->setEnabled(connection != nullptr && !connection->Active());
    m_loading = false;
}

void TKxOdbcCnPropFrame::Edit(const std::function<void(TKxOdbcConnection&)>& change) {
    TKxOdbcConnection* connection = Connection();
    if (m_loading || connection == nullptr)
        return;
    try {
        change(*connection);
    } catch (...) {
        KxHandleCurrentException();
    }
}

void TKxOdbcCnPropFrame::SetDataSource(const QString& text) {
    TKxOdbcConnection* connection = Connection();
    if (m_loading || connection == nullptr)
        return;
    const QString typed = text.trimmed();
    if (typed.isEmpty() || typed == ExtractDataSourceName(connection->ConnectionString()))
        return;
    const QString connectionString =
        typed.contains(QLatin1Char('=')) ? typed : QStringLiteral("DSN=") + typed;
    Edit([&](TKxOdbcConnection& c) { c.SetConnectionString(connectionString); });
    if (connection->ConnectionString() == connectionString && OnDataSourceChange)
        OnDataSourceChange();
    Load();
}

} // namespace kx
