// Saves pictures of every window of the program into a folder (first argument, /tmp/drumo-shots
// by default), so that layouts, sizes and texts can be looked at without a desktop.

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QCheckBox>
#include <QSlider>
#include <QTabWidget>

#include "acquisition/ui/TfrmAlarm.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/DevicePictures.h"
#include "app/ui/Language.h"
#include "app/ui/Shell.h"
#include "support/StoreFill.h"
#include "app/ui/TfrmAbout.h"
#include "app/ui/TfrmMain.h"
#include "app/ui/TfrmProgSet.h"
#include "base/Services.h"
#include "views/ui/TMFPrintDlg.h"
#include "views/ui/TfrmTrend.h"
#include "screenshots/Pictures.h"

using namespace drumo;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    UseRussianLanguage(app);
    const QString folder = shots::PictureFolder(argc, argv);
    const auto save = [&](QWidget& w, const QString& name) { shots::SavePicture(w, folder, name); };

    ConsoleOperator op(false);
    // The print dialog prints into a file here, so that it shows without a printer.
    if (qEnvironmentVariableIsEmpty("DRUMO_PRINT_PDF")) qputenv("DRUMO_PRINT_PDF", (folder + "/print.pdf").toLocal8Bit());
    Shell shell({}, &op);
    shell.Show();
    save(shell.Main(), QStringLiteral("main-empty"));

    MeasurementStore& store = shell.Store();
    test::AddDevice(store, 4, {{1234, 1, {50, 150, 250, 350, 450, 550, 650, 750, 850, 950, 1050}},
                               {0, 0, {100, 200, 300}}},
                    7, 42, 2015, 5);
    test::AddDevice(store, 1, {}, 255, 9, 0, 1);
    test::AddDevice(store, 8, {{555, 4, {0, 100, 200, 300, 400}}}, 12, 65535, 2020, 7);
    std::vector<Temperature> values{2150, 2153, NoValue, -5001, 0, 1, 10, 100, 1000, -10, 12345};
    store.AppendSample(0, 0, 46000.5, values);
    TfrmScanM& scanM = shell.ScanM();
    scanM.SetListedRows(4);
    scanM.SetRow(1, {"7", "Dorma-2/200", "00042", "1234", "11", "Силос №1, север", "\\\\.\\Com3"}, true);
    scanM.SetRow(2, {"7", "—>", "00042", "[ --- ]", "3", "Силос №1, север", "\\\\.\\Com3"}, true);
    scanM.SetRow(3, {"255", "Hexar-1/16", "00009", "[ --- ]", "0", "", "\\\\.\\Com3"}, false);
    scanM.SetRow(4, {"12", "Sevio-1/100-M", "65535", "555", "5", "Склад", "\\\\.\\Com3"}, true);
    scanM.CreateSwatches({Qt::red, Qt::green, Qt::blue, Qt::yellow});
    scanM.SetChangeCommandsEnabled(true);
    scanM.SelectRow(1);
    shell.Main().SetStatusText(QStringLiteral("\\\\.\\Com3  Приборов: 3  Термокос: 3  Датчиков: 19"));
    shell.Main().ReceptionIndicators().SetLampGreen(true);
    save(shell.Main(), QStringLiteral("main-device"));
    save(scanM, QStringLiteral("scanm"));
    scanM.SelectRow(4);
    save(shell.Main(), QStringLiteral("main-probe"));
    // A Hexar-1/100 offers the most device commands: every tool-bar button shows.
    store.Select(static_cast<uint16_t>(test::AddDevice(store, 2, {{77, 1, {100, 200, 300}}}, 0, 77, 2012, 2)), 0);
    save(shell.Main(), QStringLiteral("main-hexar100"));
    scanM.PreparePopup();
    save(*scanM.PopupMenu(), QStringLiteral("scanm-popup"));

    int i = 0;
    for (QAction* menu : shell.Main().menuBar()->actions()) {
        save(*menu->menu(), QStringLiteral("menu-%1").arg(i++));
        menu->menu()->hide();
    }

    TfrmProgSet& dlg = shell.ProgSet();
    dlg.PrepareOpening();
    save(dlg, QStringLiteral("progset-general"));
    dlg.Pages()->setCurrentIndex(1);
    save(dlg, QStringLiteral("progset-measurements"));
    dlg.hide();
    save(shell.About(), QStringLiteral("about"));

    shell.AlarmMax().AddLine(QStringLiteral("10:15:20 > Адрес: 7 Термокоса: 1 Макс. температура: 123.45"));
    shell.AlarmMin().AddLine(QStringLiteral("10:15:20 > Адрес: 7 Термокоса: 2 Мин. температура: -50.01"));
    for (int k = 0; k < 12; ++k)
        shell.AlarmMax().AddLine(QStringLiteral("10:%1:00 > Адрес: 247 Термокоса: 12 Макс. температура: -19.38")
                                     .arg(16 + k));
    save(shell.AlarmMax(), QStringLiteral("alarm-upper"));
    save(shell.AlarmMin(), QStringLiteral("alarm-lower"));

    // The length trend of the first cable (11 sensors at 0.5 ... 10.5 m), as the program shows it,
    // turned into the ground, and the print dialog with its chart.
    store.Select(0, 0);
    store.AppendSample(0, 0, 46000.6, std::vector<Temperature>{2050, 2103, 2210, 2301, 2420, 2600, 2500, 2380, 2200, 2150, 2100});
    TfrmTrend& trend = shell.Trend();
    trend.SetPositionAxis(1, 0, 11);
    trend.UpdateTrend(true, true);
    trend.SetMainSlider(0);
    trend.findChild<QSlider*>(QStringLiteral("TrTB2"))->setValue(1);
    trend.ShowAll();
    save(trend, QStringLiteral("trend"));
    trend.findChild<QCheckBox*>(QStringLiteral("CBTrendInv"))->click();
    trend.findChild<QCheckBox*>(QStringLiteral("CBSticker"))->click();
    trend.SetStickerMarkers(22.1, 3.5);
    trend.ShowAll();
    save(trend, QStringLiteral("trend-ground"));
    shell.PrintDlg().PrintGraph(trend.Plot());
    save(shell.PrintDlg(), QStringLiteral("print"));
    shell.PrintDlg().SetStretched(true);
    save(shell.PrintDlg(), QStringLiteral("print-stretched"));
    shell.PrintDlg().Print();  // the stretched trend into print.pdf
    shell.PrintDlg().hide();
    trend.hide();

    // Qt's own dialogs, as the program opens them.
    QMessageBox question(QMessageBox::Question, QStringLiteral("Drumo"),
                         QStringLiteral("Результаты измерений будут удалены.\nПродолжить?"),
                         QMessageBox::Yes | QMessageBox::No);
    question.setDefaultButton(QMessageBox::No);
    save(question, QStringLiteral("qt-question"));
    question.hide();
    QFileDialog files(nullptr, QString(), QDir::homePath(), QStringLiteral("*.dml (*.dml);;Все файлы (*)"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    save(files, QStringLiteral("qt-file-save"));
    files.hide();
    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    save(colours, QStringLiteral("qt-colour"));
    colours.hide();

    QImage sheet(5 * 172, 2 * 172, QImage::Format_ARGB32);
    sheet.fill(QColor(240, 240, 240));
    QPainter p(&sheet);
    for (int k = 0; k < DevicePictureCount; ++k) {
        p.drawRect((k % 5) * 172 + 1, (k / 5) * 172 + 1, 169, 169);
        p.drawImage((k % 5) * 172 + 2, (k / 5) * 172 + 2, DevicePicture(k));
    }
    p.end();
    sheet.save(folder + QStringLiteral("/pictures.png"));
    return 0;
}
