#include "platform/text/cp932.h"
#include "platform/ui/default_modal_seam.h"
#include "platform/ui/message_box.h"
#include "platform/ui/modal_test_support.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace platform::ui {
namespace {

using Kind = RecordingModalSeam::Kind;
using platform::Sjis;
using platform::ui::testing::WhenModalOpens;

TEST(ModalSeam, InstalledSeamReceivesMessageBoxesAndDefaultComesBack) {
    RecordingModalSeam recorder;
    QWidget owner;
    {
        ScopedModalSeam scope(recorder);
        recorder.AnswerMessageBox(IDNO);
        EXPECT_EQ(ShowMessageBox(&owner, Sjis("チャットの内容を保存しますか？"), Sjis("確認"), MB_YESNO | MB_ICONQUESTION), IDNO);
        // Queue exhausted: the default answer.
        EXPECT_EQ(ShowMessageBox(nullptr, "x", "y"), IDOK);
        recorder.SetDefaultMessageBoxAnswer(IDCANCEL);
        EXPECT_EQ(ShowMessageBox(nullptr, "x", "y", MB_OKCANCEL), IDCANCEL);
    }
    EXPECT_NE(dynamic_cast<DefaultModalSeam*>(&CurrentModalSeam()), nullptr);

    ASSERT_EQ(recorder.CountOf(Kind::MessageBox), 3);
    const auto& first = recorder.Calls()[0];
    EXPECT_EQ(first.text, Sjis("チャットの内容を保存しますか？"));
    EXPECT_EQ(first.caption, Sjis("確認"));
    EXPECT_EQ(first.style, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(first.owner, &owner);
    EXPECT_EQ(recorder.Calls()[1].style, MB_OK);

    InstallModalSeam(&recorder);
    InstallModalSeam(nullptr);
    EXPECT_NE(dynamic_cast<DefaultModalSeam*>(&CurrentModalSeam()), nullptr);
}

TEST(ModalSeam, ScopesNestAndRestoreTheOuterSeam) {
    RecordingModalSeam outer, inner;
    ScopedModalSeam outerScope(outer);
    {
        ScopedModalSeam innerScope(inner);
        ShowMessageBox(nullptr, "a", "b");
    }
    ShowMessageBox(nullptr, "c", "d");
    EXPECT_EQ(inner.CountOf(Kind::MessageBox), 1);
    ASSERT_EQ(outer.CountOf(Kind::MessageBox), 1);
    EXPECT_EQ(outer.Calls()[0].text, "c");
}

TEST(ModalSeam, RecorderAnswersSaveAsAndFontFromQueuesThenDefaults) {
    RecordingModalSeam recorder;
    recorder.AnswerSaveAs(Sjis("/tmp/保存.txt"));
    recorder.AnswerSaveAs(std::nullopt);
    EXPECT_EQ(recorder.SaveAs(nullptr, "Chat20240101120000.txt", "Text (*.txt)|*.txt||", ""), Sjis("/tmp/保存.txt"));
    EXPECT_EQ(recorder.SaveAs(nullptr, "b.txt", "", ""), std::nullopt);
    EXPECT_EQ(recorder.SaveAs(nullptr, "c.txt", "", ""), std::nullopt);  // default: cancel
    recorder.SetDefaultSaveAsAnswer(std::string("/tmp/d.txt"));
    EXPECT_EQ(recorder.SaveAs(nullptr, "d.txt", "", ""), "/tmp/d.txt");

    const auto saves = recorder.CallsOf(Kind::SaveAs);
    ASSERT_EQ(saves.size(), 4u);
    EXPECT_EQ(saves[0].proposedPath, "Chat20240101120000.txt");
    EXPECT_EQ(saves[0].filter, "Text (*.txt)|*.txt||");

    FontChoice seed{Sjis("ＭＳ Ｐゴシック"), 10, -13, true, false};
    FontChoice chosen{"VL Gothic", 12, -16, false, true};
    recorder.AnswerChooseFont(chosen);
    EXPECT_EQ(recorder.ChooseFont(nullptr, seed), chosen);
    EXPECT_EQ(recorder.ChooseFont(nullptr, seed), std::nullopt);
    ASSERT_EQ(recorder.CountOf(Kind::ChooseFont), 2);
    EXPECT_EQ(recorder.CallsOf(Kind::ChooseFont)[0].font, seed);
}

// A small dialog with OK/Cancel, like the option and selection dialogs.
class OkCancelDialog : public QDialog {
public:
    OkCancelDialog() {
        setWindowTitle("Pick");
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        layout->addWidget(edit);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    QLineEdit* edit;
    QDialogButtonBox* buttons;
};

TEST(ModalSeam, RecorderRunsTheScriptInsideTheShownDialog) {
    RecordingModalSeam recorder;
    OkCancelDialog dialog;
    bool visibleDuringAction = false;
    recorder.AnswerRunModal([&](QDialog* d) {
        visibleDuringAction = d->isVisible();
        static_cast<OkCancelDialog*>(d)->edit->setText("abc1");
        static_cast<OkCancelDialog*>(d)->buttons->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_EQ(recorder.RunModal(&dialog), QDialog::Accepted);
    EXPECT_TRUE(visibleDuringAction);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.edit->text(), "abc1");

    // An action that leaves the dialog open answers Rejected, like closing it.
    recorder.AnswerRunModal([](QDialog* d) { static_cast<OkCancelDialog*>(d)->edit->setText("x"); });
    EXPECT_EQ(recorder.RunModal(&dialog), QDialog::Rejected);
    // A stated result wins over what the action did.
    recorder.AnswerRunModal(QDialog::Rejected, [](QDialog* d) { d->accept(); });
    EXPECT_EQ(recorder.RunModal(&dialog), QDialog::Rejected);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    // Default answer.
    EXPECT_EQ(recorder.RunModal(&dialog), QDialog::Rejected);
    recorder.SetDefaultRunModalAnswer({{}, QDialog::Accepted});
    EXPECT_EQ(recorder.RunModal(&dialog), QDialog::Accepted);

    const auto runs = recorder.CallsOf(Kind::RunModal);
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].dialogTitle, "Pick");
    EXPECT_EQ(runs[0].dialogClass, "QDialog");  // no Q_OBJECT in the test class
}

TEST(ModalSeam, RecorderSurvivesADialogThatDeletesItselfOnClose) {
    RecordingModalSeam recorder;
    auto* dialog = new OkCancelDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QDialog> guard(dialog);
    recorder.AnswerRunModal([](QDialog* d) { d->done(5); });
    EXPECT_EQ(recorder.RunModal(dialog), 5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

// The real message box: buttons, their results, the closing rules and plain text.
TEST(DefaultModalSeam, MessageBoxMapsButtonsAndClosing) {
    DefaultModalSeam seam;
    auto clickButton = [](const QString& label) {
        WhenModalOpens<QMessageBox>([label](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons())
                if (button->text() == label) button->click();
        });
    };
    clickButton(QString::fromUtf8("いいえ(&N)"));
    EXPECT_EQ(seam.MessageBox(nullptr, "q", "c", MB_YESNO | MB_ICONQUESTION), IDNO);
    clickButton(QString::fromUtf8("はい(&Y)"));
    EXPECT_EQ(seam.MessageBox(nullptr, "q", "c", MB_YESNOCANCEL), IDYES);
    clickButton(QString::fromUtf8("キャンセル"));
    EXPECT_EQ(seam.MessageBox(nullptr, "q", "c", MB_YESNOCANCEL), IDCANCEL);
    clickButton("OK");
    EXPECT_EQ(seam.MessageBox(nullptr, "q", "c", MB_OKCANCEL), IDOK);

    // Escape: Cancel where there is one, OK for a lone OK.
    auto pressEscape = [] { WhenModalOpens<QMessageBox>([](QMessageBox* box) { box->escapeButton()->click(); }); };
    pressEscape();
    EXPECT_EQ(seam.MessageBox(nullptr, "q", "c", MB_OKCANCEL), IDCANCEL);
    pressEscape();
    EXPECT_EQ(seam.MessageBox(nullptr, "q", "c", MB_OK), IDOK);
    pressEscape();
    EXPECT_EQ(seam.MessageBox(nullptr, "q", "c", MB_YESNO), IDNO);

    QString shownText, shownTitle;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
        shownText = box->text();
        shownTitle = box->windowTitle();
        format = box->textFormat();
        icon = box->icon();
        box->defaultButton()->click();
    });
    EXPECT_EQ(seam.MessageBox(nullptr, Sjis("<b>ソ表</b>"), Sjis("Moneko♪"), MB_OK | MB_ICONEXCLAMATION), IDOK);
    EXPECT_EQ(shownText, QString::fromUtf8("<b>ソ表</b>"));
    EXPECT_EQ(shownTitle, QString::fromUtf8("Moneko♪"));
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(DefaultModalSeam, FileFilterConversion) {
    EXPECT_EQ(ToQtFileFilter(Sjis("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)|*.txt||")), QString::fromUtf8("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)"));
    EXPECT_EQ(ToQtFileFilter("Logs|*.txt;*.log|All (*.*)|*.*||"), "Logs (*.txt *.log);;All (*.*)");
    // "ポ" is 83 7C in CP932: its trail byte must not split the field.
    EXPECT_EQ(ToQtFileFilter(Sjis("ポイント|*.pt||")), QString::fromUtf8("ポイント (*.pt)"));
    EXPECT_EQ(ToQtFileFilter(""), "");
    EXPECT_EQ(DefaultExtension(Sjis("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)|*.txt||")), "txt");
    EXPECT_EQ(DefaultExtension("Logs|*.log;*.txt||"), "log");
    EXPECT_EQ(DefaultExtension("All|*.*||"), "");
    EXPECT_EQ(DefaultExtension("broken"), "");
}

class DefaultSaveAs : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(previous); }
    QTemporaryDir dir;
    QString previous;
    DefaultModalSeam seam;
};

TEST_F(DefaultSaveAs, ProposesTheNameInTheCurrentDirectoryAndAddsTheExtension) {
    QString offeredDirectory, offeredName, title;
    WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        offeredDirectory = dialog->directory().absolutePath();
        offeredName = dialog->findChild<QLineEdit*>()->text();
        title = dialog->windowTitle();
        dialog->selectFile(QString::fromUtf8("ログ"));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept checks the name
    });
    auto chosen = seam.SaveAs(nullptr, Sjis("チャット20240101.txt"), Sjis("ﾃｷｽﾄ ﾌｧｲﾙ (*.txt)|*.txt||"), "");
    EXPECT_EQ(offeredDirectory, QDir(dir.path()).absolutePath());
    EXPECT_EQ(offeredName, QString::fromUtf8("チャット20240101.txt"));
    EXPECT_EQ(title, QString::fromUtf8("名前を付けて保存"));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(platform::ToQString(*chosen), QDir(dir.path()).absoluteFilePath(QString::fromUtf8("ログ.txt")));

    WhenModalOpens<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(seam.SaveAs(nullptr, "a.txt", "", "Save"), std::nullopt);
}

TEST_F(DefaultSaveAs, RefusesANameTheCodePageCannotHold) {
    // Hangul has no CP932 form: warn, offer the dialog again, and the user cancels.
    bool warned = false;
    WhenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
            warned = true;
            WhenModalOpens<QFileDialog>([](QFileDialog* again) { again->reject(); });
            box->defaultButton()->click();
        });
        dialog->selectFile(QString::fromUtf8("한국.txt"));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(seam.SaveAs(nullptr, "a.txt", "Text|*.txt||", ""), std::nullopt);
    EXPECT_TRUE(warned);
}

TEST(DefaultModalSeam, FontDialogRoundTripsPointsThroughTheHeight) {
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    DefaultModalSeam seam;
    QFont offered;
    WhenModalOpens<QFontDialog>([&](QFontDialog* dialog) {
        offered = dialog->currentFont();
        dialog->accept();
    });
    // A face with a real bold style: the dialog offers only the styles a family has.
    auto chosen = seam.ChooseFont(nullptr, FontChoice{"DejaVu Sans", 0, -13, true, false});
    EXPECT_EQ(offered.pointSize(), 10);
    EXPECT_TRUE(offered.bold());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->pointSize, 10);
    EXPECT_EQ(chosen->height, -13);
    EXPECT_EQ(chosen->face, "DejaVu Sans");
    EXPECT_TRUE(chosen->bold);
    EXPECT_FALSE(chosen->italic);

    WhenModalOpens<QFontDialog>([](QFontDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(seam.ChooseFont(nullptr, FontChoice{"VL Gothic", 9, 0, false, false}), std::nullopt);
}

}  // namespace
}  // namespace platform::ui
