#pragma once
// The arithmetic of the print dialog "Печать": a page-shaped frame with the printer's proportions
// inside the preview area, the printable area inside it, and the place of the chart's picture,
// which the operator moves and resizes with the mouse or stretches over the printable area.
// "Печать" maps the picture's place from the frame to the printer's page. All in whole pixels.

#include <optional>

namespace drumo {

struct PixelRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
    bool operator==(const PixelRect&) const = default;
};

struct PixelSize {
    int Width = 0, Height = 0;
    bool operator==(const PixelSize&) const = default;
};

// A rectangle of proportion q (width / height) as large as fits into `area`, centred.
PixelRect FitProportion(double q, const PixelRect& area);
// The size the chart is drawn at: its size on screen, enlarged to at least 100 by 75 keeping the
// proportion (80 x 60 gives 101 x 76).
PixelSize PictureSize(int chartWidth, int chartHeight);
// The page frame less a margin of 10 % of its width at the sides and 10 % of its height at top
// and bottom, each at least 1 pixel.
PixelRect PrintableArea(const PixelRect& frame);
// True when the proportion of `now` differs from that of `before` by more than 2 %.
bool ProportionChanged(PixelSize before, PixelSize now);
// The size the picture is drawn at: the picture size, or when stretched that size adjusted to the
// printable area's proportion.
PixelSize DrawingSize(PixelSize picture, bool stretched, const PixelRect& printable);
// The picture's place mapped from the page frame to a printer page of pageWidth x pageHeight.
PixelRect PrintedRect(const PixelRect& place, const PixelRect& frame, int pageWidth, int pageHeight);

// What the mouse does over the picture.
enum class PictureGrip { None, Move, ResizeWidth, ResizeHeight };

class PrintLayout {
public:
    // `preview`: the area of the dialog that shows the page.
    explicit PrintLayout(const PixelRect& preview) : preview_(preview) {}

    // A chart is handed in: its picture size is taken; the previous one is kept for the
    // proportion rule. Before the first layout the printer's orientation follows the picture.
    void TakeChart(int chartWidth, int chartHeight);
    bool FirstUse() const { return firstUse_; }
    bool WantsLandscape() const { return picture_.Width > picture_.Height; }
    // Lays out the page and places the picture on first use, or when a normal picture's
    // proportion changed by more than 2 %; otherwise the operator's placement stays.
    void ArrangeForChart(int pageWidth, int pageHeight);

    // The page frame for the printer page's proportion.
    void LayOutPage(int pageWidth, int pageHeight);
    // The picture over the printable area (stretched) or fitted into it, centred.
    void PlacePicture();
    void SetStretched(bool on);
    // After the printer setup: the page laid out again; when both page sides changed the picture
    // is placed again. True when it must be drawn again (placed anew while stretched).
    bool PrinterChanged(int oldPageWidth, int oldPageHeight, int pageWidth, int pageHeight);

    PixelSize Picture() const { return picture_; }
    PixelRect Frame() const { return frame_; }
    PixelRect Printable() const { return printable_; }
    PixelRect Place() const { return place_; }
    PixelSize Drawing() const { return DrawingSize(picture_, stretched_, printable_); }
    PixelRect Printed(int pageWidth, int pageHeight) const { return PrintedRect(place_, frame_, pageWidth, pageHeight); }

    // --- Mouse (left button). What a press at (x, y) would do: near the right edge a width
    // resize, near the bottom edge a height resize, elsewhere on the picture a move.
    PictureGrip GripAt(int x, int y) const;
    // Starts a move or resize at (x, y); false when the press is not on the picture.
    bool Press(int x, int y);
    // The mouse moved to (x, y) with the button held: the dotted outline to show.
    PixelRect Drag(int x, int y);
    // The button was released: the picture takes the outline's place.
    void Release();
    bool Dragging() const { return grip_ != PictureGrip::None; }
    PixelRect Outline() const { return outline_; }

private:
    std::optional<PixelRect> ResizedWidth(int dx) const;
    std::optional<PixelRect> ResizedHeight(int dy) const;

    PixelRect preview_;
    PixelSize picture_;
    PixelSize previous_;
    PixelRect frame_;
    PixelRect printable_;
    PixelRect place_;
    bool stretched_ = false;
    bool firstUse_ = true;

    PictureGrip grip_ = PictureGrip::None;
    int pressX_ = 0, pressY_ = 0;
    PixelRect pressed_;
    PixelRect outline_;
};

}  // namespace drumo
