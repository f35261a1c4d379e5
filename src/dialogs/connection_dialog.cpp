#include "dialogs/connection_dialog.h"

#include "dbcore/connection_string.h"
#include "dialogs/dialog_texts.h"
#include "foundation/exceptions.h"
#include "foundation/message_box.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_environment.h"
#include "platform/window_bounds.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <algorithm>
#include <climits>

namespace kx {
namespace {

const QString kBoundsName = QStringLiteral("ODBC Select DSN Dialog");

// The first member of an isolation set, -1 for an empty one.
int FirstIsolation(TTransactionIsolations set) {
    for (int bit = tiReadUncommitted; bit <= tiSerializable; ++bit) {
        if (KxInSet(set, static_cast<TTransactionIsolation>(bit)))
            return bit;
    }
    return -1;
}

QSpinBox* SecondsEdit(QWidget* parent, const char* name) {
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setRange(0, INT_MAX);
    edit->setFixedWidth(70);
    return edit;
}

} // namespace

void KxFillDataSourceList(QComboBox* combo, TKxOdbcEnvironment* environment,
                          const QString& systemFormat, const QString& userFormat) {
    const auto add = [combo](const QString& text) { combo->addItem(text); };
    ODBCEnumDSN(environment, dkSystem, systemFormat, add);
    ODBCEnumDSN(environment, dkUser, userFormat, add);
}

TKxConnectionDlg::TKxConnectionDlg(IKxUnknown* storage, QWidget* parent)
    : TKxStandardDlg(kxStandardOkCancel, parent), m_storage(storage) {
    setWindowTitle(dlgtext::SelectDataSourceCaption());
    setObjectName(QStringLiteral("ConnectionDialog"));

    auto* grid = new QGridLayout(ClientArea());
    grid->setColumnStretch(1, 1);
    int row = 0;
    const auto addRow = [&](const QString& label, QWidget* control, QWidget* after = nullptr) {
        auto* text = new QLabel(label, ClientArea());
        text->setBuddy(control);
        grid->addWidget(text, row, 0);
        if (after == nullptr) {
            grid->addWidget(control, row, 1);
        } else {
            auto* line = new QHBoxLayout;
            line->addWidget(control);
            line->addWidget(after);
            line->addStretch();
            grid->addLayout(line, row, 1);
        }
        ++row;
    };

    m_dataSource = new QComboBox(ClientArea());
    m_dataSource->setObjectName(QStringLiteral("ComboBoxDSN"));
    m_dataSource->setEditable(true);
    m_dataSource->setInsertPolicy(QComboBox::NoInsert);
    // Long connection strings must not widen the dialog.
    m_dataSource->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_dataSource->setMinimumContentsLength(20);
    {
        // The list is read for this one showing; the environment is gone with the listing.
        TKxOdbcEnvironment environment;
        try {
            KxFillDataSourceList(m_dataSource, &environment, dlgtext::SystemDsnItemFormat(),
                                 dlgtext::UserDsnItemFormat());
        } catch (const std::exception& e) {
            // Without a driver manager list a connection string can still be typed.
            KxTraceException(e, true);
        }
    }
    connect(m_dataSource, &QComboBox::activated, this, [this](int index) {
        m_dataSource->setEditText(QStringLiteral("DSN=") +
                                  KxDataSourceNameOfItem(m_dataSource->itemText(index)));
    });
    addRow(dlgtext::DataSourceNameLabel(), m_dataSource);

    m_cursorOrigin = new QComboBox(ClientArea());
    m_cursorOrigin->setObjectName(QStringLiteral("ComboBoxCursorOrigin"));
    for (int value = coUseODBCCursorsIfNeeded; value <= coUseDriverCursors; ++value)
        m_cursorOrigin->addItem(dlgtext::CursorOriginName(value));
    addRow(dlgtext::CursorOriginLabel(), m_cursorOrigin);

    m_isolation = new QComboBox(ClientArea());
    m_isolation->setObjectName(QStringLiteral("ComboBoxTransactionIsolation"));
    for (int value = tiReadUncommitted; value <= tiSerializable; ++value)
        m_isolation->addItem(dlgtext::TransactionIsolationName(value));
    addRow(dlgtext::TransactionIsolationLabel(), m_isolation);

    m_username = new QLineEdit(ClientArea());
    m_username->setObjectName(QStringLiteral("EditUsername"));
    addRow(dlgtext::UsernameLabel(), m_username);

    m_password = new QLineEdit(ClientArea());
    m_password->setObjectName(QStringLiteral("EditPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    addRow(dlgtext::PasswordLabel(), m_password);

    m_loginTimeout = SecondsEdit(ClientArea(), "IntEditLoginTimeout");
    addRow(dlgtext::LoginTimeoutLabel(), m_loginTimeout,
           new QLabel(dlgtext::SecondsInfiniteHint(), ClientArea()));
    m_statementTimeout = SecondsEdit(ClientArea(), "IntEditStatementTimeout");
    addRow(dlgtext::StatementTimeoutLabel(), m_statementTimeout,
           new QLabel(dlgtext::SecondsInfiniteHint(), ClientArea()));
    grid->setRowStretch(row, 1);

    setMinimumWidth(350);
    setFixedHeight(260);
    // Wide enough by default for the longest cursor origin name; narrower only by choice.
    resize(std::max(350, sizeHint().width()), 260);
    KxLoadWidgetBounds(this, m_storage.get(), kBoundsName, TKxDefaultPosition::ScreenCenter);
}

TKxConnectionDlg::~TKxConnectionDlg() = default;

void TKxConnectionDlg::LoadFrom(const TKxOdbcConnectProperties& properties) {
    m_dataSource->setCurrentIndex(-1);
    m_dataSource->setEditText(properties.ConnectionString);
    // A long connection string is read from its start: the driver or data source comes first.
    m_dataSource->lineEdit()->setCursorPosition(0);
    m_cursorOrigin->setCurrentIndex(
        std::clamp<int>(properties.CursorOrigin, coUseODBCCursorsIfNeeded, coUseDriverCursors));
    m_isolation->setCurrentIndex(FirstIsolation(properties.TransactionIsolation));
    m_username->setText(properties.Username);
    m_password->setText(properties.Password);
    m_loginTimeout->setValue(
        static_cast<int>(std::min<std::uint32_t>(properties.TimeoutForLogin, INT_MAX)));
    m_statementTimeout->setValue(
        static_cast<int>(std::min<std::uint32_t>(properties.TimeoutForStatements, INT_MAX)));
}

void TKxConnectionDlg::StoreTo(TKxOdbcConnectProperties& properties) const {
    properties.ConnectionString = m_dataSource->currentText().trimmed();
    properties.CursorOrigin = static_cast<TCursorOrigin>(std::clamp<int>(
        m_cursorOrigin->currentIndex(), coUseODBCCursorsIfNeeded, coUseDriverCursors));
    properties.TransactionIsolation = KxSetOf(static_cast<TTransactionIsolation>(
        std::clamp<int>(m_isolation->currentIndex(), tiReadUncommitted, tiSerializable)));
    properties.Username = m_username->text();
    properties.Password = m_password->text();
    properties.TimeoutForLogin = static_cast<std::uint32_t>(m_loginTimeout->value());
    properties.TimeoutForStatements = static_cast<std::uint32_t>(m_statementTimeout->value());
}

bool TKxConnectionDlg::Execute(TKxOdbcConnectProperties& properties) {
    LoadFrom(properties);
    // The data source is what people come here for: it has the keyboard.
    m_dataSource->setFocus();
    m_dataSource->lineEdit()->selectAll();
    if (exec() != QDialog::Accepted)
        return false;
    StoreTo(properties);
    return true;
}

void TKxConnectionDlg::done(int result) {
    if (m_storage) {
        try {
            KxStoreWidgetBounds(this, m_storage.get(), kBoundsName);
        } catch (const std::exception& e) {
            // Where the dialog was is not worth an error in the way of connecting.
            KxTraceException(e, true);
        }
    }
    TKxStandardDlg::done(result);
}

bool KxConnectionDialog(TKxOdbcConnectProperties& properties, IKxUnknown* storage,
                        QWidget* parent) {
    TKxConnectionDlg dialog(storage, parent);
    return dialog.Execute(properties);
}

bool KxOdbcConnect(TKxOdbcConnection& connection, bool showDialogFirst, IKxUnknown* storage,
                   QWidget* parent) {
    if (connection.Active())
        return true;
    // The values tried last are what the dialog shows again after a failure.
    KxIntf<TKxOdbcConnectProperties> properties(new TKxOdbcConnectProperties);
    properties->AssignFromObj(&connection);
    bool showDialog = showDialogFirst;
    while (!connection.Active()) {
        if (showDialog) {
            if (!KxConnectionDialog(*properties, storage, parent))
                KxAbort(dlgtext::OperationCanceled(), QStringLiteral("KxOdbcConnect"), &connection);
            properties->AssignToObj(&connection);
        }
        try {
            connection.SetActive(true);
        } catch (const EKxAbort&) {
            throw;
        } catch (const std::exception& e) {
            if (!KxAskContinue(&e, eaAskUser, dlgtext::TryAgainWithOtherParameters()))
                throw;
            showDialog = true;
        }
    }
    return true;
}

} // namespace kx
