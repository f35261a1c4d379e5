#pragma once

#include <QFrame>
#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kx {

class TKxActivatableIntfSource;
class TKxOdbcConnection;

// Edits one connection in place (the settings dialog's "Current Connection" page): every
// edit goes straight into the connection. It hears the connection through an interface
// source, reloads when the connection changes, opens or closes, and is enabled only while the
// connection is closed, since an open connection takes none of these settings.
class TKxOdbcCnPropFrame : public QFrame {
public:
    explicit TKxOdbcCnPropFrame(QWidget* parent = nullptr);
    ~TKxOdbcCnPropFrame() override;

    TKxOdbcConnection* Connection() const;
    // Null clears the controls.
    void SetConnection(TKxOdbcConnection* connection);

    // After the data source was changed here: the connection's display name changed with it.
    std::function<void()> OnDataSourceChange;

    static constexpr int kTimeoutMaximum = 100000;

private:
    void Load();
    // Runs an edit on the connection unless the frame is loading; errors go to the
    // application's exception handler, since they come from the event loop.
    void Edit(const std::function<void(TKxOdbcConnection&)>& change);
    void SetDataSource(const QString& text);

    std::unique_ptr<TKxActivatableIntfSource> m_source;
    bool m_loading = false;
    QComboBox* m_dataSource = nullptr;
    QComboBox* m_accessMode = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QSpinBox* m_loginTimeout = nullptr;
    QSpinBox* m_operationTimeout = nullptr;
    QComboBox* m_cursorOrigin = nullptr;
    QComboBox* m_isolation = nullptr;
};

} // namespace kx
