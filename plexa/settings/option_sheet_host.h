#pragma once
// What the options sheet needs of the main panel: its option copies, its avatar definitions and
// the two child controls the new values go to.
#include "plexa/data/avatar_definition.h"
#include "plexa/settings/option_values.h"

#include <cstdint>
#include <string>

namespace plexa {

class OptionSheetHost {
public:
    virtual ~OptionSheetHost() = default;

    virtual OptionValues& OptionCopies() = 0;
    // Loaded from the definition file at the first need and kept; null while the file gives none.
    virtual const AvatarDefinitionList* AvatarDefinitions() = 0;

    // The 3D view's option properties 1 to 8: flags 1 to 6, display methods 7 and 8.
    virtual void SetViewFlag(int32_t dispid, int32_t flag) = 0;
    virtual void SetViewNumber(int32_t dispid, int32_t value) = 0;

    // The chat control's save flags and font.
    virtual void SetChatAutoSave(int32_t flag) = 0;
    virtual void SetEspAutoSave(int32_t flag) = 0;
    virtual void SetConfirmSave(int32_t flag) = 0;
    virtual void SetChatFont(const std::string& face, int16_t points) = 0;

    // Places the 3D view by the new FixedSize.
    virtual void Relayout() = 0;
};

}  // namespace plexa
