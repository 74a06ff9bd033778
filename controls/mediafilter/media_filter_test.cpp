#include "controls/mediafilter/media_filter_api.h"
#include "controls/mediafilter/wav_file.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<uint8_t> MakeWav(int channels, int bits, int rate, uint32_t dataBytes, uint32_t claimed, int format = 1) {
    auto le32 = [](std::vector<uint8_t>& v, uint32_t x) { for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i))); };
    auto le16 = [](std::vector<uint8_t>& v, uint16_t x) { v.push_back(x & 255); v.push_back(static_cast<uint8_t>(x >> 8)); };
    std::vector<uint8_t> v{'R', 'I', 'F', 'F'};
    le32(v, 36 + dataBytes);
    v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le32(v, 16);
    le16(v, static_cast<uint16_t>(format));
    le16(v, static_cast<uint16_t>(channels));
    le32(v, static_cast<uint32_t>(rate));
    le32(v, static_cast<uint32_t>(rate * channels * bits / 8));
    le16(v, static_cast<uint16_t>(channels * bits / 8));
    le16(v, static_cast<uint16_t>(bits));
    v.insert(v.end(), {'d', 'a', 't', 'a'});
    le32(v, claimed);
    for (uint32_t i = 0; i < dataBytes; ++i) v.push_back(static_cast<uint8_t>(i * 7));
    return v;
}

TEST(WavFileTest, ReadsPcmAndRefusesEverythingElse) {
    auto wav = WavFile::Parse(MakeWav(2, 16, 22050, 400, 400));
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->channels, 2);
    EXPECT_EQ(wav->Frames(), 100u);
    // A data chunk claiming more than the file holds is cut to whole frames of what is there.
    auto cut = WavFile::Parse(MakeWav(1, 16, 8000, 101, 0xFFFFFFF0u));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->data.size(), 100u);
    EXPECT_FALSE(WavFile::Parse(MakeWav(1, 16, 8000, 100, 100, /*format*/ 85)));  // compressed
    EXPECT_FALSE(WavFile::Parse(MakeWav(6, 16, 8000, 120, 120)));
    EXPECT_FALSE(WavFile::Parse(MakeWav(1, 24, 8000, 120, 120)));
    EXPECT_FALSE(WavFile::Parse(MakeWav(1, 16, 0, 120, 120)));
    EXPECT_FALSE(WavFile::Parse(MakeWav(1, 16, 8000, 0, 0)));
    std::vector<uint8_t> truncated = MakeWav(1, 16, 8000, 100, 100);
    truncated.resize(30);
    EXPECT_FALSE(WavFile::Parse(truncated));
    EXPECT_FALSE(WavFile::Parse({}));
    EXPECT_FALSE(WavFile::Read("/nonexistent/sound.wav"));
}

template <typename Fn>
Fn Resolve(const char* module, const char* name) {
    void* lib = dlopen((std::string(MONEKO_TEST_BIN_DIR) + "/" + module).c_str(), RTLD_NOW | RTLD_LOCAL);
    return lib ? reinterpret_cast<Fn>(dlsym(lib, name)) : nullptr;
}

TEST(ImageFilterTest, DecodesCommonFormatsBottomRowFirst) {
    auto decode = Resolve<MonekoDecodeImageFn>("mediafilter1.ax", "MonekoDecodeImage");
    auto release = Resolve<MonekoFreeImageFn>("mediafilter1.ax", "MonekoFreeImage");
    ASSERT_TRUE(decode && release);
    QTemporaryDir dir;
    QImage image(4, 2, QImage::Format_RGB888);
    image.fill(Qt::blue);
    image.setPixelColor(0, 0, Qt::red);  // top left
    for (const char* format : {"png", "bmp"}) {
        QString path = dir.filePath(QString("t.") + format);
        ASSERT_TRUE(image.save(path, format));
        int w = 0, h = 0, c = 0;
        unsigned char* pixels = nullptr;
        ASSERT_EQ(decode(path.toLocal8Bit().constData(), &w, &h, &c, &pixels), 1) << format;
        EXPECT_EQ(w, 4);
        EXPECT_EQ(h, 2);
        // Top-left red lands in the second (last) row of the buffer.
        const unsigned char* topLeft = pixels + static_cast<size_t>(w) * c;
        EXPECT_GT(topLeft[0], 200) << format;
        EXPECT_LT(topLeft[2], 60) << format;
        EXPECT_GT(pixels[2], 200) << format;
        release(pixels);
    }
    QString junk = dir.filePath("junk.png");
    std::ofstream(junk.toStdString()) << "not an image";
    int w = 0, h = 0, c = 0;
    unsigned char* pixels = nullptr;
    EXPECT_EQ(decode(junk.toLocal8Bit().constData(), &w, &h, &c, &pixels), 0);
    EXPECT_EQ(decode(nullptr, &w, &h, &c, &pixels), 0);
    EXPECT_EQ(pixels, nullptr);
}

TEST(SoundFilterTest, PlaysQuietlyWithOrWithoutADeviceAndHonoursTheSwitch) {
    auto play = Resolve<MonekoSoundPlayFn>("mediafilter2.ax", "MonekoSoundPlay");
    auto stop = Resolve<MonekoSoundStopFn>("mediafilter2.ax", "MonekoSoundStop");
    auto enable = Resolve<MonekoSoundSetEnabledFn>("mediafilter2.ax", "MonekoSoundSetEnabled");
    auto enabled = Resolve<MonekoSoundIsEnabledFn>("mediafilter2.ax", "MonekoSoundIsEnabled");
    ASSERT_TRUE(play && stop && enable && enabled);
    QTemporaryDir dir;
    const std::string path = dir.filePath("beep.wav").toStdString();
    std::vector<uint8_t> bytes = MakeWav(1, 16, 8000, 1600, 1600);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    EXPECT_EQ(play("/nonexistent.wav", 0, 1.0f), 0);
    EXPECT_EQ(play(nullptr, 0, 1.0f), 0);
    int32_t handle = play(path.c_str(), 1, 0.5f);
    EXPECT_GT(handle, 0);
    stop(handle);
    stop(12345);
    enable(0);
    EXPECT_EQ(enabled(), 0);
    EXPECT_EQ(play(path.c_str(), 0, 1.0f), 0);
    enable(1);
    EXPECT_EQ(enabled(), 1);
    QTest::qWait(200);  // let the player threads wind down
}

// Texture BMPs in the header forms other programs write: the same 2 x 2 picture (top row red,
// white; bottom row blue, green) must come out pixel for pixel, bottom row first.
std::string Le(uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

std::string BmpFile(const std::string& info, const std::string& rows, uint32_t gap = 0) {
    return "BM" + Le(14 + info.size() + gap + rows.size(), 4) + Le(0, 4) + Le(14 + info.size() + gap, 4) + info +
           std::string(gap, '\x55') + rows;
}

std::string InfoOf(uint32_t size, int32_t height) {
    std::string info = Le(size, 4) + Le(2, 4) + Le(static_cast<uint32_t>(height), 4) + Le(1, 2) + Le(24, 2) +
                       Le(0, 4) + Le(16, 4) + Le(2835, 4) + Le(2835, 4) + Le(0, 4) + Le(0, 4);
    info.resize(size, '\0');
    if (size >= 108) info.replace(56, 4, "BGRs");  // colour space: sRGB
    return info;
}

TEST(ImageFilterTest, TextureBmpHeaderFormsAndRowOrders) {
    auto decode = Resolve<MonekoDecodeImageFn>("mediafilter1.ax", "MonekoDecodeImage");
    auto release = Resolve<MonekoFreeImageFn>("mediafilter1.ax", "MonekoFreeImage");
    ASSERT_TRUE(decode && release);
    const std::string bottomUp("\xFF\0\0\0\xFF\0\0\0\0\0\xFF\xFF\xFF\xFF\0\0", 16);
    const std::string topDown("\0\0\xFF\xFF\xFF\xFF\0\0\xFF\0\0\0\xFF\0\0\0", 16);
    const std::string core = Le(12, 4) + Le(2, 2) + Le(2, 2) + Le(1, 2) + Le(24, 2);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"12-byte header", BmpFile(core, bottomUp)},
        {"40-byte top-down", BmpFile(InfoOf(40, -2), topDown)},
        {"108-byte header", BmpFile(InfoOf(108, 2), bottomUp)},
        {"124-byte top-down", BmpFile(InfoOf(124, -2), topDown)},
        {"gap before the pixels", BmpFile(InfoOf(40, 2), bottomUp, 6)},
    };
    // Bottom row first: blue, green, then red, white (RGB).
    const int expected[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
    QTemporaryDir dir;
    for (const auto& [what, bytes] : files) {
        const QString path = dir.filePath("t.bmp");
        std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc) << bytes;
        int w = 0, h = 0, c = 0;
        unsigned char* pixels = nullptr;
        ASSERT_EQ(decode(path.toLocal8Bit().constData(), &w, &h, &c, &pixels), 1) << what;
        ASSERT_EQ(w, 2) << what;
        ASSERT_EQ(h, 2) << what;
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 3; ++k) EXPECT_EQ(pixels[i * c + k], expected[i][k]) << what << " pixel " << i;
        release(pixels);
    }
}

}  // namespace
