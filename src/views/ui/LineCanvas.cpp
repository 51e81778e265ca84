#include "views/ui/ChartLine.h"

#include <cmath>
#include <limits>

namespace drumo {

LineCanvas::LineCanvas(QCustomPlot* plot, QCPAxisRect* rect) : QCPLayerable(plot), rect_(rect) {}

QRect LineCanvas::clipRect() const { return rect_->rect(); }

std::vector<ChartLine*> LineCanvas::Lines() const {
    std::vector<ChartLine*> lines;
    if (!layer()) return lines;
    for (QCPLayerable* item : layer()->children())
        if (auto* line = dynamic_cast<ChartLine*>(item); line && line->realVisibility()) lines.push_back(line);
    return lines;
}

std::vector<double> LineCanvas::Geometry() const {
    const QRect r = rect_->rect();
    std::vector<double> g{double(r.left()), double(r.top()), double(r.width()), double(r.height())};
    for (const QCPAxis* axis : rect_->axes()) {
        g.push_back(axis->range().lower);
        g.push_back(axis->range().upper);
        g.push_back(axis->rangeReversed() ? 1 : 0);
    }
    return g;
}

void LineCanvas::draw(QCPPainter* painter) {
    const std::vector<ChartLine*> lines = Lines();
    ChartLine::ForgetColumns();
    // Pictures for the clipboard, files and printers: every line, straight onto the target.
    if (painter->modes().testFlag(QCPPainter::pmVectorized) || painter->modes().testFlag(QCPPainter::pmNoCaching)) {
        for (ChartLine* line : lines) line->Paint(painter);
        // The lines now remember that picture's state, not the kept one's.
        valid_ = false;
        return;
    }
    if (lines.empty()) {
        valid_ = false;
        return;
    }
    const QRect area = rect_->rect();
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize size(qCeil(area.width() * ratio), qCeil(area.height() * ratio));
    std::vector<double> geometry = Geometry();
    bool whole = !valid_ || geometry != geometry_ || image_.size() != size;
    // The band at the right that new samples changed; every line is drawn again within it, in
    // order, so that lines cross there as they would in a whole picture.
    double band = std::numeric_limits<double>::infinity();
    if (!whole)
        for (const ChartLine* line : lines) band = std::min(band, line->BandStart());
    if (band == -std::numeric_limits<double>::infinity()) whole = true;
    if (whole) {
        if (image_.size() != size) image_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
        image_.setDevicePixelRatio(ratio);
        image_.fill(Qt::transparent);
    }
    if (whole || band <= area.right()) {
        const int left = whole ? area.left() : std::max(area.left(), static_cast<int>(std::floor(band)));
        const QRect redrawn(left, area.top(), area.right() - left + 1, area.height());
        QCPPainter p(&image_);
        p.translate(-area.topLeft());
        p.setClipRect(redrawn);
        if (!whole) {
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.fillRect(redrawn, Qt::transparent);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        for (ChartLine* line : lines) line->Paint(&p, whole ? std::nan("") : double(left));
    }
    if (whole) ++wholeDraws_;
    geometry_ = std::move(geometry);
    valid_ = true;
    painter->drawImage(area.topLeft(), image_);
}

}  // namespace drumo
