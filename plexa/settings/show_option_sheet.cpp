#include "plexa/settings/show_option_sheet.h"

#include "platform/ui/message_box.h"
#include "platform/ui/modal_seam.h"
#include "plexa/data/avatar_data_store.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"
#include "plexa/settings/c_tesk_set_option_dlg.h"
#include "plexa/settings/c_tesk_set_option_page1.h"
#include "plexa/settings/c_tesk_set_option_page2.h"
#include "plexa/settings/c_tesk_set_option_page3.h"
#include "plexa/settings/c_tesk_set_option_page4.h"
#include "plexa/settings/option_sheet_host.h"
#include "plexa/settings/settings_store.h"

namespace plexa {

void ShowOptionSheet(OptionSheetHost& host, CSettingsStore& settings, int startPage,
                     const platform::com::Guid& worldViewClass) {
    // 1. The sheet has no parent window of its own.
    CTeskSetOptionDlg sheet;
    sheet.SetActivePage(startPage);
    CTeskSetOptionPage1& page1 = sheet.Page1();
    CTeskSetOptionPage2& page2 = sheet.Page2();
    CTeskSetOptionPage3& page3 = sheet.Page3();
    CTeskSetOptionPage4& page4 = sheet.Page4();
    page4.SetWorldViewClass(worldViewClass);

    // 2. The panel's copies, not the registry.
    OptionValues& options = host.OptionCopies();
    page1.m_bDithering = options.dithering;
    page1.m_bFullColor = options.fullColor;
    page1.m_bTexture = options.texture;
    page1.m_bHighQualityTexture = options.highQualityTexture;
    page2.m_bHeadLightOn = options.headLightOn;
    page2.m_bCollision = options.collision;
    page2.m_nGraphicMode = options.graphicMode;
    page2.m_nGraphicModeMoving = options.graphicModeMoving;
    page3.m_bChatAutoSave = options.chatAutoSave;
    page3.m_bEspAutoSave = options.espAutoSave;
    page3.m_bConfirmOfFileSave = options.confirmOfFileSave;
    page4.m_bFixedSize = options.fixedSize;

    page2.m_bAutoReconnect = settings.GetAutoReconnect() != 0 ? 1 : 0;
    // 3.
    page3.m_strFont = settings.GetFont();
    page3.m_nFontSize = settings.GetFontSize();
    const int32_t style = settings.GetFontStyle();
    page3.m_bItalic = (style >> 1) & 1;
    page3.m_bBold = style & 1;

    // 4.
    const AvatarDefinitionList* definitions = host.AvatarDefinitions();
    page4.m_strAvatarName = settings.GetAvatarName();
    const std::string nameBefore = page4.m_strAvatarName;
    page4.m_nAvatarNo = settings.GetAvatarNo();
    const int32_t numberBefore = page4.m_nAvatarNo;
    page4.m_strImageFileName = settings.GetImageFileName();
    page4.m_strAvatarDirectory = AvatarDataPath(settings.GetInstallDirectory());
    page4.m_pAvatarList = definitions;
    page4.m_strDirectoryName = settings.GetDirectoryName();
    page4.m_strVrmlFileName = settings.GetVrmlFileName();

    // 5.
    if (platform::ui::CurrentModalSeam().RunModal(&sheet) != QDialog::Accepted) return;

    // 6.1
    options.dithering = page1.m_bDithering;
    options.fullColor = page1.m_bFullColor;
    options.texture = page1.m_bTexture;
    options.highQualityTexture = page1.m_bHighQualityTexture;
    options.headLightOn = page2.m_bHeadLightOn;
    options.collision = page2.m_bCollision;
    options.graphicMode = page2.m_nGraphicMode;
    options.graphicModeMoving = page2.m_nGraphicModeMoving;
    options.chatAutoSave = page3.m_bChatAutoSave;
    options.espAutoSave = page3.m_bEspAutoSave;
    options.confirmOfFileSave = page3.m_bConfirmOfFileSave;
    options.fixedSize = page4.m_bFixedSize;
    // 6.2
    settings.SetFont(page3.m_strFont);
    settings.SetFontSize(page3.m_nFontSize);
    settings.SetFontStyle(page3.m_bItalic * 2 + page3.m_bBold);
    // 6.3
    host.SetViewFlag(1, options.dithering);
    host.SetViewFlag(2, options.fullColor);
    host.SetViewFlag(3, options.texture);
    host.SetViewFlag(4, options.highQualityTexture);
    host.SetViewFlag(5, options.headLightOn);
    host.SetViewFlag(6, options.collision);
    host.SetViewNumber(7, options.graphicMode);
    host.SetViewNumber(8, options.graphicModeMoving);
    // 6.4
    host.SetChatAutoSave(options.chatAutoSave);
    host.SetEspAutoSave(options.espAutoSave);
    host.SetConfirmSave(options.confirmOfFileSave);
    host.SetChatFont(page3.m_strFont, static_cast<int16_t>(page3.m_nFontSize));
    // 6.5
    settings.SetDithering(options.dithering);
    settings.SetFullColor(options.fullColor);
    settings.SetTexture(options.texture);
    settings.SetHighQualityTexture(options.highQualityTexture);
    settings.SetHeadLightOn(options.headLightOn);
    settings.SetCollision(options.collision);
    settings.SetGraphicMode(options.graphicMode);
    settings.SetGraphicModeMoving(options.graphicModeMoving);
    settings.SetChatAutoSave(options.chatAutoSave);
    settings.SetEspAutoSave(options.espAutoSave);
    settings.SetConfirmOfFileSave(options.confirmOfFileSave);
    settings.SetFixedSize(options.fixedSize);
    settings.SetAutoReconnect(page2.m_bAutoReconnect);
    settings.SetAvatarDirectory(page4.m_strAvatarDirectory);
    settings.SetDirectoryName(page4.m_strDirectoryName);
    settings.SetVrmlFileName(page4.m_strVrmlFileName);
    settings.SetImageFileName(page4.m_strImageFileName);
    settings.SetAvatarName(page4.m_strAvatarName);
    settings.SetAvatarNo(page4.m_nAvatarNo);
    // 6.6 The running region keeps the old avatar.
    if (page4.m_nAvatarNo != numberBefore || page4.m_strAvatarName != nameBefore) {
        const auto& strings = res::PlexaStrings();
        platform::ui::ShowMessageBox(nullptr, strings.Get(res::IDS_AVATAR_CHANGED), strings.Get(res::IDS_CAPTION),
                                     platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION);
    }
    // 6.7
    host.Relayout();
}

}  // namespace plexa
