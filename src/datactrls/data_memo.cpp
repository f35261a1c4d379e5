#include "datactrls/data_memo.h"

#include "dbcore/field_data_type.h"
#include "dbcore/interface_sources.h"
#include "dbcore/intf_source_signals.h"
#include "dbcore/record_routines.h"
#include "dbcore/record_states.h"
#include "dbcore/value_interfaces.h"
#include "foundation/activation_interfaces.h"
#include "foundation/application_exception_handler.h"
#include "foundation/basic_interfaces.h"
#include "foundation/stream_interfaces.h"
#include "platform/event_guard.h"
#include "platform/system_colors.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDataMemo", text);
}

// The raw bytes of the field's value without its terminator; empty for NULL.
QByteArray ReadValueBytes(IKxUnknown* field, int terminatorSize) {
    const auto access = KxQuery<IKxAccessValueBuffer>(field);
    if (!access)
        return {};
    KxIntf<IKxUnknown> object;
    if (access->AccessValueBuffer(vbaRead, KxInterfaceId::Of<ILockBytes>(), object, 0) != hr::S_Ok)
        return {};
    const auto bytes = KxQuery<ILockBytes>(object);
    KxStatStg stat;
    if (!bytes || bytes->Stat(&stat, 0) != hr::S_Ok)
        return {};
    // A NULL value has no bytes at all: nothing to cut the terminator from.
    if (stat.cbSize <= static_cast<std::uint64_t>(terminatorSize))
        return {};
    QByteArray data(static_cast<qsizetype>(stat.cbSize), Qt::Uninitialized);
    std::uint32_t done = 0;
    bytes->ReadAt(0, data.data(), static_cast<std::uint32_t>(data.size()), &done);
    if (done != static_cast<std::uint32_t>(data.size()))
        KxRaise(Tr("Read Error, bytes to read %1, bytes that have been read %2")
                    .arg(data.size())
                    .arg(done),
                QStringLiteral("Load"), nullptr);
    data.chop(terminatorSize);
    // A value may end earlier than its buffer: the first terminator ends it.
    return data;
}

// Decodes `bytes` as the field kind stores text; `valid` tells whether they were text.
QString DecodeValue(const QByteArray& bytes, bool wide, bool& valid) {
    valid = true;
    if (!wide) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString text = decoder.decode(bytes);
        valid = !decoder.hasError();
        const qsizetype end = text.indexOf(QChar(0));
        return end >= 0 ? text.left(end) : text;
    }
    const qsizetype units = bytes.size() / 2;
    QString text(reinterpret_cast<const QChar*>(bytes.constData()), units);
    const qsizetype end = text.indexOf(QChar(0));
    if (end >= 0)
        text.truncate(end);
    // Every surrogate must be half of a pair.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            valid = false;
    }
    return text;
}

} // namespace

TKxIDataMemo::TKxIDataMemo(QWidget* parent)
    : QPlainTextEdit(parent), m_source(new TKxFieldIntfSource(this)),
      m_signals(new TKxIntfSourceSignals(m_source.get(), this)), m_note(new QLabel(this)) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
    setAcceptDrops(false);
    m_note->setText(Tr("The value is not valid text: it is shown read-only."));
    m_note->setAutoFillBackground(true);
    m_note->hide();
    connect(this, &QPlainTextEdit::textChanged, this, [this] { TextChangedByUser(); });
    const auto reflectAndReload = [this] {
        KxGuardCall([&] {
            ReflectState();
            Reload();
        });
    };
    connect(m_signals, &TKxIntfSourceSignals::afterActiveChange, this, reflectAndReload);
    connect(m_signals, &TKxIntfSourceSignals::sourceChanged, this, reflectAndReload);
    connect(m_signals, &TKxIntfSourceSignals::afterPositionChange, this, [this] { Reload(); });
    connect(m_signals, &TKxIntfSourceSignals::afterSQLChange, this, [this] { Reload(); });
    connect(m_signals, &TKxIntfSourceSignals::fieldNameChanged, this, reflectAndReload);
    connect(m_signals, &TKxIntfSourceSignals::afterOperation, this, [this](int operation) {
        KxGuardCall([&] {
            ReflectState();
            m_pendingWrite = false;
            if (operation == roInsert || operation == roCancelChanges ||
                operation == roRefreshCurrent || operation == roReExecuteStatement ||
                operation == roApplyChanges)
                Reload();
        });
    });
    connect(m_signals, &TKxIntfSourceSignals::afterFieldValueChange, this,
            [this](const QString& name) {
                if (!m_writing && name.compare(FieldName(), Qt::CaseInsensitive) == 0)
                    Reload();
            });
    ReflectState();
}

TKxIDataMemo::~TKxIDataMemo() {
    KxReleaseViewSource(m_signals, *m_source);
}

QString TKxIDataMemo::DefaultHint() {
    return Tr("Drop a %1 file on this Control to load a new %2")
        .arg(Tr("unformatted Text"), Tr("Text"));
}

void TKxIDataMemo::Bind(IKxUnknown* recordset, const QString& fieldName) {
    m_source->SetFieldName(fieldName);
    m_source->SetInterfaceSource(recordset);
    ReflectState();
    Reload();
}

void TKxIDataMemo::SetFieldName(const QString& fieldName) {
    m_source->SetFieldName(fieldName);
    ReflectState();
    Reload();
}

QString TKxIDataMemo::FieldName() const {
    return m_source->FieldName();
}

void TKxIDataMemo::ReflectState() {
    IKxUnknown* recordset = m_source->InterfaceSource().get();
    const bool bound = recordset != nullptr;
    const bool active = bound && KxGetIntfActive(recordset, false);
    // The field must be writable and the recordset able to edit (not opened read-only).
    const bool updatable =
        active && m_source->IsFieldUpdatable(FieldName()) && KxCanEdit(recordset);
    if (toolTip().isEmpty() && !property("kxHint").isValid())
        setToolTip(DefaultHint());
    const TColor color = m_reflection.Apply(
        *this, palette(), bound, bound ? m_source->GetRecordsetState() : rsInactive, updatable);
    QPalette colors = palette();
    colors.setColor(
        QPalette::Base,
        KxToQColor(color, parentWidget() != nullptr ? parentWidget()->palette() : QPalette()));
    if (color != clWindow)
        setPalette(colors);
    else
        setPalette(QPalette());
    // A field that cannot be written keeps the memo read-only, as does text that is not text.
    m_fieldReadOnly = active && !updatable;
    // Files are dropped on the viewport: it must take them exactly when the memo does.
    viewport()->setAcceptDrops(acceptDrops());
    setReadOnly(m_fieldReadOnly || m_notText);
}

void TKxIDataMemo::Reload() {
    if (m_startingEdit)
        return;
    m_loaded = false;
    if (isVisible())
        QTimer::singleShot(0, this, [this] { KxGuardCall([&] { EnsureLoaded(); }); });
}

void TKxIDataMemo::EnsureLoaded() {
    if (!m_loaded)
        Load();
}

void TKxIDataMemo::Load() {
    QString text;
    bool valid = true;
    IKxUnknown* recordset = m_source->InterfaceSource().get();
    if (recordset != nullptr && KxGetIntfActive(recordset, false)) {
        KxIntf<IKxUnknown> field;
        if (m_source->GetFieldIntf(KxInterfaceId::Of<IKxUnknown>(), field) == hr::S_Ok) {
            const auto properties = KxQuery<IKxFieldProperties>(field);
            const bool wide = properties && (properties->GetDataType() == fdtWideMemo ||
                                             properties->GetDataType() == fdtWideString);
            text = DecodeValue(ReadValueBytes(field.get(), wide ? 2 : 1), wide, valid);
        }
    }
    m_loading = true;
    setPlainText(text);
    m_loading = false;
    m_loaded = true;
    m_notText = !valid;
    ShowNote(m_notText);
    setReadOnly(m_fieldReadOnly || m_notText);
    if (hasFocus() && !KxIsModifyingState(m_source->GetRecordsetState()))
        selectAll();
}

void TKxIDataMemo::ShowNote(bool show) {
    m_note->setVisible(show);
    setViewportMargins(0, 0, 0, show ? m_note->sizeHint().height() : 0);
    resizeEvent(nullptr);
}

void TKxIDataMemo::resizeEvent(QResizeEvent* event) {
    if (event != nullptr)
        QPlainTextEdit::resizeEvent(event);
    const int height = m_note->sizeHint().height();
    m_note->setGeometry(0, this->height() - height, width(), height);
}

bool TKxIDataMemo::MayModify() {
    if (isReadOnly())
        return false;
    // Starting the edit (an insert into an empty result) announces an operation: the text
    // the user is typing is about to be written and must not be reloaded over.
    bool allowed = false;
    m_startingEdit = true;
    KxGuardCall([&] { allowed = m_source->Edit(); });
    m_startingEdit = false;
    return allowed;
}

void TKxIDataMemo::keyPressEvent(QKeyEvent* event) {
    const bool printable = !event->text().isEmpty() && event->text().at(0).isPrint();
    const bool changes = printable || event->key() == Qt::Key_Return ||
                         event->key() == Qt::Key_Enter || event->key() == Qt::Key_Backspace ||
                         event->key() == Qt::Key_Delete || event->matches(QKeySequence::Cut) ||
                         event->matches(QKeySequence::Paste);
    const bool control = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    if (changes &&
        (!control || event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Paste))) {
        // A change the field cannot take is not made at all: the text stays the stored value.
        m_pendingWrite = MayModify();
        if (!m_pendingWrite) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool TKxIDataMemo::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText() && !isReadOnly();
}

void TKxIDataMemo::insertFromMimeData(const QMimeData* source) {
    m_pendingWrite = MayModify();
    if (m_pendingWrite)
        QPlainTextEdit::insertFromMimeData(source);
}

void TKxIDataMemo::TextChangedByUser() {
    if (m_loading)
        return;
    // Changes that came another way than a key (undo, the context menu, an input method)
    // ask here; one the field cannot take is taken back.
    if (!m_pendingWrite && !MayModify()) {
        Reload();
        EnsureLoaded();
        return;
    }
    m_pendingWrite = false;
    // One posted step after the change: a burst of typing writes once.
    if (m_writeQueued)
        return;
    m_writeQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_writeQueued = false;
        try {
            WriteText(toPlainText());
        } catch (...) {
            // The field did not take the text: say so, and show what is stored instead of
            // leaving the text on screen as if it were saved.
            KxHandleCurrentException();
            Reload();
            KxGuardCall([&] { EnsureLoaded(); });
        }
    });
}

bool TKxIDataMemo::WriteText(const QString& text) {
    KxIntf<IKxUnknown> field;
    if (m_source->GetFieldIntf(KxInterfaceId::Of<IKxSetAsString>(), field) != hr::S_Ok)
        return false;
    m_writing = true;
    try {
        KxQuery<IKxSetAsString>(field)->SetAsString(text);
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
    return true;
}

void TKxIDataMemo::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && acceptDrops())
        event->acceptProposedAction();
    else
        QPlainTextEdit::dragEnterEvent(event);
}

void TKxIDataMemo::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls() && acceptDrops())
        event->acceptProposedAction();
    else
        QPlainTextEdit::dragMoveEvent(event);
}

void TKxIDataMemo::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls()) {
        QPlainTextEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    }
    if (OnFilesDropped)
        OnFilesDropped(this, files);
    // Only the first file counts; one that is gone by now does nothing.
    if (files.isEmpty() || !QFileInfo(files.first()).isFile())
        return;
    KxGuardCall([&] {
        QFile file(files.first());
        if (!file.open(QIODevice::ReadOnly) || !MayModify())
            return;
        const QString text = QString::fromUtf8(file.readAll());
        m_loading = true;
        setPlainText(text);
        m_loading = false;
        WriteText(text);
    });
}

void TKxIDataMemo::showEvent(QShowEvent* event) {
    QPlainTextEdit::showEvent(event);
    KxGuardCall([&] { EnsureLoaded(); });
}

void TKxIDataMemo::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    // Coming in by the keyboard selects the whole text; coming back from a context menu or
    // another window must not, or the next paste or key would replace the whole value.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason)
        selectAll();
}

void TKxIDataMemo::wheelEvent(QWheelEvent* event) {
    // One line a notch, whatever the delta.
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QPlainTextEdit::wheelEvent(event);
        return;
    }
    verticalScrollBar()->setValue(verticalScrollBar()->value() + (delta > 0 ? -1 : 1));
    event->accept();
}

} // namespace kx
