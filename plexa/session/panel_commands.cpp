#include "plexa/session/panel_commands.h"

#include "platform/ui/bitmap_button.h"
#include "plexa/data/action_palette.h"
#include "plexa/resources/resource_ids.h"
#include "plexa/session/world_panel.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QWidget>

namespace plexa {

namespace {

struct ToolbarKey {
    int id;
    QKeySequence key;
    const char* group;
};

// Buttons that share a place (one of each pair is hidden by the navigation set) share a key.
const ToolbarKey kToolbarKeys[] = {
    {201, QKeySequence(Qt::CTRL | Qt::Key_R), "world"},
    {205, QKeySequence(Qt::CTRL | Qt::Key_T), "navigation"},
    {206, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), "navigation"},
    {207, QKeySequence(Qt::Key_F5), "navigation"},
    {210, QKeySequence(Qt::Key_F5), "navigation"},
    {208, QKeySequence(Qt::Key_F6), "navigation"},
    {211, QKeySequence(Qt::Key_F6), "navigation"},
    {209, QKeySequence(Qt::Key_F7), "navigation"},
    {212, QKeySequence(Qt::Key_F7), "navigation"},
    {215, QKeySequence(Qt::Key_F8), "navigation"},
    {216, QKeySequence(Qt::Key_F8), "navigation"},
    {217, QKeySequence(Qt::CTRL | Qt::Key_L), "people"},
    {218, QKeySequence(Qt::CTRL | Qt::Key_E), "people"},
    {220, QKeySequence(Qt::CTRL | Qt::Key_G), "people"},
    {225, QKeySequence(Qt::CTRL | Qt::Key_S), "world"},
    {223, QKeySequence(Qt::CTRL | Qt::Key_Comma), "world"},
    {224, QKeySequence(Qt::Key_F1), "world"},
};

// Gestures 1 to 9 and 10 on Ctrl with the digit row, 11 to 16 with Shift added.
QKeySequence GestureKey(int slot) {
    static const Qt::Key digits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5,
                                     Qt::Key_6, Qt::Key_7, Qt::Key_8, Qt::Key_9, Qt::Key_0};
    if (slot < 10) return QKeySequence(Qt::CTRL | digits[slot]);
    if (slot < 16) return QKeySequence(Qt::CTRL | Qt::SHIFT | digits[slot - 10]);
    return {};
}

}  // namespace

PanelCommands::PanelCommands(QWidget* owner) : QObject(owner), m_owner(owner) {}

PanelCommands* PanelCommands::Install(WorldPanel& panel) {
    auto* commands = new PanelCommands(&panel);
    for (const ToolbarKey& entry : kToolbarKeys) {
        QAbstractButton* button = panel.Button(entry.id);
        if (!button) continue;
        commands->Add(button, button->toolTip(), entry.key, QString::fromLatin1(entry.group));
    }
    if (ActionPalette* palette = panel.Palette()) {
        for (int slot = 0; slot < res::kActionSlots; ++slot) {
            QAbstractButton* button = palette->Button(res::IDC_ACTION_FIRST + slot);
            if (button) commands->Add(button, button->accessibleName(), GestureKey(slot), QStringLiteral("gestures"));
        }
    }
    return commands;
}

QAction* PanelCommands::Add(QAbstractButton* button, const QString& text, const QKeySequence& shortcut,
                            const QString& group) {
    auto* action = new QAction(text, m_owner);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setProperty(kMenuGroupProperty, group);
    if (button->accessibleName().isEmpty()) button->setAccessibleName(text);
    if (button->toolTip().isEmpty()) button->setToolTip(text);
    connect(action, &QAction::triggered, button, [button] { button->click(); });
    m_owner->addAction(action);
    m_actions[button] = action;
    button->installEventFilter(this);
    Follow(button);
    return action;
}

QAction* PanelCommands::ActionFor(const QAbstractButton* button) const {
    auto it = m_actions.find(button);
    return it == m_actions.end() ? nullptr : it->second;
}

bool PanelCommands::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::DynamicPropertyChange:
        Follow(static_cast<QAbstractButton*>(watched));
        break;
    case QEvent::ToolTipChange:
        // A gesture button is named when the avatar is known: its menu entry follows.
        if (QAction* action = ActionFor(static_cast<QAbstractButton*>(watched)))
            action->setText(static_cast<QAbstractButton*>(watched)->toolTip());
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void PanelCommands::Follow(QAbstractButton* button) {
    QAction* action = ActionFor(button);
    if (!action) return;
    action->setEnabled(button->isEnabled());
    // A button parked while the view fills the screen keeps its key.
    action->setVisible(!button->isHidden() || button->property(WorldPanel::kParkedProperty).toBool());
}

}  // namespace plexa
