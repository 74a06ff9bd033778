#pragma once
// One column of the chat log: an owner-drawn list with one item per chat line, each item as tall
// as the view measured it. The view scrolls both columns together by setting their top line.
#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

namespace teskchat {

class ChatColumnList : public QWidget {
    Q_OBJECT
public:
    // Shows a popup menu of entries at a global point and returns the chosen index or -1.
    // Replaceable so that tests never run a menu loop.
    using PopupMenuRunner =
        std::function<int(QWidget* owner, const QPoint& globalPos, const QStringList& entries)>;

    ChatColumnList(bool wrap, int childId, QWidget* parent = nullptr);

    bool Wraps() const { return wrap_; }
    int ChildId() const { return childId_; }

    // Returns the new item's index.
    int AddItem(QString text);
    void Clear();
    int Count() const { return static_cast<int>(texts_.size()); }
    const QString& ItemText(int index) const { return texts_[static_cast<size_t>(index)]; }
    int ItemHeight(int index) const { return heights_[static_cast<size_t>(index)]; }
    void SetItemHeight(int index, int height);

    int TopLine() const { return topLine_; }
    void SetTopLine(int line);

    // The list keeps its own copy of the font.
    void SetListFont(const QFont& font);
    const QFont& ListFont() const { return font_; }

    int SelectedIndex() const { return selected_; }
    int IndexAt(int y) const;
    // Puts the selected item's text on the clipboard; false when nothing is selected.
    bool CopySelection() const;

    void SetPopupMenuRunner(PopupMenuRunner runner) { popupMenu_ = std::move(runner); }
    static int RunPopupMenu(QWidget* owner, const QPoint& globalPos, const QStringList& entries);

    // Lines a search found (drawn on a light background) and the current one (stronger); -1 none.
    void SetMarks(std::vector<int> lines, int current);
    const std::vector<int>& Marks() const { return marks_; }
    int CurrentMark() const { return currentMark_; }

    // The copy entry's text, from the control's string table.
    void SetCopyCaption(QString caption) { copyCaption_ = std::move(caption); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Select(int index);

    bool wrap_;
    int childId_;
    QFont font_;
    std::vector<QString> texts_;
    std::vector<uint16_t> heights_;
    int topLine_ = 0;
    int selected_ = -1;
    QString copyCaption_;
    PopupMenuRunner popupMenu_;
    std::vector<int> marks_;  // sorted
    int currentMark_ = -1;
};

}  // namespace teskchat
