// The print dialog "Печать" with a PDF file as its printer: the preview, the placement kept
// between uses, and a real page that holds the picture where the preview put it.

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>

#include "support/ScriptedOperator.h"
#include "support/Widgets.h"
#include "views/ui/Chart.h"
#include "views/ui/TMFPrintDlg.h"

using namespace drumo;

namespace {

struct ShownChart {
    Chart chart;
    ShownChart(int w, int h) {
        chart.resize(w, h);
        chart.SetAxisRange(ChartAxis::Bottom, 0, 10);
        chart.SetAxisRange(ChartAxis::Left, -50, 50);
        const int line = chart.AddLine(Qt::red);
        for (int i = 0; i <= 10; ++i) chart.AppendPoint(line, i, i * 5 - 25);
        chart.ReplotNow();
    }
};

// Share of the pixels in `r` that are the given colour (roughly).
double ShareOf(const QImage& image, const QRect& r, const QColor& colour) {
    int hits = 0, all = 0;
    for (int y = r.top(); y <= r.bottom(); y += 2)
        for (int x = r.left(); x <= r.right(); x += 2, ++all) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) < 40)
                ++hits;
        }
    return all ? double(hits) / all : 0;
}

}  // namespace

class PrintDialogTest : public QObject {
    Q_OBJECT

private slots:
    void thePageHoldsThePictureWhereThePreviewPutIt() {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("graph.pdf"));
        test::ScriptedOperator op;
        TMFPrintDlg dialog(op, pdf);
        ShownChart shown(600, 400);
        dialog.PrintGraph(shown.chart);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("graph.pdf"));
        QCOMPARE(dialog.size(), QSize(500, 500));
        QCOMPARE(dialog.Printer().pageLayout().orientation(), QPageLayout::Landscape);

        // The operator drags the picture to the frame's top left corner and gives it a blue field.
        const PixelRect frame = dialog.Layout().Frame();
        QWidget& preview = test::Child<QWidget>(dialog, "Preview");
        const PixelRect place = dialog.Layout().Place();
        QTest::mousePress(&preview, Qt::LeftButton, {}, QPoint(place.Left + 20, place.Top + 20));
        QTest::mouseMove(&preview, QPoint(place.Left - 200, place.Top - 200));
        QTest::mouseRelease(&preview, Qt::LeftButton, {}, QPoint(place.Left - 200, place.Top - 200));
        QCOMPARE(dialog.Layout().Place().Left, frame.Left);
        QCOMPARE(dialog.Layout().Place().Top, frame.Top);
        dialog.SetBackground(Qt::blue);

        // The page: blue inside the printed rectangle, white beyond it, on a page of the screen's
        // resolution and on one of a printer's, where the picture must not come out enlarged.
        for (const int dpi : {96, 1200}) {
            QImage page(842, 595, QImage::Format_RGB32);
            page.setDotsPerMeterX(qRound(dpi / 0.0254));
            page.setDotsPerMeterY(qRound(dpi / 0.0254));
            page.fill(Qt::white);
            {
                QPainter painter(&page);
                dialog.PaintPage(painter, page.width(), page.height());
            }
            const PixelRect printed = dialog.Layout().Printed(page.width(), page.height());
            QCOMPARE(printed.Left, 0);
            QCOMPARE(printed.Top, 0);
            const QRect inside(printed.Left, printed.Top, printed.Width, printed.Height);
            QVERIFY2(ShareOf(page, inside, Qt::blue) > 0.4, qPrintable(QString("%1 dpi: field fills the rectangle").arg(dpi)));
            QCOMPARE(ShareOf(page, QRect(inside.right() + 5, inside.bottom() + 5, 100, 60), Qt::white), 1.0);
        }

        dialog.Print();
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.size() > 2000);
        QCOMPARE(file.read(5), QByteArray("%PDF-"));
        QVERIFY(op.messages.empty());

        // The same chart again keeps the operator's place; one of another proportion is placed
        // anew, and a small one is drawn enlarged.
        dialog.PrintGraph(shown.chart);
        QCOMPARE(dialog.Layout().Place().Left, frame.Left);
        ShownChart tall(80, 60);
        dialog.PrintGraph(tall.chart);
        QCOMPARE(dialog.Layout().Picture(), (PixelSize{101, 76}));
        QVERIFY(dialog.Layout().Place().Left > frame.Left);
    }

    void theChartOnScreenLooksTheSameAfterThePrintDialog() {
        QTemporaryDir dir;
        test::ScriptedOperator op;
        TMFPrintDlg dialog(op, dir.filePath(QStringLiteral("graph.pdf")));
        ShownChart shown(400, 300);
        shown.chart.show();
        shown.chart.ReplotNow();
        const QImage before = shown.chart.grab().toImage();
        dialog.PrintGraph(shown.chart);
        dialog.SetBackground(Qt::yellow);
        // Redrawn after a pan there and back: nothing of the earlier picture may stay behind.
        shown.chart.SetAxisRange(ChartAxis::Bottom, 3, 13);
        shown.chart.ReplotNow();
        shown.chart.SetAxisRange(ChartAxis::Bottom, 0, 10);
        shown.chart.ReplotNow();
        QCOMPARE(shown.chart.grab().toImage(), before);
    }

    void aPageThatCannotBeWrittenIsReported() {
        test::ScriptedOperator op;
        TMFPrintDlg dialog(op, QStringLiteral("/nonexistent-folder/graph.pdf"));
        ShownChart shown(400, 300);
        dialog.PrintGraph(shown.chart);
        dialog.Print();
        QCOMPARE(op.Shown(), std::vector<std::string>{"error: Не удалось начать печать на принтере graph.pdf"});
    }

    void withoutAPrinterOnlyTheErrorShows() {
        if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("this machine knows a printer");
        qunsetenv("DRUMO_PRINT_PDF");
        test::ScriptedOperator op;
        TMFPrintDlg dialog(op);
        ShownChart shown(400, 300);
        dialog.PrintGraph(shown.chart);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(op.Shown(), std::vector<std::string>{"error: Принтер не обнаружен"});
    }
};

QTEST_MAIN(PrintDialogTest)
#include "PrintDialogTest.moc"
