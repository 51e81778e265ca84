#include "acquisition/ui/TfrmFind.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

#include "model/Formats.h"
#include "views/ui/Chart.h"

namespace drumo {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QSpinBox* SpinBox(int min, int max, int value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(min, max);
    box->setValue(value);
    return box;
}

}  // namespace

TfrmFind::TfrmFind(Station& station, Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      station_(station), bus_(station.Bus()), settings_(station.SearchSettingsInUse()), clock_(clock) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Поиск приборов"));

    pages_ = new QTabWidget(this);
    pages_->addTab(BuildSearchPage(), QStringLiteral("Связь"));
    pages_->addTab(BuildTestPage(), QStringLiteral("Тест связи"));

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("stbFind"));
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 2);
    layout->addWidget(pages_, 1);
    layout->addWidget(status_);

    timerTest_.setInterval(1000);
    connect(&timerTest_, &QTimer::timeout, this, &TfrmFind::LinkTestTick);
    SetControls(ControlsFromSettings(settings_));
    resize(430, 360);
}

TfrmFind::~TfrmFind() = default;

QWidget* TfrmFind::BuildSearchPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    auto* group = new QGroupBox(QStringLiteral(" Протокол обмена "), page);
    auto* groupLayout = new QVBoxLayout(group);
    protocol_ = new QButtonGroup(this);
    auto* hexar = new QRadioButton(QStringLiteral("Hexar"), group);
    auto* modbus = new QRadioButton(QStringLiteral("Modbus RTU"), group);
    hexar->setObjectName(QStringLiteral("rbHexar"));
    modbus->setObjectName(QStringLiteral("rbModbus"));
    protocol_->addButton(hexar, 0);
    protocol_->addButton(modbus, 1);
    groupLayout->addWidget(hexar);
    groupLayout->addWidget(modbus);
    grid->addWidget(group, 0, 0, 2, 1);

    grid->addWidget(new QLabel(QStringLiteral("Скорость обмена"), page), 0, 1);
    cbBaud_ = new QComboBox(page);
    cbBaud_->setObjectName(QStringLiteral("CBBaud"));
    for (int i = 0; i < BaudItemCount; ++i) cbBaud_->addItem(QString::fromUtf8(BaudItemText(i)));
    grid->addWidget(cbBaud_, 0, 2);

    grid->addWidget(new QLabel(QStringLiteral("Порт по умолчанию"), page), 1, 1);
    sePort_ = SpinBox(1, 255, 3, page);
    sePort_->setObjectName(QStringLiteral("SEPort"));
    grid->addWidget(sePort_, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("Диапазон поиска адресов Modbus"), page), 2, 0);
    seBegin_ = SpinBox(1, 255, 1, page);
    seBegin_->setObjectName(QStringLiteral("SEBeginAddr"));
    seBegin_->setToolTip(QStringLiteral("Начальный адрес сканирования"));
    seFinish_ = SpinBox(1, 255, 247, page);
    seFinish_->setObjectName(QStringLiteral("SEFinishAddr"));
    seFinish_->setToolTip(QStringLiteral("Конечный адрес сканирования"));
    grid->addWidget(seBegin_, 2, 1);
    grid->addWidget(seFinish_, 2, 2);

    cbAllPorts_ = new QCheckBox(QStringLiteral("Поиск прибора по всем (1-255) портам"), page);
    cbAllPorts_->setObjectName(QStringLiteral("CBAutoPort"));
    grid->addWidget(cbAllPorts_, 3, 0, 1, 3);

    auto* delayBox = new QGroupBox(QStringLiteral("Таймаут ответа"), page);
    auto* delayLayout = new QGridLayout(delayBox);
    tbDelay_ = new QSlider(Qt::Horizontal, delayBox);
    tbDelay_->setObjectName(QStringLiteral("TBDelay"));
    tbDelay_->setRange(0, 3);
    tbDelay_->setPageStep(1);
    tbDelay_->setTickPosition(QSlider::TicksBelow);
    tbDelay_->setTickInterval(1);
    delayLayout->addWidget(tbDelay_, 0, 0, 1, 4);
    const char* const delays[] = {"100 ms", "200 ms", "400 ms", "800 ms"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromLatin1(delays[i]), delayBox);
        label->setAlignment(i == 0 ? Qt::AlignLeft : i == 3 ? Qt::AlignRight : Qt::AlignCenter);
        delayLayout->addWidget(label, 1, i);
    }
    grid->addWidget(delayBox, 4, 0, 1, 3);

    lblPort_ = new QLabel(QStringLiteral("Порт:"), page);
    lblPort_->setObjectName(QStringLiteral("lblPort"));
    lblAddress_ = new QLabel(QStringLiteral("Адрес:"), page);
    lblAddress_->setObjectName(QStringLiteral("lblAddress"));
    grid->addWidget(lblPort_, 5, 0);
    grid->addWidget(lblAddress_, 5, 1, 1, 2);
    progress_ = new QProgressBar(page);
    progress_->setObjectName(QStringLiteral("PBFind"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    grid->addWidget(progress_, 6, 0, 1, 3);

    auto* buttons = new QGridLayout;
    auto* start = new QPushButton(QStringLiteral("Запустить поиск"), page);
    start->setObjectName(QStringLiteral("btnStart"));
    auto* stop = new QPushButton(QStringLiteral("Прервать поиск"), page);
    stop->setObjectName(QStringLiteral("btnStop"));
    auto* stopExit = new QPushButton(QStringLiteral("Прервать поиск и выйти"), page);
    stopExit->setObjectName(QStringLiteral("btnStopExit"));
    auto* apply = new QPushButton(QStringLiteral("Применить"), page);
    apply->setObjectName(QStringLiteral("btnApply"));
    apply->setToolTip(QStringLiteral("Применить настройки порта"));
    buttons->addWidget(start, 0, 0);
    buttons->addWidget(stop, 0, 1);
    buttons->addWidget(stopExit, 1, 0);
    buttons->addWidget(apply, 1, 1);
    grid->addLayout(buttons, 7, 0, 1, 3);
    grid->setRowStretch(8, 1);

    connect(start, &QPushButton::clicked, this, &TfrmFind::RunSearch);
    connect(stop, &QPushButton::clicked, this, &TfrmFind::StopSearch);
    connect(stopExit, &QPushButton::clicked, this, &QWidget::close);
    connect(apply, &QPushButton::clicked, this, &TfrmFind::ApplySearchSettings);
    return page;
}

QWidget* TfrmFind::BuildTestPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* top = new QGridLayout;

    cbTest_ = new QCheckBox(QStringLiteral("Тест"), page);
    cbTest_->setObjectName(QStringLiteral("CBTest"));
    top->addWidget(cbTest_, 0, 0);
    top->addWidget(new QLabel(QStringLiteral("Адрес Modbus"), page), 0, 1);
    seTestAddr_ = SpinBox(1, 255, 1, page);
    seTestAddr_->setObjectName(QStringLiteral("SETestAddr"));
    top->addWidget(seTestAddr_, 0, 2);
    cbFollow_ = new QCheckBox(QStringLiteral("Слежение"), page);
    cbFollow_->setObjectName(QStringLiteral("CBFollow"));
    cbFollow_->setChecked(true);
    top->addWidget(cbFollow_, 0, 3);

    const auto counter = [&](int row, int column, const QString& caption, const char* name) {
        top->addWidget(new QLabel(caption, page), row, column);
        auto* value = new QLabel(QStringLiteral("0"), page);
        value->setObjectName(QString::fromLatin1(name));
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        top->addWidget(value, row, column + 1);
        return value;
    };
    lblAnswered_ = counter(1, 0, QStringLiteral("Успешно"), "lblAnswered");
    lblMissed_ = counter(1, 2, QStringLiteral("Пропущено"), "lblMissed");
    lblQuality_ = counter(2, 0, QStringLiteral("Качество"), "lblQuality");
    lblElapsed_ = counter(2, 2, QStringLiteral("Время"), "lblElapsed");
    lblQuality_->setText(QStringLiteral("0.000"));
    lblElapsed_->setText(QStringLiteral("00:00:00"));
    layout->addLayout(top);

    chart_ = new drumo::Chart(page);
    chart_->setObjectName(QStringLiteral("chTest"));
    chart_->setMinimumHeight(150);
    // The share of answered requests: all of them in blue, the last ten in green.
    for (const QColor& colour : {QColor(Qt::blue), QColor(0, 160, 0)}) {
        const int line = chart_->AddLine(colour);
        chart_->SetLineWidth(line, 2);
        chart_->SetPointsVisible(line, false);
    }
    chart_->SetAxisRange(ChartAxis::Left, 0, 1.05);
    chart_->SetAxisTickStep(ChartAxis::Left, 0.2);
    chart_->SetAxisDateTimeLabels(ChartAxis::Bottom, QStringLiteral("hh:mm:ss"));
    chart_->SetAxisTickStep(ChartAxis::Bottom, 15 * OneSecond);
    for (ChartAxis axis : {ChartAxis::Left, ChartAxis::Bottom}) chart_->SetGrid(axis, true, QColor(200, 200, 200));
    chart_->SetPanZoomDirections({});
    layout->addWidget(chart_, 1);

    connect(cbTest_, &QCheckBox::clicked, this, &TfrmFind::SetLinkTest);
    return page;
}

// --- Controls and settings -------------------------------------------------------------------

SearchControls TfrmFind::Controls() const {
    SearchControls c;
    c.ProtocolItem = protocol_->checkedId() == 1 ? 1 : 0;
    c.BaudItem = cbBaud_->currentIndex();
    c.PortDefault = sePort_->value();
    c.FindBeginAddr = seBegin_->value();
    c.FindFinishAddr = seFinish_->value();
    c.AutoPortEnabled = cbAllPorts_->isChecked();
    c.DelayPosition = tbDelay_->value();
    c.TestModbusAddr = seTestAddr_->value();
    return c;
}

void TfrmFind::SetControls(const SearchControls& c) {
    protocol_->button(c.ProtocolItem == 1 ? 1 : 0)->setChecked(true);
    SetBaudItem(c.BaudItem);
    sePort_->setValue(c.PortDefault);
    seBegin_->setValue(c.FindBeginAddr);
    seFinish_->setValue(c.FindFinishAddr);
    cbAllPorts_->setChecked(c.AutoPortEnabled);
    tbDelay_->setValue(c.DelayPosition);
    seTestAddr_->setValue(c.TestModbusAddr);
}

void TfrmFind::SetBaudItem(int item) {
    cbBaud_->setCurrentIndex(item >= 0 && item < BaudItemCount ? item : 3);
}

void TfrmFind::ApplySearchSettings() {
    drumo::ApplySearchSettings(ShownSettings(), settings_, bus_);
}

// --- The search ------------------------------------------------------------------------------

void TfrmFind::ShowSearchWindow(bool autoFind) {
    pages_->setCurrentIndex(0);
    show();
    raise();
    activateWindow();
    if (autoFind) {
        RunSearch();
        QTimer::singleShot(1000, this, [this] {
            if (!Searching()) hide();
        });
    }
    test_.SetAxisFrom(clock_.Now());
    chart_->SetAxisRange(ChartAxis::Bottom, test_.AxisStart(), test_.AxisEnd());
}

void TfrmFind::RunSearch() {
    if (Searching()) return;
    const bool found = station_.RunSearch(ShownSettings());
    emit SearchFinished(found);
}

void TfrmFind::StopSearch() { station_.Search().Stop(); }

// --- The link test ---------------------------------------------------------------------------

void TfrmFind::SetLinkTest(bool on) {
    if (!on) {
        timerTest_.stop();
        cbTest_->setChecked(false);
        station_.StopLinkTest();
        return;
    }
    if (timerTest_.isActive()) return;
    // The station stops reception first, and refuses while a long procedure holds the line.
    if (!station_.StartLinkTest(ShownSettings())) {
        cbTest_->setChecked(false);
        return;
    }
    cbTest_->setChecked(true);
    test_.Reset(clock_.Now());
    chart_->ClearLine(0);
    chart_->ClearLine(1);
    chart_->SetAxisRange(ChartAxis::Bottom, test_.AxisStart(), test_.AxisEnd());
    lblAnswered_->setText(QStringLiteral("0"));
    lblMissed_->setText(QStringLiteral("0"));
    timerTest_.start();
}

void TfrmFind::LinkTestTick() {
    // A search lets the timer fire between its addresses; the test's request would then fall
    // between two of the search's transactions and could be taken for a device's reply.
    if (Searching()) return;
    test_.Tick(bus_, settings_.Protocol, seTestAddr_->value());
    const DateTime now = clock_.Now();
    lblAnswered_->setText(QString::number(test_.Answered()));
    lblMissed_->setText(QString::number(test_.Missed()));
    lblQuality_->setText(Q(test_.QualityText(DecimalMark())));
    lblElapsed_->setText(Q(test_.ElapsedText(now)));
    chart_->SuspendRepaint();
    chart_->AppendPoint(0, now, test_.Quality());
    chart_->AppendPoint(1, now, test_.RecentShare());
    if (cbFollow_->isChecked() && test_.FollowAxis(now))
        chart_->SetAxisRange(ChartAxis::Bottom, test_.AxisStart(), test_.AxisEnd());
    chart_->ResumeRepaint();
}

void TfrmFind::LinkTestStopped() {
    timerTest_.stop();
    cbTest_->setChecked(false);
}

// --- What the search shows -------------------------------------------------------------------

void TfrmFind::SearchStatus(const std::string& text) {
    status_->setText(Q(text));
    peer_->SearchStatus(text);
}

void TfrmFind::PortLabel(const std::string& text) { lblPort_->setText(Q(text)); }
void TfrmFind::AddressLabel(const std::string& text) { lblAddress_->setText(Q(text)); }

void TfrmFind::ProgressRange(int min, int max) { progress_->setRange(min, max); }
void TfrmFind::Progress(int position) {
    if (position < progress_->minimum()) progress_->setMinimum(position);
    progress_->setValue(position);
}

void TfrmFind::BusyCursor(bool on) {
    if (on == busy_) return;
    busy_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfrmFind::DefaultPortChosen(int port) { sePort_->setValue(port); }

void TfrmFind::AddRow(bool checkEnabled) { peer_->AddRow(checkEnabled); }
void TfrmFind::SetRowCheckEnabled(int row, bool enabled) { peer_->SetRowCheckEnabled(row, enabled); }
void TfrmFind::SetCell(int row, int column, const std::string& text) { peer_->SetCell(row, column, text); }

// --- Life of the window ----------------------------------------------------------------------

void TfrmFind::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    pages_->setCurrentIndex(0);
    if (centreOn_) {
        const QRect outer = centreOn_->frameGeometry();
        move(outer.center() - QPoint(width() / 2, height() / 2));
    }
}

void TfrmFind::closeEvent(QCloseEvent* event) {
    station_.Search().Stop();
    SetLinkTest(false);
    QWidget::closeEvent(event);
}

}  // namespace drumo
