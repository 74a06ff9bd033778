#include "plexa/data/bmp_builder_test_support.h"
#include "plexa/data/button_bitmap.h"
#include "plexa/data/dib_drawing.h"
#include "plexa/data/dib_loader.h"

#include <QPainter>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace plexa {
namespace {
using test::Bytes;
using test::BmpSpec;
using test::MakeBmp;

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kBlack = 0xFF000000,
               kWhite = 0xFFFFFFFF;

void ExpectNormalised(const PackedDib& dib) {
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.Compression(), 0u);
    EXPECT_EQ(dib.ColourCount(), 0u);
    EXPECT_EQ(dib.ImportantColourCount(), 0u);
    EXPECT_EQ(dib.ImageSize(), static_cast<uint32_t>(dib.Stride() * dib.Height()));
    EXPECT_EQ(dib.Block().size(), 40u + dib.ImageSize());
}

TEST(DibLoader, TwentyFourBitsBottomUpWithPadding) {
    BmpSpec s;
    s.width = 2;
    s.height = 2;
    s.bitCount = 24;
    // bottom row: blue, green; top row: red, white; each row padded to 8 bytes
    s.data = Bytes({255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0});
    const auto dib = LoadDibBytes(MakeBmp(s));
    ASSERT_TRUE(dib);
    ExpectNormalised(*dib);
    EXPECT_EQ(dib->Stride(), 8);
    EXPECT_EQ(dib->PixelAt(0, 0), kRed);
    EXPECT_EQ(dib->PixelAt(1, 0), kWhite);
    EXPECT_EQ(dib->PixelAt(0, 1), kBlue);
    EXPECT_EQ(dib->PixelAt(1, 1), kGreen);
}

TEST(DibLoader, PalettedDepthsWithDefaultTableSizes) {
    // 1 bit, count 0: a 2-entry table; most significant bit first, across a byte boundary.
    BmpSpec one;
    one.width = 10;
    one.height = 1;
    one.bitCount = 1;
    one.palette = {0x000000, 0xFF0000};
    one.colourCount = 0;
    one.data = Bytes({0b10100000, 0b01000000, 0, 0});
    auto dib = LoadDibBytes(MakeBmp(one));
    ASSERT_TRUE(dib);
    ExpectNormalised(*dib);
    const QRgb ones[] = {kRed, kBlack, kRed, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kRed};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(dib->PixelAt(x, 0), ones[x]) << x;

    // 4 bits, count 0: a 16-entry table; high nibble first.
    BmpSpec four;
    four.width = 3;
    four.height = 1;
    four.bitCount = 4;
    four.colourCount = 0;
    four.palette.assign(16, 0x000000);
    four.palette[1] = 0xFF0000;
    four.palette[15] = 0x0000FF;
    four.data = Bytes({0x1F, 0x10, 0, 0});
    dib = LoadDibBytes(MakeBmp(four));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->PixelAt(0, 0), kRed);
    EXPECT_EQ(dib->PixelAt(1, 0), kBlue);
    EXPECT_EQ(dib->PixelAt(2, 0), kRed);

    // 8 bits with a short table: an index past it shows black rather than reading beyond.
    BmpSpec eight;
    eight.width = 3;
    eight.height = 1;
    eight.bitCount = 8;
    eight.palette = {0xFFFFFF, 0x00FF00};
    eight.data = Bytes({1, 0, 200, 0});
    dib = LoadDibBytes(MakeBmp(eight));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->PixelAt(0, 0), kGreen);
    EXPECT_EQ(dib->PixelAt(1, 0), kWhite);
    EXPECT_EQ(dib->PixelAt(2, 0), kBlack);
}

BmpSpec Rle8(int width, int height, std::string codes) {
    BmpSpec s;
    s.width = width;
    s.height = height;
    s.bitCount = 8;
    s.compression = 1;
    s.colourCount = 0;
    s.palette.assign(256, 0);
    s.palette[0] = 0x101010;
    s.palette[1] = 0xFF0000;
    s.palette[2] = 0x00FF00;
    s.palette[3] = 0x0000FF;
    s.data = std::move(codes);
    return s;
}

TEST(DibLoader, RunLength8RunsLiteralsEndOfLineAndDelta) {
    // Row 0: run of one 1, literal of 3 (1,2,3) padded, end of line.
    // Row 1: delta right 1 and up 1 to (1, 2); run of 2 twos; end of bitmap.
    const auto dib = LoadDibBytes(MakeBmp(Rle8(4, 3, Bytes({1, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 2, 2, 0, 1}))));
    ASSERT_TRUE(dib);
    ExpectNormalised(*dib);
    const QRgb skipped = 0xFF101010;
    // rows as seen, top first: row 2, row 1, row 0
    const QRgb expected[3][4] = {{skipped, kGreen, kGreen, skipped},
                                 {skipped, skipped, skipped, skipped},
                                 {kRed, kRed, kGreen, kBlue}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dib->PixelAt(x, y), expected[y][x]) << x << "," << y;
}

TEST(DibLoader, RunLength4AlternatesNibbles) {
    BmpSpec s;
    s.width = 6;
    s.height = 1;
    s.bitCount = 4;
    s.compression = 2;
    s.colourCount = 0;
    s.palette.assign(16, 0);
    s.palette[1] = 0xFF0000;
    s.palette[2] = 0x00FF00;
    s.palette[3] = 0x0000FF;
    // run of 3 from 0x12 -> 1,2,1; literal of 3 nibbles 3,2,1 (2 bytes, already even)
    s.data = Bytes({3, 0x12, 0, 3, 0x32, 0x10, 0, 1});
    const auto dib = LoadDibBytes(MakeBmp(s));
    ASSERT_TRUE(dib);
    const QRgb expected[] = {kRed, kGreen, kRed, kBlue, kGreen, kRed};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dib->PixelAt(x, 0), expected[x]) << x;
}

TEST(DibLoader, RunLengthMayEndEarlyButNeverWritesOutside) {
    // A compressed file shorter than its header says is read as far as it goes.
    BmpSpec shortFile = Rle8(2, 1, Bytes({2, 1}));
    shortFile.fileSize = 4000;
    ASSERT_TRUE(LoadDibBytes(MakeBmp(shortFile)));

    const std::pair<const char*, std::string> hostile[] = {
        {"run past the row's end", Bytes({5, 1, 0, 1})},
        {"literal past the row's end", Bytes({2, 1, 0, 3, 1, 1, 1, 0, 0, 1})},
        {"rows past the top", Bytes({0, 0, 0, 0, 1, 1})},
        {"delta out, then a write", Bytes({0, 2, 0, 9, 1, 1})},
        {"literal cut short", Bytes({0, 5, 1, 1})},
        {"delta cut short", Bytes({0, 2, 1})},
    };
    for (const auto& [what, codes] : hostile) EXPECT_FALSE(LoadDibBytes(MakeBmp(Rle8(4, 2, codes)))) << what;
    // A delta out of the picture with nothing written after it is harmless.
    EXPECT_TRUE(LoadDibBytes(MakeBmp(Rle8(4, 2, Bytes({0, 2, 200, 200, 0, 1})))));
}

TEST(DibLoader, RejectsMalformedHeaders) {
    BmpSpec good;
    good.width = 1;
    good.height = 1;
    good.bitCount = 24;
    good.data = Bytes({1, 2, 3, 0});
    ASSERT_TRUE(LoadDibBytes(MakeBmp(good)));

    std::string notBm = MakeBmp(good);
    notBm[0] = 'M';
    notBm[1] = 'B';
    EXPECT_FALSE(LoadDibBytes(notBm));
    EXPECT_FALSE(LoadDibBytes("BM\x10\0\0\0\0\0\0\0\0\0\0"));  // 13 bytes
    EXPECT_FALSE(LoadDibBytes(MakeBmp(good).substr(0, 14)));

    auto variant = [&](auto change) {
        BmpSpec s = good;
        change(s);
        return LoadDibBytes(MakeBmp(s)).has_value();
    };
    EXPECT_FALSE(variant([](BmpSpec& s) { s.fileSize = 1000; })) << "uncompressed file shorter than declared";
    EXPECT_FALSE(variant([](BmpSpec& s) { s.fileSize = 20; })) << "declared size below the headers";
    EXPECT_FALSE(variant([](BmpSpec& s) { s.bitCount = 16; }));
    EXPECT_FALSE(variant([](BmpSpec& s) { s.bitCount = 32; }));
    EXPECT_FALSE(variant([](BmpSpec& s) { s.infoSize = 12; }));
    EXPECT_FALSE(variant([](BmpSpec& s) { s.height = -1; }));
    EXPECT_FALSE(variant([](BmpSpec& s) { s.width = 0; }));
    EXPECT_FALSE(variant([](BmpSpec& s) { s.compression = 1; })) << "8-bit run-length on 24 bits";
    EXPECT_FALSE(variant([](BmpSpec& s) { s.width = 2; })) << "rows larger than the data";
    EXPECT_FALSE(variant([](BmpSpec& s) {
        s.width = 0x7FFFFFFF;
        s.height = 0x7FFFFFFF;
    })) << "size arithmetic overflow";
    EXPECT_FALSE(variant([](BmpSpec& s) {
        s.bitCount = 8;
        s.colourCount = 256;
    })) << "colour table past the data";
    EXPECT_FALSE(variant([](BmpSpec& s) {
        s.bitCount = 8;
        s.palette.assign(257, 0);
    })) << "more colours than the depth holds";
    // A run-length picture whose output would be huge is refused before any memory is taken.
    EXPECT_FALSE(LoadDibBytes(MakeBmp(Rle8(30000, 30000, Bytes({0, 1})))));
}

TEST(DibLoader, FilesOnDisk) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("p.bmp").toStdString();
    EXPECT_FALSE(LoadDibFile(path));
    std::ofstream(path, std::ios::binary) << MakeBmp(test::Rgb24(1, 1, Bytes({0, 0, 255, 0})));
    const auto dib = LoadDibFile(path);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->PixelAt(0, 0), kRed);
}

TEST(ButtonBitmap, DirectColourDepthsAndBitFields) {
    BmpSpec s16;
    s16.width = 2;
    s16.height = 1;
    s16.bitCount = 16;
    s16.data = Bytes({0x00, 0x7C, 0x1F, 0x00});  // 5-5-5
    QImage image = DecodeButtonBitmap(MakeBmp(s16));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0), kRed);
    EXPECT_EQ(image.pixel(1, 0), kBlue);

    // 32 bits with masks red 0xF800, green 0x07E0, blue 0x001F (5-6-5 in a 32-bit word)
    std::string masks;
    test::Put(masks, 0xF800, 4);
    test::Put(masks, 0x07E0, 4);
    test::Put(masks, 0x001F, 4);
    BmpSpec s32;
    s32.width = 1;
    s32.height = 1;
    s32.bitCount = 32;
    s32.compression = 3;
    s32.data = masks + Bytes({0xE0, 0x07, 0, 0});
    image = DecodeButtonBitmap(MakeBmp(s32));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0), kGreen);

    // Bit fields need their masks inside the file.
    s32.data = Bytes({0, 0, 0, 0});
    EXPECT_TRUE(DecodeButtonBitmap(MakeBmp(s32)).isNull());
}

TEST(ButtonBitmap, FailureKeepsThePreviousBitmap) {
    QTemporaryDir dir;
    const std::string good = dir.filePath("good.bmp").toStdString();
    const std::string bad = dir.filePath("bad.bmp").toStdString();
    std::ofstream(good, std::ios::binary) << MakeBmp(test::Rgb24(1, 1, Bytes({255, 0, 0, 0})));
    std::string truncated = MakeBmp(test::Rgb24(4, 4, std::string(48, '\0')));
    std::ofstream(bad, std::ios::binary) << truncated.substr(0, truncated.size() - 1);

    QPixmap bitmap;
    ASSERT_TRUE(LoadButtonBitmap(good, bitmap));
    EXPECT_EQ(bitmap.toImage().pixel(0, 0), kBlue);
    EXPECT_FALSE(LoadButtonBitmap(bad, bitmap));
    EXPECT_FALSE(LoadButtonBitmap(dir.filePath("none.bmp").toStdString(), bitmap));
    EXPECT_EQ(bitmap.size(), QSize(1, 1));
}

TEST(DibDrawing, EightyPixelsScaleDownTo64) {
    // Four 40 x 40 quadrants: red, green on top; blue, white below.
    BmpSpec s;
    s.width = 80;
    s.height = 80;
    s.bitCount = 24;
    for (int row = 0; row < 80; ++row) {      // bottom-up
        for (int x = 0; x < 80; ++x) {
            const bool top = row >= 40, left = x < 40;
            const QRgb c = top ? (left ? kRed : kGreen) : (left ? kBlue : kWhite);
            s.data += Bytes({qBlue(c), qGreen(c), qRed(c)});
        }
    }
    const auto dib = LoadDibBytes(MakeBmp(s));
    ASSERT_TRUE(dib);
    QImage target(64, 64, QImage::Format_RGB32);
    target.fill(Qt::black);
    QPainter painter(&target);
    DrawDibStretched(painter, 0, 0, 64, 64, 0, 0, dib->Width(), dib->Height(), *dib);
    painter.end();
    EXPECT_EQ(target.pixel(0, 0), kRed);
    EXPECT_EQ(target.pixel(63, 0), kGreen);
    EXPECT_EQ(target.pixel(0, 63), kBlue);
    EXPECT_EQ(target.pixel(63, 63), kWhite);
    EXPECT_EQ(target.pixel(30, 30), kRed);  // no blending at the seams
    EXPECT_EQ(target.pixel(33, 33), kWhite);
}

}  // namespace
}  // namespace plexa
