#include "plexa/resources/plexa_strings.h"

#include "plexa/resources/resource_ids.h"

namespace plexa::res {

const platform::ui::StringTable& PlexaStrings() {
    static const platform::ui::StringTable table{
        {IDS_REGION_NOT_SELECTED, "リージョンが選択されていません。"},
        {IDS_REGION_COLUMN, "リージョン名"},
        {IDS_REGION_LIST_READ_FAILED, "リージョン一覧情報の読み込みに失敗しました。"},
        {IDS_CAPTION, "Moneko♪"},
        {IDS_DEFAULT_PORT, "11001"},
        {IDS_PLEXA, "Plexa Control"},
        {IDS_PLEXA_PPG, "Plexa Property Page"},
        {IDS_PLEXA_PPG_CAPTION, "General"},
        {IDS_VRML_LOAD_FAILED, "VRMLファイルの読み込みに失敗しました。"},
        {IDS_NOT_INSTALLED, "Moneko♪ が正しくインストールされていません。"},
        {IDS_DATA_MISSING, "実行に必要なデータが足りません。"},
        {IDS_AVATAR_CHANGED, "アバターが変更されました。\n次回の入場時から新しいアバターが表示されます。"},
        // World session
        {IDS_CONNECT_FAILED, "サーバへの接続に失敗しました。サーバ名、ユーザ名又はパスワードが違います。"},
        {IDS_DISCONNECT_FAILED, "サーバとの切断に失敗しました。"},
        {IDS_ENTER_REGION_FAILED, "リージョンへ入ることができませんでした。"},
        {IDS_LEAVE_REGION_FAILED, "リージョンから出ることができません。"},
        {IDS_SERVER_DISCONNECTED, "サーバから切断されました。"},
        {IDS_ESP_WINDOW_OPEN_FAILED, "ESPウィンドウのオープンに失敗しました。"},
        {IDS_ESP_WINDOW_CLOSE_FAILED, "ESPウィンドウのクローズに失敗しました。"},
        {IDS_ESP_CONNECTION_OPEN_FAILED, "ESPコネクションのオープンに失敗しました。"},
        {IDS_AVATAR_NAME_COLUMN, "アバタ名"},
        {IDS_IP_ADDRESS_COLUMN, "IP アドレス"},
        {IDS_WALK_MODE_FAILED, "ウォークスルーモードの変更に失敗しました。"},
        {IDS_WALK_SPEED_FAILED, "ウォークスルースピードの変更に失敗しました。"},
        {IDS_REVERT_FAILED, "リバートに失敗しました。"},
        {IDS_AVATAR_CREATE_FAILED, "アバタの生成に失敗しました。"},
        {IDS_AVATAR_DELETE_FAILED, "アバタの削除に失敗しました。"},
        {IDS_AVATAR_MOVE_FAILED, "アバタの移動に失敗しました。"},
        {IDS_OTHER_REGION_AVATAR, "他ﾘｰｼﾞｮﾝのｱﾊﾞﾀ"},
        {IDS_ADMIN_NAME, "Admin"},
        {IDS_AVATAR_NOT_SET, "ｱﾊﾞﾀｰの設定がされていません。\n環境設定でｱﾊﾞﾀｰ設定を行ってください。"},
        {IDS_HOST_NOT_SET, "正しくｲﾝｽﾄｰﾙされていません。"},
        // Action palette and options sheet
        {IDS_ACTION_BUTTON, "動作 %1"},
        {IDS_OPTIONS, "オプション"},
        {IDS_MODE_HIGH_QUALITY, "高品質"},
        {IDS_MODE_STANDARD, "標準"},
        {IDS_MODE_WIRE_FRAME, "線画"},
        {IDS_MODE_NO_CHANGE, "変更なし"},
        {IDS_POINTS, "ポイント"},
        {IDS_AVATAR_NAME_EMPTY, "ｱﾊﾞﾀｰ名が入力されていません。"},
        {IDS_TIP_REGION_CHANGE, "リージョン変更"},
        {IDS_TIP_BASE + 205, "ナビゲーションの切り替え"},
        {IDS_TIP_BASE + 206, "歩行速度の切り替え"},
        {IDS_TIP_BASE + 207, "歩く"},
        {IDS_TIP_BASE + 208, "平行移動"},
        {IDS_TIP_BASE + 209, "クリックした場所へ移動"},
        {IDS_TIP_BASE + 210, "見回す"},
        {IDS_TIP_BASE + 211, "傾ける"},
        {IDS_TIP_BASE + 212, "周りから眺める"},
        {IDS_TIP_BASE + 215, "最初の位置に戻る"},
        {IDS_TIP_BASE + 216, "まっすぐ立つ"},
        {IDS_TIP_BASE + 217, "リージョン内アバタ一覧"},
        {IDS_TIP_BASE + 218, "ESP相手選択"},
        {IDS_TIP_BASE + 220, "アバタ動作"},
        {IDS_TIP_BASE + 223, "環境設定"},
        {IDS_TIP_BASE + 224, "ヘルプ"},
        {IDS_TIP_BASE + 225, "チャットの保存"},
    };
    return table;
}

}  // namespace plexa::res
