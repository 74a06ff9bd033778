#include "host/container/window_geometry_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

const QRect kScreen(0, 0, 1280, 1024);

TEST(WindowGeometryStoreFit, KeepsARectThatFits) {
    EXPECT_EQ(WindowGeometryStore::FitInto(QRect(100, 50, 900, 700), kScreen, QSize(680, 440)),
              QRect(100, 50, 900, 700));
}

TEST(WindowGeometryStoreFit, ShrinksAndMovesAWindowSavedOnALargerScreen) {
    // Saved on a 1920 x 1080 screen at its right edge; now the screen is smaller.
    EXPECT_EQ(WindowGeometryStore::FitInto(QRect(1500, 600, 1600, 1080), kScreen, QSize(680, 440)),
              QRect(0, 0, 1280, 1024));
    EXPECT_EQ(WindowGeometryStore::FitInto(QRect(1500, 900, 800, 600), kScreen, QSize(680, 440)),
              QRect(480, 424, 800, 600));
}

TEST(WindowGeometryStoreFit, BringsBackAWindowLeftOffTheScreen) {
    EXPECT_EQ(WindowGeometryStore::FitInto(QRect(-3000, -200, 800, 600), kScreen, QSize(680, 440)),
              QRect(0, 0, 800, 600));
}

TEST(WindowGeometryStoreFit, GrowsATooSmallWindowToItsMinimumButNotPastTheScreen) {
    EXPECT_EQ(WindowGeometryStore::FitInto(QRect(10, 10, 200, 100), kScreen, QSize(680, 440)),
              QRect(10, 10, 680, 440));
    // A screen smaller than the minimum: the screen wins, the window stays reachable.
    EXPECT_EQ(WindowGeometryStore::FitInto(QRect(10, 10, 800, 600), QRect(0, 0, 640, 400), QSize(680, 440)),
              QRect(0, 0, 640, 400));
}

TEST(WindowGeometryStore, RemembersSizeAndPlaceBetweenRuns) {
    QTemporaryDir dir;
    const WindowGeometryStore store(dir.filePath("sub/window.conf"));
    {
        QWidget first;
        first.resize(900, 650);
        first.move(40, 30);
        first.show();
        store.Save(first);
    }
    ASSERT_TRUE(QFile::exists(store.Path()));
    QWidget second;
    store.Restore(second, QSize(800, 600));
    EXPECT_EQ(second.size(), QSize(900, 650));
    EXPECT_EQ(second.pos(), QPoint(40, 30));
}

TEST(WindowGeometryStore, FirstStartAndDamagedFileUseTheFallbackSize) {
    QTemporaryDir dir;
    QWidget window;
    window.setMinimumSize(680, 440);
    WindowGeometryStore(dir.filePath("none.conf")).Restore(window, QSize(800, 600));
    EXPECT_EQ(window.size(), QSize(800, 600));

    QFile damaged(dir.filePath("damaged.conf"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("[window]\ngeometry=@Rect(not a rect)\n\x01\x02\xff garbage\n");
    damaged.close();
    QWidget other;
    other.setMinimumSize(680, 440);
    WindowGeometryStore(damaged.fileName()).Restore(other, QSize(820, 610));
    EXPECT_EQ(other.size(), QSize(820, 610));
}

TEST(WindowGeometryStore, ARememberedSizeBelowTheMinimumOpensAtTheMinimum) {
    QTemporaryDir dir;
    const WindowGeometryStore store(dir.filePath("window.conf"));
    {
        QWidget small;
        small.resize(300, 200);
        store.Save(small);
    }
    QWidget window;
    window.setMinimumSize(680, 440);
    store.Restore(window, QSize(800, 600));
    EXPECT_EQ(window.size(), QSize(680, 440));
}

}  // namespace
