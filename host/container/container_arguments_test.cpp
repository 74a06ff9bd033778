#include "host/container/container_arguments.h"

#include "platform/text/cp932.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

namespace com = platform::com;

const com::Guid kClsid{0x78DAB892, 0xD3DF, 0x4A48, {0xB4, 0xE8, 0x4E, 0xC1, 0x07, 0xEF, 0x0D, 0x8F}};

TEST(ContainerArguments, PagePicksTheControlsObjectAndResolvesRelativeAddresses) {
    const std::string html =
        "<object id=movie><param name=SRC value=intro.mpg></object>"
        "<object classid='CLSID:78dab892-d3df-4a48-b4e8-4ec107ef0d8f'>"
        "<param name=SRC value=''><param name=World value='../worlds/a.wrl'><param name=Other value=x></object>";
    const auto bag = ContainerArguments::FromPage(html, "/srv/pages", kClsid);
    ASSERT_TRUE(bag);
    EXPECT_EQ(bag->Read("SRC"), "");
    EXPECT_EQ(bag->Read("World"), "/srv/worlds/a.wrl");
    EXPECT_EQ(bag->Read("Other"), "x");

    // Without a class id to go by (nothing registered yet), the first object with either parameter.
    const auto first = ContainerArguments::FromPage(html, "/srv/pages", std::nullopt);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Read("SRC"), "/srv/pages/intro.mpg");
    EXPECT_FALSE(ContainerArguments::FromPage("<object><param name=x value=y></object>", "/", std::nullopt));
}

TEST(ContainerArguments, AddressesWithASchemeStayAndTextBecomesCp932) {
    const auto bag = ContainerArguments::FromPage(
        "<meta charset=utf-8><object><param name=SRC value='http://127.0.0.1:8080/表.wrl'></object>", "/p",
        std::nullopt);
    ASSERT_TRUE(bag);
    EXPECT_EQ(bag->Read("SRC"), platform::Sjis("http://127.0.0.1:8080/表.wrl"));
    // A Shift_JIS page keeps its bytes ("表" is 0x95 0x5C).
    const auto sjis = ContainerArguments::FromPage(
        "<meta http-equiv=Content-Type content='text/html; charset=Shift_JIS'><object><param name=SRC "
        "value='file:///w/\x95\x5C.wrl'></object>",
        "/p", std::nullopt);
    ASSERT_TRUE(sjis);
    EXPECT_EQ(sjis->Read("SRC"), "file:///w/\x95\x5C.wrl");
}

TEST(ContainerArguments, CommandLineForms) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString page = dir.filePath("page.HTML");
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<object><param name=World value=room.wrl></object>");
    file.close();

    ContainerArguments fromPage;
    QString error;
    ASSERT_TRUE(fromPage.Parse({page}, std::nullopt, &error)) << error.toStdString();
    EXPECT_EQ(fromPage.params.Read("World"), QDir(dir.path()).filePath("room.wrl").toStdString());
    EXPECT_EQ(fromPage.params.Read("SRC"), std::nullopt);

    ContainerArguments both;
    ASSERT_TRUE(both.Parse({page, "--world", "http://127.0.0.1/x.wrl"}, std::nullopt, &error));
    EXPECT_EQ(both.params.Read("SRC"), "http://127.0.0.1/x.wrl");

    ContainerArguments wrl;
    ASSERT_TRUE(wrl.Parse({"/tmp/w.wrl"}, std::nullopt, &error));
    EXPECT_EQ(wrl.params.Read("SRC"), "/tmp/w.wrl");

    ContainerArguments none;
    ASSERT_TRUE(none.Parse({}, std::nullopt, &error));
    EXPECT_TRUE(none.params.Empty());

    for (const QStringList& bad : {QStringList{"--world"}, QStringList{"--world="}, QStringList{"--nope"},
                                   QStringList{"a.wrl", "b.wrl"}, QStringList{dir.filePath("missing.html")}}) {
        ContainerArguments args;
        error.clear();
        EXPECT_FALSE(args.Parse(bad, std::nullopt, &error)) << bad.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

}  // namespace
