#pragma once
// The options command of the main panel: fills the options sheet from the panel's option copies
// and the settings, runs it, and on OK stores every value and applies it to the 3D view and the
// chat control at once.
#include "platform/com/guid.h"
#include "plexa/data/c_world_view.h"

class CSettingsStore;

namespace plexa {

class OptionSheetHost;

// startPage: the page shown first, 0 from the options button, 3 (the avatar) when an avatar must
// be set up first. worldViewClass: the preview control of the avatar chooser.
void ShowOptionSheet(OptionSheetHost& host, CSettingsStore& settings, int startPage,
                     const platform::com::Guid& worldViewClass = CWorldView::kClassId);

}  // namespace plexa
