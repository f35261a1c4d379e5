#include "dialogs/color_picker.h"

#include "platform/event_guard.h"
#include "platform/system_colors.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <array>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxColorPicker", text);
}

struct TNamedColor {
    const char* name;
    TColor color;
};

// The sixteen classic colours and the four extra ones desktop colour boxes have always shown.
constexpr std::array<TNamedColor, 20> kStandardColors{{
    {"Black", clBlack},  {"Maroon", clMaroon},      {"Green", clGreen},
    {"Olive", clOlive},  {"Navy", clNavy},          {"Purple", clPurple},
    {"Teal", clTeal},    {"Gray", 0x808080},        {"Silver", clSilver},
    {"Red", clRed},      {"Lime", 0x00FF00},        {"Yellow", 0x00FFFF},
    {"Blue", clBlue},    {"Fuchsia", 0xFF00FF},     {"Aqua", 0xFFFF00},
    {"White", 0xFFFFFF}, {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6},
    {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
}};

QIcon Swatch(TColor color, const QPalette& palette) {
    QPixmap pixmap(16, 12);
    pixmap.fill(KxToQColor(color, palette));
    QPainter painter(&pixmap);
    painter.setPen(palette.color(QPalette::WindowText));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

TColor FromQColor(const QColor& color) {
    return static_cast<TColor>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

} // namespace

int TKxColorPicker::StandardColorCount() {
    return static_cast<int>(kStandardColors.size());
}

TColor TKxColorPicker::StandardColor(int index) {
    return kStandardColors.at(static_cast<std::size_t>(index)).color;
}

TKxColorPicker::TKxColorPicker(QWidget* parent) : QComboBox(parent) {
    addItem(Tr("Custom..."));
    for (const TNamedColor& named : kStandardColors)
        addItem(Swatch(named.color, palette()), Tr(named.name));
    // Typing a name picks the colour (the closed box searches its items), the mouse and the
    // arrow keys do too; each of them reports the index as activated.
    connect(this, &QComboBox::activated, this,
            [this](int index) { KxGuardCall([&] { Choose(index); }); });
    SetSelected(clBlack);
}

void TKxColorPicker::SetSelected(TColor color) {
    const QSignalBlocker blocker(this);
    m_selected = color;
    for (int index = 0; index < StandardColorCount(); ++index) {
        if (StandardColor(index) == color) {
            setCurrentIndex(index + 1);
            return;
        }
    }
    m_custom = color;
    ShowCustomSwatch();
    setCurrentIndex(0);
}

void TKxColorPicker::ShowCustomSwatch() {
    // The box shows the custom colour's value beside the entry that changes it.
    setItemIcon(0, Swatch(m_custom, palette()));
    setItemText(0, QStringLiteral("%1 %2").arg(
                       Tr("Custom..."), QColor(KxToQColor(m_custom, palette())).name().toUpper()));
}

void TKxColorPicker::Choose(int index) {
    TColor chosen = m_selected;
    if (index == 0) {
        const QColor color = QColorDialog::getColor(KxToQColor(m_selected, palette()), this);
        if (!color.isValid()) {
            SetSelected(m_selected); // cancelled: the box shows the colour that stays
            return;
        }
        chosen = FromQColor(color);
    } else {
        chosen = StandardColor(index - 1);
    }
    SetSelected(chosen);
    if (OnChange)
        OnChange(chosen);
}

} // namespace kx
