#pragma once
// The ESP window's tab row. Labels are CP932 text drawn by the control itself: the current tab in
// blue, a tab with unread text in red, the others in black. A label is drawn from at most 29 bytes,
// cut between characters.
#include <QTabBar>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace teskchat {

class EspTabCtrl : public QTabBar {
    Q_OBJECT
public:
    static constexpr int kControlId = 223;
    static constexpr size_t kLabelReadBytes = 29;

    explicit EspTabCtrl(QWidget* parent = nullptr);

    // label CP932; clientId is the tab's parameter.
    void InsertTab(int position, const std::string& label, int16_t clientId);
    void RemoveTab(int position);
    void RemoveAllTabs();
    // The full label, and the label as it is read for drawing and for questions (29 bytes at most).
    const std::string& Label(int position) const;
    std::string ReadLabel(int position) const;
    int16_t ClientIdAt(int position) const;

    // Whether the tab at a position has unread text; asked when drawing.
    void SetMarkQuery(std::function<bool(int position)> query) { markQuery_ = std::move(query); }
    bool IsMarked(int position) const { return markQuery_ && markQuery_(position); }
    // The colour a tab's label is drawn in.
    QColor LabelColor(int position) const;

    // At most maxBytes of carried text, never ending inside a double-byte character or a reference.
    static std::string CutToBytes(std::string_view text, size_t maxBytes);

    static const QColor kSelectedColor;
    static const QColor kNormalColor;
    static const QColor kMarkedColor;

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::string> labels_;
    std::function<bool(int)> markQuery_;
    QFont selectedFont_;
    QFont normalFont_;
    QFont markedFont_;
};

}  // namespace teskchat
