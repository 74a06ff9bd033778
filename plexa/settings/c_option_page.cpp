#include "plexa/settings/c_option_page.h"

#include "platform/ui/dialog_units.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>

namespace plexa {

COptionPage::COptionPage(int templateId, const QString& caption, QWidget* parent)
    : QWidget(parent), m_caption(caption) {
    setObjectName(QString::number(templateId));
    setFont(platform::ui::DialogFont());
}

void COptionPage::Activate() {
    if (m_shown) return;
    m_shown = true;
    DoDataExchange(false);
    OnInitDialog();
}

bool COptionPage::OnApply() {
    DoDataExchange(true);
    return true;
}

void COptionPage::OnInitDialog() {}

QRect COptionPage::MapRect(int x, int y, int width, int height) const {
    return platform::ui::DialogUnits::Standard().MapRect(x, y, width, height);
}

QCheckBox* COptionPage::AddCheckBox(int id, const char* text, int x, int y, int width, int height) {
    auto* box = new QCheckBox(QString::fromUtf8(text), this);
    box->setObjectName(QString::number(id));
    box->setGeometry(MapRect(x, y, width, height));
    return box;
}

QGroupBox* COptionPage::AddGroupBox(const char* text, int x, int y, int width, int height) {
    auto* group = new QGroupBox(QString::fromUtf8(text), this);
    group->setGeometry(MapRect(x, y, width, height));
    group->lower();  // a frame behind the controls it surrounds
    return group;
}

QLabel* COptionPage::AddLabel(int id, const char* text, int x, int y, int width, int height) {
    auto* label = new QLabel(QString::fromUtf8(text), this);
    if (id != 0) label->setObjectName(QString::number(id));
    label->setGeometry(MapRect(x, y, width, height));
    return label;
}

}  // namespace plexa

namespace plexa {

void COptionPage::ExchangeCheck(QCheckBox* box, int32_t& member, bool save) {
    if (save) member = box->isChecked() ? 1 : 0;
    else box->setChecked(member != 0);
}

}  // namespace plexa
