#include "app/ui/Lamp.h"

#include <QPainter>

namespace drumo {

Lamp::Lamp(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Lamp::SetColour(const QColor& colour) {
    colour_ = colour;
    repaint();
}

void Lamp::SetLit(bool lit) {
    lit_ = lit;
    repaint();  // at once: a polling pass keeps the event loop busy while the lamp is lit
}

QSize Lamp::sizeHint() const {
    return {14 + 3 + fontMetrics().horizontalAdvance(caption_) + 2, 16};
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor face = lit_ ? QColor(255, 240, 60) : colour_;
    QRadialGradient glow(QPointF(6, 6), 8);
    glow.setColorAt(0, face.lighter(160));
    glow.setColorAt(1, face.darker(lit_ ? 110 : 140));
    p.setBrush(glow);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawEllipse(QRectF(1, 2, 12, 12));
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(17, 0, width() - 17, height()), Qt::AlignVCenter | Qt::AlignLeft, caption_);
}

}  // namespace drumo
