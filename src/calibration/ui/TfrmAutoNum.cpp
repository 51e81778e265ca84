#include "calibration/ui/TfrmAutoNum.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

#include "model/Formats.h"

namespace drumo {

namespace {

constexpr int BarHeight = 200;

QSlider* TrackBar(const char* name, const QString& hint) {
    auto* bar = new QSlider(Qt::Vertical);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, NumberingPositions - 1);
    bar->setInvertedAppearance(true);  // position 0 at the top
    bar->setTickPosition(QSlider::TicksRight);
    bar->setPageStep(1);
    bar->setToolTip(hint);
    bar->setFixedHeight(110);
    return bar;
}

// A track bar with its title above and the labels of its positions beside it, top to bottom.
QWidget* TrackColumn(const QString& title, QSlider* bar, const char* (*label)(int)) {
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(0);
    grid->addWidget(new QLabel(title), 0, 0, 1, 2);
    grid->addWidget(bar, 1, 0, NumberingPositions, 1);
    for (int p = 0; p < NumberingPositions; ++p) {
        auto* text = new QLabel(QString::fromUtf8(label(p)));
        QFont f = text->font();
        f.setPixelSize(10);
        text->setFont(f);
        grid->addWidget(text, p + 1, 1);
    }
    return box;
}

}  // namespace

TfrmAutoNum::TfrmAutoNum(CorrectionTable& table, const MeasurementStore& store, CalibrationGraphs& graphs,
                         Clock& clock, AutoNumHooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), table_(table), store_(store), graphs_(graphs),
      clock_(clock), hooks_(std::move(hooks)), run_(table, store), tones_(this), finded_(new QLabel(QStringLiteral("Ready"))),
      bar_(new QProgressBar), level_(new QLabel(QStringLiteral("0.00__"))), dlevel_(new QLabel),
      tbLevel_(TrackBar("TBLevel", QStringLiteral("Порог обнаружения датчика"))),
      tbDrift_(TrackBar("TBDrift", QStringLiteral("Компенсировать дрейф температуры\nдатчиков через указанное время"))),
      sound_(new QToolButton), status_(new QStatusBar) {
    setObjectName(QStringLiteral("frmAutoNum"));
    setWindowTitle(QStringLiteral("Нумератор"));

    finded_->setObjectName(QStringLiteral("RxLabelFinded"));
    finded_->setAlignment(Qt::AlignCenter);
    finded_->setAutoFillBackground(true);
    QFont big = finded_->font();
    big.setPixelSize(28);
    big.setBold(true);
    finded_->setFont(big);
    finded_->setMinimumSize(220, 48);

    bar_->setObjectName(QStringLiteral("ProgBarLevel"));
    bar_->setOrientation(Qt::Vertical);
    bar_->setRange(0, BarHeight);
    bar_->setTextVisible(false);
    bar_->setFixedSize(18, 150);
    level_->setObjectName(QStringLiteral("RxLabelLevel"));
    dlevel_->setObjectName(QStringLiteral("RxLabelDLevel"));
    // The two level texts move beside the bar: a panel without a layout holds them.
    auto* scale = new QWidget;
    scale->setFixedSize(60, 150);
    level_->setParent(scale);
    dlevel_->setParent(scale);
    levelTop0_ = 150 - 16;  // the rise label rests at the bottom of the bar
    level_->move(0, levelTop0_);
    dlevel_->move(0, static_cast<int>(std::lround(levelTop0_ - levelTop0_ * 0.666)));

    auto* buttons = new QHBoxLayout;
    const struct {
        const char* name;
        QStyle::StandardPixmap icon;
        const char* hint;
        void (TfrmAutoNum::*action)();
    } commands[] = {{"BBStart", QStyle::SP_MediaPlay, "Запустить сортировку", &TfrmAutoNum::Start},
                    {"BBPause", QStyle::SP_MediaPause, "Приостановить сортировку", &TfrmAutoNum::Pause},
                    {"bbStop", QStyle::SP_MediaStop, "Прервать сортировку", &TfrmAutoNum::Stop}};
    for (const auto& c : commands) {
        auto* b = new QToolButton;
        b->setObjectName(QString::fromLatin1(c.name));
        b->setIcon(style()->standardIcon(c.icon));
        b->setToolTip(QString::fromUtf8(c.hint));
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, c.action);
        buttons->addWidget(b);
    }
    sound_->setObjectName(QStringLiteral("ImageSound"));
    sound_->setToolTip(QStringLiteral("Включить/выключить звук"));
    sound_->setAutoRaise(true);
    connect(sound_, &QToolButton::clicked, this, [this] { SetSoundOn(!soundOn_); });
    buttons->addStretch(1);
    buttons->addWidget(sound_);
    SetSoundOn(false);

    auto* middle = new QHBoxLayout;
    middle->addWidget(bar_);
    middle->addWidget(scale);
    middle->addWidget(TrackColumn(QStringLiteral("detect level"), tbLevel_, &DetectionLevelLabel));
    middle->addWidget(TrackColumn(QStringLiteral("antidrift"), tbDrift_, &DriftPeriodLabel));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(finded_);
    layout->addLayout(buttons);
    layout->addLayout(middle);
    status_->setSizeGripEnabled(false);
    // The window is as wide as the longest progress line of a long run.
    status_->setMinimumWidth(
        status_->fontMetrics().horizontalAdvance(QStringLiteral("Beg=99999 Cur=99999 Drift=00:00:00 Work=00:00:00")) + 16);
    layout->addWidget(status_);

    connect(tbLevel_, &QSlider::valueChanged, this, [this](int p) {
        run_.Level = DetectionLevel(p);
        ShowLevel();
    });
    connect(tbDrift_, &QSlider::valueChanged, this, [this](int p) { run_.DriftSeconds = DriftPeriodSeconds(p); });
    tbLevel_->setValue(3);
    tbDrift_->setValue(3);
    run_.Level = DetectionLevel(3);
    run_.DriftSeconds = DriftPeriodSeconds(3);
    ShowLevel();

    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &TfrmAutoNum::Tick);
}

void TfrmAutoNum::ShowLevel() {
    dlevel_->setText(QString::fromStdString(NumberText(run_.Level)) + QStringLiteral("__"));
    dlevel_->adjustSize();
}

void TfrmAutoNum::SetSoundOn(bool on) {
    soundOn_ = on;
    sound_->setIcon(style()->standardIcon(on ? QStyle::SP_MediaVolume : QStyle::SP_MediaVolumeMuted));
    sound_->setObjectName(on ? QStringLiteral("ImageSound") : QStringLiteral("ImageSoundNo"));
}

QString TfrmAutoNum::StatusText() const { return status_->currentMessage(); }

void TfrmAutoNum::SetFindedColour(NumberingColour colour) {
    QPalette p = finded_->palette();
    p.setColor(QPalette::Window, colour == NumberingColour::Red     ? QColor(255, 0, 0)
                                 : colour == NumberingColour::Green ? QColor(0, 255, 0)
                                                                    : palette().color(QPalette::Window));
    finded_->setPalette(p);
}

void TfrmAutoNum::Start() {
    const bool wasRunning = run_.Running();
    std::vector<int> shown;
    if (!run_.Start(clock_.Now(), &shown) || wasRunning) return;
    timer_.start();
    hooks_.Running(true);
    finded_->setText(QStringLiteral("Start"));
    for (int line : shown) graphs_.ShowLine(line, true);
    hooks_.TableChanged();
}

void TfrmAutoNum::Pause() {
    if (!run_.Running()) return;
    if (run_.Pause()) finded_->setText(QStringLiteral("Pause"));
}

void TfrmAutoNum::Stop() {
    timer_.stop();
    run_.Stop();
    SetFindedColour(NumberingColour::Face);
    finded_->setText(QStringLiteral("Stop"));
    bar_->setValue(0);
    level_->move(0, levelTop0_);
    level_->setText(QStringLiteral("0.00__"));
    hooks_.Running(false);
    hooks_.Stopped();
    for (int line : run_.OrdinarySensors()) graphs_.ShowLine(line, true);
}

void TfrmAutoNum::Tick() {
    const NumberingTick tick = run_.Tick(clock_.Now(), levelTop0_);
    if (!tick.Ran) return;
    SetFindedColour(tick.Colour);
    if (soundOn_) tones_.Play(NumberingTones(tick.Sound));
    status_->showMessage(QString::fromStdString(tick.Status));
    if (tick.LevelShown) {
        bar_->setValue(std::clamp(tick.Bar, 0, BarHeight));
        level_->move(0, tick.LabelTop);
        level_->setText(QString::fromStdString(tick.LevelText));
        level_->adjustSize();
    }
    if (tick.Best > 0) {
        graphs_.PlaceMarkerS25(tick.Marker);
        graphs_.SetTrackedLine(tick.Best);
    }
    if (tick.Numbered > 0) {
        graphs_.ShowLine(tick.Numbered, false);
        hooks_.TableChanged();
    }
    if (!tick.Caption.empty()) finded_->setText(QString::fromStdString(tick.Caption));
    if (tick.Stopped) Stop();
}

void TfrmAutoNum::closeEvent(QCloseEvent* event) {
    if (run_.Running()) Stop();
    QWidget::closeEvent(event);
}

}  // namespace drumo
