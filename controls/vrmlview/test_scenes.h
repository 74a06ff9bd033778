#pragma once
// Helpers shared by the 3D view tests: test data paths and waiting for real frames.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>

#include <Inventor/SbLinear.h>

class QWidget;
class CoinView;

QString TestDataPath(const QString& name);
// A green plate in front of a smaller red one (1 m behind, drawn after it), seen from 3 m, in a
// world that switches nothing itself: the middle of the picture is green only with a depth test.
extern const QByteArray kPlatesWorld;
// Writes a world file of the given text into dir; its path, or an empty string when it cannot.
QString WriteWorld(const QString& dir, const QString& name, const QByteArray& text);
// Shows the widget in a top-level window of the given size and waits until it has painted.
void ShowForTest(QWidget* widget, int width = 320, int height = 240);
// Lets timers and sensors run for ms milliseconds.
void RunEvents(int ms);
// Renders a fresh frame and returns it.
QImage Frame(CoinView* view);
// True when two colours are within tolerance per channel.
bool Near(QColor a, QColor b, int tolerance = 24);
// Number of pixels that differ by more than tolerance in any channel.
int DifferentPixels(const QImage& a, const QImage& b, int tolerance = 16);
// The pixel of the view's current picture where a scene point (metres) is drawn.
QPoint ScreenPoint(CoinView* view, const SbVec3f& point);
