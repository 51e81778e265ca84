// The main window's commands: the actions, the menu bar, the tool bar and the device rules.

#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include <stdexcept>

#include "app/DeviceActions.h"
#include "app/ToolBarWrap.h"
#include "app/ui/CommandIcons.h"
#include "app/ui/TfrmMain.h"

namespace drumo {

QAction* TfrmMain::AddAction(const char* name, const char* caption, const char* hint) {
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(QString::fromUtf8(hint ? hint : caption));
    action->setIcon(CommandIcon(action->objectName()));
    // A command works once the part of the program behind it is wired; until then it is shown
    // in its place but cannot be chosen.
    action->setEnabled(false);
    actions_[action->objectName()] = action;
    return action;
}

QAction* TfrmMain::Action(const QString& name) const {
    const auto it = actions_.find(name);
    if (it == actions_.end())
        throw std::invalid_argument("the main window has no command " + name.toStdString());
    return it->second;
}

void TfrmMain::CreateActions() {
    AddAction("actFileOpen", "Открыть", "Открыть файл");
    AddAction("actFileSave", "Сохранить", "Сохранить  файл");
    // The menu underlines the "E" of "Excel"; the tool tip is the caption without the mark.
    AddAction("actFileExcelExport", "Экспорт в &Excel", "Экспорт в Excel");
    AddAction("actFileArhiv", "Архив");
    AddAction("actPrintGraph", "Печатать График");
    AddAction("actPrintTrend", "Печатать Тренд");
    AddAction("actPrintSysTrend", "Печатать Тренд системы");
    AddAction("actExit", "Выход");
    AddAction("actStart", "Начать прием данных");
    AddAction("actStop", "Остановить прием данных");
    AddAction("actPowerOff", "Выключить прибор");
    AddAction("actDevSettings", "Настройки прибора");
    AddAction("actTimeSinhro", "Синхронизация времени");
    AddAction("actNotebook", "Блокнот");
    AddAction("actGraph", "График по времени");
    AddAction("actTrend", "График по длине");
    AddAction("actSysTrend", "Тренд системы");
    AddAction("actPlets", "Термоплеты", "Построить термоплеты");
    AddAction("actReport", "Отчет", "Показать отчет");
    AddAction("actClearResults", "Очистить результаты");
    AddAction("actFind", "Поиск приборов");
    AddAction("actReleaseAll", "Потерять приборы");
    AddAction("actScanM", "Диспетчер приборов");
    AddAction("actProgSet", "Настройки программы");
    AddAction("actAutoSet", "Автонастройка термокосы");
    AddAction("actDevSerial", "Серийный номер прибора");
    AddAction("actFirmware", "Обновить прошивку прибора");
    AddAction("actAbout", "О программе");
    AddAction("actHelp", "Справка Drumo");
    AddAction("actHomePage", "Домашняя страница");
    // File commands of the notebook and sensor windows; they have no place in the menus.
    AddAction("actFileSaveNote", "Сохранить блокнот", "Сохранить блокнот в файл");
    AddAction("actFileOpenNote", "Загрузить блокнот", "Загрузить блокнот из файла");
    AddAction("actSensSave", "Сохранить информацию о датчиках",
              "Сохранить информацию\nо датчиках в файл");
    AddAction("actSensLoad", "Загрузить информацию о датчиках",
              "Загрузить информацию\nо датчиках из файла");

    for (const char* working : {"actExit", "actClearResults", "actReleaseAll", "actScanM",
                                "actProgSet", "actAbout", "actHelp", "actHomePage"})
        Action(QString::fromLatin1(working))->setEnabled(true);
    // Offered commands start hidden, except the notebook.
    for (const char* offered : {"actPowerOff", "actDevSettings", "actTimeSinhro", "actAutoSet",
                                "actDevSerial", "actFirmware"})
        Action(QString::fromLatin1(offered))->setVisible(false);
}

void TfrmMain::BuildMenus() {
    // Each menu lists its commands by object name; an empty name is a separator.
    const auto fill = [this](const QString& title, std::initializer_list<const char*> names) {
        QMenu* menu = menuBar()->addMenu(title);
        for (const char* name : names) {
            if (*name == '\0') {
                menu->addSeparator();
            } else {
                menu->addAction(Action(QString::fromLatin1(name)));
            }
        }
    };
    fill(QStringLiteral("Файл"), {"actFileOpen", "actFileSave", "actFileExcelExport", "actFileArhiv",
                                  "", "actPrintGraph", "actPrintTrend", "actPrintSysTrend", "",
                                  "actExit"});
    fill(QStringLiteral("Команды"), {"actStart", "actStop", "actPowerOff", "actDevSettings",
                                     "actTimeSinhro", "", "actNotebook"});
    fill(QStringLiteral("График"), {"actGraph", "actTrend", "actSysTrend", "actPlets", "actReport",
                                    "", "actClearResults"});
    fill(QStringLiteral("Настройки"), {"actFind", "actReleaseAll", "actScanM", "actProgSet", "",
                                       "actAutoSet", "actDevSerial", "actFirmware"});
    fill(QStringLiteral("Помощь"), {"actAbout", "actHelp", "actHomePage"});
}

void TfrmMain::BuildToolBar() {
    const std::initializer_list<const char*> names = {
        "actFind", "", "actFileOpen", "actFileSave", "actFileExcelExport", "actFileArhiv", "",
        "actStart", "actStop", "actPowerOff", "actDevSettings", "actTimeSinhro", "actNotebook", "",
        "actGraph", "actTrend", "actSysTrend", "actPlets", "actReport", "actClearResults", "",
        "actScanM", "actProgSet", "", "actAutoSet", "actDevSerial"};
    const auto newBar = [this](int row) {
        const QString name = QStringLiteral("tbCommands%1").arg(row);
        QToolBar* bar = addToolBar(name);
        bar->setObjectName(name);
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(18, 18));
        return bar;
    };

    // The whole bar does not fit the narrow window. It is laid out once in one row to measure
    // its buttons in the style at hand, then split into as many rows as that takes, so that no
    // button ever hides behind the overflow arrow (with every device command offered).
    QToolBar* measure = newBar(1);
    std::vector<QAction*> items;
    std::vector<ToolBarItem> widths;
    for (const char* name : names) {
        QAction* action = *name == '\0' ? measure->addSeparator() : Action(QString::fromLatin1(name));
        if (*name != '\0') measure->addAction(action);
        items.push_back(action);
    }
    QStyle* style = measure->style();
    const int separator = style->pixelMetric(QStyle::PM_ToolBarSeparatorExtent, nullptr, measure);
    for (QAction* action : items) {
        QWidget* button = action->isSeparator() ? nullptr : measure->widgetForAction(action);
        widths.push_back({button ? button->sizeHint().width() : separator, action->isSeparator()});
    }
    const int edge = style->pixelMetric(QStyle::PM_ToolBarItemMargin, nullptr, measure) +
                     style->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, measure);
    const ToolBarMetrics metrics{FixedWidth, 2 * edge,
                                 style->pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, measure)};
    const auto rows = WrapToolBar(widths, metrics);
    removeToolBar(measure);
    delete measure;

    for (size_t r = 0; r < rows.size(); ++r) {
        if (r > 0) addToolBarBreak();
        QToolBar* bar = newBar(static_cast<int>(r) + 1);
        for (size_t i : rows[r]) {
            if (widths[i].Separator) {
                bar->addSeparator();
            } else {
                bar->addAction(items[i]);
            }
        }
    }
}

void TfrmMain::ShowDeviceActions() {
    const DeviceActionSet set = DeviceActionsFor(DeviceActionInputOf(store_));
    Action(QStringLiteral("actDevSettings"))->setVisible(set.Settings);
    Action(QStringLiteral("actNotebook"))->setVisible(set.Notebook);
    Action(QStringLiteral("actPowerOff"))->setVisible(set.PowerOff);
    Action(QStringLiteral("actTimeSinhro"))->setVisible(set.TimeSync);
    Action(QStringLiteral("actAutoSet"))->setVisible(set.AutoSet);
    Action(QStringLiteral("actDevSerial"))->setVisible(set.Serial);
    Action(QStringLiteral("actFirmware"))->setVisible(set.Firmware);
}

}  // namespace drumo
