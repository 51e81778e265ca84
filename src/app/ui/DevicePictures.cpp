#include "app/ui/DevicePictures.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace drumo {

namespace {

constexpr int S = DevicePictureSize;

// How one model looks: an enclosure with a front panel, cable glands along its lower edge with a
// cable hanging from each, and the features that tell the families apart.
struct Look {
    QColor body;
    QString name;
    int glands = 1;
    bool display = false;   // a numeric display on the front
    bool keypad = false;    // buttons under the display
    bool card = false;      // a memory card slot
    bool antenna = false;   // a radio antenna on top
    bool question = false;  // a device the program does not know
};

QImage Blank() {
    QImage image(S, S, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void DrawBody(QPainter& p, const Look& look, const QRectF& box) {
    // Shadow, then the enclosure with a soft vertical shading.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRoundedRect(box.translated(4, 4), 10, 10);
    QLinearGradient shade(box.topLeft(), box.bottomLeft());
    shade.setColorAt(0, look.body.lighter(135));
    shade.setColorAt(1, look.body.darker(120));
    p.setBrush(shade);
    p.setPen(QPen(look.body.darker(170), 1.5));
    p.drawRoundedRect(box, 10, 10);
    // Lid screws in the corners.
    p.setBrush(QColor(200, 200, 205));
    p.setPen(QPen(QColor(90, 90, 95), 1));
    for (QPointF c : {box.topLeft() + QPointF(9, 9), box.topRight() + QPointF(-9, 9),
                      box.bottomLeft() + QPointF(9, -9), box.bottomRight() + QPointF(-9, -9)})
        p.drawEllipse(c, 3, 3);
}

void DrawGlands(QPainter& p, const Look& look, const QRectF& box) {
    const double step = box.width() / (look.glands + 1);
    for (int i = 1; i <= look.glands; ++i) {
        const double x = box.left() + step * i;
        // The cable first, so the gland covers its end.
        QPainterPath cable;
        cable.moveTo(x, box.bottom() + 6);
        cable.cubicTo(x, box.bottom() + 22, x + (i % 2 ? 8 : -8), S - 14, x + (i % 2 ? 4 : -4), S);
        p.setPen(QPen(QColor(40, 40, 40), 4, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(cable);
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(120, 120, 125));
        p.drawRect(QRectF(x - 6, box.bottom() - 1, 12, 9));
    }
}

void DrawFront(QPainter& p, const Look& look, const QRectF& box) {
    double y = box.top() + 18;
    if (look.display) {
        const QRectF lcd(box.left() + 16, y, box.width() - 32, 30);
        p.setPen(QPen(QColor(30, 30, 30), 2));
        p.setBrush(QColor(150, 190, 120));
        p.drawRoundedRect(lcd, 3, 3);
        QFont digits(QStringLiteral("Monospace"));
        digits.setPixelSize(20);
        digits.setBold(true);
        p.setFont(digits);
        p.setPen(QColor(30, 50, 30));
        p.drawText(lcd, Qt::AlignCenter, QStringLiteral("21.5°"));
        y = lcd.bottom() + 8;
    }
    if (look.keypad) {
        for (int i = 0; i < 4; ++i) {
            p.setPen(QPen(QColor(40, 40, 40), 1));
            p.setBrush(i == 0 ? QColor(200, 60, 60) : QColor(230, 230, 230));
            p.drawEllipse(QPointF(box.left() + 30 + i * (box.width() - 60) / 3, y + 8), 6, 6);
        }
        y += 20;
    }
    if (look.card) {
        p.setPen(QPen(QColor(20, 20, 20), 1));
        p.setBrush(QColor(25, 25, 25));
        p.drawRect(QRectF(box.right() - 40, box.top() + 20, 24, 5));
    }
    // Status lamp above the name plate.
    p.setPen(QPen(QColor(20, 80, 20), 1));
    p.setBrush(QColor(60, 220, 60));
    p.drawEllipse(QPointF(box.left() + 14, box.bottom() - 32), 4, 4);
    // Model name on a light plate across the lower part of the front.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    const QRectF plate(box.left() + 6, box.bottom() - 25, box.width() - 12, 17);
    while (font.pixelSize() > 7 && QFontMetricsF(font).horizontalAdvance(look.name) > plate.width() - 4)
        font.setPixelSize(font.pixelSize() - 1);
    p.setFont(font);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawRoundedRect(plate, 3, 3);
    p.setPen(QColor(20, 20, 40));
    p.drawText(plate, Qt::AlignCenter, look.name);
    if (look.question) {
        QFont big;
        big.setPixelSize(56);
        big.setBold(true);
        p.setFont(big);
        p.setPen(QColor(70, 70, 70));
        p.drawText(QRectF(box.left(), box.top() + 4, box.width(), box.height() - 34), Qt::AlignCenter,
                   QStringLiteral("?"));
    }
}

QImage Draw(const Look& look, const QRectF& box) {
    QImage image = Blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (look.antenna) {
        p.setPen(QPen(QColor(30, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(box.right() - 22, box.top()), QPointF(box.right() - 22, 6));
        p.setBrush(QColor(30, 30, 30));
        p.drawEllipse(QPointF(box.right() - 22, 6), 3, 3);
    }
    DrawGlands(p, look, box);
    DrawBody(p, look, box);
    DrawFront(p, look, box);
    return image;
}

}  // namespace

QImage DevicePicture(int picture) {
    const QRectF controller(18, 14, 132, 112);
    const QRectF logger(26, 30, 116, 96);
    const QColor hexar(150, 155, 165), dorma(70, 120, 190), sevio(235, 160, 40);
    switch (picture) {
    case 0: return Blank();
    case 2: return Draw({hexar, QStringLiteral("Hexar-1/16"), 1, true, false}, controller);
    case 3: return Draw({hexar, QStringLiteral("Hexar-1/100"), 1, true, true}, controller);
    case 4: return Draw({dorma, QStringLiteral("Dorma-1/100"), 1, true, false}, controller);
    case 5: return Draw({dorma, QStringLiteral("Dorma-2/200"), 2, true, false}, controller);
    case 6: return Draw({dorma, QStringLiteral("Dorma-4/200"), 4, true, false}, controller);
    case 7: return Draw({dorma, QStringLiteral("Dorma-6/200"), 6, true, false}, controller);
    case 8: return Draw({sevio, QStringLiteral("Sevio-1/100-K"), 1, false, false, true}, logger);
    case 9:
        return Draw({sevio, QStringLiteral("Sevio-1/100-M"), 1, false, false, false, true}, logger);
    default: return Draw({QColor(190, 190, 190), QStringLiteral("Unknown"), 1, false, false, false,
                          false, true},
                         controller);
    }
}

}  // namespace drumo
