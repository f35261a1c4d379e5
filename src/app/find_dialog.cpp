#include "app/find_dialog.h"

#include "foundation/message_box.h"
#include "foundation/storage_helpers.h"
#include "foundation/storage_interfaces.h"
#include "platform/event_guard.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFindDialog", text);
}

} // namespace

TKxFindDialog::TKxFindDialog(TKind kind, TCustomEditor& editor, IKxUnknown* store, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_editor(editor), m_store(store), m_search(editor) {
    setObjectName(StoreKey());
    setWindowTitle(kind == Find ? Tr("Find") : Tr("Replace"));
    setModal(false);
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* form = new QFormLayout;
    m_find = new QLineEdit(this);
    form->addRow(Tr("Fi&nd what:"), m_find);
    if (kind == Replace) {
        m_replace = new QLineEdit(this);
        form->addRow(Tr("Re&place with:"), m_replace);
    }
    left->addLayout(form);
    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    m_wholeWord = new QCheckBox(Tr("Match &whole word only"), this);
    m_matchCase = new QCheckBox(Tr("Match &case"), this);
    checks->addWidget(m_wholeWord);
    checks->addWidget(m_matchCase);
    options->addLayout(checks);
    auto* direction = new QGroupBox(Tr("Direction"), this);
    auto* directionLayout = new QHBoxLayout(direction);
    m_up = new QRadioButton(Tr("&Up"), direction);
    m_down = new QRadioButton(Tr("&Down"), direction);
    m_down->setChecked(true);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);
    options->addWidget(direction);
    left->addLayout(options);
    layout->addLayout(left, 1);

    auto* buttons = new QVBoxLayout;
    m_findNext = new QPushButton(Tr("&Find Next"), this);
    m_findNext->setDefault(true);
    buttons->addWidget(m_findNext);
    connect(m_findNext, &QPushButton::clicked, this, [this] { KxGuardCall([&] { FindNext(); }); });
    if (kind == Replace) {
        m_replaceButton = new QPushButton(Tr("&Replace"), this);
        m_replaceAll = new QPushButton(Tr("Replace &All"), this);
        buttons->addWidget(m_replaceButton);
        buttons->addWidget(m_replaceAll);
        connect(m_replaceButton, &QPushButton::clicked, this,
                [this] { KxGuardCall([&] { ReplaceOnce(); }); });
        connect(m_replaceAll, &QPushButton::clicked, this,
                [this] { KxGuardCall([&] { ReplaceAll(); }); });
    }
    auto* close = new QPushButton(Tr("Cancel"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(close);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_find, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });

    // The position and the last texts of the kind come back.
    TKxBounds bounds;
    if (KxLoadWindowBounds(m_store, StoreKey(), bounds))
        move(bounds.Left, bounds.Top);
    const TKxKeyPathKeeper key(m_store, QStringLiteral("\\") + StoreKey(), false);
    if (const auto values = KxQuery<IKxStringStorage>(m_store); values && key.Opened()) {
        m_find->setText(values->ReadString(QStringLiteral("SearchText"), QString()));
        if (m_replace != nullptr)
            m_replace->setText(values->ReadString(QStringLiteral("ReplaceText"), QString()));
    }
    UpdateButtons();
}

TKxFindDialog::~TKxFindDialog() = default;

QString TKxFindDialog::StoreKey() const {
    return m_kind == Find ? QStringLiteral("FindDialog") : QStringLiteral("ReplaceDialog");
}

QString TKxFindDialog::FindText() const {
    return m_find->text();
}

void TKxFindDialog::SetFindText(const QString& text) {
    m_find->setText(text);
}

QString TKxFindDialog::ReplaceText() const {
    return m_replace != nullptr ? m_replace->text() : QString();
}

void TKxFindDialog::SetReplaceText(const QString& text) {
    if (m_replace != nullptr)
        m_replace->setText(text);
}

TKxSearchOptions TKxFindDialog::Options() const {
    TKxSearchOptions options;
    options.down = m_down->isChecked();
    options.matchCase = m_matchCase->isChecked();
    options.wholeWord = m_wholeWord->isChecked();
    return options;
}

void TKxFindDialog::SetOptions(const TKxSearchOptions& options) {
    m_down->setChecked(options.down);
    m_up->setChecked(!options.down);
    m_matchCase->setChecked(options.matchCase);
    m_wholeWord->setChecked(options.wholeWord);
}

void TKxFindDialog::UpdateButtons() {
    const bool searchable = !m_find->text().isEmpty();
    m_findNext->setEnabled(searchable);
    if (m_replaceButton != nullptr) {
        m_replaceButton->setEnabled(searchable);
        m_replaceAll->setEnabled(searchable);
    }
}

void TKxFindDialog::NotFound() {
    KxMessageBox(Tr("Text not found: %1").arg(FindText()), svInformation, mb::Ok);
}

bool TKxFindDialog::FindNext() {
    if (FindText().isEmpty())
        return false;
    if (m_search.Find(FindText(), Options()))
        return true;
    NotFound();
    return false;
}

bool TKxFindDialog::ReplaceOnce() {
    if (FindText().isEmpty())
        return false;
    if (m_search.Replace(FindText(), ReplaceText(), Options()))
        return true;
    NotFound();
    return false;
}

int TKxFindDialog::ReplaceAll() {
    return m_search.ReplaceAll(FindText(), ReplaceText(), Options());
}

void TKxFindDialog::closeEvent(QCloseEvent* event) {
    KxGuardCall([&] {
        TKxBounds bounds;
        bounds.Left = pos().x();
        bounds.Top = pos().y();
        KxStoreWindowBounds(m_store, StoreKey(), bounds);
        const TKxKeyPathKeeper key(m_store, QStringLiteral("\\") + StoreKey(), true);
        if (const auto values = KxQuery<IKxStringStorage>(m_store)) {
            values->WriteString(QStringLiteral("SearchText"), FindText());
            if (m_replace != nullptr)
                values->WriteString(QStringLiteral("ReplaceText"), ReplaceText());
        }
    });
    QDialog::closeEvent(event);
    if (OnClosed)
        OnClosed();
}

} // namespace kx
