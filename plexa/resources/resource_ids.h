#pragma once
// Ids of the host control's dialogs, controls and strings. Dialog templates are code: each dialog
// lays out its controls from these ids and the sizes beside them (dialog units).

namespace plexa::res {

// Strings (plexa_strings.cpp)
inline constexpr int IDS_REGION_NOT_SELECTED = 136;
inline constexpr int IDS_REGION_COLUMN = 139;
inline constexpr int IDS_REGION_LIST_READ_FAILED = 157;
inline constexpr int IDS_CAPTION = 57344;
inline constexpr int IDS_DEFAULT_PORT = 57345;
inline constexpr int IDS_AVATAR_CHANGED = 57349;

// Host control frame
inline constexpr int IDS_PLEXA = 1;
inline constexpr int IDS_PLEXA_PPG = 2;
inline constexpr int IDS_PLEXA_PPG_CAPTION = 200;
inline constexpr int IDS_VRML_LOAD_FAILED = 125;
inline constexpr int IDS_NOT_INSTALLED = 155;
inline constexpr int IDS_DATA_MISSING = 156;
inline constexpr int IDD_ABOUTBOX_PLEXA = 1;
inline constexpr int IDD_PROPPAGE_PLEXA = 200;

// World session (main panel)
inline constexpr int IDS_CONNECT_FAILED = 106;
inline constexpr int IDS_DISCONNECT_FAILED = 107;
inline constexpr int IDS_ENTER_REGION_FAILED = 108;
inline constexpr int IDS_LEAVE_REGION_FAILED = 109;
inline constexpr int IDS_SERVER_DISCONNECTED = 119;
inline constexpr int IDS_ESP_WINDOW_OPEN_FAILED = 123;
inline constexpr int IDS_ESP_WINDOW_CLOSE_FAILED = 124;
inline constexpr int IDS_WALK_MODE_FAILED = 126;
inline constexpr int IDS_WALK_SPEED_FAILED = 127;
inline constexpr int IDS_REVERT_FAILED = 128;
inline constexpr int IDS_AVATAR_CREATE_FAILED = 129;
inline constexpr int IDS_AVATAR_DELETE_FAILED = 130;
inline constexpr int IDS_AVATAR_MOVE_FAILED = 132;
inline constexpr int IDS_OTHER_REGION_AVATAR = 150;
inline constexpr int IDS_ADMIN_NAME = 154;
inline constexpr int IDS_TIP_REGION_CHANGE = 57348;
inline constexpr int IDS_AVATAR_NOT_SET = 61001;
inline constexpr int IDS_HOST_NOT_SET = 61002;
// Tooltip of toolbar button n (other than 201): IDS_TIP_BASE + n, so 61201 to 61225 are taken.
inline constexpr int IDS_TIP_BASE = 61000;
// Why the server ended the session: IDS_BYE_REASON_BASE + the server's reason (0 to 6).
inline constexpr int IDS_BYE_REASON_BASE = 61300;
inline constexpr int IDS_BYE_WORDS = 61310;  // "（サーバからの説明: %1）"
// The session's status line.
inline constexpr int IDS_STATUS_OFFLINE = 61320;
inline constexpr int IDS_STATUS_PREPARING = 61321;     // %1 seconds left
inline constexpr int IDS_STATUS_LOADING = 61322;
inline constexpr int IDS_STATUS_CONNECTING = 61323;
inline constexpr int IDS_STATUS_IN_REGION = 61324;     // %1 region name
inline constexpr int IDS_STATUS_RECONNECTING = 61325;  // %1 attempt, %2 seconds to the next
inline constexpr int IDS_STATUS_RETRYING = 61326;      // %1 attempt
inline constexpr int IDS_STATUS_CANCEL = 61327;
inline constexpr int IDS_STATUS_NAME = 61328;
inline constexpr int IDS_STATUS_DOWNLOADING = 61329;               // %1 KB received, %2 KB in all
inline constexpr int IDS_STATUS_DOWNLOADING_SIZE_UNKNOWN = 61330;  // %1 KB received
inline constexpr int IDD_WORLD_PANEL = 274;
inline constexpr int IDD_WORLD_PANEL_WIDTH = 405;
inline constexpr int IDD_WORLD_PANEL_HEIGHT = 303;

// Roster windows: the avatar list and the ESP partner chooser
inline constexpr int IDS_ESP_CONNECTION_OPEN_FAILED = 115;
inline constexpr int IDS_AVATAR_NAME_COLUMN = 137;
inline constexpr int IDS_IP_ADDRESS_COLUMN = 57347;
inline constexpr int IDD_AVATAR_LIST = 204;
inline constexpr int IDD_ESP_PARTNER = 205;

// Region selection dialog
inline constexpr int IDD_REGION_SELECT = 206;
inline constexpr int IDD_REGION_SELECT_WIDTH = 142;
inline constexpr int IDD_REGION_SELECT_HEIGHT = 166;
inline constexpr int IDC_REGION_LIST = 213;
inline constexpr int IDC_AVATAR_NAME = 248;
inline constexpr int kAvatarNameMaxLength = 32;

// Own-avatar card
inline constexpr int IDD_OWN_AVATAR = 278;
inline constexpr int IDD_OWN_AVATAR_WIDTH = 187;
inline constexpr int IDD_OWN_AVATAR_HEIGHT = 96;
inline constexpr int IDC_OWN_PICTURE = 212;
inline constexpr int IDC_OWN_USER_ID = 213;
inline constexpr int IDC_OWN_AVATAR_NAME = 214;
inline constexpr int IDC_OWN_SPARE = 215;
inline constexpr int IDC_OWN_REGION_NAME = 216;

// Avatar chooser
inline constexpr int IDD_AVATAR_SELECT = 202;
inline constexpr int IDD_AVATAR_SELECT_WIDTH = 134;
inline constexpr int IDD_AVATAR_SELECT_HEIGHT = 171;
inline constexpr int IDC_AVATAR_SCROLL = 209;

// Action palette
inline constexpr int IDD_ACTION_PALETTE = 269;
inline constexpr int IDD_ACTION_PALETTE_WIDTH = 171;
inline constexpr int IDD_ACTION_PALETTE_HEIGHT = 55;
inline constexpr int IDC_ACTION_FIRST = 147;  // slot k is button 147 + k
inline constexpr int kActionSlots = 16;
inline constexpr int IDS_ACTION_BUTTON = 61100;  // "動作 %1", the name and tooltip of a palette button

// Options sheet
inline constexpr int IDS_OPTIONS = 102;
inline constexpr int IDS_MODE_HIGH_QUALITY = 142;
inline constexpr int IDS_MODE_STANDARD = 143;
inline constexpr int IDS_MODE_WIRE_FRAME = 144;
inline constexpr int IDS_MODE_NO_CHANGE = 145;
inline constexpr int IDS_POINTS = 146;
inline constexpr int IDS_AVATAR_NAME_EMPTY = 61101;
inline constexpr int IDD_OPTION_PAGE1 = 103;
inline constexpr int IDD_OPTION_PAGE2 = 104;
inline constexpr int IDD_OPTION_PAGE3 = 105;
inline constexpr int IDD_OPTION_PAGE4 = 357;
inline constexpr int IDC_DITHERING = 215;
inline constexpr int IDC_FULL_COLOR = 216;
inline constexpr int IDC_TEXTURE = 217;
inline constexpr int IDC_HIGH_QUALITY_TEXTURE = 218;
inline constexpr int IDC_HEAD_LIGHT = 219;
inline constexpr int IDC_COLLISION = 220;
inline constexpr int IDC_AUTO_RECONNECT = 1230;
inline constexpr int IDC_GRAPHIC_MODE = 221;
inline constexpr int IDC_GRAPHIC_MODE_MOVING = 222;
inline constexpr int IDC_CHAT_AUTO_SAVE = 223;
inline constexpr int IDC_ESP_AUTO_SAVE = 224;
inline constexpr int IDC_CONFIRM_SAVE = 225;
inline constexpr int IDC_FONT_NAME = 226;
inline constexpr int IDC_FONT_SIZE = 227;
inline constexpr int IDC_FONT_CHANGE = 228;
inline constexpr int IDC_FONT_STYLE = 253;
inline constexpr int IDC_FIXED_SIZE = 237;
inline constexpr int IDC_OPTION_AVATAR_NAME = 248;
inline constexpr int IDC_AVATAR_CHANGE = 250;
inline constexpr int IDC_AVATAR_PREVIEW = 251;
inline constexpr int IDB_AVATAR_PREVIEW = 372;  // 64 x 64, shown until an avatar picture is loaded

// Standard buttons
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

}  // namespace plexa::res
