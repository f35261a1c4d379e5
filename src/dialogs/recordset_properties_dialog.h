#pragma once

#include "foundation/kx_intf.h"

#include <QDialog>

class QCheckBox;

namespace kx {

class TKxOdbcRecordsetBase;
class TKxOdbcRecordsetProperties;
class TRecordsetPropertyFrame;

// Where the default recordset properties of data edit windows are kept, and the value that
// says whether opening such a window skips asking for them.
inline constexpr const char* kxDefaultRSPropertiesKey = "\\DefaultRSProperties";
inline constexpr const char* kxSkipRSPropDlgValue = "SkipRSPropDlg";

// The options of the recordset properties dialog.
enum TKxRecordsetPropertyDlgOption : int {
    rpoSetAsDefault = 1, // a "Set as Default" button
    rpoSkipCheckBox = 2, // the check box "Skip this dialog when opening edit windows"
};

// The modal dialog around the recordset properties frame: edits go into the recordset at once,
// so a caller that wants Cancel to mean "unchanged" shows it on a scratch recordset
// (KxEditRecordsetProperties does).
class TKxRecordsetPropertyDlg : public QDialog {
public:
    // `store` (may be null) keeps the dialog's bounds, the defaults and the skip setting.
    TKxRecordsetPropertyDlg(TKxOdbcRecordsetBase* recordset, int options, IKxUnknown* store,
                            QWidget* parent = nullptr);
    ~TKxRecordsetPropertyDlg() override;

    TRecordsetPropertyFrame& Frame() const { return *m_frame; }
    // Stores what the dialog shows as the default properties of data edit windows.
    void SetAsDefault();

    void accept() override;

private:
    IKxUnknown* m_store;
    TRecordsetPropertyFrame* m_frame = nullptr;
    QCheckBox* m_skip = nullptr;
};

// Shows the dialog on a copy of `properties`; OK copies the edited values back and answers
// true, Cancel leaves `properties` as they were.
bool KxEditRecordsetProperties(TKxOdbcRecordsetProperties& properties, int options,
                               IKxUnknown* store, QWidget* parent = nullptr);

} // namespace kx
