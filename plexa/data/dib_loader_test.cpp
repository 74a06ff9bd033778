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
    EXPECT_FALSE(variant([](BmpSpec& s) { s.infoSize = 64; })) << "header form of unknown layout";
    EXPECT_FALSE(variant([](BmpSpec& s) { s.height = 0; }));
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

// The same 2 x 2 picture in each header form: top row red, white; bottom row blue, green.
constexpr QRgb kPicture[2][2] = {{kRed, kWhite}, {kBlue, kGreen}};

void ExpectPicture(const std::optional<PackedDib>& dib, const char* what) {
    ASSERT_TRUE(dib) << what;
    ExpectNormalised(*dib);
    ASSERT_EQ(dib->Width(), 2) << what;
    ASSERT_EQ(dib->Height(), 2) << what;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(dib->PixelAt(x, y), kPicture[y][x]) << what << " at " << x << "," << y;
}

std::string FileWith(const std::string& info, const std::string& data, uint32_t gap = 0) {
    std::string file = "BM";
    test::Put(file, 14 + info.size() + gap + data.size(), 4);
    test::Put(file, 0, 4);
    test::Put(file, 14 + info.size() + gap, 4);
    return file + info + std::string(gap, '\x55') + data;
}

// The 40-byte start of an info header, padded with zeros to size bytes.
std::string InfoHeader(uint32_t size, int32_t width, int32_t height, int bits, uint32_t compression = 0,
                       uint32_t colours = 0) {
    std::string info;
    test::Put(info, size, 4);
    test::Put(info, static_cast<uint32_t>(width), 4);
    test::Put(info, static_cast<uint32_t>(height), 4);
    test::Put(info, 1, 2);
    test::Put(info, bits, 2);
    test::Put(info, compression, 4);
    test::Put(info, 0, 4);
    test::Put(info, 2835, 4);
    test::Put(info, 2835, 4);
    test::Put(info, colours, 4);
    test::Put(info, 0, 4);
    info.resize(size, '\0');
    return info;
}

const std::string kRowsBottomUp = Bytes({255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0});
const std::string kRowsTopDown = Bytes({0, 0, 255, 255, 255, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0});

TEST(DibLoader, TwelveByteHeaderWithThreeByteColourEntries) {
    std::string core;
    test::Put(core, 12, 4);
    test::Put(core, 2, 2);
    test::Put(core, 2, 2);
    test::Put(core, 1, 2);
    test::Put(core, 24, 2);
    ExpectPicture(LoadDibBytes(FileWith(core, kRowsBottomUp)), "12-byte, 24 bits");

    std::string paletted = core;
    paletted[10] = 8;
    // 256 entries of blue, green, red: 0 blue, 1 green, 2 red, 3 white, the rest black.
    std::string table = Bytes({255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}) + std::string(3 * 252, '\0');
    ExpectPicture(LoadDibBytes(FileWith(paletted + table, Bytes({0, 1, 0, 0, 2, 3, 0, 0}))), "12-byte, 8 bits");
    // A table cut short by the file is refused, as with the 40-byte form.
    EXPECT_FALSE(LoadDibBytes(FileWith(paletted + table.substr(0, 12), "")));
    // Widths and heights of the 12-byte form are 16-bit: 0 stays refused.
    core[4] = 0;
    EXPECT_FALSE(LoadDibBytes(FileWith(core, kRowsBottomUp)));
}

TEST(DibLoader, LongerHeaderFormsAndTopDownRows) {
    for (uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
        const std::string what = "header " + std::to_string(size);
        ExpectPicture(LoadDibBytes(FileWith(InfoHeader(size, 2, 2, 24), kRowsBottomUp)), (what + " bottom-up").c_str());
        ExpectPicture(LoadDibBytes(FileWith(InfoHeader(size, 2, -2, 24), kRowsTopDown)), (what + " top-down").c_str());
    }
    // 1 bit, top-down: the first row in the file is the top one.
    const std::string table = Bytes({0, 0, 255, 0, 255, 0, 0, 0});  // 0 red, 1 blue
    const auto dib = LoadDibBytes(FileWith(InfoHeader(40, 3, -2, 1, 0, 2) + table,
                                           Bytes({0b01000000, 0, 0, 0, 0b10100000, 0, 0, 0})));
    ASSERT_TRUE(dib);
    const QRgb top[] = {kRed, kBlue, kRed}, bottom[] = {kBlue, kRed, kBlue};
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(dib->PixelAt(x, 0), top[x]) << x;
        EXPECT_EQ(dib->PixelAt(x, 1), bottom[x]) << x;
    }
    // Run-length data cannot run top-down; the most negative height is no size at all.
    EXPECT_FALSE(LoadDibBytes(FileWith(InfoHeader(40, 2, -2, 8, 1) + std::string(1024, '\0'), Bytes({2, 1, 0, 1}))));
    EXPECT_FALSE(LoadDibBytes(FileWith(InfoHeader(40, 2, INT32_MIN, 24), kRowsBottomUp)));
    // A longer form still needs its whole header in the file.
    EXPECT_FALSE(LoadDibBytes(FileWith(InfoHeader(124, 2, 2, 24).substr(0, 100), "")));
}

TEST(DibLoader, PixelOffsetLeavingAGapAfterTheColourTable) {
    const std::string table = Bytes({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0});
    const std::string rows = Bytes({0, 1, 0, 0, 2, 3, 0, 0});
    ExpectPicture(LoadDibBytes(FileWith(InfoHeader(40, 2, 2, 8, 0, 4) + table, rows, 8)), "8-byte gap");
    ExpectPicture(LoadDibBytes(FileWith(InfoHeader(40, 2, 2, 24), kRowsBottomUp, 3)), "odd gap, 24 bits");
    // An offset past the end of the file is refused, not read.
    std::string far = FileWith(InfoHeader(40, 2, 2, 24), kRowsBottomUp);
    far[10] = '\x7F';
    EXPECT_FALSE(LoadDibBytes(far));

    // Button pictures honour it too, and read the masks inside a 124-byte header.
    std::string v5 = InfoHeader(124, 1, -2, 32, 3);
    for (int i = 0; i < 4; ++i) v5[40 + 4 * i] = v5[41 + 4 * i] = v5[42 + 4 * i] = v5[43 + 4 * i] = 0;
    v5[42] = '\xFF';  // red 0x00FF0000
    v5[45] = '\xFF';  // green 0x0000FF00
    v5[48] = '\xFF';  // blue 0x000000FF
    const QImage image = DecodeButtonBitmap(FileWith(v5, Bytes({0, 0, 255, 0, 255, 0, 0, 0}), 4));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0), kRed);
    EXPECT_EQ(image.pixel(0, 1), kBlue);
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
