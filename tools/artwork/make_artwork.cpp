// Draws the program's own artwork: the window background (a 1440 x 1280
// RGB JPEG) and the icon (a 128 x 128 RGBA PNG). Run it once and commit
// what it writes:  make_artwork OUTPUT_DIRECTORY
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <cmath>
#include <cstdio>

namespace {

// A beamed pair of eighth notes, in a 100 x 100 box.
QPainterPath note_pair()
{
    QPainterPath path;
    path.addEllipse(QRectF(8, 70, 26, 19));
    path.addEllipse(QRectF(58, 60, 26, 19));
    path.addRect(QRectF(29, 18, 5, 62));
    path.addRect(QRectF(79, 8, 5, 62));
    QPainterPath beam;
    beam.moveTo(29, 18);
    beam.lineTo(84, 8);
    beam.lineTo(84, 20);
    beam.lineTo(29, 30);
    beam.closeSubpath();
    return path.united(beam);
}

QImage background()
{
    QImage image(1440, 1280, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 1440, 1280);
    sky.setColorAt(0.0, QColor(0xF4, 0xF8, 0xFD));
    sky.setColorAt(0.55, QColor(0xE6, 0xEF, 0xFA));
    sky.setColorAt(1.0, QColor(0xEE, 0xE9, 0xF7));
    painter.fillRect(image.rect(), sky);

    // Soft light spots.
    QRandomGenerator random(4827150);
    for (int i = 0; i < 26; ++i) {
        const QPointF centre(random.bounded(1440), random.bounded(1280));
        const double radius = 40 + random.bounded(140);
        QRadialGradient glow(centre, radius);
        glow.setColorAt(0.0, QColor(255, 255, 255, 70));
        glow.setColorAt(1.0, QColor(255, 255, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(centre, radius, radius);
    }

    // A staff of five gently waving lines across the lower half.
    for (int line = 0; line < 5; ++line) {
        QPainterPath wave;
        for (int x = -20; x <= 1460; x += 8) {
            const double y = 820 + line * 26 + 60 * std::sin(x / 230.0) + 18 * std::sin(x / 71.0 + line * 0.3);
            if (x == -20) {
                wave.moveTo(x, y);
            } else {
                wave.lineTo(x, y);
            }
        }
        painter.setPen(QPen(QColor(0x6A, 0x8F, 0xC8, 46), 2.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(wave);
    }

    // A few faint notes drifting above the staff.
    const QPainterPath notes = note_pair();
    const QPointF places[] = {{180, 700}, {520, 610}, {930, 690}, {1220, 560}, {300, 1080}, {1100, 1040}};
    for (const QPointF& place : places) {
        painter.save();
        painter.translate(place);
        painter.rotate(random.bounded(30) - 15);
        painter.scale(0.9 + random.bounded(0.7), 0.9 + random.bounded(0.7));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x5B, 0x7F, 0xBF, 30));
        painter.drawPath(notes);
        painter.restore();
    }
    return image;
}

QImage icon()
{
    QImage image(128, 128, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient face(0, 0, 0, 128);
    face.setColorAt(0.0, QColor(0x5C, 0x9D, 0xF2));
    face.setColorAt(1.0, QColor(0x1E, 0x4F, 0xB8));
    painter.setPen(QPen(QColor(0x17, 0x3E, 0x93), 2));
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(5, 5, 118, 118), 26, 26);

    QLinearGradient shine(0, 5, 0, 64);
    shine.setColorAt(0.0, QColor(255, 255, 255, 110));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shine);
    painter.drawRoundedRect(QRectF(9, 8, 110, 56), 22, 22);

    painter.translate(20, 16);
    painter.scale(0.88, 0.88);
    painter.setBrush(Qt::white);
    painter.drawPath(note_pair());
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork OUTPUT_DIRECTORY\n");
        return 2;
    }
    const QString directory = QString::fromLocal8Bit(argv[1]);
    const bool written = background()
                             .convertToFormat(QImage::Format_RGB888)
                             .save(directory + QStringLiteral("/background.jpg"), "JPEG", 88) &&
                         icon().save(directory + QStringLiteral("/sonivane.png"), "PNG");
    return written ? 0 : 1;
}
