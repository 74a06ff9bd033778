#include "plexa/frame/plexa_prop_page.h"

#include "platform/ui/dialog_units.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"

#include <QLabel>

namespace plexa {

CPlexaPropPage::~CPlexaPropPage() { DestroyWindow(); }

QString CPlexaPropPage::Caption() { return res::PlexaStrings().GetQ(res::IDS_PLEXA_PPG_CAPTION); }

QWidget* CPlexaPropPage::CreateWindowWidget(QWidget* parent) {
    const platform::ui::DialogUnits du = platform::ui::DialogUnits::Standard();
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("PlexaPropPage"));
    page->setWindowTitle(Caption());
    page->setFont(platform::ui::DialogFont());
    page->resize(du.MapSize(250, 62));
    auto* text = new QLabel(QStringLiteral("このコントロールには、ここで変更できるプロパティはありません。"), page);
    text->setObjectName(QStringLiteral("Placeholder"));
    text->setWordWrap(true);
    text->setGeometry(du.MapRect(23, 27, 201, 16));
    return page;
}

}  // namespace plexa
