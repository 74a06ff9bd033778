// The default world read with the client's own readers: what a new user walks into must load.
#include "platform/text/byte_text.h"
#include "platform/text/cp932.h"
#include "plexa/data/avatar_data_store.h"
#include "plexa/data/button_bitmap.h"
#include "plexa/data/definition_file.h"
#include "plexa/data/dib_loader.h"
#include "plexa/data/region_list.h"
#include "plexa/data/text_lines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <set>

namespace plexa {
namespace {

std::string ContentDir() { return qEnvironmentVariable("MONEKO_SOURCE_DIR").toStdString() + "/content"; }

uint32_t Field32(const std::string& bytes, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

TEST(DefaultWorld, RegionListHasJapaneseListedRegionsAndAHiddenOne) {
    const auto regions = ReadRegionList(ContentDir() + "/" + kRegionListFileName);
    ASSERT_TRUE(regions.has_value());
    int listed = 0, hidden = 0;
    for (const RegionEntry& r : *regions) {
        (r.hidden ? hidden : listed) += 1;
        EXPECT_TRUE(platform::Cp932ToUtf8(r.name).has_value()) << "name must be CP932";
        EXPECT_TRUE(platform::IsCp932LeadByte(static_cast<unsigned char>(r.name[0]))) << r.url;
        const std::string scene = ContentDir() + "/" + r.url;
        const auto text = ReadFileBytes(scene);
        ASSERT_TRUE(text.has_value()) << scene;
        EXPECT_TRUE(text->starts_with("#VRML V2.0 utf8")) << scene;
    }
    EXPECT_GE(listed, 3);
    EXPECT_GE(hidden, 1);
    EXPECT_EQ(regions->front().name, platform::Sjis("ロビー（はじまりの部屋）"));
}

TEST(DefaultWorld, EveryAvatarIsCompleteAndNumberedInByteOrder) {
    const std::string data = ContentDir() + "/" + kAvatarDataDirectoryName;
    const AvatarDefinitionList avatars = ParseDefinitionFile(data + "/" + kDefinitionFileName);
    ASSERT_GE(avatars.size(), 6u);
    std::set<std::pair<uint16_t, uint32_t>> previewForms;
    bool moreThanEight = false;
    for (size_t i = 0; i < avatars.size(); ++i) {
        const AvatarDefinition& a = avatars[i];
        if (i > 0) {
            EXPECT_LT(platform::CompareBytes(avatars[i - 1].sectionName, a.sectionName), 0);
        }
        // The number another client sends finds this same record.
        EXPECT_EQ(FindDefinitionByNumber(avatars, std::to_string(i + 1)), &a);
        const std::string dir = data + "/" + a.sectionName;
        const auto model = ReadFileBytes(dir + "/" + a.vrmlFileName);
        ASSERT_TRUE(model.has_value()) << a.sectionName;
        EXPECT_TRUE(model->starts_with("#VRML V2.0 utf8"));

        const std::string preview = dir + "/" + a.imageFileName;
        const auto dib = LoadDibFile(preview);
        ASSERT_TRUE(dib.has_value()) << preview;
        const std::string raw = *ReadFileBytes(preview);
        previewForms.insert({static_cast<uint16_t>(raw[28] | raw[29] << 8), Field32(raw, 30)});

        ASSERT_GE(a.buttons.size(), 4u) << a.sectionName;
        ASSERT_LE(a.buttons.size(), 16u);
        moreThanEight |= a.buttons.size() > 8;
        for (size_t k = 0; k < a.buttons.size(); ++k) {
            QPixmap bitmap;
            const std::string button = dir + "/" + kButtonDirectoryName + "/" + a.buttons[k].fileName;
            ASSERT_TRUE(LoadButtonBitmap(button, bitmap)) << button;
            EXPECT_EQ(bitmap.size(), QSize(32, 32));
            const std::string sensor = std::string("DEF a") + (k < 10 ? "0" : "") + std::to_string(k) + " TimeSensor";
            EXPECT_NE(model->find(sensor), std::string::npos) << a.sectionName << " lacks " << sensor;
            // Every gesture of the default world is named, in the file's own encoding.
            EXPECT_FALSE(a.buttons[k].label.empty()) << button;
            EXPECT_TRUE(platform::Cp932ToUtf8(a.buttons[k].label).has_value()) << button;
        }
        for (const DefinitionAsset& texture : a.textures)
            EXPECT_TRUE(QFile::exists(QString::fromStdString(dir + "/" + texture.fileName)));
        const QString shots = qEnvironmentVariable("MONEKO_SCREENSHOT_DIR");
        if (!shots.isEmpty()) dib->ToImage().save(shots + "/preview_" + QString::fromStdString(a.sectionName) + ".png");
    }
    EXPECT_TRUE(moreThanEight);
    // Every depth the loader supports and both run-length forms appear among the previews.
    const std::set<std::pair<uint16_t, uint32_t>> wanted{{1, 0}, {4, 0}, {8, 0}, {24, 0}, {8, 1}, {4, 2}};
    for (const auto& form : wanted)
        EXPECT_TRUE(previewForms.count(form)) << form.first << " bits, compression " << form.second;
}

TEST(DefaultWorld, EveryAvatarDirectoryHasItsSection) {
    const std::string data = ContentDir() + "/" + kAvatarDataDirectoryName;
    const AvatarDefinitionList avatars = ParseDefinitionFile(data + "/" + kDefinitionFileName);
    const QStringList dirs = QDir(QString::fromStdString(data)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    EXPECT_EQ(static_cast<size_t>(dirs.size()), avatars.size());
    for (const QString& d : dirs) EXPECT_NE(FindDefinitionByDirectoryName(avatars, d.toStdString()), nullptr) << d.toStdString();
}

}  // namespace
}  // namespace plexa
