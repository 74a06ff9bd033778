// The world panel with the real chat, view and communication controls, laid out at the window
// sizes people use, checked on widget rectangles and text widths, with a screenshot of each.
#include "platform/text/cp932.h"
#include "platform/ui/bitmap_button.h"
#include "plexa/data/action_palette.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWindow>
#include <QTest>

#include <gtest/gtest.h>

namespace e2e {
namespace {

using plexa::WorldPanel;

void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

QString Describe(const QWidget* w) {
    return QStringLiteral("%1 '%2' %3,%4 %5x%6")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
        .arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height());
}

QList<QWidget*> ShownChildren(const QWidget* parent) {
    QList<QWidget*> shown;
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isWindow() && w->isVisibleTo(const_cast<QWidget*>(parent)) && !w->geometry().isEmpty())
            shown << w;
    }
    return shown;
}

// Pairs of shown siblings whose rectangles overlap, and children that stick out of their parent.
QStringList Overlaps(const QWidget* parent) {
    QStringList faults;
    const QList<QWidget*> shown = ShownChildren(parent);
    for (int i = 0; i < shown.size(); ++i) {
        if (!parent->rect().contains(shown[i]->geometry()))
            faults << Describe(shown[i]) + " sticks out of " + Describe(parent);
        for (int j = i + 1; j < shown.size(); ++j)
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                faults << Describe(shown[i]) + " overlaps " + Describe(shown[j]);
    }
    return faults;
}

class Layout : public WorldTestBed {
protected:
    QString ArtifactArea() const override { return QStringLiteral("layout"); }

    // A panel in the region, with a greeting in the chat log, at the given size.
    void StartAt(QSize size) {
        a_ = StartPanel("alice", 0);
        ASSERT_TRUE(Enter(*a_));
        auto* input = a_->Chat().Window()->findChild<QPlainTextEdit*>("chatInput");
        ASSERT_NE(input, nullptr);
        Type(input, greeting_);
        QTest::keyClick(input, Qt::Key_Return);
        auto* messages = a_->Chat().Window()->findChild<QWidget*>("messageColumn");
        ASSERT_NE(messages, nullptr);
        a_->resize(size);
        QTest::qWait(300);
    }

    // Every shown label and header section shows its whole text.
    QStringList CutTexts(QWidget* root) {
        QStringList faults;
        for (QLabel* label : root->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(root) || label->wordWrap() || label->text().isEmpty()) continue;
            QString text = label->text();
            text.remove(QLatin1Char('&'));
            const int need = label->fontMetrics().horizontalAdvance(text);
            if (need > label->contentsRect().width()) faults << QStringLiteral("label '%1' needs %2 px, has %3")
                                                              .arg(text).arg(need).arg(label->contentsRect().width());
        }
        for (QHeaderView* header : root->findChildren<QHeaderView*>()) {
            if (!header->isVisibleTo(root)) continue;
            for (int k = 0; k < header->count(); ++k) {
                const QString text = header->model()->headerData(k, header->orientation()).toString();
                const int need = header->fontMetrics().horizontalAdvance(text) + 8;
                if (need > header->sectionSize(k)) faults << QStringLiteral("header '%1' needs %2 px, has %3")
                                                                .arg(text).arg(need).arg(header->sectionSize(k));
            }
        }
        return faults;
    }

    const QString greeting_ = QString::fromUtf8("こんにちは、みなさん");
};

TEST_F(Layout, NothingOverlapsOrIsCutAtTheSizesPeopleUse) {
    for (int fixed : {1, 0}) {
        SetNumber("Option\\Browser", "FixedSize", fixed);
        for (QSize size : {QSize(680, 420), QSize(800, 600), QSize(1280, 1024), QSize(1920, 1080)}) {
            SCOPED_TRACE(QStringLiteral("%1x%2 fixed %3").arg(size.width()).arg(size.height()).arg(fixed).toStdString());
            StartAt(size);
            if (HasFatalFailure()) return;
            const QString name = QStringLiteral("%1x%2_%3").arg(size.width()).arg(size.height()).arg(fixed ? "fixed" : "stretched");
            Screenshot(*a_, name);

            QStringList faults = Overlaps(a_.get());
            QWidget* chat = a_->Chat().Window();
            faults += Overlaps(chat->findChild<QWidget*>("ChatList") ? chat->findChild<QWidget*>("ChatList")->parentWidget() : chat);
            faults += CutTexts(a_.get());
            if (a_->LogoShown()) {
                for (QWidget* w : ShownChildren(a_.get()))
                    if (w->geometry().intersects(a_->LogoRect())) faults << Describe(w) + " covers the logo";
            }
            EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();

            // The own name and the greeting are shown whole, on one line, in the log.
            auto* names = chat->findChild<QWidget*>("avatarColumn");
            auto* messages = chat->findChild<QWidget*>("messageColumn");
            ASSERT_NE(names, nullptr);
            ASSERT_NE(messages, nullptr);
            EXPECT_GE(names->width(), names->fontMetrics().horizontalAdvance("alice"));
            EXPECT_GE(messages->width(), messages->fontMetrics().horizontalAdvance(greeting_));

            // The view and the chat take the room the window gains.
            QWidget* view = a_->View().Window();
            EXPECT_GE(view->width(), std::min(size.width() - 16, 672)) << Describe(view).toStdString();
            if (size.width() >= 1280) {
                EXPECT_GE(view->width(), size.width() - 16) << Describe(view).toStdString();
                EXPECT_GE(view->height(), 300) << Describe(view).toStdString();
                EXPECT_GE(chat->height(), 190) << Describe(chat).toStdString();
            }
            a_->Shutdown();
            a_.reset();
        }
    }
}

TEST_F(Layout, EveryControlHasANameAndEveryToolbarCommandAKey) {
    StartAt(QSize(800, 600));
    if (HasFatalFailure()) return;
    QStringList faults;
    QList<QWidget*> widgets = a_->findChildren<QWidget*>();
    if (a_->Palette()) widgets += a_->Palette()->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        const bool control = qobject_cast<QAbstractButton*>(w) || w->focusPolicy() != Qt::NoFocus;
        if (!control || w->isHidden() || w->isWindow()) continue;
        if (w->inherits("QScrollBar") || w->inherits("QAbstractScrollArea") || w->inherits("QTabBar") ||
            w->parentWidget()->inherits("QAbstractScrollArea") || w->inherits("CoinView"))
            continue;  // named by their owner or by what they show
        QAccessibleInterface* item = QAccessible::queryAccessibleInterface(w);
        if (!item || item->text(QAccessible::Name).isEmpty()) faults << Describe(w) + " has no accessible name";
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (button && button->text().isEmpty() && button->toolTip().isEmpty()) faults << Describe(w) + " has no tooltip";
    }
    EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();

    // Each shown toolbar button has an action with a key on the panel; the key does what a click does.
    QStringList missing;
    for (int id = WorldPanel::kFirstButton; id <= WorldPanel::kLastButton; ++id) {
        QAbstractButton* button = a_->Button(id);
        if (!button || button->isHidden()) continue;
        bool found = false;
        for (QAction* action : a_->actions())
            if (action->text() == button->toolTip() && !action->shortcut().isEmpty() && action->isVisible()) found = true;
        if (!found) missing << QString::number(id);
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();

    a_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(a_.get()));
    ASSERT_NE(a_->Palette(), nullptr);
    EXPECT_FALSE(a_->Palette()->isVisible());
    QTest::keyClick(a_.get(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return a_->Palette()->isVisible(); }, 2000)) << "Ctrl+G shows the gestures";
    // Gestures have names and keys too.
    int gestureKeys = 0;
    for (QAction* action : a_->actions())
        if (action->property("menuGroup").toString() == "gestures" && action->isVisible()) {
            EXPECT_FALSE(action->text().isEmpty());
            EXPECT_FALSE(action->shortcut().isEmpty());
            ++gestureKeys;
        }
    EXPECT_GE(gestureKeys, 5) << "the cat has gestures";
    // Named by what they do, in the menu as on the palette.
    plexa::ActionPalette* palette = a_->Palette();
    EXPECT_EQ(palette->Button(147)->toolTip(), QString::fromUtf8("手を振る"));
    EXPECT_EQ(palette->Button(147)->accessibleName(), QString::fromUtf8("手を振る"));
    bool waveInMenu = false;
    for (QAction* action : a_->actions())
        waveInMenu |= action->text() == QString::fromUtf8("手を振る") && action->shortcut() == QKeySequence("Ctrl+1");
    EXPECT_TRUE(waveInMenu) << "the menu entry follows the button's name";
}

// Whether b stands before a in reading order: above it, or beside it on the left.
bool ReadsBefore(const QRect& b, const QRect& a) {
    if (b.bottom() < a.top()) return true;
    const bool sameBand = b.top() <= a.bottom() && a.top() <= b.bottom();
    return sameBand && b.right() < a.left();
}

TEST_F(Layout, TabWalksTheControlsInTheOrderTheyAreSeenAndReachesEveryCommand) {
    for (int set : {1, 2}) {
        SCOPED_TRACE(set == 1 ? "first navigation set" : "second navigation set");
        StartAt(QSize(1024, 768));
        if (HasFatalFailure()) return;
        if (set == 2) a_->OnCommand(205);
        ASSERT_EQ(a_->NavigationSet(), set);
        a_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(a_.get()));
        QWidget* first = a_->Button(WorldPanel::kFirstButton);
        first->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), first);

        QList<QWidget*> walk{first};
        for (int step = 0; step < 80; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            ASSERT_NE(now, nullptr);
            if (now == first) break;
            ASSERT_FALSE(walk.contains(now)) << Describe(now).toStdString() << " reached twice before the round ended";
            walk << now;
        }
        ASSERT_EQ(QApplication::focusWidget(), first) << "Tab comes round to the start";

        // Each step goes on in reading order: left to right, top to bottom.
        QStringList faults;
        for (int i = 1; i < walk.size(); ++i) {
            const QRect a(walk[i - 1]->mapTo(a_.get(), QPoint(0, 0)), walk[i - 1]->size());
            const QRect b(walk[i]->mapTo(a_.get(), QPoint(0, 0)), walk[i]->size());
            if (ReadsBefore(b, a)) faults << Describe(walk[i]) + " comes after " + Describe(walk[i - 1]);
        }
        EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();

        // Every shown button with a command, and the chat's input, are on the way.
        QStringList missed;
        for (int id = WorldPanel::kFirstButton; id <= WorldPanel::kLastButton; ++id) {
            QWidget* button = a_->Button(id);
            if (button->isVisibleTo(a_.get()) && button->isEnabled() && !walk.contains(button))
                missed << QString::number(id);
        }
        auto* input = a_->Chat().Window()->findChild<QPlainTextEdit*>("chatInput");
        if (!walk.contains(input)) missed << "chat input";
        if (!walk.contains(a_->View().Window())) missed << "3D view";
        EXPECT_TRUE(missed.isEmpty()) << missed.join(", ").toStdString();
        a_->Shutdown();
        a_.reset();
    }
}

TEST_F(Layout, FullScreenShowsTheViewAloneAndComesBackAsItWas) {
    StartAt(QSize(800, 600));
    if (HasFatalFailure()) return;
    QWidget* view = a_->View().Window();
    QWidget* chat = a_->Chat().Window();
    QMap<QWidget*, QRect> before;
    for (QWidget* w : ShownChildren(a_.get())) before[w] = w->geometry();
    ASSERT_GT(before.size(), 10);

    a_->showFullScreen();
    QTest::qWait(100);
    EXPECT_TRUE(a_->ViewAlone()) << "the window's state decides, whatever its size";
    EXPECT_EQ(view->geometry(), a_->rect());
    // Xvfb has no window manager to give a full-screen window the screen: the test does.
    const QSize screen = a_->screen()->geometry().size();
    a_->windowHandle()->setGeometry(a_->screen()->geometry());
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->size() == screen; }, 3000));
    QTest::qWait(300);
    EXPECT_TRUE(a_->ViewAlone());
    EXPECT_EQ(view->geometry(), QRect(QPoint(0, 0), screen));
    EXPECT_FALSE(chat->isVisible());
    EXPECT_EQ(ShownChildren(a_.get()), QList<QWidget*>{view}) << "the view alone";
    const QImage shot = Screenshot(*a_, "full_screen_view");
    EXPECT_TRUE(HasContent(shot, QRect(0, 0, screen.width(), screen.height() / 2), 40)) << "the room is drawn";
    // The keys still work while their buttons wait hidden.
    a_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(a_.get()));
    EXPECT_EQ(QApplication::focusWidget(), view) << "arrow keys walk at once";
    QTest::keyClick(a_.get(), Qt::Key_T, Qt::ControlModifier);  // the other navigation set
    EXPECT_EQ(a_->NavigationSet(), 2);
    EXPECT_EQ(ShownChildren(a_.get()), QList<QWidget*>{view}) << "a changed button set stays out of the view";

    a_->showNormal();
    a_->resize(800, 600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->size() == QSize(800, 600) && !a_->isFullScreen(); }, 3000))
        << "full screen " << a_->isFullScreen();
    QTest::qWait(100);
    EXPECT_FALSE(a_->ViewAlone());
    EXPECT_TRUE(chat->isVisible());
    // Back with the second navigation set: its buttons stand where the first set's stood.
    QTest::keyClick(a_.get(), Qt::Key_T, Qt::ControlModifier);
    ASSERT_EQ(a_->NavigationSet(), 1);
    QMap<QWidget*, QRect> after;
    for (QWidget* w : ShownChildren(a_.get())) after[w] = w->geometry();
    EXPECT_EQ(after, before) << "every control back in its place";
    EXPECT_TRUE(Overlaps(a_.get()).isEmpty());
}

}  // namespace
}  // namespace e2e
