#include "plexa/session/toolbar_images.h"

#include <QFont>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace plexa {

namespace {

enum class Picture {
    Door, Hidden, NavSet, Speed, Walk, Pan, Goto, Turn, Roll, Study, Revert, StraightUp, Who, Esp, Action,
    Options, Help, Save,
};
enum class Face { Up, Down, Disabled };

struct Spec {
    Picture picture;
    Face face;
    int level = 0;  // speed 0..4
    int set = 1;    // navigation set
};

const QHash<int, Spec>& Specs() {
    static const QHash<int, Spec> specs = [] {
        QHash<int, Spec> s;
        auto add = [&s](int id, Picture p, Face f, int level = 0, int set = 1) { s.insert(id, Spec{p, f, level, set}); };
        add(207, Picture::Door, Face::Up);
        add(282, Picture::Door, Face::Down);
        for (int id : {337, 338, 339}) add(id, Picture::Hidden, Face::Up);
        add(304, Picture::NavSet, Face::Up, 0, 1);
        add(303, Picture::NavSet, Face::Down, 0, 1);
        add(306, Picture::NavSet, Face::Up, 0, 2);
        add(305, Picture::NavSet, Face::Down, 0, 2);
        const int set1[5][2] = {{286, 285}, {287, 288}, {225, 226}, {290, 289}, {292, 291}};
        const int set2[5][2] = {{316, 314}, {318, 317}, {320, 319}, {324, 322}, {323, 321}};
        for (int level = 0; level < 5; ++level) {
            add(set1[level][0], Picture::Speed, Face::Up, level, 1);
            add(set1[level][1], Picture::Speed, Face::Down, level, 1);
            add(set2[level][0], Picture::Speed, Face::Up, level, 2);
            add(set2[level][1], Picture::Speed, Face::Down, level, 2);
        }
        add(294, Picture::Walk, Face::Up);
        add(293, Picture::Walk, Face::Down);
        add(284, Picture::Pan, Face::Up);
        add(283, Picture::Pan, Face::Down);
        add(217, Picture::Goto, Face::Up);
        add(281, Picture::Goto, Face::Down);
        add(254, Picture::Turn, Face::Up);
        add(255, Picture::Turn, Face::Down);
        add(236, Picture::Roll, Face::Up);
        add(237, Picture::Roll, Face::Down);
        add(248, Picture::Study, Face::Up);
        add(249, Picture::Study, Face::Down);
        add(312, Picture::Revert, Face::Up);
        add(311, Picture::Revert, Face::Down);
        add(246, Picture::StraightUp, Face::Up);
        add(247, Picture::StraightUp, Face::Down);
        add(315, Picture::Who, Face::Up);
        add(313, Picture::Who, Face::Down);
        add(363, Picture::Who, Face::Disabled);
        add(335, Picture::Esp, Face::Up);
        add(336, Picture::Esp, Face::Down);
        add(364, Picture::Esp, Face::Disabled);
        add(327, Picture::Hidden, Face::Up);
        add(325, Picture::Hidden, Face::Down);
        add(353, Picture::Hidden, Face::Disabled);
        add(330, Picture::Action, Face::Up);
        add(329, Picture::Action, Face::Down);
        add(366, Picture::Action, Face::Disabled);
        add(229, Picture::Options, Face::Up);
        add(230, Picture::Options, Face::Down);
        add(219, Picture::Help, Face::Up);
        add(220, Picture::Help, Face::Down);
        add(334, Picture::Save, Face::Up);
        add(333, Picture::Save, Face::Down);
        add(365, Picture::Save, Face::Disabled);
        return s;
    }();
    return specs;
}

// Figures are drawn on a 32 x 32 grid and scaled for the small buttons.
void DrawFigure(QPainter& p, const Spec& spec, const QColor& ink, const QColor& accent) {
    QPen pen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto person = [&p, &ink](double x, double y, double s) {
        p.setBrush(ink);
        p.drawEllipse(QPointF(x, y), 2.6 * s, 2.6 * s);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(x, y + 3 * s), QPointF(x, y + 10 * s));
        p.drawLine(QPointF(x - 4 * s, y + 6 * s), QPointF(x + 4 * s, y + 6 * s));
        p.drawLine(QPointF(x, y + 10 * s), QPointF(x - 3.5 * s, y + 15 * s));
        p.drawLine(QPointF(x, y + 10 * s), QPointF(x + 3.5 * s, y + 15 * s));
    };
    auto arrowHead = [&p](QPointF tip, double angleDeg, double size) {
        const double a = angleDeg * M_PI / 180.0;
        const QPointF l(tip.x() - size * std::cos(a - 0.5), tip.y() - size * std::sin(a - 0.5));
        const QPointF r(tip.x() - size * std::cos(a + 0.5), tip.y() - size * std::sin(a + 0.5));
        p.drawLine(tip, l);
        p.drawLine(tip, r);
    };
    switch (spec.picture) {
    case Picture::Door: {
        p.setBrush(QColor(150, 100, 50));
        p.drawRect(QRectF(5, 5, 13, 22));
        p.setBrush(QColor(255, 230, 150));
        p.drawPolygon(QPolygonF({QPointF(7, 7), QPointF(16, 9), QPointF(16, 25), QPointF(7, 26)}));
        p.setPen(QPen(accent, 2.2, Qt::SolidLine, Qt::RoundCap));
        // running figure leaving through the door
        p.setBrush(accent);
        p.drawEllipse(QPointF(24, 9), 2.6, 2.6);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(23, 12), QPointF(21, 19));
        p.drawLine(QPointF(21, 19), QPointF(26, 25));
        p.drawLine(QPointF(21, 19), QPointF(17, 24));
        p.drawLine(QPointF(18, 14), QPointF(27, 16));
        break;
    }
    case Picture::Hidden:
        p.drawRect(QRectF(9, 9, 14, 14));
        break;
    case Picture::NavSet: {
        QFont font("DejaVu Sans");
        font.setPixelSize(15);
        font.setBold(true);
        p.setFont(font);
        p.setPen(accent);
        p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QString::number(spec.set));
        p.setPen(pen);
        arrowHead(QPointF(16, 3), -90, 4);
        arrowHead(QPointF(16, 29), 90, 4);
        arrowHead(QPointF(3, 16), 180, 4);
        arrowHead(QPointF(29, 16), 0, 4);
        break;
    }
    case Picture::Speed: {
        p.setPen(QPen(ink, 1));
        for (int i = 0; i < 5; ++i) {
            const double h = 4 + i * 4.5;
            const QRectF bar(4 + i * 5.2, 27 - h, 4, h);
            p.setBrush(i <= spec.level ? accent : QColor(255, 255, 255, 120));
            p.drawRect(bar);
        }
        break;
    }
    case Picture::Walk:
        p.setBrush(ink);
        p.drawEllipse(QRectF(8, 15, 6, 11));
        p.drawEllipse(QRectF(18, 6, 6, 11));
        p.drawEllipse(QRectF(9, 27, 4, 2.5));
        p.drawEllipse(QRectF(19, 18, 4, 2.5));
        break;
    case Picture::Pan:
        p.drawLine(QPointF(16, 4), QPointF(16, 28));
        p.drawLine(QPointF(4, 16), QPointF(28, 16));
        arrowHead(QPointF(16, 4), -90, 5);
        arrowHead(QPointF(16, 28), 90, 5);
        arrowHead(QPointF(4, 16), 180, 5);
        arrowHead(QPointF(28, 16), 0, 5);
        break;
    case Picture::Goto:
        p.drawEllipse(QPointF(16, 16), 10, 10);
        p.drawEllipse(QPointF(16, 16), 5, 5);
        p.setBrush(accent);
        p.drawEllipse(QPointF(16, 16), 1.8, 1.8);
        break;
    case Picture::Turn:
        p.drawArc(QRectF(6, 8, 20, 16), 30 * 16, 300 * 16);
        arrowHead(QPointF(24.5, 11), -60, 5);
        break;
    case Picture::Roll:
        p.drawEllipse(QRectF(11, 5, 10, 22));
        p.drawArc(QRectF(4, 10, 24, 12), 200 * 16, 140 * 16);
        arrowHead(QPointF(27, 17), 80, 5);
        break;
    case Picture::Study:
        p.drawEllipse(QPointF(13, 13), 7, 7);
        p.setPen(QPen(ink, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18, 18), QPointF(27, 27));
        break;
    case Picture::Revert:
        p.drawPolygon(QPolygonF({QPointF(4, 16), QPointF(16, 5), QPointF(28, 16)}));
        p.drawRect(QRectF(8, 16, 16, 11));
        p.setBrush(accent);
        p.drawRect(QRectF(14, 20, 5, 7));
        break;
    case Picture::StraightUp:
        p.drawLine(QPointF(4, 24), QPointF(28, 24));
        p.drawLine(QPointF(16, 22), QPointF(16, 5));
        arrowHead(QPointF(16, 5), -90, 6);
        break;
    case Picture::Who:
        person(11, 6, 1.0);
        p.setPen(QPen(accent, 2.2, Qt::SolidLine, Qt::RoundCap));
        person(22, 9, 0.9);
        break;
    case Picture::Esp: {
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(4, 5, 20, 13), 4, 4);
        p.drawPath(bubble);
        p.drawLine(QPointF(9, 18), QPointF(7, 23));
        p.setPen(QPen(accent, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath second;
        second.addRoundedRect(QRectF(13, 15, 15, 10), 4, 4);
        p.drawPath(second);
        p.drawLine(QPointF(24, 25), QPointF(26, 29));
        break;
    }
    case Picture::Action:
        p.setBrush(ink);
        p.drawEllipse(QPointF(16, 7), 3, 3);
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(16, 10), QPointF(16, 20));
        p.drawLine(QPointF(16, 13), QPointF(8, 6));
        p.drawLine(QPointF(16, 13), QPointF(24, 6));
        p.drawLine(QPointF(16, 20), QPointF(11, 28));
        p.drawLine(QPointF(16, 20), QPointF(21, 28));
        p.setPen(QPen(accent, 1.6));
        p.drawArc(QRectF(3, 2, 26, 16), 20 * 16, 140 * 16);
        break;
    case Picture::Options:
    case Picture::Help: {
        QFont font("DejaVu Sans");
        font.setPixelSize(24);
        font.setBold(true);
        p.setFont(font);
        p.setPen(accent);
        p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, spec.picture == Picture::Options ? "!" : "?");
        break;
    }
    case Picture::Save:
        p.setBrush(accent);
        p.drawRect(QRectF(5, 5, 22, 22));
        p.setBrush(QColor(240, 240, 240));
        p.drawRect(QRectF(10, 5, 12, 8));
        p.drawRect(QRectF(9, 18, 14, 9));
        break;
    }
}

QImage Render(const Spec& spec) {
    const bool small = spec.picture == Picture::Options || spec.picture == Picture::Help;
    const int size = small ? 16 : 32;
    QImage image(size, size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const bool down = spec.face == Face::Down;
    const bool disabled = spec.face == Face::Disabled;
    QLinearGradient bg(0, 0, 0, size);
    bg.setColorAt(0, down ? QColor(170, 180, 200) : QColor(236, 238, 244));
    bg.setColorAt(1, down ? QColor(200, 208, 224) : QColor(200, 204, 214));
    p.fillRect(image.rect(), bg);
    // Raised when up, sunken when down.
    const QColor light(255, 255, 255), dark(110, 110, 120);
    p.setPen(down ? dark : light);
    p.drawLine(0, 0, size - 1, 0);
    p.drawLine(0, 0, 0, size - 1);
    p.setPen(down ? light : dark);
    p.drawLine(0, size - 1, size - 1, size - 1);
    p.drawLine(size - 1, 0, size - 1, size - 1);

    const QColor ink = disabled ? QColor(150, 150, 150) : QColor(30, 40, 70);
    QColor accent = spec.set == 2 ? QColor(30, 110, 200) : QColor(220, 90, 40);
    if (spec.picture == Picture::Door) accent = QColor(40, 140, 60);
    if (disabled) accent = QColor(175, 175, 175);
    p.save();
    if (down) p.translate(1, 1);
    p.scale(size / 32.0, size / 32.0);
    DrawFigure(p, spec, ink, accent);
    p.restore();
    return image;
}

}  // namespace

QImage ToolbarImages::Image(int resourceId) {
    static QHash<int, QImage> cache;
    if (auto it = cache.find(resourceId); it != cache.end()) return *it;
    auto spec = Specs().find(resourceId);
    if (spec == Specs().end()) return {};
    const QImage image = Render(*spec);
    cache.insert(resourceId, image);
    return image;
}

QImage ToolbarImages::Logo() {
    static const QImage logo = [] {
        QImage image(122, 58, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 8, 0, 44);
        g.setColorAt(0, QColor(255, 200, 90));
        g.setColorAt(1, QColor(235, 90, 140));
        QFont font("DejaVu Sans");
        font.setPixelSize(24);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QPen(QBrush(g), 1));
        p.drawText(QRect(4, 4, 114, 34), Qt::AlignCenter, QString::fromUtf8("Moneko♪"));
        QFont small("DejaVu Sans");
        small.setPixelSize(11);
        p.setFont(small);
        p.setPen(QColor(150, 200, 255));
        p.drawText(QRect(4, 36, 114, 18), Qt::AlignCenter, QStringLiteral("3D chat world"));
        return image;
    }();
    return logo;
}

}  // namespace plexa
