// Two users in one world: a gesture pressed on one palette plays on the other's view, and an
// avatar changed in the options is the one the other sees after re-entering.
#include "platform/com/module_loader.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/action_palette.h"
#include "plexa/data/avatar_select_dialog.h"
#include "plexa/data/region_select_dialog.h"
#include "plexa/session/world_panel.h"
#include "plexa/settings/c_tesk_set_option_dlg.h"
#include "plexa/settings/c_tesk_set_option_page4.h"
#include "server/server_process.h"
#include "plexa/settings/settings_test_writer.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace plexa {
namespace {

namespace reg = platform::registry;
namespace com = platform::com;
using platform::ui::RecordingModalSeam;

// Fraction of pixels that differ between two grabs of the same widget.
double Difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col)
            if (x.pixel(col, row) != y.pixel(col, row)) ++differing;
    return double(differing) / (double(x.width()) * x.height());
}

class GesturesEndToEnd : public e2e::WorldTestBed {
protected:
    void SetUp() override {
        WorldTestBed::SetUp();
        SetText("Talkin\\Avatar", "AvatarName", "alice");
        // The options sheet writes into these keys; an installation has them.
        for (const char* sub : {"Option\\Chat", "Option\\Quality", "Option\\Walk"}) SetNumber(sub, "Unused", 0);
    }
    QString ArtifactArea() const override { return QStringLiteral("gestures"); }

    std::unique_ptr<WorldPanel> StartPanel(const QString& name, int x) {
        return WorldTestBed::StartPanel(name, x, QSize(640, 560));
    }

    void Tick(WorldPanel& panel) {
        ASSERT_TRUE(panel.Timers().IsActive(WorldPanel::kEntryTimer));
        panel.OnTimer(WorldPanel::kEntryTimer);
    }

    static const RosterEntry* Other(const WorldPanel& panel) {
        for (const RosterEntry& e : panel.Roster())
            if (!e.own) return &e;
        return nullptr;
    }

    // Both in the first region, each seeing the other.
    void MeetInTheLobby() {
        a_ = StartPanel("alice", 0);
        b_ = StartPanel("bob", 660);
        ASSERT_FALSE(HasFailure());
        Tick(*a_);
        ASSERT_TRUE(a_->InRegion()) << server_.Log();
        Tick(*b_);
        ASSERT_TRUE(b_->InRegion()) << server_.Log();
        ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Roster().Size() == 2 && b_->Roster().Size() == 2; }, 10000))
            << server_.Log();
        QTest::qWait(800);
    }

    QImage ViewOf(WorldPanel& panel) { return panel.View().Window()->grab().toImage(); }
};

TEST_F(GesturesEndToEnd, AGestureOnAlicesPalettePlaysOnBobsView) {
    MeetInTheLobby();
    ASSERT_FALSE(HasFailure());
    ActionPalette* palette = a_->Palette();
    ASSERT_NE(palette, nullptr);
    // One button per BUTTON line of the cat's section.
    EXPECT_EQ(palette->ButtonCount(), 12);
    EXPECT_FALSE(palette->isVisible());
    ASSERT_TRUE(a_->Button(220)->isEnabled());
    a_->OnCommand(220);
    ASSERT_TRUE(palette->isVisible());
    EXPECT_EQ(palette->frameGeometry().size(), QSize(311, 104));
    Screenshot(*palette, "gestures_palette");

    // Bob's view holds still until Alice waves.
    const QImage still1 = ViewOf(*b_);
    QTest::qWait(400);
    const QImage still2 = ViewOf(*b_);
    ASSERT_LT(Difference(still1, still2), 0.001) << "nothing moves before the gesture";
    QTest::mouseClick(palette->Button(147), Qt::LeftButton);
    QImage during;
    double changed = 0;
    const bool moved = QTest::qWaitFor([&] {
        during = ViewOf(*b_);
        changed = Difference(still2, during);
        return changed > 0.001;
    }, 3000);
    EXPECT_TRUE(moved);
    EXPECT_GT(changed, 0.001) << "Alice's cat waves in Bob's view";
    EXPECT_EQ(MessageCount("アバタの生成に失敗しました。"), 0);
    Screenshot(*b_, "gestures_bob_sees_wave");
    // The gesture ends and the figure is back at rest.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Difference(still2, ViewOf(*b_)) < 0.001; }, 6000));

    // The palette goes away with button 220 again, and when the session ends.
    a_->OnCommand(220);
    EXPECT_FALSE(palette->isVisible());
    a_->OnCommand(220);
    ASSERT_TRUE(a_->LeaveSequence());
    EXPECT_FALSE(palette->isVisible());
}

TEST_F(GesturesEndToEnd, AnAvatarChangedInTheOptionsIsWhatBobSeesAfterAliceReenters) {
    MeetInTheLobby();
    ASSERT_FALSE(HasFailure());
    ASSERT_NE(Other(*b_), nullptr);
    EXPECT_EQ(Other(*b_)->avatarNumber, "3");
    const QImage catInBobsView = ViewOf(*b_);

    // Options button, avatar page, chooser: the first avatar (bear), OK, OK.
    bool previewShown = false;
    seam_.AnswerRunModal([&](QDialog* d) {
        auto* sheet = static_cast<CTeskSetOptionDlg*>(d);
        EXPECT_EQ(sheet->ActivePageIndex(), 0);
        sheet->SetActivePage(3);
        seam_.AnswerRunModal([&](QDialog* c) {
            auto* chooser = static_cast<AvatarSelectDialog*>(c);
            chooser->ScrollBar()->setSliderDown(true);
            chooser->ScrollBar()->setSliderPosition(0);
            chooser->ScrollBar()->setSliderDown(false);
            QTest::qWait(1500);
            previewShown = chooser->WorldView().Exists() && chooser->WorldView().VrmlPath().find("bear.wrl") != std::string::npos;
            Screenshot(*chooser, "gestures_avatar_chooser");
            chooser->OkButton()->click();
        });
        sheet->Page4().AvatarButton()->click();
        Screenshot(*sheet, "gestures_options_avatar_page");
        sheet->OnOk();
    });
    a_->OnCommand(223);
    EXPECT_TRUE(previewShown);
    EXPECT_EQ(MessageCount("アバターが変更されました。\n次回の入場時から新しいアバターが表示されます。"), 1);
    EXPECT_EQ(Other(*b_)->avatarNumber, "3") << "the running region keeps the old avatar";

    // Alice re-enters: Bob now sees the bear.
    AnswerRegionDialog(0, "alice");
    a_->RegionChange();
    Tick(*a_);
    ASSERT_TRUE(a_->InRegion()) << server_.Log();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Other(*b_) && Other(*b_)->avatarNumber == "1"; }, 10000)) << server_.Log();
    EXPECT_EQ(b_->ModelFileForAvatarNumber("1"), install_.path().toStdString() + "/AvatarData/bear/bear.wrl");
    EXPECT_EQ(a_->Palette()->DirectoryName(), "bear");
    QTest::qWait(1000);
    EXPECT_GT(Difference(catInBobsView, ViewOf(*b_)), 0.001) << "another model stands there";
    Screenshot(*b_, "gestures_bob_sees_bear");
}

}  // namespace
}  // namespace plexa
