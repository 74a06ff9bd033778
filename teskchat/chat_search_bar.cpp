#include "teskchat/chat_search_bar.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace teskchat {

ChatSearchBar::ChatSearchBar(QWidget* owner) : QWidget(owner) {
    setObjectName(QStringLiteral("searchBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(4);
    line_ = new QLineEdit(this);
    line_->setObjectName(QStringLiteral("searchLine"));
    line_->setPlaceholderText(QString::fromUtf8("検索"));
    line_->setAccessibleName(QString::fromUtf8("検索する文字列"));
    line_->setToolTip(QString::fromUtf8("検索する文字列 (Enter: 次, Shift+Enter: 前, Esc: 閉じる)"));
    line_->installEventFilter(this);
    previous_ = new QToolButton(this);
    previous_->setObjectName(QStringLiteral("searchPrevious"));
    previous_->setText(QString::fromUtf8("▲"));
    previous_->setAccessibleName(QString::fromUtf8("前を検索"));
    previous_->setToolTip(QString::fromUtf8("前を検索 (Shift+Enter)"));
    next_ = new QToolButton(this);
    next_->setObjectName(QStringLiteral("searchNext"));
    next_->setText(QString::fromUtf8("▼"));
    next_->setAccessibleName(QString::fromUtf8("次を検索"));
    next_->setToolTip(QString::fromUtf8("次を検索 (Enter)"));
    kana_ = new QCheckBox(QString::fromUtf8("かな/カナ(&K)"), this);
    kana_->setObjectName(QStringLiteral("searchKana"));
    kana_->setToolTip(QString::fromUtf8("ひらがなとカタカナを区別しない"));
    kana_->setAccessibleName(QString::fromUtf8("ひらがなとカタカナを区別しない"));
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("searchResult"));
    result_->setAccessibleName(QString::fromUtf8("検索結果"));
    close_ = new QToolButton(this);
    close_->setObjectName(QStringLiteral("searchClose"));
    close_->setText(QString::fromUtf8("×"));
    close_->setAccessibleName(QString::fromUtf8("検索を閉じる"));
    close_->setToolTip(QString::fromUtf8("検索を閉じる (Esc)"));
    layout->addWidget(line_, 1);
    layout->addWidget(previous_);
    layout->addWidget(next_);
    layout->addWidget(kana_);
    layout->addWidget(result_);
    layout->addWidget(close_);

    connect(line_, &QLineEdit::textChanged, this, &ChatSearchBar::SearchChanged);
    connect(kana_, &QCheckBox::toggled, this, &ChatSearchBar::SearchChanged);
    connect(next_, &QToolButton::clicked, this, &ChatSearchBar::FindNext);
    connect(previous_, &QToolButton::clicked, this, &ChatSearchBar::FindPrevious);
    connect(close_, &QToolButton::clicked, this, &ChatSearchBar::Close);

    auto* open = new QAction(QString::fromUtf8("検索"), owner);
    open->setShortcut(QKeySequence::Find);
    // Only where the focus is in this view: the chat log and an ESP window each have their own bar.
    open->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(open, &QAction::triggered, this, &ChatSearchBar::Open);
    owner->addAction(open);
    hide();
}

SearchText ChatSearchBar::Needle() const { return SearchText(line_->text(), KanaInsensitive()); }

bool ChatSearchBar::KanaInsensitive() const { return kana_->isChecked(); }

QString ChatSearchBar::Text() const { return line_->text(); }

int ChatSearchBar::PreferredHeight() const { return sizeHint().height(); }

void ChatSearchBar::ShowResult(int current, int total) {
    if (line_->text().isEmpty()) result_->clear();
    else if (total == 0) result_->setText(QString::fromUtf8("見つかりません"));
    else result_->setText(QStringLiteral("%1/%2").arg(current).arg(total));
}

void ChatSearchBar::Open() {
    const bool wasHidden = isHidden();
    show();
    if (wasHidden) emit VisibilityChanged();
    line_->setFocus(Qt::ShortcutFocusReason);
    line_->selectAll();
    // Highlights come back with the bar.
    if (wasHidden && !line_->text().isEmpty()) emit SearchChanged();
}

void ChatSearchBar::Close() {
    if (isHidden()) return;
    hide();
    emit VisibilityChanged();
    emit Closed();
}

bool ChatSearchBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == line_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier) emit FindPrevious();
            else emit FindNext();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            Close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace teskchat
