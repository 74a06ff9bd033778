#pragma once
// A throwaway AvatarData folder for tests: avatar directories with a model, a picture and action
// buttons whose 2 x 2 pictures have a colour per button, so a test can tell them apart.
#include "plexa/data/bmp_builder_test_support.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <string>

namespace plexa::test {

// The colour of button k's picture.
inline uint32_t ButtonColour(int k) { return 0x102030u + static_cast<uint32_t>(k) * 0x0A0B0Cu; }

inline std::string SolidBmp(uint32_t rgb, int size = 2) {
    std::string row;
    for (int x = 0; x < size; ++x) Put(row, rgb, 3);  // blue, green, red
    while (row.size() % 4) row.push_back('\0');
    std::string data;
    for (int y = 0; y < size; ++y) data += row;
    return MakeBmp(Rgb24(size, size, data));
}

inline void WriteBytes(const QString& path, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

class AvatarTree {
public:
    AvatarTree() { QDir(dir_.path()).mkpath("AvatarData"); }

    std::string Path() const { return (dir_.path() + "/AvatarData").toStdString(); }
    QString QPath() const { return dir_.path() + "/AvatarData"; }

    // An installed avatar: directory, model, picture (size x size) and buttons b00.bmp ... .
    void Install(const QString& name, int buttons = 0, uint32_t pictureColour = 0x336699, int size = 64) {
        const QString base = QPath() + "/" + name;
        QDir().mkpath(base);
        WriteBytes(base + "/" + name + ".wrl", "#VRML V2.0 utf8\nShape { geometry Box {} }\n");
        WriteBytes(base + "/" + name + ".bmp", SolidBmp(pictureColour, size));
        for (int k = 0; k < buttons; ++k)
            WriteBytes(base + QString::asprintf("/Button/b%02d.bmp", k), SolidBmp(ButtonColour(k)));
    }

    // A definition file section for name with n BUTTON lines.
    static std::string Section(const std::string& name, int buttons) {
        std::string s = "[" + name + "]\nDATE=2024/04/01\nVRML=AvatarData/" + name + "/" + name + ".wrl\nIMAGE=AvatarData/" +
                        name + "/" + name + ".bmp\n";
        for (int k = 0; k < buttons; ++k) {
            char line[80];
            std::snprintf(line, sizeof line, "BUTTON=AvatarData/%s/Button/b%02d.bmp\n", name.c_str(), k);
            s += line;
        }
        return s + "\n";
    }

private:
    QTemporaryDir dir_;
};

}  // namespace plexa::test
