#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QListWidget;
class QTabWidget;

namespace kx {

class TKxColorPicker;
class TKxOdbcCnPropFrame;
class TKxOdbcConnection;
class TMainWindow;
class TRecordsetPropertyFrame;

// The settings window: the general settings of script runs, the properties of the main
// result set and those of the current connection. A tool window beside the main window;
// every change takes effect at once, there is no apply step. Closing hides it.
class TSettingsDlg : public QDialog {
public:
    enum TPage : int { PageGeneral = 0, PageRSProperties = 1, PageConnectionProperties = 2 };
    // Shows the dialog on `page`; kKeepPage leaves the page that is active.
    static constexpr int kKeepPage = 3;

    explicit TSettingsDlg(TMainWindow& owner);
    ~TSettingsDlg() override;

    void ShowPage(int page);
    int CurrentPage() const;
    // The connection page follows the main window's current connection.
    void SetConnection(TKxOdbcConnection* connection);
    // Takes the general settings again from the store and the main window.
    void LoadGeneralPage();
    // While a statement runs, the result set's and the connection's properties stay as they
    // are: their pages are disabled.
    void SetExecuting(bool executing);

    TRecordsetPropertyFrame& RecordsetFrame() const { return *m_recordsetFrame; }
    TKxOdbcCnPropFrame& ConnectionFrame() const { return *m_connectionFrame; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* BuildGeneralPage();
    void StoreLogAttributes();

    TMainWindow& m_owner;
    bool m_loading = false;
    QTabWidget* m_pages = nullptr;
    QComboBox* m_errorAction = nullptr;
    QListWidget* m_logAttributes = nullptr;
    QCheckBox* m_directiveComment = nullptr;
    TKxColorPicker* m_currentStatementColor = nullptr;
    TKxColorPicker* m_evenRowColor = nullptr;
    TRecordsetPropertyFrame* m_recordsetFrame = nullptr;
    TKxOdbcCnPropFrame* m_connectionFrame = nullptr;
};

} // namespace kx
