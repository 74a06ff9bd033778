#include "plexa/settings/show_option_sheet.h"

#include "platform/registry/registry.h"
#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "platform/ui/beep.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "plexa/data/avatar_select_dialog.h"
#include "plexa/data/avatar_tree_test_support.h"
#include "plexa/data/definition_file.h"
#include "plexa/settings/c_tesk_set_option_dlg.h"
#include "plexa/settings/notification_settings.h"
#include "plexa/settings/c_tesk_set_option_page1.h"
#include "plexa/settings/c_tesk_set_option_page2.h"
#include "plexa/settings/c_tesk_set_option_page3.h"
#include "plexa/settings/c_tesk_set_option_page4.h"
#include "plexa/settings/option_sheet_host.h"
#include "plexa/settings/settings_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace plexa {
namespace {
namespace reg = platform::registry;
using platform::ui::RecordingModalSeam;
using Kind = RecordingModalSeam::Kind;

class FakeHost : public OptionSheetHost {
public:
    OptionValues& OptionCopies() override { return options; }
    const AvatarDefinitionList* AvatarDefinitions() override {
        ++definitionRequests;
        return definitions.empty() ? nullptr : &definitions;
    }
    void SetViewFlag(int32_t dispid, int32_t flag) override { Log("view" + std::to_string(dispid) + "=" + std::to_string(flag)); }
    void SetViewNumber(int32_t dispid, int32_t value) override { Log("view" + std::to_string(dispid) + "=" + std::to_string(value)); }
    void SetChatAutoSave(int32_t flag) override { Log("ChatAutoSave=" + std::to_string(flag)); }
    void SetEspAutoSave(int32_t flag) override { Log("EspAutoSave=" + std::to_string(flag)); }
    void SetConfirmSave(int32_t flag) override { Log("ConfirmSave=" + std::to_string(flag)); }
    void SetChatFont(const std::string& face, int16_t points) override {
        Log("SetChatFont(" + face + "," + std::to_string(points) + ")");
    }
    void Relayout() override { Log("Relayout"); }

    void Log(std::string s) { calls.push_back(std::move(s)); }
    OptionValues options;
    AvatarDefinitionList definitions;
    std::vector<std::string> calls;
    int definitionRequests = 0;
};

class OptionSheetTest : public reg::RegistryTestEnv {
protected:
    void SetUp() override {
        RegistryTestEnv::SetUp();
        for (const char* sub : {"Install", "Option\\Chat", "Option\\Quality", "Option\\Walk", "Option\\Browser",
                                "Talkin\\Avatar"}) {
            reg::HKEY key = nullptr;
            const std::string path = std::string(CSettingsStore::kProductKey) + sub;
            ASSERT_EQ(reg::RegCreateKeyA(reg::HKEY_LOCAL_MACHINE, path.c_str(), &key), reg::ERROR_SUCCESS);
            reg::RegCloseKey(key);
        }
        install_ = tree_.Path().substr(0, tree_.Path().size() - std::string("/AvatarData").size());
        SetText("Install", "Directory", install_);
        tree_.Install("bear", 0, 0x884422);
        tree_.Install("cat", 0, 0x224488, 48);
        host_.definitions = ParseDefinitionText(test::AvatarTree::Section("bear", 0) + test::AvatarTree::Section("cat", 0));
        // The user has the cat, avatar 2, named Tama.
        settings_.SetDirectoryName("cat");
        settings_.SetVrmlFileName(tree_.Path() + "/cat/cat.wrl");
        settings_.SetImageFileName(tree_.Path() + "/cat/cat.bmp");
        settings_.SetAvatarName("Tama");
        settings_.SetAvatarNo(2);
        settings_.SetFont(platform::Sjis("ＭＳ Ｐゴシック"));
        settings_.SetFontSize(10);
        settings_.SetFontStyle(2);
        platform::ui::ResetMessageBeepCount();
    }

    void SetText(const std::string& sub, const char* name, const std::string& value) {
        reg::HKEY key = nullptr;
        const std::string path = std::string(CSettingsStore::kProductKey) + sub;
        reg::RegOpenKeyExA(reg::HKEY_LOCAL_MACHINE, path.c_str(), 0, reg::KEY_WRITE, &key);
        reg::RegSetValueExA(key, name, 0, reg::REG_SZ, reinterpret_cast<const reg::BYTE*>(value.data()),
                            static_cast<reg::DWORD>(value.size()));
        reg::RegCloseKey(key);
    }

    // Runs the command; act works on the shown sheet and ends it (or not).
    void Run(int startPage, std::function<void(CTeskSetOptionDlg&)> act) {
        seam_.AnswerRunModal([act](QDialog* d) { act(*static_cast<CTeskSetOptionDlg*>(d)); });
        ShowOptionSheet(host_, settings_, startPage, platform::com::Guid{});
    }
    static void Ok(CTeskSetOptionDlg& sheet) { sheet.OnOk(); }
    static QCheckBox* Check(QWidget& page, int id) { return page.findChild<QCheckBox*>(QString::number(id)); }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& call : seam_.CallsOf(Kind::MessageBox)) texts.push_back(platform::Cp932ToUtf8(call.text).value_or("?"));
        return texts;
    }

    test::AvatarTree tree_;
    std::string install_;
    CSettingsStore settings_;
    FakeHost host_;
    RecordingModalSeam seam_;
    platform::ui::ScopedModalSeam scoped_{seam_};
};

TEST_F(OptionSheetTest, OkWithoutVisitingTheAvatarPageStoresWhatWasLoaded) {
    settings_.SetAvatarName("");
    int shownPage = -1;
    Run(0, [&](CTeskSetOptionDlg& sheet) {
        shownPage = sheet.ActivePageIndex();
        EXPECT_EQ(sheet.windowTitle(), QString::fromUtf8("オプション"));
        ASSERT_EQ(sheet.Tabs()->count(), 4);
        EXPECT_EQ(sheet.Tabs()->tabText(0), QString::fromUtf8("処理"));
        EXPECT_EQ(sheet.Tabs()->tabText(3), QString::fromUtf8("アバタ"));
        EXPECT_FALSE(sheet.Page4().WasShown());
        Ok(sheet);
    });
    EXPECT_EQ(shownPage, 0);
    EXPECT_EQ(settings_.GetAvatarDirectory(), install_ + "/AvatarData");
    EXPECT_EQ(settings_.GetDirectoryName(), "cat");
    EXPECT_EQ(settings_.GetVrmlFileName(), tree_.Path() + "/cat/cat.wrl");
    EXPECT_EQ(settings_.GetAvatarName(), "");
    EXPECT_EQ(settings_.GetAvatarNo(), 2);
    EXPECT_EQ(settings_.GetFontStyle(), 2) << "italic kept without touching the font";
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(host_.definitionRequests, 1);
    // Everything reaches the view and the chat at once, then the layout.
    EXPECT_EQ(host_.calls, (std::vector<std::string>{
                               "view1=1", "view2=1", "view3=1", "view4=1", "view5=1", "view6=1", "view7=0", "view8=3",
                               "ChatAutoSave=1", "EspAutoSave=1", "ConfirmSave=1",
                               "SetChatFont(" + platform::Sjis("ＭＳ Ｐゴシック") + ",10)", "Relayout"}));
}

TEST_F(OptionSheetTest, CancelChangesNothing) {
    const OptionValues before = host_.options;
    Run(0, [](CTeskSetOptionDlg& sheet) {
        Check(sheet.Page1(), 215)->click();
        sheet.SetActivePage(3);
        sheet.Page4().AvatarNameEdit()->setText("Other");
        sheet.reject();
    });
    EXPECT_EQ(host_.options, before);
    EXPECT_TRUE(host_.calls.empty());
    EXPECT_EQ(settings_.GetAvatarName(), "Tama");
    EXPECT_EQ(settings_.GetAvatarDirectory(), "");
    reg::HKEY key = nullptr;
    const std::string path = std::string(CSettingsStore::kProductKey) + "Option\\Quality";
    reg::RegOpenKeyExA(reg::HKEY_LOCAL_MACHINE, path.c_str(), 0, reg::KEY_READ, &key);
    EXPECT_NE(reg::RegQueryValueExA(key, "Dithering", nullptr, nullptr, nullptr, nullptr), reg::ERROR_SUCCESS);
    reg::RegCloseKey(key);
}

TEST_F(OptionSheetTest, NotificationChoicesAreStoredOnOkOnly) {
    using Kind = NotificationSettings::Kind;
    for (Kind kind : NotificationSettings::kAll) EXPECT_TRUE(NotificationSettings::Enabled(kind)) << "on by default";
    Run(2, [](CTeskSetOptionDlg& sheet) {
        QCheckBox* mention = sheet.Page3().NotifyBox(Kind::Mention);
        ASSERT_NE(mention, nullptr);
        EXPECT_TRUE(mention->isChecked());
        EXPECT_TRUE(sheet.Page3().rect().contains(mention->geometry())) << "the box fits on the page";
        mention->click();
        sheet.reject();
    });
    EXPECT_TRUE(NotificationSettings::Enabled(Kind::Mention)) << "cancel keeps it";
    Run(2, [](CTeskSetOptionDlg& sheet) {
        sheet.Page3().NotifyBox(Kind::Mention)->click();
        sheet.Page3().NotifyBox(Kind::EspRequest)->click();
        Ok(sheet);
    });
    EXPECT_FALSE(NotificationSettings::Enabled(Kind::Mention));
    EXPECT_FALSE(NotificationSettings::Enabled(Kind::EspRequest));
    EXPECT_TRUE(NotificationSettings::Enabled(Kind::EspMessage));
    // The next sheet shows what was stored.
    Run(2, [](CTeskSetOptionDlg& sheet) {
        EXPECT_FALSE(sheet.Page3().NotifyBox(Kind::Mention)->isChecked());
        EXPECT_TRUE(sheet.Page3().NotifyBox(Kind::EspMessage)->isChecked());
        sheet.reject();
    });
}

TEST_F(OptionSheetTest, QualityAndWalkPagesBindTheirBoxes) {
    host_.options.dithering = 0;
    host_.options.texture = 0;
    host_.options.collision = 0;
    Run(0, [](CTeskSetOptionDlg& sheet) {
        auto& p1 = sheet.Page1();
        EXPECT_FALSE(Check(p1, 215)->isChecked());
        EXPECT_TRUE(Check(p1, 216)->isChecked());
        EXPECT_FALSE(Check(p1, 217)->isChecked());
        EXPECT_TRUE(Check(p1, 218)->isChecked());
        Check(p1, 218)->click();  // the texture boxes are independent
        EXPECT_FALSE(Check(p1, 217)->isChecked());
        sheet.SetActivePage(1);
        Check(sheet.Page2(), 219)->click();
        Check(sheet.Page2(), 220)->click();
        Ok(sheet);
    });
    EXPECT_EQ(host_.options.highQualityTexture, 0);
    EXPECT_EQ(host_.options.texture, 0);
    EXPECT_EQ(host_.options.headLightOn, 0);
    EXPECT_EQ(host_.options.collision, 1);
    EXPECT_EQ(settings_.GetHighQualityTexture(), 0);
    EXPECT_EQ(settings_.GetCollision(), 1);
    EXPECT_EQ(host_.calls[3], "view4=0");
}

TEST_F(OptionSheetTest, DisplayMethodCombosKeepTheirOrderAndOutOfRangeValues) {
    host_.options.graphicMode = 5;
    host_.options.graphicModeMoving = 3;
    Run(1, [](CTeskSetOptionDlg& sheet) {
        QComboBox* mode = sheet.Page2().m_comboGraphicMode;
        QComboBox* moving = sheet.Page2().m_comboGraphicModeMoving;
        ASSERT_EQ(mode->count(), 3);
        EXPECT_EQ(mode->itemText(0), QString::fromUtf8("高品質"));
        EXPECT_EQ(mode->itemText(2), QString::fromUtf8("線画"));
        EXPECT_EQ(mode->currentIndex(), -1) << "5 is no item";
        ASSERT_EQ(moving->count(), 4);
        EXPECT_EQ(moving->currentIndex(), 3);
        EXPECT_EQ(moving->currentText(), QString::fromUtf8("変更なし"));
        moving->setCurrentIndex(1);
        Ok(sheet);
    });
    EXPECT_EQ(host_.options.graphicMode, 5);
    EXPECT_EQ(host_.options.graphicModeMoving, 1);
    EXPECT_EQ(settings_.GetGraphicMode(), 5);
    EXPECT_EQ(host_.calls[6], "view7=5");
    EXPECT_EQ(host_.calls[7], "view8=1");
}

TEST_F(OptionSheetTest, ConfirmBoxIsDisabledWhileBothAutoSavesAreOn) {
    host_.options.confirmOfFileSave = 0;
    Run(2, [](CTeskSetOptionDlg& sheet) {
        auto& p3 = sheet.Page3();
        EXPECT_FALSE(p3.ConfirmSaveBox()->isEnabled());
        p3.ChatAutoSaveBox()->click();
        EXPECT_TRUE(p3.ConfirmSaveBox()->isEnabled());
        p3.ConfirmSaveBox()->click();
        p3.ChatAutoSaveBox()->click();
        EXPECT_FALSE(p3.ConfirmSaveBox()->isEnabled());
        EXPECT_TRUE(p3.ConfirmSaveBox()->isChecked()) << "the tick itself stays";
        p3.EspAutoSaveBox()->click();
        EXPECT_TRUE(p3.ConfirmSaveBox()->isEnabled());
        Ok(sheet);
    });
    EXPECT_EQ(settings_.GetEspAutoSave(), 0);
    EXPECT_EQ(settings_.GetConfirmOfFileSave(), 1);
    EXPECT_EQ(host_.calls[10], "ConfirmSave=1");
}

TEST_F(OptionSheetTest, FontDialogRoundTripInPointsAndPixels) {
    platform::ui::FontChoice same{platform::Sjis("ＭＳ Ｐゴシック"), 10, -13, false, true};
    platform::ui::FontChoice bigger{"VL Gothic", 12, -16, true, false};
    seam_.AnswerChooseFont(same);
    seam_.AnswerChooseFont(bigger);
    seam_.AnswerChooseFont(std::nullopt);
    Run(2, [](CTeskSetOptionDlg& sheet) {
        auto& p3 = sheet.Page3();
        EXPECT_EQ(p3.m_staticFontName->text(), QString::fromUtf8("ＭＳ Ｐゴシック"));
        EXPECT_EQ(p3.m_staticFontSize->text(), QString::fromUtf8("10ポイント"));
        EXPECT_TRUE(p3.m_staticFontStyle->isHidden());
        p3.FontButton()->click();
        EXPECT_EQ(p3.m_nFontSize, 10);
        p3.FontButton()->click();
        EXPECT_EQ(p3.m_staticFontSize->text(), QString::fromUtf8("12ポイント"));
        EXPECT_EQ(p3.m_staticFontName->text(), "VL Gothic");
        p3.FontButton()->click();  // cancelled: nothing changes
        EXPECT_EQ(p3.m_nFontSize, 12);
        Ok(sheet);
    });
    const auto fonts = seam_.CallsOf(Kind::ChooseFont);
    ASSERT_EQ(fonts.size(), 3u);
    EXPECT_EQ(fonts[0].font.height, -13);
    EXPECT_EQ(fonts[0].font.face, platform::Sjis("ＭＳ Ｐゴシック"));
    EXPECT_TRUE(fonts[0].font.italic);
    EXPECT_FALSE(fonts[0].font.bold);
    EXPECT_EQ(fonts[2].font.height, -16);
    EXPECT_TRUE(fonts[2].font.bold);
    EXPECT_EQ(settings_.GetFont(), "VL Gothic");
    EXPECT_EQ(settings_.GetFontSize(), 12);
    EXPECT_EQ(settings_.GetFontStyle(), 1);
    EXPECT_EQ(host_.calls[11], "SetChatFont(VL Gothic,12)");
}

TEST_F(OptionSheetTest, LongFaceNamesAreCutForTheFontDialog) {
    settings_.SetFont(platform::Sjis("あいうえおかきくけこさしすせそたちつてと"));  // 40 bytes
    Run(2, [](CTeskSetOptionDlg& sheet) {
        sheet.Page3().FontButton()->click();
        sheet.reject();
    });
    ASSERT_EQ(seam_.CountOf(Kind::ChooseFont), 1);
    EXPECT_EQ(seam_.CallsOf(Kind::ChooseFont)[0].font.face, platform::Sjis("あいうえおかきくけこさしすせそ"));  // 30 bytes
}

TEST_F(OptionSheetTest, AvatarNameTakesHalfWidthLettersAndDigitsOnly) {
    Run(3, [](CTeskSetOptionDlg& sheet) {
        QLineEdit* edit = sheet.Page4().AvatarNameEdit();
        EXPECT_EQ(edit->text(), "Tama");
        edit->clear();
        QTest::keyClicks(edit, "abc1");
        EXPECT_EQ(edit->text(), "abc1");
        EXPECT_EQ(platform::ui::MessageBeepCount(), 0);
        edit->clear();
        QTest::keyClicks(edit, "ab-");
        EXPECT_EQ(edit->text(), "");
        EXPECT_EQ(platform::ui::MessageBeepCount(), 1);
        QTest::keyClicks(edit, "x");
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("ｱ"));
        QApplication::sendEvent(edit, &press);
        EXPECT_EQ(edit->text(), "");
        QInputMethodEvent commit;
        commit.setCommitString(QString::fromUtf8("猫"));
        QApplication::sendEvent(edit, &commit);
        EXPECT_EQ(edit->text(), "");
        EXPECT_EQ(platform::ui::MessageBeepCount(), 3);
        sheet.reject();
    });
}

TEST_F(OptionSheetTest, EmptyAvatarNameKeepsTheSheetOpenOnItsPage) {
    bool stayedOpen = false;
    Run(3, [&](CTeskSetOptionDlg& sheet) {
        EXPECT_EQ(sheet.ActivePageIndex(), 3);
        sheet.Page4().AvatarNameEdit()->clear();
        sheet.SetActivePage(0);
        Ok(sheet);
        stayedOpen = sheet.result() != QDialog::Accepted && sheet.isVisible();
        EXPECT_EQ(sheet.ActivePageIndex(), 3);
        EXPECT_EQ(sheet.Page4().focusWidget(), sheet.Page4().AvatarNameEdit());
        QTest::keyClicks(sheet.Page4().AvatarNameEdit(), "Mike");
        Ok(sheet);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"ｱﾊﾞﾀｰ名が入力されていません。",
                                                    "アバターが変更されました。\n次回の入場時から新しいアバターが表示されます。"}));
    EXPECT_EQ(settings_.GetAvatarName(), "Mike");
}

TEST_F(OptionSheetTest, ChoosingAnotherAvatarStoresItAndTellsTheUserOnce) {
    Run(3, [this](CTeskSetOptionDlg& sheet) {
        auto& p4 = sheet.Page4();
        EXPECT_EQ(p4.m_staticPreview->pixmap().size(), QSize(48, 48)) << "the cat's own picture";
        seam_.AnswerRunModal([](QDialog* d) {
            auto* chooser = static_cast<AvatarSelectDialog*>(d);
            chooser->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            chooser->OkButton()->click();
        });
        // The chooser lists bear, cat and opens on the first.
        p4.AvatarButton()->click();
        EXPECT_EQ(p4.m_nAvatarNo, 1);
        EXPECT_EQ(p4.m_strDirectoryName, "bear");
        EXPECT_EQ(p4.m_staticPreview->pixmap().size(), QSize(64, 64));
        EXPECT_EQ(p4.m_staticPreview->pixmap().toImage().pixel(5, 5), 0xFF884422u);
        Ok(sheet);
    });
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(settings_.GetAvatarNo(), 1);
    EXPECT_EQ(settings_.GetDirectoryName(), "bear");
    EXPECT_EQ(settings_.GetVrmlFileName(), tree_.Path() + "/bear/bear.wrl");
    EXPECT_EQ(settings_.GetImageFileName(), tree_.Path() + "/bear/bear.bmp");
    const auto modal = seam_.CallsOf(Kind::RunModal);
    ASSERT_EQ(modal.size(), 2u);
}

TEST_F(OptionSheetTest, ChoosingTheSameAvatarAgainSaysNothing) {
    Run(3, [this](CTeskSetOptionDlg& sheet) {
        seam_.AnswerRunModal([](QDialog* d) {
            auto* chooser = static_cast<AvatarSelectDialog*>(d);
            chooser->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            chooser->OkButton()->click();
        });
        sheet.Page4().AvatarButton()->click();
        // A cancelled chooser leaves the page's values alone.
        seam_.AnswerRunModal([](QDialog* d) {
            static_cast<AvatarSelectDialog*>(d)->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            d->reject();
        });
        sheet.Page4().AvatarButton()->click();
        EXPECT_EQ(sheet.Page4().m_nAvatarNo, 2);
        Ok(sheet);
    });
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(settings_.GetAvatarNo(), 2);
    EXPECT_EQ(settings_.GetDirectoryName(), "cat");
}

TEST_F(OptionSheetTest, AMissingPictureEmptiesThePreviewOnlyAfterOneWasShown) {
    settings_.SetImageFileName(tree_.Path() + "/cat/none.bmp");
    Run(3, [this](CTeskSetOptionDlg& sheet) {
        auto& p4 = sheet.Page4();
        EXPECT_EQ(p4.m_staticPreview->pixmap().size(), QSize(64, 64)) << "still the initial picture";
        EXPECT_FALSE(p4.m_hPreviewBitmap.has_value());
        QFile::remove(tree_.QPath() + "/bear/bear.bmp");
        seam_.AnswerRunModal([](QDialog* d) { static_cast<AvatarSelectDialog*>(d)->OkButton()->click(); });
        p4.AvatarButton()->click();
        EXPECT_EQ(p4.m_strDirectoryName, "bear");
        EXPECT_EQ(p4.m_staticPreview->pixmap().size(), QSize(64, 64));
        seam_.AnswerRunModal([](QDialog* d) {
            static_cast<AvatarSelectDialog*>(d)->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            static_cast<AvatarSelectDialog*>(d)->OkButton()->click();
        });
        p4.AvatarButton()->click();
        EXPECT_EQ(p4.m_staticPreview->pixmap().size(), QSize(48, 48));
        QFile::remove(tree_.QPath() + "/cat/cat.bmp");
        seam_.AnswerRunModal([](QDialog* d) {
            static_cast<AvatarSelectDialog*>(d)->ScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            static_cast<AvatarSelectDialog*>(d)->OkButton()->click();
        });
        p4.AvatarButton()->click();
        EXPECT_TRUE(p4.m_staticPreview->pixmap().isNull()) << "the old picture went with its bitmap";
        sheet.reject();
    });
}

TEST_F(OptionSheetTest, FixedSizeGoesToThePanelAndTheLayoutRunsLast) {
    Run(3, [](CTeskSetOptionDlg& sheet) {
        EXPECT_TRUE(sheet.Page4().FixedSizeBox()->isChecked());
        sheet.Page4().FixedSizeBox()->click();
        Ok(sheet);
    });
    EXPECT_EQ(host_.options.fixedSize, 0);
    EXPECT_EQ(settings_.GetFixedSize(), 0);
    EXPECT_EQ(host_.calls.back(), "Relayout");
}

TEST_F(OptionSheetTest, ComingBackAfterALostConnectionIsOnUntilTurnedOffAndStaysAsSaved) {
    Run(1, [](CTeskSetOptionDlg& sheet) {
        ASSERT_NE(sheet.Page2().AutoReconnectBox(), nullptr);
        EXPECT_TRUE(sheet.Page2().AutoReconnectBox()->isChecked()) << "on for a new user";
        sheet.Page2().AutoReconnectBox()->click();
        Ok(sheet);
    });
    EXPECT_EQ(settings_.GetAutoReconnect(), 0);
    Run(1, [](CTeskSetOptionDlg& sheet) {
        EXPECT_FALSE(sheet.Page2().AutoReconnectBox()->isChecked());
        sheet.Page2().AutoReconnectBox()->click();
        sheet.reject();
    });
    EXPECT_EQ(settings_.GetAutoReconnect(), 0) << "a cancelled sheet changes nothing";
}

}  // namespace
}  // namespace plexa
