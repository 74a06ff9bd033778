#pragma once
// The options sheet: four pages in tabs, OK and Cancel, no Apply. OK asks every page that has
// been shown to apply; a page that refuses keeps the sheet open on itself.
#include <QDialog>

class QDialogButtonBox;
class QTabWidget;

namespace plexa {

class COptionPage;
class CTeskSetOptionPage1;
class CTeskSetOptionPage2;
class CTeskSetOptionPage3;
class CTeskSetOptionPage4;

class CTeskSetOptionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTeskSetOptionDlg(QWidget* parent = nullptr);

    CTeskSetOptionPage1& Page1() { return *m_page1; }
    CTeskSetOptionPage2& Page2() { return *m_page2; }
    CTeskSetOptionPage3& Page3() { return *m_page3; }
    CTeskSetOptionPage4& Page4() { return *m_page4; }

    // The page shown first (0-based), or the page to switch to while shown.
    void SetActivePage(int index);
    int ActivePageIndex() const;
    QTabWidget* Tabs() const { return m_tabs; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

    // OK: every page shown so far applies, in page order.
    void OnOk();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AddPage(COptionPage* page);
    COptionPage* PageAt(int index) const;

    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
    CTeskSetOptionPage1* m_page1;
    CTeskSetOptionPage2* m_page2;
    CTeskSetOptionPage3* m_page3;
    CTeskSetOptionPage4* m_page4;
};

}  // namespace plexa
