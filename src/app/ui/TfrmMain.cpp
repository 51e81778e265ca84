#include "app/ui/TfrmMain.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

#include "views/ui/Colours.h"
#include "model/ViewTexts.h"
#include "app/ui/DevicePictures.h"
#include "model/DeviceTypes.h"

namespace drumo {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The narrow columns of the window use a condensed face so that whole texts fit.
QFont NarrowFont(int pixels = 11) {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(pixels);
    return font;
}

QLabel* SmallLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(NarrowFont());
    return label;
}

}  // namespace

TfrmMain::TfrmMain(MeasurementStore& store, Operator& op, EventLog& log, QWidget* parent)
    : QMainWindow(parent,
                  Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                      Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                      Qt::WindowCloseButtonHint),
      store_(store), operator_(op), log_(log) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Drumo"));
    setFixedWidth(FixedWidth);
    setMinimumHeight(MinHeight);
    resize(FixedWidth, MinHeight);

    CreateActions();
    // The five menu titles have to fit the narrow window.
    QFont menuFont = menuBar()->font();
    menuFont.setPixelSize(11);
    menuBar()->setFont(menuFont);
    BuildMenus();
    BuildToolBar();

    auto* central = new QWidget(this);
    auto* columns = new QHBoxLayout(central);
    columns->setContentsMargins(3, 3, 3, 3);
    columns->setSpacing(4);

    auto* left = new QVBoxLayout;
    left->setSpacing(3);
    auto* frame = new QFrame(central);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setFixedSize(DevicePictureSize + 4, DevicePictureSize + 4);
    picture_ = new QLabel(frame);
    picture_->setObjectName(QStringLiteral("imgDevice"));
    picture_->setGeometry(2, 2, DevicePictureSize, DevicePictureSize);
    picture_->setAlignment(Qt::AlignCenter);
    left->addWidget(frame);
    left->addWidget(BuildTimersPanel());
    left->addWidget(BuildDevicePanel());
    left->addStretch(1);
    // The left column is as wide as the picture frame; the table takes the rest.
    auto* leftColumn = new QWidget(central);
    leftColumn->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    leftColumn->setFixedWidth(DevicePictureSize + 4);
    columns->addWidget(leftColumn);

    auto* right = new QVBoxLayout;
    right->setSpacing(3);
    cableSelector_ = new QComboBox(central);
    cableSelector_->setObjectName(QStringLiteral("CBSelCH"));
    cableSelector_->setToolTip(QStringLiteral("Выбор термокосы из\nподключенных к прибору"));
    cableSelector_->setStyleSheet(QStringLiteral("QComboBox { color: blue; }"));
    QFont small = cableSelector_->font();
    small.setPixelSize(11);
    cableSelector_->setFont(small);
    connect(cableSelector_, &QComboBox::activated, this, &TfrmMain::PickCable);
    right->addWidget(cableSelector_);
    BuildTable();
    right->addWidget(table_, 1);
    columns->addLayout(right, 1);
    setCentralWidget(central);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setFont(small);
    statusBar()->addWidget(status_, 1);
    statusBar()->setSizeGripEnabled(false);

    ShowPicture(0);
    HideDevicePanel();

    connect(Action(QStringLiteral("actExit")), &QAction::triggered, this, &QWidget::close);
    store_.Events().Subscribe(this);
}

TfrmMain::~TfrmMain() { store_.Events().Unsubscribe(this); }

QWidget* TfrmMain::BuildTimersPanel() {
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("pnlTimers"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(3, 2, 3, 2);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(2);
    const auto row = [&](int r, Indicators& indicators, const char* name, const QString& caption, const QString& barHint,
                         const QString& countdownHint, const QString& lampHint) {
        auto* bar = indicators.Bar = new QProgressBar(panel);
        bar->setObjectName(QStringLiteral("PB") + QLatin1String(name));
        bar->setRange(0, 20);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setFixedHeight(12);
        bar->setToolTip(barHint);
        auto* countdown = indicators.Countdown = SmallLabel(QStringLiteral("00:00:00"), panel);
        countdown->setObjectName(QStringLiteral("Lbl") + QLatin1String(name));
        countdown->setToolTip(countdownHint);
        auto* lamp = indicators.Light = new Lamp(caption, panel);
        lamp->setObjectName(QStringLiteral("LED") + QLatin1String(name));
        lamp->setToolTip(lampHint);
        grid->addWidget(bar, r, 0);
        grid->addWidget(countdown, r, 1);
        grid->addWidget(lamp, r, 2);
    };
    row(0, reception_, "Request", QStringLiteral("дата"),
        QStringLiteral("Получение следующего отсчета"), QStringLiteral("Время до получения данных"),
        QStringLiteral("Получение данных с приборов"));
    // The auto-save bar measures the time to the next save, as its countdown does.
    row(1, saving_, "Save", QStringLiteral("файл"),
        QStringLiteral("Время до сохранения в файл"), QStringLiteral("Время до сохранения в файл"),
        QStringLiteral("Сохранение в файл"));
    grid->setColumnStretch(0, 1);
    reception_.Light->SetColour(Qt::red);
    saving_.Light->SetColour(Qt::red);
    return panel;
}

QWidget* TfrmMain::BuildDevicePanel() {
    devicePanel_ = new QFrame;
    devicePanel_->setObjectName(QStringLiteral("pnlDevice"));
    static_cast<QFrame*>(devicePanel_)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* grid = new QGridLayout(devicePanel_);
    grid->setContentsMargins(3, 2, 2, 2);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(1);
    const std::pair<const char*, const char*> lines[] = {
        {"lblType", "Тип прибора:"},      {"lblSerial", "Номер:"},
        {"lblFirmware", "Прошивка:"},     {"lblConnected", "Подкл. датчиков:"},
        {"lblMaxSensors", "Макс. датчиков:"}, {"lblInterface", "Интерфейс:"}};
    int r = 0;
    for (const auto& [name, caption] : lines) {
        auto* label = SmallLabel(QString::fromUtf8(caption), devicePanel_);
        label->setFont(NarrowFont(10));
        label->setMinimumWidth(label->sizeHint().width());
        grid->addWidget(label, r, 0);
        auto* value = SmallLabel(QString(), devicePanel_);
        value->setObjectName(QString::fromLatin1(name));
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        grid->addWidget(value, r, 1);
        panelValues_[value->objectName()] = value;
        ++r;
    }
    grid->setColumnStretch(1, 1);
    return devicePanel_;
}

void TfrmMain::BuildTable() {
    table_ = new QTableWidget(1, 3, this);
    table_->setObjectName(QStringLiteral("SGTemp"));
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setMinimumSectionSize(15);
    table_->verticalHeader()->setDefaultSectionSize(15);
    table_->horizontalHeader()->setFixedHeight(16);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background: silver; border: 1px solid gray;"
                       " padding: 0px; }"));
    table_->setColumnWidth(0, 29);
    table_->setColumnWidth(1, 45);
    table_->setColumnWidth(2, 45);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTextElideMode(Qt::ElideNone);
    table_->setWordWrap(false);
    table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table_->setFont(NarrowFont());
    table_->horizontalHeader()->setFont(NarrowFont());
    table_->setHorizontalHeaderLabels({QString(), QString(), QString()});
    SetTableColour(tableColour_);

    auto* popup = new QMenu(table_);
    auto* copy = popup->addAction(QStringLiteral("Копировать"), this,
                                  [this] { QApplication::clipboard()->setText(CopyTableText()); });
    copy->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    copy->setShortcutContext(Qt::WidgetShortcut);
    table_->addAction(copy);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint& at) { popup->popup(table_->viewport()->mapToGlobal(at)); });
    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (row >= 0) emit SensorRowPicked(row + 1);
    });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(ColourOf(tableColour_), this);
        if (chosen.isValid()) SetTableColour(ColourValue(chosen));
    });
}

// --- Device panel ---------------------------------------------------------------------------

void TfrmMain::ShowPicture(int picture) {
    shownPicture_ = picture;
    picture_->setPixmap(QPixmap::fromImage(DevicePicture(picture)));
}

void TfrmMain::ShowDevicePanel() {
    if (!store_.HasDevice(store_.SelDevice())) return;
    const TDevSig& dev = store_.DevSig(store_.SelDevice());
    panelValues_[QStringLiteral("lblType")]->setText(Q(dev.TypeName));
    panelValues_[QStringLiteral("lblSerial")]->setText(Q(DeviceNumberText(dev.Serial, dev.Year)));
    panelValues_[QStringLiteral("lblFirmware")]->setText(Q(dev.Firmware));
    panelValues_[QStringLiteral("lblConnected")]->setText(Q(ConnectedText(dev.Cables, dev.Sensors)));
    panelValues_[QStringLiteral("lblMaxSensors")]->setText(QString::number(dev.MaxSensors));
    // An interface code without a name shows as its number rather than as the last device's.
    const auto iface = InterfaceName(dev.Interface);
    panelValues_[QStringLiteral("lblInterface")]->setText(
        iface ? QString::fromUtf8(iface->data(), static_cast<int>(iface->size()))
              : QString::number(dev.Interface));
    devicePanel_->show();
    ShowPicture(dev.Picture);
    repaint();
}

void TfrmMain::HideDevicePanel() {
    ShowPicture(0);
    repaint();
    devicePanel_->hide();
}

bool TfrmMain::DevicePanelShown() const { return !devicePanel_->isHidden(); }

QString TfrmMain::PanelValue(const QString& name) const {
    const auto it = panelValues_.find(name);
    return it == panelValues_.end() ? QString() : it->second->text();
}

// --- Status bar, lamps, captions ------------------------------------------------------------

void TfrmMain::SetStatusText(const QString& text) { status_->setText(text); }
QString TfrmMain::StatusText() const { return status_->text(); }
void TfrmMain::ReceptionLampRed() { reception_.SetLampGreen(false); }

void TfrmMain::Indicators::SetProgressMaximum(int maximum) { Bar->setMaximum(maximum); }
void TfrmMain::Indicators::SetProgress(int value) { Bar->setValue(value); }
int TfrmMain::Indicators::Progress() const { return Bar->value(); }
int TfrmMain::Indicators::ProgressMaximum() const { return Bar->maximum(); }
void TfrmMain::Indicators::SetCountdown(const std::string& hhnnss) {
    Countdown->setText(QString::fromStdString(hhnnss));
}
void TfrmMain::Indicators::SetLampGreen(bool green) { Light->SetColour(green ? Qt::green : Qt::red); }
void TfrmMain::Indicators::SetLampLit(bool lit) {
    Light->SetLit(lit);
    Light->repaint();
}
void TfrmMain::ClearStatusBar() { status_->clear(); }
void TfrmMain::PlainTitles() { setWindowTitle(QStringLiteral("Drumo")); }

void TfrmMain::StoreEmptied() {
    PlainTitles();
    HideDevicePanel();
    ReceptionLampRed();
    ClearStatusBar();
    ShowDeviceActions();
    ClearCableSelector();
    ClearTable();
}

// --- Life of the window ---------------------------------------------------------------------

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    emit FirstShown();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (closeQuery_ && !closeQuery_()) {
        event->ignore();
        return;
    }
    emit Closing();
    event->accept();
}

}  // namespace drumo
