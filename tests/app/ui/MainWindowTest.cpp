// The main window: its commands, the device rules, the device panel, the cable selector and the
// temperature table, and the view operations that other windows follow.

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QToolBar>
#include <QtTest>

#include "support/StoreFill.h"
#include "app/ui/TfrmMain.h"
#include "model/ViewTexts.h"
#include "base/Services.h"
#include "model/Formats.h"
#include "support/ScriptedOperator.h"
#include "support/Widgets.h"

using namespace drumo;
using drumo::test::Child;

namespace {

QStringList MenuItems(QWidget* menu) {
    QStringList items;
    for (QAction* a : menu->actions()) items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}

// What a tool bar shows of its buttons: the captions without the menu's underline marks.
QStringList BarItems(QWidget* bar) {
    QStringList items;
    for (QAction* a : bar->actions()) items << (a->isSeparator() ? QStringLiteral("-") : a->iconText());
    return items;
}

QStringList Visible(TfrmMain& w, const QStringList& names) {
    QStringList shown;
    for (const QString& n : names)
        if (w.Action(n)->isVisible()) shown << n;
    return shown;
}

const QStringList kOffered = {"actDevSettings", "actNotebook", "actPowerOff", "actTimeSinhro",
                              "actAutoSet", "actDevSerial", "actFirmware"};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    test::ScriptedOperator op_{test::Unscripted::Yes};
    NullLog log_;
    MeasurementStore* store_ = nullptr;
    TfrmMain* main_ = nullptr;

private slots:
    void init() {
        SetDecimalMark('.');
        store_ = new MeasurementStore(op_, log_);
        main_ = new TfrmMain(*store_, op_, log_);
        op_.Clear();
    }
    void cleanup() {
        delete main_;
        delete store_;
    }

    void menusListEveryCommandInOrder() {
        const auto menus = main_->menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
        QStringList titles;
        for (QAction* a : main_->menuBar()->actions()) titles << a->text();
        QCOMPARE(titles, QStringList({"Файл", "Команды", "График", "Настройки", "Помощь"}));
        const auto menuOf = [&](int i) { return main_->menuBar()->actions()[i]->menu(); };
        QCOMPARE(MenuItems(menuOf(0)),
                 QStringList({"Открыть", "Сохранить", "Экспорт в &Excel", "Архив", "-",
                              "Печатать График", "Печатать Тренд", "Печатать Тренд системы", "-",
                              "Выход"}));
        QCOMPARE(MenuItems(menuOf(1)),
                 QStringList({"Начать прием данных", "Остановить прием данных", "Выключить прибор",
                              "Настройки прибора", "Синхронизация времени", "-", "Блокнот"}));
        QCOMPARE(MenuItems(menuOf(2)),
                 QStringList({"График по времени", "График по длине", "Тренд системы", "Термоплеты",
                              "Отчет", "-", "Очистить результаты"}));
        QCOMPARE(MenuItems(menuOf(3)),
                 QStringList({"Поиск приборов", "Потерять приборы", "Диспетчер приборов",
                              "Настройки программы", "-", "Автонастройка термокосы",
                              "Серийный номер прибора", "Обновить прошивку прибора"}));
        QCOMPARE(MenuItems(menuOf(4)),
                 QStringList({"О программе", "Справка Drumo", "Домашняя страница"}));
    }

    void aMisspeltCommandNameIsRefusedRatherThanNull() {
        QCOMPARE(main_->Action("actStart")->text(), QString("Начать прием данных"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, main_->Action("actStrat"));
    }

    void toolBarKeepsItsOrderAcrossBothRows() {
        QStringList items;
        for (const char* name : {"tbCommands1", "tbCommands2"}) {
            auto* bar = main_->findChild<QToolBar*>(QString::fromLatin1(name));
            QVERIFY(bar);
            if (!items.isEmpty()) items << "-";  // the row break stands for the separator
            items << BarItems(bar);
        }
        QCOMPARE(items,
                 QStringList({"Поиск приборов", "-", "Открыть", "Сохранить", "Экспорт в Excel",
                              "Архив", "-", "Начать прием данных", "Остановить прием данных",
                              "Выключить прибор", "Настройки прибора", "Синхронизация времени",
                              "Блокнот", "-", "График по времени", "График по длине",
                              "Тренд системы", "Термоплеты", "Отчет", "Очистить результаты", "-",
                              "Диспетчер приборов", "Настройки программы", "-",
                              "Автонастройка термокосы", "Серийный номер прибора"}));
    }

    void everyOfferedToolBarButtonIsInView() {
        // A Hexar-1/100 is offered the most device commands.
        store_->Select(static_cast<uint16_t>(test::AddDevice(*store_, 2, {{77, 1, {100, 200}}})), 0);
        main_->ShowDeviceActions();
        main_->show();
        QVERIFY(QTest::qWaitForWindowExposed(main_));
        int offered = 0;
        for (QToolBar* bar : main_->findChildren<QToolBar*>()) {
            const QRect inWindow(bar->mapTo(main_, QPoint(0, 0)), bar->size());
            QVERIFY(main_->rect().contains(inWindow));
            for (QAction* action : bar->actions()) {
                if (action->isSeparator() || !action->isVisible()) continue;
                ++offered;
                QWidget* button = bar->widgetForAction(action);
                QVERIFY2(button && button->isVisible(), qPrintable(action->text()));
                QVERIFY2(bar->rect().contains(button->geometry()), qPrintable(action->text()));
            }
        }
        QCOMPARE(offered, 21);
    }

    void hintsAreCaptionsWithFourExceptions() {
        QCOMPARE(main_->Action("actFileOpen")->toolTip(), QString("Открыть файл"));
        QCOMPARE(main_->Action("actFileSave")->toolTip(), QString("Сохранить  файл"));
        QCOMPARE(main_->Action("actPlets")->toolTip(), QString("Построить термоплеты"));
        QCOMPARE(main_->Action("actReport")->toolTip(), QString("Показать отчет"));
        QCOMPARE(main_->Action("actStart")->toolTip(), QString("Начать прием данных"));
        QCOMPARE(main_->Action("actTrend")->toolTip(), QString("График по длине"));
        QCOMPARE(main_->Action("actFileExcelExport")->toolTip(), QString("Экспорт в Excel"));
        QCOMPARE(main_->Action("actFileArhiv")->toolTip(), QString("Архив"));
        QCOMPARE(Child<QProgressBar>(*main_, "PBRequest").toolTip(), QString("Получение следующего отсчета"));
        QCOMPARE(Child<QProgressBar>(*main_, "PBSave").toolTip(), QString("Время до сохранения в файл"));
        QCOMPARE(Child<QComboBox>(*main_, "CBSelCH").toolTip(), QString("Выбор термокосы из\nподключенных к прибору"));
    }

    void windowStartsEmptyWithOnlyTheNotebookOffered() {
        QCOMPARE(main_->windowTitle(), QString("Drumo"));
        QCOMPARE(main_->width(), 335);
        QCOMPARE(main_->minimumHeight(), 433);
        QVERIFY(!(main_->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(Visible(*main_, kOffered), QStringList({"actNotebook"}));
        QCOMPARE(main_->ShownPicture(), 0);
        QVERIFY(!main_->DevicePanelShown());
        QCOMPARE(main_->TableRows(), 2);
        QCOMPARE(Child<QLabel>(*main_, "LblRequest").text(), QString("00:00:00"));
        QCOMPARE(Child<QProgressBar>(*main_, "PBRequest").maximum(), 20);
        QCOMPARE(Child<Lamp>(*main_, "LEDRequest").Colour(), QColor(Qt::red));
    }

    void deviceRulesFollowTheSelectedModel_data() {
        QTest::addColumn<int>("typePos");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("Hexar-1/16") << 1 << QStringList({"actDevSettings", "actNotebook", "actPowerOff", "actDevSerial"});
        QTest::newRow("Hexar-1/100") << 2 << kOffered;
        QTest::newRow("Dorma-2/200") << 4 << QStringList({"actDevSettings", "actNotebook", "actTimeSinhro", "actDevSerial", "actFirmware"});
        QTest::newRow("Sevio-1/100-M") << 8 << QStringList();
        QTest::newRow("Unknown") << 0 << QStringList();
    }
    void deviceRulesFollowTheSelectedModel() {
        QFETCH(int, typePos);
        QFETCH(QStringList, shown);
        test::AddDevice(*store_, typePos, {{1, 1, {100}}});
        main_->ShowDeviceActions();
        QCOMPARE(Visible(*main_, kOffered), shown);
    }

    void deviceRulesAfterSwitchOffAndWithArchiveData() {
        test::AddDevice(*store_, 3, {{1, 1, {100}}});
        main_->ShowDeviceActions();
        store_->DeviceSwitchedOff();  // the lists stay
        main_->ShowDeviceActions();
        QCOMPARE(Visible(*main_, kOffered), QStringList({"actNotebook", "actFirmware"}));
        store_->CountDevice();
        store_->MarkArchiveLoaded();
        store_->DevSig(0).Caps = 0;
        main_->ShowDeviceActions();
        QCOMPARE(Visible(*main_, kOffered), QStringList({"actNotebook"}));
    }

    void devicePanelShowsTheSelectedDevice() {
        test::AddDevice(*store_, 4, {{1234, 1, {100}}}, 7, 42, 2010, 5);
        main_->ShowDevicePanel();
        QVERIFY(main_->DevicePanelShown());
        QCOMPARE(main_->ShownPicture(), 5);
        QCOMPARE(main_->PanelValue("lblType"), QString("Dorma-2/200"));
        QCOMPARE(main_->PanelValue("lblSerial"), QString("00042  2010 г."));
        QCOMPARE(main_->PanelValue("lblFirmware"), QString("2.3"));
        QCOMPARE(main_->PanelValue("lblConnected"), QString("тк: 1/дат: 1"));
        QCOMPARE(main_->PanelValue("lblMaxSensors"), QString("200"));
        QCOMPARE(main_->PanelValue("lblInterface"), QString("RS-485"));

        store_->DevSig(0).Year = 2099;
        store_->DevSig(0).Serial = 65535;
        store_->DevSig(0).Interface = 9;  // a code without a name
        main_->ShowDevicePanel();
        QCOMPARE(main_->PanelValue("lblSerial"), QString("65535"));
        QCOMPARE(main_->PanelValue("lblInterface"), QString("9"));

        main_->HideDevicePanel();
        QVERIFY(!main_->DevicePanelShown());
        QCOMPARE(main_->ShownPicture(), 0);
    }

    void cableSelectorListsTheCablesOfTheDevice() {
        test::AddDevice(*store_, 4, {{1234, 1, {100, 200}}, {0, 0, {1, 2, 3}}});
        main_->FillCableSelector();
        QCOMPARE(Child<QComboBox>(*main_, "CBSelCH").count(), 2);
        QCOMPARE(Child<QComboBox>(*main_, "CBSelCH").itemText(0), QString("1/2 SNтк 1234 дат:2"));
        QCOMPARE(Child<QComboBox>(*main_, "CBSelCH").itemText(1), QString("2/2 SNтк [ --- ] дат:3"));
        QCOMPARE(Child<QComboBox>(*main_, "CBSelCH").currentIndex(), 0);
    }

    void deviceWithoutCablesShowsNotConnectedAndAnEmptyTable() {
        test::AddDevice(*store_, 3, {});
        store_->AnnounceSelection();
        QCOMPARE(Child<QComboBox>(*main_, "CBSelCH").count(), 1);
        QCOMPARE(Child<QComboBox>(*main_, "CBSelCH").itemText(0), QString("Not connected"));
        QCOMPARE(main_->TableRows(), 2);
        QCOMPARE(main_->TableCell(1, 0), QString());
        QCOMPARE(store_->SelSensors(), 0);
    }

    void tableShowsLabelsAndNewestValuesWithErrorForNoValue() {
        test::AddDevice(*store_, 4, {{1234, 1, {150, 1050, 2000}}});
        const Temperature first[] = {2000, 2100, 2200};
        const Temperature second[] = {2150, NoValue, -5001};
        store_->AppendSample(0, 0, 46000.5, first);
        store_->AppendSample(0, 0, 46000.6, second);
        store_->AnnounceSelection();

        QCOMPARE(main_->TableRows(), 4);
        QCOMPARE(main_->TableCell(0, 0), QString(" №"));
        QCOMPARE(main_->TableCell(1, 0), QString(" L, м"));
        QCOMPARE(main_->TableCell(2, 0), QString(" T, °C"));
        QCOMPARE(main_->TableCell(0, 2), QString(" 2"));
        QCOMPARE(main_->TableCell(1, 2), QString(" 10.5"));
        QCOMPARE(main_->TableCell(2, 1), QString(" 21.5"));
        QCOMPARE(main_->TableCell(2, 2), QString(" Error!"));
        QCOMPARE(main_->TableCell(2, 3), QString(" -50.01"));

        QCOMPARE(store_->SelSensors(), 3);
        QCOMPARE(store_->SelSamples(), 2u);
        QCOMPARE(store_->ShownValues(), 5u);  // six values, one without a reading
        // What a graph of the selection derives from the store.
        QCOMPARE(QString::fromStdString(CountsText(store_->SelSamples(), store_->ShownValues())),
                 QString("Измерений: 2/•5"));
    }

    void probeCableNamesItsQuantities() {
        test::AddDevice(*store_, 4, {{77, 4, {0, 100, 200}}});
        store_->AnnounceSelection();
        QCOMPARE(main_->TableCell(1, 0), QString(" ->"));
        QCOMPARE(main_->TableCell(2, 0), QString(" ->"));
        QCOMPARE(main_->TableCell(1, 1), QString("To, °C"));
        QCOMPARE(main_->TableCell(1, 2), QString("RH, %"));
        QCOMPARE(main_->TableCell(1, 3), QString("AH, g/m"));
    }

    void commaSeparatorAppliesToLabelsAndValues() {
        SetDecimalMark(',');
        test::AddDevice(*store_, 4, {{1, 2, {1250}}});
        const Temperature v[] = {2153};
        store_->AppendSample(0, 0, 46000.5, v);
        store_->AnnounceSelection();
        QCOMPARE(main_->TableCell(1, 1), QString(" 12,5"));
        QCOMPARE(main_->TableCell(2, 1), QString(" 21,53"));
    }

    void pickingACableRebuildsOnlyWhenThereIsAChoice() {
        test::AddDevice(*store_, 4, {{11, 1, {100}}, {12, 1, {100, 200}}});
        store_->AnnounceSelection();
        main_->PickCable(1);
        QCOMPARE(store_->SelCable(), 1);
        QCOMPARE(main_->TableRows(), 3);
        main_->PickCable(1);  // the same item again changes nothing
        QCOMPARE(store_->SelCable(), 1);

        MeasurementStore single(op_, log_);
        TfrmMain other(single, op_, log_);
        test::AddDevice(single, 4, {{11, 1, {100}}});
        single.AnnounceSelection();
        single.Select(0, 5);  // a stale selection must not be "picked" back by a single item
        other.PickCable(0);
        QCOMPARE(single.SelCable(), 5);
    }

    void newSampleUpdatesTheValueColumnAndCounts() {
        test::AddDevice(*store_, 4, {{1, 3, {100, 200}}});
        const Temperature a[] = {1000, 1100};
        store_->AppendSample(0, 0, 46000.5, a);
        store_->AnnounceSelection();
        const Temperature b[] = {NoValue, 1250};
        store_->AppendSample(0, 0, 46000.6, b);
        store_->AnnounceSample(0, 0);  // the store counts it, then the window shows it
        QCOMPARE(main_->TableCell(2, 1), QString(" Error!"));
        QCOMPARE(main_->TableCell(2, 2), QString(" 12.5"));
        QCOMPARE(store_->ShownValues(), 3u);
        QCOMPARE(QString::fromStdString(CountsText(store_->SelSamples(), store_->ShownValues())),
                 QString("Измерений: 2/•3"));
    }

    void newSampleBeforeAnyShownSampleIsIgnored() {
        test::AddDevice(*store_, 4, {{1, 3, {100}}});
        store_->AnnounceSelection();
        const Temperature a[] = {1000};
        store_->AppendSample(0, 0, 46000.5, a);
        main_->ShowNewSample(0, 0);  // SelSamples is still 0
        QCOMPARE(main_->TableCell(2, 1), QString());
    }

    void copyGivesSelectedCellsRowByRow() {
        test::AddDevice(*store_, 4, {{1, 3, {100, 200, 300}}});
        const Temperature a[] = {1000, 1100, 1200};
        store_->AppendSample(0, 0, 46000.5, a);
        store_->AnnounceSelection();
        Child<QTableWidget>(*main_, "SGTemp").setRangeSelected(QTableWidgetSelectionRange(0, 1, 1, 2), true);
        QCOMPARE(main_->CopyTableText(), QString(" 1\t 10\t\r\n 2\t 11\t\r\n"));
    }

    void emptyingTheStoreEmptiesTheWindow() {
        test::AddDevice(*store_, 4, {{1, 3, {100}}});
        const Temperature a[] = {1000};
        store_->AppendSample(0, 0, 46000.5, a);
        store_->MarkArchiveLoaded();
        store_->DevSig(0).Source = "/data/arch/10.00.00.dml";
        store_->AnnounceSelection();
        QCOMPARE(main_->windowTitle(), QString("Drumo - 10.00.00.dml"));

        store_->ClearResults();  // archive data: no question
        QCOMPARE(main_->TableCell(2, 1), QString());
        QCOMPARE(main_->TableCell(1, 1), QString(" 1"));

        main_->SetStatusText("\\\\.\\Com3");
        QVERIFY(store_->ReleaseAll(false));
        QCOMPARE(main_->windowTitle(), QString("Drumo"));
        QVERIFY(!main_->DevicePanelShown());
        QCOMPARE(Child<QComboBox>(*main_, "CBSelCH").count(), 0);
        QCOMPARE(main_->StatusText(), QString());
        QCOMPARE(main_->TableRows(), 2);
        QCOMPARE(main_->TableCell(0, 0), QString());
        QCOMPARE(Visible(*main_, kOffered), QStringList({"actNotebook", "actFirmware"}));
    }

    void selectionPastTheListsShowsNothing() {
        store_->Select(3, 0);
        main_->FillTable();
        QCOMPARE(main_->TableRows(), 2);
        QVERIFY(!main_->DevicePanelShown());
    }

    void pickingATableRowTracksThatLine() {
        QSignalSpy tracked(main_, &TfrmMain::SensorRowPicked);
        test::AddDevice(*store_, 4, {{1, 3, {100, 200}}});
        store_->AnnounceSelection();
        const QRect cell = Child<QTableWidget>(*main_, "SGTemp").visualItemRect(Child<QTableWidget>(*main_, "SGTemp").item(1, 0));
        main_->show();
        QTest::mouseClick(Child<QTableWidget>(*main_, "SGTemp").viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(tracked.size(), 1);
        QCOMPARE(tracked.first().first().toInt(), 2);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
