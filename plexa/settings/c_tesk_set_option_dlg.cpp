#include "plexa/settings/c_tesk_set_option_dlg.h"

#include "platform/ui/dialog_units.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"
#include "plexa/settings/c_tesk_set_option_page1.h"
#include "plexa/settings/c_tesk_set_option_page2.h"
#include "plexa/settings/c_tesk_set_option_page3.h"
#include "plexa/settings/c_tesk_set_option_page4.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace plexa {

CTeskSetOptionDlg::CTeskSetOptionDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(res::PlexaStrings().GetQ(res::IDS_OPTIONS));
    setFont(platform::ui::DialogFont());
    m_tabs = new QTabWidget(this);
    m_page1 = new CTeskSetOptionPage1;
    m_page2 = new CTeskSetOptionPage2;
    m_page3 = new CTeskSetOptionPage3;
    m_page4 = new CTeskSetOptionPage4;
    for (COptionPage* page : std::initializer_list<COptionPage*>{m_page1, m_page2, m_page3, m_page4}) AddPage(page);
    // Taller than the template's 146 units: the chat page also holds the notification choices.
    const QSize pageSize = platform::ui::DialogUnits::Standard().MapSize(210, 200);
    for (int i = 0; i < m_tabs->count(); ++i) m_tabs->widget(i)->setMinimumSize(pageSize);

    // Values take effect only when the sheet closes with OK: there is no Apply button.
    m_buttons = new QDialogButtonBox(this);
    QPushButton* ok = m_buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QString::number(res::IDOK));
    ok->setDefault(true);
    QPushButton* cancel = m_buttons->addButton(QString::fromUtf8("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QString::number(res::IDCANCEL));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CTeskSetOptionDlg::OnOk);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (isVisible())
            if (COptionPage* page = PageAt(index)) page->Activate();
    });
}

void CTeskSetOptionDlg::AddPage(COptionPage* page) { m_tabs->addTab(page, page->Caption()); }

COptionPage* CTeskSetOptionDlg::PageAt(int index) const { return qobject_cast<COptionPage*>(m_tabs->widget(index)); }

void CTeskSetOptionDlg::SetActivePage(int index) {
    if (index < 0 || index >= m_tabs->count()) return;
    m_tabs->setCurrentIndex(index);
}

int CTeskSetOptionDlg::ActivePageIndex() const { return m_tabs->currentIndex(); }

void CTeskSetOptionDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (COptionPage* page = PageAt(m_tabs->currentIndex())) page->Activate();
}

void CTeskSetOptionDlg::OnOk() {
    for (int i = 0; i < m_tabs->count(); ++i) {
        COptionPage* page = PageAt(i);
        if (!page || !page->WasShown()) continue;
        // A page that refuses puts the focus on what is wrong: it must be the page in view.
        m_tabs->setCurrentIndex(i);
        if (!page->OnApply()) return;
    }
    m_page3->StoreNotificationChoices();
    accept();
}

}  // namespace plexa
