#pragma once
// Tests of the scene loader: worlds written into a temporary folder, loaded through the loader
// alone, with the shapes that made it in counted and the warnings kept.
#include "controls/vrmlview/coin_environment.h"
#include "controls/vrmlview/scene_loader.h"

#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

inline const QByteArray kHeader = "#VRML V2.0 utf8\n";
// A red box straight ahead of the default view, so a frame shows whether the world is there.
// Unlit, and a little larger than a default Box, so it hides any other shape a test leaves at the origin.
inline const QByteArray kRedBox =
    "Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 0 0 } } geometry Box { size 2.2 2.2 2.2 } }\n";

class SceneLoadTest : public ::testing::Test {
protected:
    void SetUp() override { CoinEnvironment::Ensure(); }

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    // Loads through the loader alone; counts the shapes that made it in, or -1.
    int Shapes(const QString& path) {
        error.clear();
        warnings.clear();
        SoSeparator* root = SceneLoader::Load(path, &error, &warnings);
        if (!root) return -1;
        SoSearchAction search;
        search.setType(SoVRMLShape::getClassTypeId());
        search.setInterest(SoSearchAction::ALL);
        search.setSearchingAll(TRUE);
        search.apply(root);
        const int count = search.getPaths().getLength();
        root->unref();
        return count;
    }
    bool Warned(const QString& text) const {
        for (const QString& w : warnings) {
            if (w.contains(text)) return true;
        }
        return false;
    }
    std::string All() const { return (error + " | " + warnings.join(" | ")).toStdString(); }

    QTemporaryDir dir;
    QString error;
    QStringList warnings;
};
