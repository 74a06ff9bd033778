#pragma once
// Options page "移動": walking effects and the display methods.
#include "plexa/settings/c_option_page.h"

#include <cstdint>

class QComboBox;

namespace plexa {

class CTeskSetOptionPage2 : public COptionPage {
    Q_OBJECT
public:
    explicit CTeskSetOptionPage2(QWidget* parent = nullptr);

    QComboBox* m_comboGraphicModeMoving;
    QComboBox* m_comboGraphicMode;
    int32_t m_bHeadLightOn = 0;
    int32_t m_bCollision = 0;
    int32_t m_bAutoReconnect = 1;
    int32_t m_nGraphicMode = 0;        // 0 to 2
    int32_t m_nGraphicModeMoving = 0;  // 0 to 3

    QCheckBox* AutoReconnectBox() const { return m_autoReconnect; }

    void DoDataExchange(bool save) override;
    bool OnApply() override;

protected:
    void OnInitDialog() override;

private:
    QCheckBox* m_headLight;
    QCheckBox* m_collision;
    QCheckBox* m_autoReconnect;
};

}  // namespace plexa
