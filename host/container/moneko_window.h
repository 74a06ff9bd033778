#pragma once
// The container's window: plays the part of the page that embeds the world host control. It
// creates the control by ProgID through the registry, hands it the page's object parameters,
// then makes the control's window fill its own client area.
#include "host/container/window_geometry_store.h"
#include "platform/com/control_site.h"
#include "platform/com/property_bag.h"

#include <QMainWindow>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QAction;
class QMenu;

class MonekoWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MonekoWindow(QWidget* parent = nullptr);
    ~MonekoWindow() override;

    enum class OpenResult { Opened, NotRegistered, StartFailed, CannotCreate };
    // Creates the control and its window. On failure *error says why (for the user); a control
    // whose module refused to start has shown its own message already.
    OpenResult Open(const std::string& progId, const platform::com::PropertyBag& params, QString* error);

    // The smallest client area the world's window is laid out for, and the size a first start
    // opens at (menu bar included).
    static constexpr QSize kMinimumControlSize{680, 420};
    static constexpr QSize kFirstStartSize{800, 600};

    // Where the window's size and place are remembered; without a store every start opens at the
    // first-start size. Set before Open.
    void SetGeometryStore(std::optional<WindowGeometryStore> store) { m_geometryStore = std::move(store); }

    platform::com::ControlSite* Site() const { return m_site.get(); }
    QWidget* ControlWindow() const { return m_site ? m_site->Window() : nullptr; }

    // The control's command actions (those carrying a menu group), listed in the 操作 menu.
    QMenu* CommandMenu() const { return m_commandMenu; }
    void RefreshCommandMenu();
    QAction* FullScreenAction() const { return m_fullScreen; }
    // Esc, usable only in full screen: the way back people try first.
    QAction* LeaveFullScreenAction() const { return m_leaveFullScreen; }

public slots:
    void ShowAbout();
    void ShowProperties();
    // The world fills the screen, without the menu bar (a world that shows a 3D view shows it
    // alone then); again, back to the window.
    void SetFullScreen(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CloseControl();

    std::unique_ptr<platform::com::ControlSite> m_site;
    std::string m_progId;
    std::optional<WindowGeometryStore> m_geometryStore;
    QMenu* m_commandMenu = nullptr;
    QAction* m_fullScreen = nullptr;
    QAction* m_leaveFullScreen = nullptr;
    bool m_wasMaximized = false;
};
