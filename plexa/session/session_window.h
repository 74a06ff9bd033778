#pragma once
// What a session needs of the window it runs in: messages, the toolbar, the own-avatar card,
// the sub-windows, the region dialog, the options sheet, the gesture palette and the status line.
#include "plexa/session/session_status.h"

#include <initializer_list>
#include <string>

namespace plexa {

// What the region dialog gave when confirmed.
struct RegionChoice {
    std::string nickname;
    std::string regionName;
    std::string regionAddress;
};

class SessionWindow {
public:
    virtual ~SessionWindow() = default;
    // A message box of the string table; a non-empty second line is added below the text.
    virtual void ShowMessage(int stringId, const std::string& secondLine = {}) = 0;
    virtual void EnableButtons(std::initializer_list<int> ids, bool enable) = 0;
    // The gesture palette and the roster windows hidden, the own-avatar card shown.
    virtual void CloseSubWindows() = 0;
    virtual void ClearCard() = 0;
    virtual void ShowOwnCard(const std::string& image, const std::string& nickname, const std::string& userId,
                             const std::string& regionName) = 0;
    virtual void SetCardRegionName(const std::string& regionName) = 0;
    // Runs the region dialog modally; false when the user cancelled it.
    virtual bool RunRegionDialog(RegionChoice* choice) = 0;
    // The options sheet at its avatar page.
    virtual void OpenAvatarSettings() = 0;
    // Loads the avatar definitions when not loaded yet.
    virtual void EnsureDefinitions() = 0;
    // The gesture palette gets the definitions and the own avatar's directory and name.
    virtual void HandPaletteAvatar(const std::string& directory, const std::string& directoryName) = 0;
    virtual void ShowStatus(const SessionStatus& status) = 0;
};

}  // namespace plexa
