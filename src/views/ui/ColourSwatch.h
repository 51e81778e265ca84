#pragma once
// A small round-cornered square showing a colour; releasing the mouse on it asks for a new one.
// Also the conversion between the program's colour values (0x00BBGGRR) and Qt colours.

#include <QColor>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include "model/Colors.h"

namespace drumo {

inline QColor ToQColor(Color colour) {
    const Rgb rgb = ColorToRgb(colour);
    return QColor(rgb.R, rgb.G, rgb.B);
}

inline Color FromQColor(const QColor& colour) {
    return RgbColor(static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                    static_cast<uint8_t>(colour.blue()));
}

class ColourSwatch : public QWidget {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetColour(const QColor& colour) {
        colour_ = colour;
        update();
    }
    QColor Colour() const { return colour_; }

signals:
    void Released();

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(colour_);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->pos())) emit Released();
    }

private:
    QColor colour_ = Qt::red;
};

}  // namespace drumo
