#pragma once
// The common chat as a table of two columns (avatar name, message) under a header whose dividers
// the user drags. Messages wrap in their column and every line is as tall as its wrapped text.
// The view scrolls both columns together: vertically in lines, horizontally in average character
// widths of the chat font.
#include <QAbstractScrollArea>
#include <QFont>
#include <QString>

#include <array>
#include <memory>
#include <cstdint>
#include <vector>

class QHeaderView;
class QStandardItemModel;

namespace teskchat {

class ChatColumnList;
class TextExtentCache;

class ChatLogView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kHeaderId = 1000;
    static constexpr int kFirstColumnId = 1001;
    static constexpr int kInitialColumnWidth = 200;

    explicit ChatLogView(QWidget* parent = nullptr);
    ~ChatLogView() override;

    // Inserts the two header items (the user id caption is not shown) and creates the columns.
    bool SetColumns(const QString& avatarCaption, const QString& userIdCaption, const QString& messageCaption);
    // Appends one line and brings it into view at the bottom. The user id is not shown.
    bool AddLine(const QString& avatarName, const QString& userId, const QString& message);
    // Both columns take a copy; every line is measured again.
    void SetChatFont(const QFont& font);
    // Default column widths for a view client width of w (a quarter and three quarters), then relayout.
    void ResizeColumns(int clientWidth);
    // Removes every line.
    void Clear();
    // Highlights the lines a search found in both columns; current is drawn stronger (-1: none).
    void SetSearchMarks(const std::vector<int>& lines, int current);
    // Scrolls so that the line is in view, changing nothing when it is already.
    void ShowLine(int index);

    int LineCount() const;
    int TopLine() const { return topLine_; }
    int HorizontalPosition() const { return hPos_; }
    int PageLines() const { return page_; }
    QHeaderView* Header() const { return header_; }
    ChatColumnList* Column(int k) const { return columns_[static_cast<size_t>(k)]; }
    // Rows of text a message takes at the current message column width and font.
    int LineRows(int index) const;
    // One-line width of a text in the column font, as the view measures it.
    int TextExtent(const QString& text);
    int AverageCharWidth() const;

protected:
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    void Relayout(bool afterResize);
    void MeasureExtent(int index);
    void ApplyHeight(int index);
    void RemeasureAll(bool afterResize);
    int ComputePage(int availableHeight) const;
    void SetVerticalRange(int maxIndex, int page);
    void SetHorizontalRange();
    void PlaceChildren();
    void OnVerticalAction(int action);
    void OnHorizontalAction(int action);
    int ColumnLeft(int k) const;
    int ColumnWidth(int k) const;
    int HeaderBottom() const;

    QHeaderView* header_ = nullptr;
    QStandardItemModel* headerModel_ = nullptr;
    std::array<ChatColumnList*, 2> columns_{};
    // One-line width of each message; a message with line breaks keeps one width per text line in
    // multiExtents_ and stores -(slot + 1) here.
    std::vector<int32_t> extents_;
    std::vector<std::vector<int32_t>> multiExtents_;
    std::unique_ptr<TextExtentCache> extentCache_;
    int rowHeight_ = 1;
    int topLine_ = 0;
    int hPos_ = 0;
    int page_ = 1;
    bool columnsStale_ = false;  // default column widths made while hidden
    bool inRelayout_ = false;
};

}  // namespace teskchat
