#include "plexa/settings/c_tesk_set_option_page1.h"

#include "plexa/resources/resource_ids.h"

#include <QCheckBox>

namespace plexa {
CTeskSetOptionPage1::CTeskSetOptionPage1(QWidget* parent)
    : COptionPage(res::IDD_OPTION_PAGE1, QString::fromUtf8("処理"), parent) {
    using namespace res;
    AddGroupBox("品質", 7, 7, 196, 46);
    m_dithering = AddCheckBox(IDC_DITHERING, "ディザリングを使用する(&D)", 16, 21, 176, 10);
    m_fullColor = AddCheckBox(IDC_FULL_COLOR, "フルカラーを使用する(&F)", 16, 36, 176, 10);
    AddGroupBox("テクスチャ", 7, 60, 196, 46);
    m_texture = AddCheckBox(IDC_TEXTURE, "テクスチャを使用する(&T)", 16, 74, 176, 10);
    m_highQualityTexture = AddCheckBox(IDC_HIGH_QUALITY_TEXTURE, "高品質テクスチャを使用する(&H)", 16, 89, 176, 10);
}

void CTeskSetOptionPage1::DoDataExchange(bool save) {
    ExchangeCheck(m_dithering, m_bDithering, save);
    ExchangeCheck(m_fullColor, m_bFullColor, save);
    ExchangeCheck(m_highQualityTexture, m_bHighQualityTexture, save);
    ExchangeCheck(m_texture, m_bTexture, save);
}

}  // namespace plexa
