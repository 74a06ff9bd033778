#pragma once
// The chat control's string table.
#include "platform/ui/string_table.h"

namespace teskchat {

enum TeskChatStringId : int {
    IDS_TESKCHAT = 1,
    IDS_TESKCHAT_PPG = 2,
    IDS_AVATAR_NAME = 105,
    IDS_USER_ID = 106,
    IDS_MESSAGE = 107,
    IDS_TEXT_FILTER = 108,
    IDS_SAVE_WINDOW = 109,
    IDS_CONFIRM = 110,
    IDS_SAVE_CHAT = 111,
    IDS_SAVE_FAILED = 112,
    IDS_TESKCHAT_PPG_CAPTION = 200,
    IDS_COPY = 201,
    IDS_ESP_REFUSED = 202,
    IDS_ABOUT_CAPTION = 203,
    IDS_ABOUT_TEXT = 204,
    IDS_INPUT_LOCKED = 205,
};

const platform::ui::StringTable& TeskChatStrings();

}  // namespace teskchat
