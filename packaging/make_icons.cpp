// make_icons OUTPUT_DIR: draws the application icon (a cat's head with a note) as PNG files of
// the sizes desktops look for, OUTPUT_DIR/<n>x<n>/apps/moneko.png. Drawn from shapes, not text,
// so no font or display is needed at build time.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

QImage Draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    // Head and ears.
    const QColor fur(245, 170, 60);
    const QColor line(90, 50, 20);
    p.setPen(QPen(line, 2.5));
    p.setBrush(fur);
    QPainterPath ears;
    ears.moveTo(8, 30); ears.lineTo(12, 6); ears.lineTo(26, 18); ears.closeSubpath();
    ears.moveTo(56, 30); ears.lineTo(52, 6); ears.lineTo(38, 18); ears.closeSubpath();
    p.drawPath(ears);
    p.drawEllipse(QRectF(6, 14, 52, 44));
    // Eyes, nose and whisker dots.
    p.setPen(Qt::NoPen);
    p.setBrush(line);
    p.drawEllipse(QRectF(19, 30, 6, 8));
    p.drawEllipse(QRectF(39, 30, 6, 8));
    p.setBrush(QColor(230, 90, 110));
    p.drawEllipse(QRectF(29, 41, 6, 4));
    // A note at the lower right: the world is a cheerful place.
    const QColor note(40, 110, 210);
    p.setPen(QPen(note, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(57, 38), QPointF(57, 58));
    p.drawLine(QPointF(57, 38), QPointF(63, 42));
    p.setPen(Qt::NoPen);
    p.setBrush(note);
    p.drawEllipse(QRectF(48, 54, 10, 8));
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons OUTPUT_DIR\n");
        return 2;
    }
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(dir) || !Draw(size).save(dir + QStringLiteral("/moneko.png"))) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
