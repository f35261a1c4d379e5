#pragma once

#include "datactrls/state_change_properties.h"

#include <QSpinBox>
#include <memory>

namespace kx {

class IKxUnknown;
class TKxIntfSourceSignals;
class TKxRecordsetIntfSource;

// The current record's number; Enter, the arrows and the spin buttons move the recordset to
// the number shown. A number outside the records is brought within them when the edit is
// left (without moving); the recordset clamps a move itself and the edit then shows where it
// got to. Enabled only for an open, scrollable result.
class TKxIPositionEdit : public QSpinBox {
public:
    explicit TKxIPositionEdit(QWidget* parent = nullptr);
    ~TKxIPositionEdit() override;

    TKxRecordsetIntfSource& InterfaceSource() { return *m_source; }
    void SetRecordset(IKxUnknown* recordset);
    // "Record Position: [1 .. <count>]" ("?" for an unknown count).
    QString HintText() const;
    // The range check applied when the edit is left: 0 without an open source, else the
    // number clamped to 1 … count.
    int CheckedValue(int value) const;
    TKxIUncoloredStateChangeProperties& SourceObjStateChangeReflection() { return m_reflection; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ShowPosition();
    void ReflectState();
    void MoveTo(int position);
    IKxUnknown* Recordset() const;

    std::unique_ptr<TKxRecordsetIntfSource> m_source;
    TKxIntfSourceSignals* m_signals;
    TKxIUncoloredStateChangeProperties m_reflection;
    bool m_showing = false;
};

} // namespace kx
