// Loads every BMP of the default world and a set of large generated BMPs, each many times, with
// LoadDibFile and with QImage, and prints the time per load and the ratio.
#include "plexa/data/dib_loader.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A gradient picture of the given form. RLE8 rows are runs of eight pixels.
std::string MakeLargeBmp(int width, int height, int bits, bool rle) {
    std::string table;
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i) Put(table, static_cast<uint32_t>(i * 0x010101 * (255 / ((1 << bits) - 1))), 4);
    std::string data;
    if (rle) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; x += 8) {
                data.push_back(static_cast<char>(std::min(8, width - x)));
                data.push_back(static_cast<char>((x / 8 + y) & 0xFF));
            }
            data.append("\0\0", 2);
        }
        data.append("\0\1", 2);
    } else {
        const int stride = (width * bits + 31) / 32 * 4;
        data.assign(static_cast<size_t>(stride) * height, '\0');
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < stride; ++i) data[static_cast<size_t>(y) * stride + i] = static_cast<char>((i * 7 + y) & 0xFF);
    }
    std::string info;
    Put(info, 40, 4);
    Put(info, static_cast<uint32_t>(width), 4);
    Put(info, static_cast<uint32_t>(height), 4);
    Put(info, 1, 2);
    Put(info, static_cast<uint32_t>(bits), 2);
    Put(info, rle ? 1 : 0, 4);
    Put(info, static_cast<uint32_t>(data.size()), 4);
    Put(info, 2835, 4);
    Put(info, 2835, 4);
    Put(info, bits <= 8 ? (1u << bits) : 0, 4);
    Put(info, 0, 4);
    const uint32_t offset = static_cast<uint32_t>(14 + info.size() + table.size());
    std::string file = "BM";
    Put(file, offset + static_cast<uint32_t>(data.size()), 4);
    Put(file, 0, 4);
    Put(file, offset, 4);
    return file + info + table + data;
}

struct Timing {
    double ours;
    double qt;
};

Timing Measure(const std::vector<std::string>& paths, int rounds) {
    QElapsedTimer timer;
    size_t sink = 0;
    timer.start();
    for (int r = 0; r < rounds; ++r)
        for (const std::string& path : paths) {
            const auto dib = plexa::LoadDibFile(path);
            sink += dib ? dib->Block().size() : 0;
        }
    const double ours = timer.nsecsElapsed() / 1e6 / rounds / paths.size();
    timer.restart();
    for (int r = 0; r < rounds; ++r)
        for (const std::string& path : paths) sink += QImage(QString::fromStdString(path), "BMP").sizeInBytes();
    const double qt = timer.nsecsElapsed() / 1e6 / rounds / paths.size();
    if (sink == 42) std::puts("");
    return {ours, qt};
}

void Report(const char* what, const std::vector<std::string>& paths, int rounds) {
    const Timing t = Measure(paths, rounds);
    std::printf("%-34s %4zu files x %4d  LoadDibFile %9.3f ms  QImage %9.3f ms  ratio %.2f\n", what, paths.size(),
                rounds, t.ours, t.qt, t.ours / t.qt);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> world;
    QDirIterator it(QStringLiteral(DIB_BENCH_CONTENT), {QStringLiteral("*.bmp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) world.push_back(it.next().toStdString());
    std::printf("BMP loading, milliseconds per file (lower is better; ratio = LoadDibFile / QImage)\n");
    Report("default world (all BMPs)", world, 200);

    QTemporaryDir dir;
    struct Large {
        const char* name;
        int width, height, bits;
        bool rle;
    };
    const Large large[] = {{"2048x2048 24-bit", 2048, 2048, 24, false}, {"2048x2048 8-bit", 2048, 2048, 8, false},
                           {"2048x2048 8-bit RLE", 2048, 2048, 8, true},  {"2048x2048 4-bit", 2048, 2048, 4, false},
                           {"2048x2048 1-bit", 2048, 2048, 1, false}};
    for (const Large& l : large) {
        const std::string path = dir.filePath(QString::fromUtf8(l.name).replace(' ', '_') + ".bmp").toStdString();
        std::ofstream(path, std::ios::binary) << MakeLargeBmp(l.width, l.height, l.bits, l.rle);
        Report(l.name, {path}, 10);
    }
    return 0;
}
