#pragma once
// What the host control needs of the panel that fills it. The real one is the world panel;
// tests give the control a recording one.
#include <cstdint>
#include <string>

class QWidget;

namespace plexa {

class PlexaPanel {
public:
    virtual ~PlexaPanel() = default;

    // The world address the property exchange fills; the panel loads it when its window starts.
    virtual std::string& WorldUrl() = 0;
    // Makes the panel's window as a child of parent, shows it and runs the panel's own start.
    // Null when it cannot be made.
    virtual QWidget* Create(QWidget* parent) = 0;
    // Loads a world into the view: 1 loaded, -1 failed.
    virtual int32_t LoadVrmlFile(const std::string& address) = 0;
    // Leaves the region when still in one, then removes the temporary region file.
    virtual void Shutdown() = 0;
};

}  // namespace plexa
