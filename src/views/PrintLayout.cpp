#include "views/PrintLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace drumo {

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

// Margins of the preview area around the page frame.
constexpr int FrameInset = 4;
// How near the right and bottom edges a press resizes instead of moving.
constexpr int WidthGrip = 7;
constexpr int HeightGrip = 5;
// The outline never gets smaller than this; a result below the taken minimum is refused.
constexpr int MinDragWidth = 18, MinDragHeight = 14;
constexpr int MinTakenWidth = 19, MinTakenHeight = 15;

}  // namespace

PixelRect FitProportion(double q, const PixelRect& area) {
    if (!(q > 0)) return {area.Left, area.Top, 0, 0};
    const int h = Round(area.Width / q);
    if (area.Height < h) {
        const int w = Round(q * area.Height);
        return {area.Left + (area.Width - w) / 2, area.Top, w, area.Height};
    }
    return {area.Left, area.Top + (area.Height - h) / 2, area.Width, h};
}

PixelSize PictureSize(int chartWidth, int chartHeight) {
    if (chartWidth <= 0 || chartHeight <= 0) return {100, 75};
    if (chartWidth >= 100 && chartHeight >= 75) return {chartWidth, chartHeight};
    const double factor = std::max(100.0 / chartWidth, 75.0 / chartHeight);
    return {static_cast<int>(std::trunc(chartWidth * factor)) + 1,
            static_cast<int>(std::trunc(chartHeight * factor)) + 1};
}

PixelRect PrintableArea(const PixelRect& frame) {
    const int mx = std::max(1, Round(frame.Width * 0.1));
    const int my = std::max(1, Round(frame.Height * 0.1));
    return {frame.Left + mx, frame.Top + my, frame.Width - 2 * mx, frame.Height - 2 * my};
}

bool ProportionChanged(PixelSize before, PixelSize now) {
    if (before.Width <= 0 || before.Height <= 0 || now.Width <= 0 || now.Height <= 0) return true;
    const double ratio = (double(now.Width) / now.Height) / (double(before.Width) / before.Height);
    return std::abs(ratio - 1) > 0.02;
}

PixelSize DrawingSize(PixelSize picture, bool stretched, const PixelRect& printable) {
    if (!stretched || printable.Width <= 0 || printable.Height <= 0) return picture;
    const double p = double(printable.Width) / printable.Height;
    if (picture.Height < picture.Width)
        picture.Height = Round(picture.Width / p);
    else
        picture.Width = Round(p * picture.Height);
    return picture;
}

PixelRect PrintedRect(const PixelRect& place, const PixelRect& frame, int pageWidth, int pageHeight) {
    if (frame.Width <= 0 || frame.Height <= 0) return {};
    const double sx = double(pageWidth) / frame.Width, sy = double(pageHeight) / frame.Height;
    return {Round(sx * (place.Left - frame.Left)), Round(sy * (place.Top - frame.Top)), Round(sx * place.Width),
            Round(sy * place.Height)};
}

// --- The dialog's layout ---------------------------------------------------------------------

void PrintLayout::TakeChart(int chartWidth, int chartHeight) {
    previous_ = picture_;
    picture_ = PictureSize(chartWidth, chartHeight);
}

void PrintLayout::ArrangeForChart(int pageWidth, int pageHeight) {
    if (firstUse_ || (!stretched_ && ProportionChanged(previous_, picture_))) {
        LayOutPage(pageWidth, pageHeight);
        PlacePicture();
        firstUse_ = false;
    }
}

void PrintLayout::LayOutPage(int pageWidth, int pageHeight) {
    const PixelRect inner{preview_.Left + FrameInset, preview_.Top + FrameInset, preview_.Width - 2 * FrameInset,
                          preview_.Height - 2 * FrameInset};
    frame_ = pageHeight > 0 ? FitProportion(double(pageWidth) / pageHeight, inner) : inner;
    printable_ = PrintableArea(frame_);
}

void PrintLayout::PlacePicture() {
    if (stretched_ || picture_.Height <= 0)
        place_ = printable_;
    else
        place_ = FitProportion(double(picture_.Width) / picture_.Height, printable_);
}

void PrintLayout::SetStretched(bool on) {
    stretched_ = on;
    PlacePicture();
}

bool PrintLayout::PrinterChanged(int oldPageWidth, int oldPageHeight, int pageWidth, int pageHeight) {
    LayOutPage(pageWidth, pageHeight);
    if (oldPageWidth == pageWidth || oldPageHeight == pageHeight) return false;
    PlacePicture();
    return stretched_;
}

// --- Mouse -----------------------------------------------------------------------------------

PictureGrip PrintLayout::GripAt(int x, int y) const {
    const PixelRect& r = place_;
    if (std::abs(x - r.Right()) <= WidthGrip && y >= r.Top && y <= r.Bottom()) return PictureGrip::ResizeWidth;
    if (std::abs(y - r.Bottom()) <= HeightGrip && x >= r.Left && x <= r.Right()) return PictureGrip::ResizeHeight;
    if (x >= r.Left && x < r.Right() && y >= r.Top && y < r.Bottom()) return PictureGrip::Move;
    return PictureGrip::None;
}

bool PrintLayout::Press(int x, int y) {
    grip_ = GripAt(x, y);
    pressX_ = x;
    pressY_ = y;
    pressed_ = outline_ = place_;
    return grip_ != PictureGrip::None;
}

PixelRect PrintLayout::Drag(int x, int y) {
    const int dx = x - pressX_, dy = y - pressY_;
    switch (grip_) {
    case PictureGrip::None: break;
    case PictureGrip::Move:
        outline_.Left = std::clamp(pressed_.Left + dx, frame_.Left, std::max(frame_.Left, frame_.Right() - pressed_.Width));
        outline_.Top = std::clamp(pressed_.Top + dy, frame_.Top, std::max(frame_.Top, frame_.Bottom() - pressed_.Height));
        break;
    case PictureGrip::ResizeWidth:
        if (auto r = ResizedWidth(dx)) outline_ = *r;
        break;
    case PictureGrip::ResizeHeight:
        if (auto r = ResizedHeight(dy)) outline_ = *r;
        break;
    }
    return outline_;
}

void PrintLayout::Release() {
    if (grip_ != PictureGrip::None) place_ = outline_;
    grip_ = PictureGrip::None;
}

// The height follows the width with the proportion the picture had when the button was pressed;
// a height past the frame's bottom is cut and the width follows it instead.
std::optional<PixelRect> PrintLayout::ResizedWidth(int dx) const {
    if (pressed_.Height <= 0) return std::nullopt;
    const double q = double(pressed_.Width) / pressed_.Height;
    const int roomW = frame_.Right() - pressed_.Left, roomH = frame_.Bottom() - pressed_.Top;
    int w = std::max(std::min(pressed_.Width + dx, roomW), MinDragWidth);
    int h = Round(w / q);
    if (h > roomH) {
        h = roomH;
        w = Round(h * q);
    }
    if (w > roomW || h > roomH || w < MinTakenWidth || h < MinTakenHeight) return std::nullopt;
    return PixelRect{pressed_.Left, pressed_.Top, w, h};
}

std::optional<PixelRect> PrintLayout::ResizedHeight(int dy) const {
    if (pressed_.Height <= 0) return std::nullopt;
    const double q = double(pressed_.Width) / pressed_.Height;
    const int roomW = frame_.Right() - pressed_.Left, roomH = frame_.Bottom() - pressed_.Top;
    int h = std::max(std::min(pressed_.Height + dy, roomH), MinDragHeight);
    int w = Round(h * q);
    if (w > roomW) {
        w = roomW;
        h = Round(w / q);
    }
    if (w > roomW || h > roomH || w < MinTakenWidth || h < MinTakenHeight) return std::nullopt;
    return PixelRect{pressed_.Left, pressed_.Top, w, h};
}

}  // namespace drumo
