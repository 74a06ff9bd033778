#pragma once
// Options page "処理": display quality.
#include "plexa/settings/c_option_page.h"

#include <cstdint>

namespace plexa {

class CTeskSetOptionPage1 : public COptionPage {
    Q_OBJECT
public:
    explicit CTeskSetOptionPage1(QWidget* parent = nullptr);

    int32_t m_bDithering = 0;
    int32_t m_bFullColor = 0;
    int32_t m_bHighQualityTexture = 0;
    int32_t m_bTexture = 0;

    void DoDataExchange(bool save) override;

private:
    QCheckBox* m_dithering;
    QCheckBox* m_fullColor;
    QCheckBox* m_texture;
    QCheckBox* m_highQualityTexture;
};

}  // namespace plexa
