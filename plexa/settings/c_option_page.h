#pragma once
// One page of a property sheet: built from its template at once, filled from its members when it
// is first shown, and asked to apply when the sheet closes with OK, if it was ever shown.
#include <QWidget>

#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;

namespace plexa {

class COptionPage : public QWidget {
    Q_OBJECT
public:
    // caption: the tab title.
    COptionPage(int templateId, const QString& caption, QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    // Runs the page's initialisation the first time it is shown.
    void Activate();
    bool WasShown() const { return m_shown; }

    // Controls <-> members; save true takes the controls into the members.
    virtual void DoDataExchange(bool save) = 0;
    // Takes the controls into the members. False refuses: the sheet stays open on this page.
    virtual bool OnApply();

protected:
    // After the controls took the members' values.
    virtual void OnInitDialog();

    // Template controls, placed in dialog units; texts are UTF-8.
    QCheckBox* AddCheckBox(int id, const char* text, int x, int y, int width, int height = 10);
    QGroupBox* AddGroupBox(const char* text, int x, int y, int width, int height);
    QLabel* AddLabel(int id, const char* text, int x, int y, int width, int height = 8);
    QRect MapRect(int x, int y, int width, int height) const;

    // A check box and its 32-bit flag.
    static void ExchangeCheck(QCheckBox* box, int32_t& member, bool save);

private:
    QString m_caption;
    bool m_shown = false;
};

}  // namespace plexa
