#pragma once
// What the container is asked to show: "moneko [--world URL] [PAGE.html | WORLD.wrl | URL]".
// The world ends up as the control's object parameters, as a page would give them.
#include "platform/com/guid.h"
#include "platform/com/property_bag.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

class ContainerArguments {
public:
    // False with *error set for arguments that make no sense; reads the page when one is given.
    // controlClsid picks the page's <object> meant for the control when the page has several.
    bool Parse(const QStringList& arguments, const std::optional<platform::com::Guid>& controlClsid, QString* error);

    // The parameters of the page's object for the control: the one whose classid names it, else
    // the first with a "SRC" or "World" parameter. Relative addresses are taken from pageDir.
    // Values are CP932, as the control keeps them; nullopt when the page has no such object.
    static std::optional<platform::com::PropertyBag> FromPage(const std::string& html, const QString& pageDir,
                                                              const std::optional<platform::com::Guid>& controlClsid);
    // An address as the control's view takes it: URLs unchanged, local paths made absolute.
    static std::string WorldAddress(const QString& argument, const QString& baseDir);

    bool helpRequested = false;
    // --screenshot FILE [--after SECONDS]: saves the screen to FILE after the delay (default 10 s)
    // and quits; for scripted demonstrations and end-to-end tests.
    QString screenshotPath;
    int screenshotDelaySeconds = 10;
    QString pagePath;
    platform::com::PropertyBag params;
};
