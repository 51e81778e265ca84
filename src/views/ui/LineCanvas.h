#pragma once
// Draws all lines of a chart. On screen it keeps their picture: while the axes stay where they
// are and the lines only receive new points, a redraw paints just the newest pixel columns over
// that picture instead of reading a month of samples again. Pictures for the clipboard and for
// printing draw every line afresh, as vectors where the target wants them.

#include <qcustomplot.h>

#include <QImage>

#include <vector>

namespace drumo {

class ChartLine;

class LineCanvas final : public QCPLayerable {
public:
    // Placed on the current layer of `plot`, which must hold the lines.
    LineCanvas(QCustomPlot* plot, QCPAxisRect* rect);

    // Something other than new points changed (a line's look, order or data): the next redraw
    // draws every line again.
    void Invalidate() { valid_ = false; }
    // For tests and measurements: how many redraws drew every line, and how many only a band.
    int WholeDraws() const { return wholeDraws_; }
    int BandDraws() const { return bandDraws_; }

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override {}
    QRect clipRect() const override;
    void draw(QCPPainter* painter) override;

private:
    // The visible lines in drawing order.
    std::vector<ChartLine*> Lines() const;
    // The plotting area and every axis's range and direction: the picture fits while these stay.
    std::vector<double> Geometry() const;

    QCPAxisRect* rect_;
    QImage image_;
    std::vector<double> geometry_;
    bool valid_ = false;
    int wholeDraws_ = 0;
    int bandDraws_ = 0;
};

}  // namespace drumo
