#pragma once

#include "datactrls/state_change_properties.h"

#include <QLineEdit>
#include <QTimer>
#include <memory>

namespace kx {

class IKxUnknown;
class TKxFieldIntfSource;
class TKxIntfSourceSignals;

// A one-line edit whose text is looked up, half a second after the last keystroke, in the
// column the result is sorted by (or the named column, which the result is then sorted by);
// the recordset moves to the matching record, or the first one after it.
class TKxISearchEdit : public QLineEdit {
public:
    explicit TKxISearchEdit(QWidget* parent = nullptr);
    ~TKxISearchEdit() override;

    TKxFieldIntfSource& InterfaceSource() { return *m_source; }
    void SetRecordset(IKxUnknown* recordset);
    // The column to search; empty searches the first ORDER BY column.
    void SetFieldName(const QString& fieldName);
    int SearchDelay() const { return m_timer.interval(); }
    void SetSearchDelay(int milliseconds);
    // The column a search would use (empty for none).
    QString SearchColumn() const;
    // Runs the search now (the timer does this after the delay).
    void Search();
    QString HintText() const;
    TKxIUncoloredStateChangeProperties& SourceObjStateChangeReflection() { return m_reflection; }

protected:
    bool event(QEvent* event) override;

private:
    void SetTextSilently(const QString& text);
    void AfterActiveChange(bool active);

    std::unique_ptr<TKxFieldIntfSource> m_source;
    TKxIntfSourceSignals* m_signals;
    QTimer m_timer;
    TKxIUncoloredStateChangeProperties m_reflection;
    bool m_silent = false;
};

} // namespace kx
