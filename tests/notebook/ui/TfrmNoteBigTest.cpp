// The notebook window: its texts and buttons, the table it shows of the engine's rows, the pink
// table of an unsigned file, copying, and "Инфо" hidden for the Hexar-1/16.

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "station/Station.h"
#include "model/Cp1251.h"
#include "model/SafeFile.h"
#include "notebook/NotebookFile.h"
#include "app/ui/NotebookWiring.h"
#include "notebook/ui/TfrmNoteBig.h"
#include "support/FakeClock.h"
#include "support/FakeNotebookGraphs.h"
#include "support/FakeSerialPort.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"
#include "support/Widgets.h"

namespace drumo {

using test::Child;

class TfrmNoteBigTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    test::FakeClock clock_;
    test::FakeSerialPort port_{clock_};
    test::ScriptedOperator op_;
    test::RecordingLog log_;
    Station station_{StationServices{port_, op_, log_, clock_, nullptr, "test"}};
    test::FakeNotebookGraphs graphs_;

    // A notebook file of `records` records of one cable, signed or with one character changed.
    QString NotebookFile(int records, bool sign) {
        NotebookTable t;
        for (int k = 0; k < records; ++k) {
            NoteRow& a = t.Row(NotebookTable::RowA(k));
            for (const char* c : {"n1", "05.12.2017", "SNтк: [ 9 ]", "N dat", "1", "2"}) a.Add(c);
            NoteRow& b = t.Row(NotebookTable::RowB(k));
            for (const char* c : {"", "14:30:00", "датчиков:  2", "T, °C", "21.5", "-3"}) b.Add(c);
        }
        t.EnsureColumns(6);
        t.SetRowCount(3 * records);
        std::string text = NotebookFileText(t, "Dorma", "1", 46000.5);
        if (!sign) text[text.find("21.5")] = '3';
        const QString path = dir_.path() + QStringLiteral("/n%1%2.dmn").arg(records).arg(sign);
        [&] { QVERIFY(WriteFileSafely(path.toStdString(), text)); }();
        return path;
    }

private slots:
    void TextsAndButtons() {
        TfrmNoteBig w(station_, op_, graphs_, "1");
        QCOMPARE(w.windowTitle(), QStringLiteral("Блокнот"));
        QCOMPARE(w.minimumSize(), QSize(536, 348));
        const struct {
            const char* name;
            const char* caption;
            const char* hint;
        } buttons[] = {
            {"BBInfo", "Инфо", "Считать информацию\n о состоянии Блокнота"},
            {"BBRefresh", "Загрузить", "Загрузить Блокнот\nиз контроллера"},
            {"BBCancel", "Стоп", "Прервать чтение Блокнота"},
            {"BBErase", "Стереть", "Стереть всю информацию\nв Блокноте контроллера"},
            {"BBOpen", "Открыть", "Загрузить блокнот из файла"},
            {"BBSave", "Сохранить", "Сохранить блокнот в файл"},
        };
        for (const auto& b : buttons) {
            auto& button = Child<QPushButton>(w, b.name);
            QCOMPARE(button.text(), QString::fromUtf8(b.caption));
            QCOMPARE(button.toolTip(), QString::fromUtf8(b.hint));
        }
        QStringList popup;
        for (QAction* a : w.findChild<QMenu*>()->actions()) popup << a->text();
        QCOMPARE(popup, (QStringList{"Копировать", "Преобразовать", "Очистить"}));

        // An empty table: one row under the header, five columns with their widths.
        QTableView& table = w.Table();
        QCOMPARE(w.Model().rowCount(), 1);
        QCOMPARE(w.Model().columnCount(), 5);
        QCOMPARE(w.Model().headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Ед. изм."));
        QCOMPARE(table.columnWidth(0), 31);
        QCOMPARE(table.columnWidth(1), 81);
        QCOMPARE(table.columnWidth(3), 47);
        QCOMPARE(table.columnWidth(4), 40);
        QCOMPARE(table.verticalHeader()->defaultSectionSize(), 15);
        QCOMPARE(table.selectionBehavior(), QAbstractItemView::SelectRows);

        // At the window's first width the info panel shows its longest lines whole.
        const char* longest[] = {"Занято: 9999.9 КБ (99.99%)", "Свободно: 9999.9 КБ (99.99%)",
                                 "Объем памяти: 9999.9 КБ", "Записей: 65535 (max: 65535)",
                                 "Автозапись: Откл.", "Напр. питания: 99.99 В"};
        for (int i = 0; i < 6; ++i)
            Child<QLabel>(w, QStringLiteral("LInfo%1").arg(i + 1).toLatin1().constData()).setText(QString::fromUtf8(longest[i]));
        w.show();
        QTRY_COMPARE(w.width(), 600);
        for (int i = 0; i < 6; ++i)
            QVERIFY2(test::TextFits(Child<QLabel>(w, QStringLiteral("LInfo%1").arg(i + 1).toLatin1().constData())),
                     longest[i]);
    }

    void FileShownPinkAndCopied() {
        TfrmNoteBig w(station_, op_, graphs_, "1");
        op_.Clear();
        op_.Answer(true);   // go on without a signature
        op_.Answer(false);  // not to the graph
        const QString path = NotebookFile(2, false);
        QVERIFY(w.Engine().Open(path.toStdString()));
        QCOMPARE(w.Model().rowCount(), 5);
        QCOMPARE(w.Model().columnCount(), 6);
        QCOMPARE(w.Model().data(w.Model().index(1, 5), Qt::DisplayRole).toString(), QStringLiteral("-3"));
        QCOMPARE(w.Model().headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral(" №2"));
        QCOMPARE(w.Model().data(w.Model().index(0, 0), Qt::BackgroundRole).value<QColor>(), QColor(255, 168, 227));
        QCOMPARE(Child<QStatusBar>(w, "StatusBar").currentMessage(),
                 QStringLiteral("Файл ") + path + QStringLiteral(" (записей: 2). Подпись отсутствует!"));

        w.Table().selectRow(0);
        w.Table().selectionModel()->select(w.Model().index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const QString copied = w.CopySelection();
        QCOMPARE(copied, QStringLiteral("n1\t05.12.2017\tSNтк: [ 9 ]\tN dat\t1\t2\t\r\n"
                                        "\t14:30:00\tдатчиков:  2\tT, °C\t31.5\t-3\t\r\n"));
        QCOMPARE(QApplication::clipboard()->text(), copied);

        // "Очистить": the normal colour again, an empty table.
        for (QAction* a : w.findChild<QMenu*>()->actions())
            if (a->objectName() == QLatin1String("PopupStGNoteClear")) a->trigger();
        QCOMPARE(w.Model().rowCount(), 1);
        QCOMPARE(w.Model().data(w.Model().index(0, 0), Qt::BackgroundRole).value<QColor>(), QColor(131, 183, 236));
        QVERIFY(Child<QStatusBar>(w, "StatusBar").currentMessage().isEmpty());
    }

    void RowSelectionAndConvertReachTheGraphs() {
        TfrmNoteBig w(station_, op_, graphs_, "1");
        op_.Clear();
        op_.Answer(false);  // the offer at loading: not now
        QVERIFY(w.Engine().Open(NotebookFile(3, true).toStdString()));
        graphs_.Calls.clear();
        // Rows 4 to 8 of the table: the second and third records.
        w.Table().selectionModel()->select(QItemSelection(w.Model().index(3, 0), w.Model().index(7, 0)),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        op_.Answer(true);
        w.ConvertSelection();
        QCOMPARE(graphs_.Lines.size(), size_t{2});
        QCOMPARE(graphs_.Lines[0].size(), size_t{2});
        QCOMPARE(QString::fromStdString(graphs_.Calls.end()[-2]), QStringLiteral("GraphStatus Измерений: 2/•4"));

        graphs_.Calls.clear();
        graphs_.TrendPoints.clear();
        w.Table().setCurrentIndex(w.Model().index(4, 2));
        QVERIFY(!graphs_.Calls.empty());
        QCOMPARE(QString::fromStdString(graphs_.Calls[0]), QStringLiteral("ClearTrend"));
        QCOMPARE(graphs_.TrendPoints.size(), size_t{2});
    }

    void InfoHiddenForTheSmallLogger() {
        NotebookWiring wiring(station_, op_, [] { return std::string("/tmp"); });
        test::AddDevice(station_.Store(), 1, {test::CableSpec(5, 1, {100})});  // a Hexar-1/16
        station_.Store().AnnounceSelection();
        QVERIFY(wiring.Window().InfoButton().isHidden());
        station_.Store().ReleaseAll(false);
        test::AddDevice(station_.Store(), 2, {test::CableSpec(5, 1, {100})});  // a Hexar-1/100
        station_.Store().AnnounceSelection();
        QVERIFY(!wiring.Window().InfoButton().isHidden());
    }
};

}  // namespace drumo

QTEST_MAIN(drumo::TfrmNoteBigTest)
#include "TfrmNoteBigTest.moc"
