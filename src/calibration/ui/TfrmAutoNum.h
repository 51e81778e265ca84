#pragma once
// The numbering window "Нумератор": a small window on top of the others that watches the running
// measurements once a second and numbers the sensor the operator warms by hand (the engine's
// SensorNumbering), with the rise shown as a bar and the result as a coloured label and tones.

#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <functional>

#include "calibration/CalibrationGraphs.h"
#include "calibration/Numbering.h"
#include "calibration/ui/Tones.h"

namespace drumo {

struct AutoNumHooks {
    // The correction window rests while the numbering runs.
    std::function<void(bool)> Running = [](bool) {};
    // Codes were written into the correction table.
    std::function<void()> TableChanged = [] {};
    // The run ended: the correction window puts its reference markers back.
    std::function<void()> Stopped = [] {};
};

class TfrmAutoNum : public QWidget {
    Q_OBJECT
public:
    TfrmAutoNum(CorrectionTable& table, const MeasurementStore& store, CalibrationGraphs& graphs, Clock& clock,
                AutoNumHooks hooks, QWidget* parent = nullptr);

    SensorNumbering& Run() { return run_; }
    QLabel* Finded() const { return finded_; }
    QProgressBar* LevelBar() const { return bar_; }
    QLabel* LevelLabel() const { return level_; }
    QSlider* LevelSlider() const { return tbLevel_; }
    QSlider* DriftSlider() const { return tbDrift_; }
    QTimer& Timer() { return timer_; }
    QString StatusText() const;
    void SetSoundOn(bool on);

    void Start();
    void Pause();
    void Stop();
    void Tick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowLevel();
    void SetFindedColour(NumberingColour colour);

    CorrectionTable& table_;
    const MeasurementStore& store_;
    CalibrationGraphs& graphs_;
    Clock& clock_;
    AutoNumHooks hooks_;
    SensorNumbering run_;
    TonePlayer tones_;
    QTimer timer_;
    QLabel* finded_;
    QProgressBar* bar_;
    QLabel* level_;
    QLabel* dlevel_;
    QSlider* tbLevel_;
    QSlider* tbDrift_;
    QToolButton* sound_;
    QStatusBar* status_;
    bool soundOn_ = false;
    int levelTop0_ = 150;
};

}  // namespace drumo
