#pragma once
// The host control's module: what it declares about itself, its start-up check of the
// installation and the file type and MIME registration that makes the control open VRML worlds.
#include "platform/com/dispatch.h"
#include "platform/com/module_info.h"

#include <string>

class QWidget;

namespace plexa {

class CPlexaApp {
public:
    // The seven files the installation directory must hold, in lower case.
    static const char* const kRequiredFiles[7];

    static const platform::com::ModuleInfo& ModuleInfo();

    // The module's start: the installation directory from the settings must hold every required
    // file and a "chatlog" directory. Shows message 155 or 156 and returns false otherwise.
    static bool InitInstance();

    // Registers ".wrl" and the VRML MIME types for the control, then its full-page and safety
    // categories. The first step that fails ends the chain; false then.
    static bool RegisterVrmlHandling();
    // The module's registration step after its classes: the chain above, with a message box when
    // it stops early. Always S_OK: the control itself is registered by then.
    static platform::com::HResult RegisterExtra(const std::string& modulePath);

    // A message box with the module's caption. Without a GUI application (a console installer
    // registering the module) the text goes to standard error instead; returns IDOK then.
    static int ShowModuleMessage(QWidget* owner, const std::string& text, const std::string& caption,
                                 unsigned style);
    static int ShowModuleMessage(QWidget* owner, int stringId);
};

}  // namespace plexa
