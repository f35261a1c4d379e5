#pragma once

#include <QDialog>
#include <QPushButton>

class QFrame;
class QSizeGrip;

namespace kx {

// Kinds of the standard buttons; a dialog's button set has bit `kind` for each it shows.
enum TKxStandardBtnKind : int { sbOk = 0, sbCancel = 1, sbClose = 9 };
inline constexpr unsigned kxStandardOkCancel = (1u << sbOk) | (1u << sbCancel);

// "&Ok" (the default button, accepts), "C&ancel" (rejects, also on Escape) or "Cl&ose"
// (asks its form to close once the click is over), each with the image of its kind.
class TKxStandardBtn : public QPushButton {
public:
    TKxStandardBtn(TKxStandardBtnKind kind, QDialog* form);
    TKxStandardBtnKind Kind() const { return m_kind; }

private:
    TKxStandardBtnKind m_kind;
};

// The frame other dialogs build on: a client area with a 4-pixel border and a bevel that the
// subclass lays its controls on, and a bottom bar with the buttons of the set and a size grip.
class TKxStandardDlg : public QDialog {
public:
    explicit TKxStandardDlg(unsigned buttons = kxStandardOkCancel, QWidget* parent = nullptr);

    unsigned Buttons() const { return m_buttons; }
    // Null when the set lacks the kind.
    TKxStandardBtn* Button(TKxStandardBtnKind kind) const;
    QFrame* ClientArea() const { return m_client; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    unsigned m_buttons;
    QFrame* m_client = nullptr;
    QSizeGrip* m_grip = nullptr;
};

} // namespace kx
