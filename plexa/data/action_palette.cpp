#include "plexa/data/action_palette.h"

#include "platform/ui/bitmap_button.h"
#include "platform/text/cp932.h"
#include "platform/ui/dialog_units.h"
#include "plexa/data/avatar_data_store.h"
#include "plexa/data/button_bitmap.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

#include <QKeyEvent>

#include <cstdio>

namespace plexa {
namespace {
constexpr int kButtonSize = 32;
constexpr int kColumns = 8;

QPoint SlotPosition(int slot) { return {10 + 37 * (slot % kColumns), slot < kColumns ? 5 : 42}; }
}  // namespace

ActionPalette::ActionPalette(std::function<void(const std::string&)> sendAction, QWidget* parent)
    : QDialog(parent), m_sendAction(std::move(sendAction)) {
    using namespace res;
    setObjectName(QString::number(IDD_ACTION_PALETTE));
    setWindowTitle(QString::fromUtf8("アバタ動作"));
    setFont(platform::ui::DialogFont());
    setModal(false);
    resize(platform::ui::DialogUnits::Standard().MapSize(IDD_ACTION_PALETTE_WIDTH, IDD_ACTION_PALETTE_HEIGHT));
    for (int slot = 0; slot < kActionSlots; ++slot) {
        auto* button = new platform::ui::BitmapButton(this);
        const int id = IDC_ACTION_FIRST + slot;
        button->setObjectName(QString::number(id));
        button->setFocusPolicy(Qt::StrongFocus);
        m_buttons[static_cast<size_t>(slot)] = button;
        NameButton(slot, {});
        button->hide();
        connect(button, &QAbstractButton::clicked, this, [this, slot] {
            if (m_sendAction) m_sendAction(ActionCode(slot));
        });
    }
    // Initialisation of the window.
    if (!m_avatarDirectory.empty()) {
        m_buttonCount = 0;
        Rebuild();
    }
}

ActionPalette::~ActionPalette() = default;

std::string ActionPalette::ActionCode(int slot) {
    char code[8];
    std::snprintf(code, sizeof code, "a%02d", slot);
    return code;
}

platform::ui::BitmapButton* ActionPalette::Button(int id) const {
    const int slot = id - res::IDC_ACTION_FIRST;
    if (slot < 0 || slot >= res::kActionSlots) return nullptr;
    return m_buttons[static_cast<size_t>(slot)];
}

bool ActionPalette::SetAvatar(const std::string& avatarDirectory, const std::string& directoryName) {
    if (avatarDirectory.empty()) return false;
    m_avatarDirectory = avatarDirectory;
    m_directoryName = directoryName;
    m_buttonCount = 0;
    Rebuild();
    return true;
}

void ActionPalette::NameButton(int slot, const std::string& label) {
    // A picture says nothing to a screen reader or before the first press: the gesture's own
    // name from the definitions, else its number.
    const QString name = label.empty() ? res::PlexaStrings().GetQ(res::IDS_ACTION_BUTTON).arg(slot + 1)
                                       : platform::ToQString(label);
    auto* button = m_buttons[static_cast<size_t>(slot)];
    button->setAccessibleName(name);
    button->setToolTip(name);
}

void ActionPalette::Rebuild() {
    std::array<std::string, 16> paths;
    std::array<std::string, 16> labels;
    const AvatarDefinition* record =
        m_definitions ? FindDefinitionByDirectoryName(*m_definitions, m_directoryName) : nullptr;
    if (record) {
        for (const DefinitionAsset& button : record->buttons) {
            if (m_buttonCount >= res::kActionSlots) break;  // the palette has sixteen slots
            paths[static_cast<size_t>(m_buttonCount)] = m_avatarDirectory + "/" + m_directoryName + "/" +
                                                        kButtonDirectoryName + "/" + button.fileName;
            labels[static_cast<size_t>(m_buttonCount)] = button.label;
            ++m_buttonCount;
        }
    }
    for (int slot = 0; slot < res::kActionSlots; ++slot) {
        auto* button = m_buttons[static_cast<size_t>(slot)];
        NameButton(slot, labels[static_cast<size_t>(slot)]);
        if (slot >= m_buttonCount) {
            // Buttons of an earlier, larger avatar would otherwise stay behind the smaller window.
            button->hide();
            continue;
        }
        // A picture that fails to load leaves the slot's earlier one.
        QPixmap& bitmap = m_bitmaps[static_cast<size_t>(slot)];
        LoadButtonBitmap(paths[static_cast<size_t>(slot)], bitmap);
        button->LoadBitmaps(bitmap.toImage());
        button->setGeometry(QRect(SlotPosition(slot), QSize(kButtonSize, kButtonSize)));
        button->show();
    }
    // The outer size, top-left corner kept.
    m_outerSize = QSize(m_buttonCount > 8 ? 311 : 37 * m_buttonCount + 15, m_buttonCount <= 8 ? 67 : 104);
    ApplyOuterSize();
}

void ActionPalette::ApplyOuterSize() {
    if (!m_outerSize.isValid()) return;
    // The frame is known only once the window exists; until then the size is the client's.
    QSize frame;
    if (isWindow() && testAttribute(Qt::WA_WState_Created))
        frame = QSize(frameGeometry().width() - width(), frameGeometry().height() - height());
    setFixedSize(m_outerSize - frame);
}

void ActionPalette::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ApplyOuterSize();
}

void ActionPalette::MoveFocus(int step) {
    if (m_buttonCount == 0) return;
    int slot = 0;
    for (int k = 0; k < m_buttonCount; ++k)
        if (focusWidget() == m_buttons[static_cast<size_t>(k)]) slot = k;
    // Across a row it wraps round; up and down stay inside the buttons there are.
    if (step == 1 || step == -1) slot = (slot + step + m_buttonCount) % m_buttonCount;
    else if (slot + step >= 0 && slot + step < m_buttonCount) slot += step;
    m_buttons[static_cast<size_t>(slot)]->setFocus(Qt::TabFocusReason);
}

void ActionPalette::keyPressEvent(QKeyEvent* event) {
    // Arrow keys walk the grid; Space or Enter on a button presses it.
    switch (event->key()) {
    case Qt::Key_Left: MoveFocus(-1); return;
    case Qt::Key_Right: MoveFocus(1); return;
    case Qt::Key_Up: MoveFocus(-kColumns); return;
    case Qt::Key_Down: MoveFocus(kColumns); return;
    default: QDialog::keyPressEvent(event);
    }
}

}  // namespace plexa
