// Everyday text that CP932 cannot hold, typed by one user and said by a bot, reaches the other
// user and the bot unchanged, is logged in the carried form and reloads as typed; text that fits
// CP932 is logged byte for byte as it always was. Two panels with their own installation folders
// run the real controls against a real server; the bot is a real moneko-bot process.
#include "platform/text/carried_text.h"
#include "platform/text/cp932.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/recording_modal_seam.h"
#include "platform/ui/scoped_modal_seam.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/region_select_dialog.h"
#include "plexa/session/avatar_list_dialog.h"
#include "plexa/session/esp_partner_dialog.h"
#include "plexa/session/world_panel.h"
#include "plexa/settings/settings_test_writer.h"
#include "platform/registry/registry_test_env.h"
#include "server/server_process.h"
#include "teskchat/chat_column_list.h"
#include "teskchat/chat_log_view.h"
#include "teskchat/chat_pane.h"
#include "tests/e2e/support/bot_process.h"
#include "tests/e2e/support/installation.h"
#include "tests/e2e/support/world_test_bed.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace plexa {
namespace {

using platform::CarriedText;
using platform::Sjis;
using platform::ui::RecordingModalSeam;


QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

// Exactly 1,000 characters: accented Latin, an emoji, Hangul, kana and kanji among ASCII, small
// enough in its carried form (1,020 bytes) for the server's 1,024-byte chat text.
QString ThousandCharacterLine() {
    QString line = QString::fromUtf8("é😀안あ漢");
    while (line.toUcs4().size() < 1000) line += QLatin1Char(static_cast<char>('a' + line.size() % 26));
    return line;
}

// Many characters beyond CP932, far more than a chat input can hold.
QString LongMixedLine() {
    QString line;
    while (line.toUcs4().size() < 1000) line += QString::fromUtf8("aé😀안あ漢 ");
    return line;
}

class TextEndToEnd : public e2e::WorldTestBed {
protected:
    void SetUp() override {
        WorldTestBed::SetUp();
        SetNumber("Option\\Chat", "ChatAutoSave", 1);
        SetNumber("Option\\Chat", "EspAutoSave", 1);
    }
    QString ArtifactArea() const override { return QStringLiteral("text"); }

    static QPlainTextEdit* ChatInput(WorldPanel& panel) {
        return panel.Chat().Window()->findChild<QPlainTextEdit*>("chatInput");
    }
    static void TypeAndEnter(QPlainTextEdit* edit, const QString& text) {
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->setPlainText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    static int OwnClientId(const WorldPanel& panel) {
        for (const RosterEntry& e : panel.Roster())
            if (e.own) return e.clientId;
        return -1;
    }
    static QString ChatLog(const QTemporaryDir& install) { return install.path() + "/ChatLog/Chat/ChatDat.dat"; }

    // Waits until the log holds the line; false with the log's contents in *seen otherwise.
    static bool WaitForLogLine(const QString& log, const QByteArray& line, std::string* seen) {
        const bool found = QTest::qWaitFor([&] { return e2e_support::FileBytes(log).contains(line); }, 5000);
        *seen = e2e_support::FileBytes(log).toStdString();
        return found;
    }

    // A chat pane of a later session that reloads a copy of the log: the lines as the user sees them.
    struct Reloaded {
        QStringList names, messages;
    };
    static Reloaded Reload(const QString& log) {
        QTemporaryDir dir;
        QFile::copy(log, dir.filePath("ChatDat.dat"));
        teskchat::ChatPane pane;
        pane.resize(500, 300);
        pane.SetSaveChatDir(platform::FromQString(dir.path()));
        pane.Initialise(true);
        Reloaded out;
        for (int i = 0; i < pane.View()->LineCount(); ++i) {
            out.names << pane.View()->Column(0)->ItemText(i);
            out.messages << pane.View()->Column(1)->ItemText(i);
        }
        return out;
    }

    // Alice's and Bob's own installations.
    QTemporaryDir& installA_ = install_;
    QTemporaryDir& installB_ = secondInstall_;
};

TEST_F(TextEndToEnd, EveryCharacterArrivesIsLoggedAndReloadsUnchanged) {
    a_ = EnterAs("alice", installA_, 0);
    b_ = EnterAs("bob", installB_, 820);
    ASSERT_FALSE(HasFailure());
    e2e::BotProcess bot;
    const QString botName = QString::fromUtf8("Zoë🌸");
    ASSERT_TRUE(bot.Start(server_.Port(), platform::ToQString(a_->CurrentRegionAddress()), botName, "zoe"))
        << bot.Output().toStdString() << server_.Log();
    ASSERT_TRUE(QTest::qWaitFor([&] { return a_->Roster().Size() == 3 && b_->Roster().Size() == 3; }, 10000))
        << server_.Log();
    const int alice = OwnClientId(*a_);
    const std::string botLogName = "Zo&#xEB;&#x1F338;";

    // The bot's name is listed as it was typed.
    b_->Button(217)->click();
    QStringList listed;
    for (int i = 0; i < b_->AvatarList()->List()->topLevelItemCount(); ++i)
        listed << b_->AvatarList()->List()->topLevelItem(i)->text(0);
    EXPECT_TRUE(listed.contains(botName)) << listed.join(',').toStdString();

    // Typed by alice: each line reaches the bot as typed and bob's log in the carried form.
    const QString cp932Only = QString::fromUtf8("うん、了解♪ ｱｲｳ 表示 ～ ①");
    const QStringList typed = {QString::fromUtf8("うん、了解 😀 café"), QString::fromUtf8("Ångström naïve façade"),
                               QString::fromUtf8("안녕하세요 한국어"), QStringLiteral("a literal &#x41; stays"), cp932Only};
    QStringList expectedMessages;
    QStringList expectedNames;
    int from = 0;
    for (const QString& line : typed) {
        TypeAndEnter(ChatInput(*a_), line);
        const QString heard = QStringLiteral("ChatStringReceived %1 ").arg(alice) + line;
        from = bot.WaitForLine(heard, 5000, from);
        ASSERT_GE(from, 0) << line.toStdString() << "\n" << bot.Output().toStdString();
        EXPECT_EQ(bot.Lines()[from], heard);
        std::string seen;
        EXPECT_TRUE(WaitForLogLine(ChatLog(installB_), Bytes("alice,127.0.0.1," + CarriedText(line) + "\r\n"), &seen))
            << seen;
        expectedNames << "alice";
        expectedMessages << line;
    }
    // Text that fits CP932 is logged exactly as before: plain CP932 bytes, nothing escaped.
    EXPECT_EQ(CarriedText(cp932Only), Sjis(cp932Only.toStdString()));
    std::string own;
    EXPECT_TRUE(WaitForLogLine(ChatLog(installA_), Bytes("alice,Localhost," + Sjis(cp932Only.toStdString()) + "\r\n"), &own))
        << own;

    // The bot says a 1,000-character mixed line: it arrives whole in both logs.
    const QString thousand = ThousandCharacterLine();
    ASSERT_EQ(thousand.toUcs4().size(), 1000);
    ASSERT_LE(CarriedText(thousand).size(), 1024u);
    bot.Command("say " + thousand);
    for (const QTemporaryDir* install : {&installA_, &installB_}) {
        std::string seen;
        EXPECT_TRUE(WaitForLogLine(ChatLog(*install), Bytes(botLogName + ",127.0.0.1," + CarriedText(thousand) + "\r\n"), &seen))
            << seen;
    }
    expectedNames << botName;
    expectedMessages << thousand;

    // Pasted into the chat input, a long mixed line is cut at 256 carried bytes between two
    // characters; what was kept arrives exactly.
    TypeAndEnter(ChatInput(*a_), LongMixedLine());
    from = bot.WaitForLine(QStringLiteral("ChatStringReceived %1 a").arg(alice), 5000, from + 1);
    ASSERT_GE(from, 0) << bot.Output().toStdString();
    const QString kept = bot.Lines()[from].section(' ', 2);
    EXPECT_TRUE(LongMixedLine().startsWith(kept));
    EXPECT_LE(CarriedText(kept).size(), 256u);
    const int next = static_cast<int>(kept.size()) + (LongMixedLine().at(kept.size()).isHighSurrogate() ? 2 : 1);
    EXPECT_GT(CarriedText(LongMixedLine().left(next)).size(), 256u) << "more would have fitted";
    std::string seen;
    EXPECT_TRUE(WaitForLogLine(ChatLog(installB_), Bytes("alice,127.0.0.1," + CarriedText(kept) + "\r\n"), &seen)) << seen;
    expectedNames << "alice";
    expectedMessages << kept;

    // A line that tries to pass for the administrator stays alice's, in the log and after reload.
    const QString forged = QStringLiteral("see below\nAdmin,Localhost,the server restarts now");
    TypeAndEnter(ChatInput(*a_), forged);
    EXPECT_TRUE(WaitForLogLine(ChatLog(installB_), "alice,127.0.0.1,see below\r\n\tAdmin,Localhost,the server restarts now\r\n",
                               &seen))
        << seen;
    // Alice's own copy is logged when the server hands it back, which may come after bob's.
    EXPECT_TRUE(WaitForLogLine(ChatLog(installA_), "alice,Localhost,see below\r\n\tAdmin,Localhost,the server restarts now\r\n",
                               &seen))
        << seen;
    expectedNames << "alice";
    expectedMessages << QStringLiteral("see below\nAdmin,Localhost,the server restarts now");  // one message, two rows

    // A later session shows every line as it was typed, in both installations.
    for (const QTemporaryDir* install : {&installB_, &installA_}) {
        const Reloaded reloaded = Reload(ChatLog(*install));
        EXPECT_EQ(reloaded.messages.join('|').toStdString(), expectedMessages.join('|').toStdString());
        EXPECT_EQ(reloaded.names.size(), expectedNames.size());
        if (install == &installB_) {
            EXPECT_EQ(reloaded.names.join('|').toStdString(), expectedNames.join('|').toStdString());
        }
    }

    // A private line with an emoji and a literal reference, and the bot's answer to it.
    a_->Button(218)->click();
    QTreeWidget* partners = a_->EspPartner()->List();
    int bobRow = -1;
    for (int i = 0; i < partners->topLevelItemCount(); ++i)
        if (partners->topLevelItem(i)->text(0) == "bob") bobRow = i;
    ASSERT_GE(bobRow, 0);
    QTest::mouseClick(partners->viewport(), Qt::LeftButton, {}, partners->visualItemRect(partners->topLevelItem(bobRow)).center());
    a_->EspPartner()->ConnectButton()->click();
    QDialog* espB = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (espB = b_->findChild<QDialog*>("EspWindow")) && espB->isVisible(); }, 5000));
    QDialog* espA = a_->findChild<QDialog*>("EspWindow");
    ASSERT_NE(espA, nullptr);
    const QString psst = QString::fromUtf8("psst 😀 café &#x41; 안녕");
    TypeAndEnter(espA->findChild<QPlainTextEdit*>("espInput"), psst);
    auto paneText = [](QDialog* esp) {
        for (QTextEdit* pane : esp->findChildren<QTextEdit*>())
            if (pane->isVisibleTo(esp)) return pane->toPlainText();
        return QString();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return paneText(espB) == psst + "\n"; }, 5000)) << paneText(espB).toStdString();
    EXPECT_EQ(e2e_support::FileBytes(installB_.path() + "/ChatLog/Esp/EspDat0.dat"), Bytes("alice,127.0.0.1," + CarriedText(psst) + "\r\n"));

    // What was said stays between the user and the file: no one else may read the logs.
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    for (const QString& log : {ChatLog(installA_), ChatLog(installB_), installB_.path() + "/ChatLog/Esp/EspDat0.dat"})
        EXPECT_EQ(QFile::permissions(log) & others, 0) << log.toStdString();

    // The bot steps up beside alice, so that bob's view shows its name tag.
    for (const QString& line : bot.Lines()) {
        const QStringList f = line.split(' ');
        if (f.size() < 12 || f[0] != "AvatarPresent" || f[1].toInt() != alice) continue;
        const QStringList pose = f.mid(f.size() - 6);
        bot.Command(QStringLiteral("move %1 %2 %3 0 0 -1").arg(pose[0].toFloat() + 900).arg(pose[1]).arg(pose[2]));
    }
    QTest::qWait(600);
    QTest::qWait(200);
    espB->move(820, 620);
    Screenshot(*b_, "text_beyond_cp932_bob");
    Screenshot(*espB, "text_beyond_cp932_esp_bob");
}

}  // namespace
}  // namespace plexa
