#pragma once
// The print dialog "Печать" of the graph windows: a page-shaped preview with the printer's
// proportions holding a picture of the chart, which the operator moves and resizes with the mouse
// or stretches over the printable area and may give another background colour; "Печать" prints
// the picture at the same place and size on the printer's page.
//
// Without a printer known to the system the dialog refuses with "Принтер не обнаружен", unless it
// prints into a PDF file: the file named by the constructor (tests) or, when that is empty, by the
// environment variable DRUMO_PRINT_PDF (operators without a printer). The PDF printer then takes
// the place of the system's printer, with an A4 page.

#include <QColor>
#include <QDialog>
#include <QPicture>
#include <QPointer>
#include <QString>

#include <memory>

#include "base/Services.h"
#include "views/PrintLayout.h"

class QComboBox;
class QPainter;
class QPrinter;
class QToolButton;

namespace drumo {

class Chart;

class TMFPrintDlg : public QDialog {
    Q_OBJECT
public:
    explicit TMFPrintDlg(Operator& op, const QString& pdfFile = {}, QWidget* parent = nullptr);
    ~TMFPrintDlg() override;

    static constexpr int Side = 500;

    // The print actions' entry point: the chart's picture in the preview, the dialog shown.
    void PrintGraph(Chart& chart);

    // --- The controls' actions.
    void Print();                          // "Печать"
    void Refresh();                        // "Обновить": the chart may have changed
    void SetBackground(const QColor& colour);  // the swatch
    void SetStretched(bool on);            // "Нормальный" / "Растянуть"
    void SetupPrinter();                   // "Принтер"

    // The page as "Печать" sends it: the picture in its printed rectangle of a page of
    // pageWidth x pageHeight device pixels.
    void PaintPage(QPainter& painter, int pageWidth, int pageHeight) const;

    const PrintLayout& Layout() const { return layout_; }
    QPrinter& Printer() { return *printer_; }
    bool PrintsToPdf() const { return !pdfFile_.isEmpty(); }

private:
    class Preview;

    bool PrinterKnown() const;
    QString PrinterName() const;
    QSize PageSize() const;  // printer pixels
    void DrawPicture();
    void PaintPicture(QPainter& painter, const PixelRect& place) const;

    Operator& operator_;
    QString pdfFile_;
    std::unique_ptr<QPrinter> printer_;
    PrintLayout layout_;
    QPointer<Chart> chart_;
    QPicture picture_;
    QColor background_ = Qt::white;

    Preview* preview_ = nullptr;
    QToolButton* swatch_ = nullptr;
    QComboBox* mode_ = nullptr;
};

}  // namespace drumo
