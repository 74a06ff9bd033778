#include "teskchat/teskchat_strings.h"

namespace teskchat {

const platform::ui::StringTable& TeskChatStrings() {
    static const platform::ui::StringTable table{
        {IDS_TESKCHAT, "TeskChat Control"},
        {IDS_TESKCHAT_PPG, "TeskChat Property Page"},
        {IDS_AVATAR_NAME, "アバタ名"},
        {IDS_USER_ID, "ユーザID"},
        {IDS_MESSAGE, "メッセージ"},
        {IDS_TEXT_FILTER, "ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)|*.txt||"},
        {IDS_SAVE_WINDOW, "ウィンドウの内容を保存しますか？"},
        {IDS_CONFIRM, "確認"},
        {IDS_SAVE_CHAT, "チャットの内容を保存しますか？"},
        {IDS_SAVE_FAILED, "ファイルを保存できませんでした。"},
        {IDS_TESKCHAT_PPG_CAPTION, "General"},
        {IDS_COPY, "コピー"},
        {IDS_ESP_REFUSED, "ESP接続することはできません。"},
        {IDS_ABOUT_CAPTION, "About TeskChat Control"},
        {IDS_ABOUT_TEXT, "TeskChat Control, Version 1.0"},
        {IDS_INPUT_LOCKED, "リージョンに入室すると発言できます"},
    };
    return table;
}

}  // namespace teskchat
