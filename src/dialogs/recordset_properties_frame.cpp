#include "dialogs/recordset_properties_frame.h"

#include "dbcore/interface_sources.h"
#include "dialogs/dialog_texts.h"
#include "foundation/application_exception_handler.h"
#include "odbc/odbc_recordset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxRecordsetPropertyFrame", text);
}

QComboBox* ChoiceBox(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    for (const char* item : items)
        box->addItem(Tr(item));
    // The frame sits in narrow windows: the box may be narrower than its longest item.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(8);
    return box;
}

QListWidget* CheckList(QWidget* parent, const char* name,
                       std::initializer_list<const char*> items) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    for (const char* text : items) {
        auto* item = new QListWidgetItem(Tr(text), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    // As high as its items: the frame scrolls as a whole, a list should not scroll inside it.
    list->setFixedHeight(list->sizeHintForRow(0) * list->count() + 2 * list->frameWidth() + 2);
    return list;
}

QSpinBox* IntEdit(QWidget* parent, const char* name, int maximum) {
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setRange(0, maximum);
    edit->setToolTip(dlgtext::IntRangeHintFormat().arg(0).arg(maximum));
    return edit;
}

// Bit i of `bits` checks item i.
void ShowBits(QListWidget* list, std::uint32_t bits) {
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setCheckState((bits >> row) & 1U ? Qt::Checked : Qt::Unchecked);
}

std::uint32_t CheckedBits(const QListWidget* list) {
    std::uint32_t bits = 0;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->checkState() == Qt::Checked)
            bits |= 1U << row;
    }
    return bits;
}

int ClampedInt(std::uint32_t value) {
    return static_cast<int>(std::min<std::uint32_t>(value, INT_MAX));
}

} // namespace

TRecordsetPropertyFrame::TRecordsetPropertyFrame(QWidget* parent)
    : QFrame(parent), m_source(std::make_unique<TKxRecordsetIntfSource>(this)) {
    BuildControls();
    ConnectControls();
    m_source->OnAfterActiveChange = [this](bool) { Load(); };
    m_source->OnAfterIntfSourceChange = [this](IKxUnknown*, IKxUnknown*) { Load(); };
    Load();
}

TRecordsetPropertyFrame::~TRecordsetPropertyFrame() {
    // Nothing may reach the controls while the connector lets go of the recordset.
    m_source->OnAfterActiveChange = nullptr;
    m_source->OnAfterIntfSourceChange = nullptr;
    m_source.reset();
}

void TRecordsetPropertyFrame::BuildControls() {
    m_cursorType =
        ChoiceBox(this, "ComboBoxCursorType", {"Unidirectional", "Static", "Keyset", "Dynamic"});
    m_cursorSensitivity = ChoiceBox(this, "ComboBoxCursorSensitivity",
                                    {"Unspecified", "Insensitive", "ReflectChanges"});
    m_updateStrategy = ChoiceBox(
        this, "ComboBoxUpdateStrategy",
        {"Readonly", "MinimalLock", "CompareRecordVersionBeforeWrite", "CompareValuesBeforeWrite"});
    m_updateSimulation =
        ChoiceBox(this, "ComboBoxUpdateSimulation",
                  {"AllowNonUniqueUpdate", "TryUniqueUpdate", "GuaranteeUniqueUpdate"});
    m_blobCompression =
        ChoiceBox(this, "ComboBoxBlobCompression", {"None", "Fastest", "Medium", "Maximum"});
    m_attributes = CheckList(this, "ListBoxAttributes",
                             {"AutoSaveChanges", "AutoEdit", "ConfrimDeletions",
                              "ExposeBookmarkColumn", "BookmarksEnabled"});
    m_countStrategies = CheckList(
        this, "ListBoxCountStrategies",
        {"UseCountFromODBCDriver", "UseSelectCountStatement", "CountByLogarithmicPositioning"});
    m_keysetSize = IntEdit(this, "IntEditKeysetSize", INT_MAX);
    m_maxRecords = IntEdit(this, "IntEditMaxRecords", INT_MAX);
    m_maxDataSize = IntEdit(this, "IntEditMaxDataSize", INT_MAX);
    m_reExecuteDelay = IntEdit(this, "IntEditReExecuteDelay", INT_MAX);
    m_escScan = new QCheckBox(Tr("Scan SQL for escape sequences"), this);
    m_escScan->setObjectName(QStringLiteral("CheckBoxESCScan"));

    auto* timeoutGroup = new QGroupBox(Tr("Statement Timeout"), this);
    timeoutGroup->setObjectName(QStringLiteral("GroupBoxTimeout"));
    m_timeoutFromConnection = new QCheckBox(Tr("Use Timeout From Connection"), timeoutGroup);
    m_timeoutFromConnection->setObjectName(QStringLiteral("CheckBoxUseTimeoutFromConnection"));
    m_timeout = IntEdit(timeoutGroup, "IntEditOperationTimeout", kTimeoutMaximum);
    m_timeoutLabel = new QLabel(Tr("Timeout:"), timeoutGroup);
    m_timeoutLabel->setObjectName(QStringLiteral("LabelOperationTimeout"));
    m_timeoutLabel->setBuddy(m_timeout);
    auto* timeoutLayout = new QFormLayout(timeoutGroup);
    timeoutLayout->addRow(m_timeoutFromConnection);
    timeoutLayout->addRow(m_timeoutLabel, m_timeout);

    auto* form = new QFormLayout(this);
    form->addRow(Tr("Cursor Type:"), m_cursorType);
    form->addRow(Tr("Cursor Sensitivity:"), m_cursorSensitivity);
    form->addRow(Tr("Update Strategy:"), m_updateStrategy);
    form->addRow(Tr("Update Simulation:"), m_updateSimulation);
    form->addRow(Tr("BLOB Compression:"), m_blobCompression);
    form->addRow(Tr("Keyset Size:"), m_keysetSize);
    form->addRow(Tr("Returned Records:"), m_maxRecords);
    form->addRow(Tr("Max Data Size:"), m_maxDataSize);
    form->addRow(Tr("Reexecute Delay:"), m_reExecuteDelay);
    form->addRow(timeoutGroup);
    form->addRow(m_escScan);
    form->addRow(Tr("Attributes:"), m_attributes);
    form->addRow(Tr("Count Strategies:"), m_countStrategies);
}

void TRecordsetPropertyFrame::ConnectControls() {
    // Combo indexes are the enumeration values, clamped into their range.
    const auto onChoice = [this](QComboBox* box, int maximum, auto apply) {
        connect(box, &QComboBox::currentIndexChanged, this, [this, maximum, apply](int index) {
            const int value = std::clamp(index, 0, maximum);
            Edit([&](TKxOdbcRecordsetBase& r) { apply(r, value); });
        });
    };
    onChoice(m_cursorType, ctDynamic, [](TKxOdbcRecordsetBase& r, int v) {
        r.SetCursorType(static_cast<TKxCursorType>(v));
    });
    onChoice(m_cursorSensitivity, csReflectChanges, [](TKxOdbcRecordsetBase& r, int v) {
        r.SetCursorSensitivity(static_cast<TCursorSensitivity>(v));
    });
    onChoice(m_updateStrategy, usCompareValuesBeforeWrite, [](TKxOdbcRecordsetBase& r, int v) {
        r.SetUpdateStrategy(static_cast<TUpdateStrategy>(v));
    });
    onChoice(m_updateSimulation, pusGuaranteeUniqueUpdate, [](TKxOdbcRecordsetBase& r, int v) {
        r.SetPositionedUpdateSimulation(static_cast<TPositionedUpdateSimulation>(v));
    });
    onChoice(m_blobCompression, ctMaximum, [](TKxOdbcRecordsetBase& r, int v) {
        r.SetBlobCompressionType(static_cast<TKxCompressionType>(v));
    });

    const auto onNumber = [this](QSpinBox* edit, auto apply) {
        connect(edit, &QSpinBox::valueChanged, this, [this, apply](int value) {
            Edit([&](TKxOdbcRecordsetBase& r) { apply(r, value); });
        });
    };
    onNumber(m_keysetSize, [](TKxOdbcRecordsetBase& r, int v) {
        r.SetKeysetSize(static_cast<std::uint32_t>(v));
    });
    onNumber(m_maxRecords, [](TKxOdbcRecordsetBase& r, int v) {
        r.SetMaxRecordsReturned(static_cast<std::uint32_t>(v));
    });
    onNumber(m_maxDataSize, [](TKxOdbcRecordsetBase& r, int v) {
        r.SetMaxFieldDataSize(static_cast<std::uint32_t>(v));
    });
    onNumber(m_reExecuteDelay,
             [](TKxOdbcRecordsetBase& r, int v) { r.SetTimedReExecutionDelay(v); });
    onNumber(m_timeout, [](TKxOdbcRecordsetBase& r, int v) {
        r.TimeoutProperties().SetTimeoutForStatements(static_cast<std::uint32_t>(v));
    });

    connect(m_timeoutFromConnection, &QCheckBox::toggled, this, [this](bool checked) {
        EnableTimeoutEdit();
        Edit([&](TKxOdbcRecordsetBase& r) {
            r.TimeoutProperties().SetUseValueFromConnection(checked);
        });
        // The timeout shown is now the connection's or the statement's own.
        Load();
    });
    connect(m_escScan, &QCheckBox::toggled, this, [this](bool checked) {
        Edit([&](TKxOdbcRecordsetBase& r) { r.SetUseSQLEscapeSequences(checked); });
    });
    connect(m_attributes, &QListWidget::itemChanged, this, [this] {
        Edit([&](TKxOdbcRecordsetBase& r) { r.SetAttributes(CheckedBits(m_attributes)); });
    });
    connect(m_countStrategies, &QListWidget::itemChanged, this, [this] {
        Edit([&](TKxOdbcRecordsetBase& r) {
            r.SetRecordCountStrategies(
                static_cast<TRecordCountStrategies>(CheckedBits(m_countStrategies)));
        });
    });
}

TKxOdbcRecordsetBase* TRecordsetPropertyFrame::Recordset() const {
    return dynamic_cast<TKxOdbcRecordsetBase*>(m_source->InterfaceSourceComponent());
}

void TRecordsetPropertyFrame::SetRecordset(TKxOdbcRecordsetBase* recordset) {
    m_source->SetInterfaceSourceComponent(recordset);
    Load();
}

void TRecordsetPropertyFrame::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    Load();
}

void TRecordsetPropertyFrame::Load() {
    m_loading = true;
    TKxOdbcRecordsetBase* recordset = Recordset();
    if (recordset == nullptr) {
        ShowBits(m_attributes, 0);
        ShowBits(m_countStrategies, 0);
    } else {
        m_cursorType->setCurrentIndex(recordset->CursorType());
        m_cursorSensitivity->setCurrentIndex(recordset->CursorSensitivity());
        m_updateStrategy->setCurrentIndex(recordset->UpdateStrategy());
        m_updateSimulation->setCurrentIndex(recordset->PositionedUpdateSimulation());
        m_blobCompression->setCurrentIndex(recordset->BlobCompressionType());
        m_keysetSize->setValue(ClampedInt(recordset->KeysetSize()));
        m_maxRecords->setValue(ClampedInt(recordset->MaxRecordsReturned()));
        m_maxDataSize->setValue(ClampedInt(recordset->MaxFieldDataSize()));
        m_reExecuteDelay->setValue(std::max(recordset->TimedReExecutionDelay(), 0));
        m_timeoutFromConnection->setChecked(
            recordset->TimeoutProperties().UseValueFromConnection());
        m_timeout->setValue(static_cast<int>(std::min<std::uint32_t>(
            recordset->TimeoutProperties().TimeoutForStatements(), kTimeoutMaximum)));
        m_escScan->setChecked(recordset->UseSQLEscapeSequences());
        ShowBits(m_attributes, recordset->Attributes());
        ShowBits(m_countStrategies, recordset->RecordCountStrategies());
    }
    const bool editable = recordset != nullptr && !recordset->Active();
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        control->setEnabled(editable);
    EnableTimeoutEdit();
    m_loading = false;
}

void TRecordsetPropertyFrame::EnableTimeoutEdit() {
    const bool own = !m_timeoutFromConnection->isChecked();
    m_timeoutLabel->setEnabled(own);
    m_timeout->setEnabled(own);
}

void TRecordsetPropertyFrame::Edit(const std::function<void(TKxOdbcRecordsetBase&)>& change) {
    TKxOdbcRecordsetBase* recordset = Recordset();
    if (m_loading || recordset == nullptr)
        return;
    try {
        change(*recordset);
    } catch (...) {
        KxHandleCurrentException();
    }
}

} // namespace kx
