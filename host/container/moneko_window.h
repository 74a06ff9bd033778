#pragma once
// The container's window: plays the part of the page that embeds the world host control. It
// creates the control by ProgID through the registry, hands it the page's object parameters,
// then makes the control's window fill its own client area.
#include "platform/com/control_site.h"
#include "platform/com/property_bag.h"

#include <QMainWindow>
#include <QString>

#include <memory>
#include <string>

class MonekoWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MonekoWindow(QWidget* parent = nullptr);
    ~MonekoWindow() override;

    enum class OpenResult { Opened, NotRegistered, StartFailed, CannotCreate };
    // Creates the control and its window. On failure *error says why (for the user); a control
    // whose module refused to start has shown its own message already.
    OpenResult Open(const std::string& progId, const platform::com::PropertyBag& params, QString* error);

    platform::com::ControlSite* Site() const { return m_site.get(); }
    QWidget* ControlWindow() const { return m_site ? m_site->Window() : nullptr; }

public slots:
    void ShowAbout();
    void ShowProperties();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CloseControl();

    std::unique_ptr<platform::com::ControlSite> m_site;
    std::string m_progId;
};
