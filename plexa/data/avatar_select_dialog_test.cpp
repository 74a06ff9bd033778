#include "plexa/data/avatar_select_dialog.h"

#include "platform/com/module_loader.h"
#include "platform/registry/registry_test_env.h"
#include "plexa/data/avatar_tree_test_support.h"
#include "plexa/data/definition_file.h"

#include <QPushButton>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace plexa {
namespace {

class AvatarSelectDialogTest : public platform::registry::RegistryTestEnv {
protected:
    void SetUp() override {
        RegistryTestEnv::SetUp();
        const std::string module = qEnvironmentVariable("MONEKO_BIN_DIR").toStdString() + "/vrmlbrowser.ocx";
        ASSERT_TRUE(platform::com::Succeeded(platform::com::RegisterModuleFile(module)));
    }

    std::vector<std::string> Names(const std::vector<AvatarChoice>& choices) {
        std::vector<std::string> names;
        for (const auto& c : choices) names.push_back(c.directoryName);
        return names;
    }

    // Five avatars a to e, listed in that order.
    void InstallFive() {
        std::string text;
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            tree_.Install(name);
            text += test::AvatarTree::Section(name, 0);
        }
        definitions_ = ParseDefinitionText(text);
    }
    std::string Vrml(const std::string& name) const { return tree_.Path() + "/" + name + "/" + name + ".wrl"; }

    test::AvatarTree tree_;
    AvatarDefinitionList definitions_;
};

TEST_F(AvatarSelectDialogTest, ListsInstalledAndDescribedAvatarsInByteOrder) {
    for (const char* name : {"Bird", "ant", "Cat", "Stray"}) tree_.Install(name);
    test::WriteBytes(tree_.QPath() + "/plain", "a file, not an avatar");
    definitions_ = ParseDefinitionText(test::AvatarTree::Section("cat", 0) + test::AvatarTree::Section("ANT", 0) +
                                       test::AvatarTree::Section("ghost", 0) + test::AvatarTree::Section("bird", 0) +
                                       test::AvatarTree::Section("plain", 0));
    const auto choices = AvatarSelectDialog::ListChoices(tree_.Path(), &definitions_);
    EXPECT_EQ(Names(choices), (std::vector<std::string>{"Bird", "Cat", "ant"}));
    ASSERT_EQ(choices.size(), 3u);
    // Paths are built from the directory as found and the record's file names.
    EXPECT_EQ(choices[1].directoryPath, tree_.Path() + "/Cat");
    EXPECT_EQ(choices[1].vrmlPath, tree_.Path() + "/Cat/cat.wrl");
    EXPECT_EQ(choices[1].imagePath, tree_.Path() + "/Cat/cat.bmp");
    EXPECT_TRUE(AvatarSelectDialog::ListChoices(tree_.Path(), nullptr).empty());
    EXPECT_TRUE(AvatarSelectDialog::ListChoices(tree_.Path() + "/missing", &definitions_).empty());
}

TEST_F(AvatarSelectDialogTest, OpensOnTheFirstWithItsPreview) {
    InstallFive();
    AvatarSelectDialog d(tree_.Path(), &definitions_);
    d.show();
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("アバタ選択"));
    ASSERT_TRUE(d.WorldView().Exists());
    EXPECT_EQ(d.WorldView().Window()->geometry(), QRect(10, 10, 200, 178));
    EXPECT_EQ(d.WorldView().Window()->objectName(), "WorldView");
    EXPECT_EQ(d.ScrollBar()->geometry(), QRect(10, 190, 200, 16));
    EXPECT_GE(d.width(), 220) << "the preview fits inside the dialog";
    EXPECT_EQ(d.ScrollBar()->minimum(), 0);
    EXPECT_EQ(d.ScrollBar()->maximum(), 4);
    EXPECT_EQ(d.CurrentPosition(), 0);
    EXPECT_EQ(d.WorldView().VrmlPath(), Vrml("a"));
    EXPECT_TRUE(d.OkButton()->isEnabled());
}

TEST_F(AvatarSelectDialogTest, ScrollRequestsMoveThePositionAndThePreviewFollows) {
    InstallFive();
    AvatarSelectDialog d(tree_.Path(), &definitions_);
    d.show();
    QScrollBar* bar = d.ScrollBar();
    auto expectAt = [&](int position, const char* name) {
        EXPECT_EQ(d.CurrentPosition(), position);
        EXPECT_EQ(bar->value(), position);
        EXPECT_EQ(d.WorldView().VrmlPath(), Vrml(name));
    };
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    expectAt(0, "a");  // line left at the start changes nothing
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    expectAt(1, "b");
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    expectAt(3, "d");  // n - 2: page right goes to the last
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    expectAt(4, "e");
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    expectAt(4, "e");
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    expectAt(2, "c");
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    expectAt(0, "a");
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    expectAt(0, "a");
    // Requests the chooser does not follow leave the thumb where it was.
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    expectAt(0, "a");
    // The keyboard on the scroll bar.
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Right);
    expectAt(1, "b");
    QTest::keyClick(bar, Qt::Key_Left);
    expectAt(0, "a");
}

TEST_F(AvatarSelectDialogTest, TheChosenAvatarsNameIsShownAndToldToScreenReaders) {
    InstallFive();
    AvatarSelectDialog d(tree_.Path(), &definitions_);
    d.show();
    EXPECT_EQ(d.NameLabel()->text(), QStringLiteral("a (1/5)"));
    EXPECT_EQ(d.ScrollBar()->accessibleDescription(), QStringLiteral("a"));
    d.ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(d.NameLabel()->text(), QStringLiteral("c (3/5)"));
    EXPECT_EQ(d.ScrollBar()->accessibleDescription(), QStringLiteral("c"));
    // The name sits between the scroll bar and the buttons, inside the dialog.
    EXPECT_GE(d.NameLabel()->geometry().top(), d.ScrollBar()->geometry().bottom());
    EXPECT_LT(d.NameLabel()->geometry().bottom(), d.OkButton()->geometry().top());
    EXPECT_TRUE(d.rect().contains(d.NameLabel()->geometry()));
}

TEST_F(AvatarSelectDialogTest, NoAvatarsShowsNoName) {
    AvatarSelectDialog d(tree_.Path(), &definitions_);
    EXPECT_TRUE(d.NameLabel()->text().isEmpty());
}

TEST_F(AvatarSelectDialogTest, DraggingTheThumbToThreeChoosesTheFourthAndOkYieldsIt) {
    InstallFive();
    AvatarSelectDialog d(tree_.Path(), &definitions_);
    d.show();
    QScrollBar* bar = d.ScrollBar();
    bar->setSliderDown(true);
    for (int p : {1, 2, 3}) {
        bar->setSliderPosition(p);
        EXPECT_EQ(d.WorldView().VrmlPath(), Vrml(std::string(1, char('a' + p)))) << "preview follows the drag";
    }
    bar->setSliderDown(false);
    QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.CurrentPosition() + 1, 4);
    ASSERT_NE(d.CurrentChoice(), nullptr);
    EXPECT_EQ(d.CurrentChoice()->directoryName, "d");
}

TEST_F(AvatarSelectDialogTest, CancelAndEnterEndTheDialog) {
    InstallFive();
    {
        AvatarSelectDialog d(tree_.Path(), &definitions_);
        d.show();
        QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    AvatarSelectDialog d(tree_.Path(), &definitions_);
    d.show();
    d.activateWindow();
    QTest::keyClick(d.ScrollBar(), Qt::Key_Right);
    QTest::keyClick(d.ScrollBar(), Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.CurrentPosition(), 1);
}

TEST_F(AvatarSelectDialogTest, NothingToChooseDisablesOk) {
    tree_.Install("orphan");
    definitions_ = ParseDefinitionText(test::AvatarTree::Section("other", 0));
    AvatarSelectDialog d(tree_.Path(), &definitions_);
    d.show();
    EXPECT_FALSE(d.OkButton()->isEnabled());
    EXPECT_EQ(d.CurrentChoice(), nullptr);
    d.ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    d.OnScroll(QAbstractSlider::SliderMove, 3);
    EXPECT_EQ(d.CurrentChoice(), nullptr);
    EXPECT_EQ(d.WorldView().VrmlPath(), "");
}

TEST_F(AvatarSelectDialogTest, WithoutThePreviewControlTheChooserStillWorks) {
    InstallFive();
    AvatarSelectDialog d(tree_.Path(), &definitions_, nullptr, platform::com::Guid{});
    d.show();
    EXPECT_FALSE(d.WorldView().Exists());
    d.ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(d.CurrentPosition(), 2);
}

}  // namespace
}  // namespace plexa
