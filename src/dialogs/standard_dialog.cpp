#include "dialogs/standard_dialog.h"

#include "dialogs/dialog_texts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QResizeEvent>
#include <QSizeGrip>
#include <QStyle>
#include <QVBoxLayout>

namespace kx {
namespace {

QString Caption(TKxStandardBtnKind kind) {
    switch (kind) {
    case sbOk:
        return dlgtext::Ok();
    case sbCancel:
        return dlgtext::Cancel();
    default:
        return dlgtext::Close();
    }
}

QStyle::StandardPixmap Image(TKxStandardBtnKind kind) {
    switch (kind) {
    case sbOk:
        return QStyle::SP_DialogOkButton;
    case sbCancel:
        return QStyle::SP_DialogCancelButton;
    default:
        return QStyle::SP_DialogCloseButton;
    }
}

} // namespace

TKxStandardBtn::TKxStandardBtn(TKxStandardBtnKind kind, QDialog* form)
    : QPushButton(Caption(kind), form), m_kind(kind) {
    setIcon(style()->standardIcon(Image(kind)));
    switch (kind) {
    case sbOk:
        setDefault(true);
        connect(this, &QPushButton::clicked, form, &QDialog::accept);
        break;
    case sbCancel:
        setAutoDefault(false);
        connect(this, &QPushButton::clicked, form, &QDialog::reject);
        break;
    case sbClose:
        setAutoDefault(false);
        // Closing from inside the click would tear the button down under its own handler.
        connect(this, &QPushButton::clicked, form, &QWidget::close, Qt::QueuedConnection);
        break;
    }
}

TKxStandardDlg::TKxStandardDlg(unsigned buttons, QWidget* parent)
    : QDialog(parent), m_buttons(buttons) {
    auto* clientBorder = new QWidget(this);
    auto* clientLayout = new QVBoxLayout(clientBorder);
    clientLayout->setContentsMargins(4, 4, 4, 4);
    m_client = new QFrame(clientBorder);
    m_client->setObjectName(QStringLiteral("ClientArea"));
    m_client->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    clientLayout->addWidget(m_client);

    auto* bar = new QWidget(this);
    bar->setFixedHeight(37);
    auto* barLayout = new QHBoxLayout(bar);
    // Right to left, 15 pixels in from the edge: Close, OK, then Cancel 7 pixels left of OK.
    barLayout->setContentsMargins(4, 0, 15, 0);
    barLayout->setSpacing(7);
    barLayout->addStretch();
    for (TKxStandardBtnKind kind : {sbCancel, sbOk, sbClose}) {
        if (buttons & (1u << kind))
            barLayout->addWidget(new TKxStandardBtn(kind, this), 0, Qt::AlignVCenter);
    }
    // The grip sits in the corner over the bar, outside the button layout.
    m_grip = new QSizeGrip(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(clientBorder, 1);
    layout->addWidget(bar);
}

void TKxStandardDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const QSize grip = m_grip->sizeHint();
    m_grip->setGeometry(width() - grip.width(), height() - grip.height(), grip.width(),
                        grip.height());
    m_grip->raise();
}

TKxStandardBtn* TKxStandardDlg::Button(TKxStandardBtnKind kind) const {
    for (TKxStandardBtn* button : findChildren<TKxStandardBtn*>()) {
        if (button->Kind() == kind)
            return button;
    }
    return nullptr;
}

} // namespace kx
