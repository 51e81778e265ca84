#include "views/ui/TMFPrintDlg.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include "views/ui/Chart.h"

namespace drumo {

namespace {

constexpr int PreviewWidth = 372;
constexpr int PreviewHeight = 492;
constexpr int ButtonsLeft = 382;
constexpr int ButtonWidth = 112;

QRect ToQRect(const PixelRect& r) { return {r.Left, r.Top, r.Width, r.Height}; }

void SwatchColour(QToolButton& swatch, const QColor& colour) {
    swatch.setStyleSheet(QStringLiteral("QToolButton { background: %1; border: 1px solid gray; }").arg(colour.name()));
}

}  // namespace

// The page preview: the page frame, the picture in its place, and the dotted outline that follows
// the mouse while the operator moves or resizes the picture.
class TMFPrintDlg::Preview final : public QWidget {
public:
    Preview(TMFPrintDlg& dialog, QWidget* parent) : QWidget(parent), dialog_(dialog) { setMouseTracking(true); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const PrintLayout& layout = dialog_.layout_;
        p.fillRect(rect(), palette().color(QPalette::Mid));
        p.fillRect(ToQRect(layout.Frame()), Qt::white);
        p.setPen(Qt::black);
        p.drawRect(ToQRect(layout.Frame()).adjusted(0, 0, -1, -1));
        p.setPen(QPen(Qt::lightGray, 0, Qt::DotLine));
        p.drawRect(ToQRect(layout.Printable()).adjusted(0, 0, -1, -1));
        dialog_.PaintPicture(p, layout.Place());
        if (layout.Dragging()) {
            p.setPen(QPen(Qt::black, 0, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(ToQRect(layout.Outline()).adjusted(0, 0, -1, -1));
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && dialog_.layout_.Press(e->pos().x(), e->pos().y())) update();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        PrintLayout& layout = dialog_.layout_;
        if (layout.Dragging()) {
            layout.Drag(e->pos().x(), e->pos().y());
            update();
            return;
        }
        switch (layout.GripAt(e->pos().x(), e->pos().y())) {
        case PictureGrip::ResizeWidth: setCursor(Qt::SizeHorCursor); break;
        case PictureGrip::ResizeHeight: setCursor(Qt::SizeVerCursor); break;
        default: setCursor(Qt::ArrowCursor); break;
        }
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !dialog_.layout_.Dragging()) return;
        dialog_.layout_.Release();
        update();
    }

private:
    TMFPrintDlg& dialog_;
};

TMFPrintDlg::TMFPrintDlg(Operator& op, const QString& pdfFile, QWidget* parent)
    : QDialog(parent),
      operator_(op),
      pdfFile_(pdfFile.isEmpty() ? qEnvironmentVariable("DRUMO_PRINT_PDF") : pdfFile),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      layout_({0, 0, PreviewWidth, PreviewHeight}) {
    setObjectName(QStringLiteral("MFPrintDlg"));
    setFixedSize(Side, Side);
    if (PrintsToPdf()) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setOutputFileName(pdfFile_);
        printer_->setPageSize(QPageSize(QPageSize::A4));
    }

    preview_ = new Preview(*this, this);
    preview_->setObjectName(QStringLiteral("Preview"));
    preview_->setGeometry(4, 4, PreviewWidth, PreviewHeight);

    int top = 8;
    const auto button = [&](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(QString::fromUtf8(hint));
        b->setGeometry(ButtonsLeft, top, ButtonWidth, 26);
        top += 34;
        return b;
    };
    connect(button("btnPrinter", "Принтер", "Настройка принтера"), &QPushButton::clicked, this,
            &TMFPrintDlg::SetupPrinter);
    connect(button("btnPrint", "Печать", "Вывести на печать с текущими\r\nнастройками принтера"),
            &QPushButton::clicked, this, &TMFPrintDlg::Print);
    connect(button("btnRefresh", "Обновить", "Обновить изображение"), &QPushButton::clicked, this,
            &TMFPrintDlg::Refresh);

    swatch_ = new QToolButton(this);
    swatch_->setObjectName(QStringLiteral("ShapeFon"));
    swatch_->setToolTip(QStringLiteral("Цвет фона"));
    swatch_->setGeometry(ButtonsLeft, top, ButtonWidth, 22);
    SwatchColour(*swatch_, background_);
    connect(swatch_, &QToolButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(background_, this);
        if (chosen.isValid()) SetBackground(chosen);
    });
    top += 30;

    mode_ = new QComboBox(this);
    mode_->setObjectName(QStringLiteral("cbStretch"));
    mode_->addItems({QStringLiteral("Нормальный"), QStringLiteral("Растянуть")});
    mode_->setGeometry(ButtonsLeft, top, ButtonWidth, 24);
    connect(mode_, &QComboBox::activated, this, [this](int index) { SetStretched(index == 1); });

    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setGeometry(ButtonsLeft, Side - 38, ButtonWidth, 26);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

TMFPrintDlg::~TMFPrintDlg() = default;

bool TMFPrintDlg::PrinterKnown() const { return PrintsToPdf() || !QPrinterInfo::availablePrinters().isEmpty(); }

QString TMFPrintDlg::PrinterName() const {
    // The setup dialog may have turned a printer into a file or back.
    if (printer_->outputFormat() == QPrinter::PdfFormat) return QFileInfo(printer_->outputFileName()).fileName();
    return printer_->printerName();
}

QSize TMFPrintDlg::PageSize() const { return printer_->pageRect(QPrinter::DevicePixel).size().toSize(); }

void TMFPrintDlg::PrintGraph(Chart& chart) {
    if (!PrinterKnown()) {
        operator_.Error("Принтер не обнаружен");
        return;
    }
    setWindowTitle(PrinterName());
    chart_ = &chart;
    layout_.TakeChart(chart.width(), chart.height());
    if (layout_.FirstUse())
        printer_->setPageOrientation(layout_.WantsLandscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
    const QSize page = PageSize();
    layout_.ArrangeForChart(page.width(), page.height());
    DrawPicture();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(Side / 2, Side / 2));
    show();
    raise();
    activateWindow();
}

void TMFPrintDlg::DrawPicture() {
    if (!chart_) return;
    const PixelSize size = layout_.Drawing();
    picture_ = chart_->VectorPicture(QSize(size.Width, size.Height), background_);
    preview_->update();
}

void TMFPrintDlg::PaintPicture(QPainter& painter, const PixelRect& place) const {
    const PixelSize size = layout_.Drawing();
    if (picture_.isNull() || size.Width <= 0 || size.Height <= 0) return;
    painter.save();
    painter.translate(place.Left, place.Top);
    painter.scale(double(place.Width) / size.Width, double(place.Height) / size.Height);
    // A picture played on a device of another resolution (a printer's 1200 dpi against the
    // screen's 96) is enlarged by the ratio of the two; the place is already in the device's
    // pixels, so that enlargement is taken back.
    if (const QPaintDevice* device = painter.device(); device && device->logicalDpiX() > 0 && device->logicalDpiY() > 0)
        painter.scale(double(picture_.logicalDpiX()) / device->logicalDpiX(),
                      double(picture_.logicalDpiY()) / device->logicalDpiY());
    painter.drawPicture(0, 0, picture_);
    painter.restore();
}

void TMFPrintDlg::PaintPage(QPainter& painter, int pageWidth, int pageHeight) const {
    PaintPicture(painter, layout_.Printed(pageWidth, pageHeight));
}

void TMFPrintDlg::Refresh() { DrawPicture(); }

void TMFPrintDlg::SetBackground(const QColor& colour) {
    background_ = colour;
    SwatchColour(*swatch_, colour);
    DrawPicture();
}

void TMFPrintDlg::SetStretched(bool on) {
    mode_->setCurrentIndex(on ? 1 : 0);
    layout_.SetStretched(on);
    DrawPicture();
}

void TMFPrintDlg::SetupPrinter() {
    const QSize before = PageSize();
    QPrintDialog dialog(printer_.get(), this);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted) return;
    setWindowTitle(PrinterName());
    const QSize after = PageSize();
    if (layout_.PrinterChanged(before.width(), before.height(), after.width(), after.height())) DrawPicture();
    preview_->update();
}

void TMFPrintDlg::Print() {
    if (!chart_ || picture_.isNull()) return;
    const QSize page = PageSize();
    // A printer that cannot start or finish the page (no access, a file that cannot be written) is
    // reported; the operator would otherwise wait for a page that never comes.
    QPainter painter;
    if (!painter.begin(printer_.get())) {
        operator_.Error("Не удалось начать печать на принтере " + PrinterName().toStdString());
        return;
    }
    PaintPage(painter, page.width(), page.height());
    if (!painter.end()) operator_.Error("Не удалось напечатать на принтере " + PrinterName().toStdString());
}

}  // namespace drumo
