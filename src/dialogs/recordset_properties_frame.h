#pragma once

#include <QFrame>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QSpinBox;

namespace kx {

class TKxOdbcRecordsetBase;
class TKxRecordsetIntfSource;

// Edits how one recordset opens and edits its result: cursor, update strategy, limits,
// timeout, attributes and counting. Every edit goes straight into the recordset. The frame
// hears the recordset through an interface source and reloads when it is replaced, opened
// or closed; its controls are enabled only while the recordset is closed, since an open
// result takes none of these settings.
class TRecordsetPropertyFrame : public QFrame {
public:
    explicit TRecordsetPropertyFrame(QWidget* parent = nullptr);
    ~TRecordsetPropertyFrame() override;

    TKxOdbcRecordsetBase* Recordset() const;
    // Null disables and clears the controls.
    void SetRecordset(TKxOdbcRecordsetBase* recordset);
    // Shows the recordset's values again (after they were set from elsewhere).
    void Load();

    static constexpr int kTimeoutMaximum = 100000;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void ConnectControls();
    // Runs an edit on the recordset unless the frame is loading; errors go to the
    // application's exception handler, since they come from the event loop.
    void Edit(const std::function<void(TKxOdbcRecordsetBase&)>& change);
    void EnableTimeoutEdit();

    std::unique_ptr<TKxRecordsetIntfSource> m_source;
    bool m_loading = false;
    QComboBox* m_cursorType = nullptr;
    QComboBox* m_cursorSensitivity = nullptr;
    QComboBox* m_updateStrategy = nullptr;
    QComboBox* m_updateSimulation = nullptr;
    QComboBox* m_blobCompression = nullptr;
    QListWidget* m_attributes = nullptr;
    QListWidget* m_countStrategies = nullptr;
    QSpinBox* m_keysetSize = nullptr;
    QSpinBox* m_maxRecords = nullptr;
    QSpinBox* m_maxDataSize = nullptr;
    QSpinBox* m_reExecuteDelay = nullptr;
    QCheckBox* m_timeoutFromConnection = nullptr;
    QLabel* m_timeoutLabel = nullptr;
    QSpinBox* m_timeout = nullptr;
    QCheckBox* m_escScan = nullptr;
};

} // namespace kx
