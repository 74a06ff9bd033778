// The exports of plexa.ocx.
#include "platform/com/module_exports.h"
#include "plexa/frame/plexa_app.h"

MONEKO_DEFINE_MODULE(plexa::CPlexaApp::ModuleInfo())
