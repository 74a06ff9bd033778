#include "teskchat/tesk_chat_prop_page.h"

#include "teskchat/teskchat_strings.h"

#include "platform/ui/dialog_units.h"

#include <QWidget>

namespace teskchat {

CTeskChatPropPage::~CTeskChatPropPage() { DestroyWindow(); }

QWidget* CTeskChatPropPage::CreateWindowWidget(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("TeskChatPropPage"));
    page->setWindowTitle(TeskChatStrings().GetQ(IDS_TESKCHAT_PPG_CAPTION));
    page->setFont(platform::ui::DialogFont());
    page->resize(platform::ui::DialogUnits::Standard().MapSize(250, 62));
    return page;
}

}  // namespace teskchat
