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
#include <QPlainTextEdit>
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
            w->parentWidget()->inherits("QAbstractScrollArea") || w->inherits("QOpenGLWidget"))
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
}

}  // namespace
}  // namespace e2e
