#pragma once
// The panel's picture buttons as keyboard commands. Each button gets an action on the owner widget
// with the button's name and a shortcut, so the keys work wherever the panel's window is active
// and a container can list the actions in its menu (they carry the menu group property). An action
// follows its button: it is disabled or hidden with it, and triggering it clicks the button.
// Buttons without an accessible name get the action's text as one, so screen readers have
// something to say about a picture.
#include <QKeySequence>
#include <QObject>
#include <QString>

#include <map>

class QAbstractButton;
class QAction;
class QWidget;

namespace plexa {

class WorldPanel;

class PanelCommands : public QObject {
    Q_OBJECT
public:
    // Dynamic property of every command action: the menu section it belongs in.
    static constexpr const char* kMenuGroupProperty = "menuGroup";

    explicit PanelCommands(QWidget* owner);

    // The panel's toolbar, lower buttons and gesture palette, with their shortcuts.
    static PanelCommands* Install(WorldPanel& panel);

    QAction* Add(QAbstractButton* button, const QString& text, const QKeySequence& shortcut, const QString& group);
    QAction* ActionFor(const QAbstractButton* button) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow(QAbstractButton* button);

    QWidget* m_owner;
    std::map<const QAbstractButton*, QAction*> m_actions;
};

}  // namespace plexa
