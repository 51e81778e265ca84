#pragma once
// The search window "Поиск приборов". Its first page "Связь" holds the search settings and runs
// the device search; its second page "Тест связи" polls one device once a second and draws the
// share of answered requests. The window stays on top of the others and is centred on the main
// window whenever it is shown.
//
// The search and the link test are the station's, which knows who holds the line. The window
// implements the search window's part of what a search shows; the device manager's and the main
// window's parts go on to the peer view given by whoever wires the program.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include "acquisition/Discovery.h"
#include "acquisition/LinkTest.h"
#include "station/Station.h"

namespace drumo {

class Chart;

class TfrmFind : public QWidget, public SearchView {
    Q_OBJECT
public:
    // The station's search view is to be pointed at this window.
    TfrmFind(Station& station, Clock& clock, QWidget* parent = nullptr);
    ~TfrmFind() override;

    // The device manager's and main window's part of the search's view.
    void SetPeerView(SearchView* peer) { peer_ = peer; }
    // The window the search window centres on.
    void SetCentreOn(QWidget* window) { centreOn_ = window; }

    // --- The controls and the settings in use.
    SearchControls Controls() const;
    // What the controls hold, as search settings.
    SearchSettings ShownSettings() const { return SettingsFromControls(Controls()); }
    void SetControls(const SearchControls& controls);
    void SetBaudItem(int item);
    const SearchSettings& Settings() const { return settings_; }
    // "Применить": the controls become the settings in use and go to the channel.
    void ApplySearchSettings();

    // --- The search.
    // Shows the window on its first page; with autoFind searches at once and closes the window a
    // second after the search. Puts the link test's time axis on the next 60 seconds.
    void ShowSearchWindow(bool autoFind);
    void RunSearch();  // "Запустить поиск"; ignored while a search runs
    void StopSearch();  // "Прервать поиск"
    bool Searching() const { return station_.Searching(); }
    DeviceSearch& Search() { return station_.Search(); }

    // --- The link test.
    void SetLinkTest(bool on);  // the switch "Тест"
    bool LinkTestOn() const { return timerTest_.isActive(); }
    void LinkTestTick();
    const LinkTest& Test() const { return test_; }
    drumo::Chart& Chart() const { return *chart_; }
    QTimer& TimerTest() { return timerTest_; }

    // --- What the operator sees, by role.
    QString StatusText() const { return status_->text(); }
    QString PortText() const { return lblPort_->text(); }
    QString AddressText() const { return lblAddress_->text(); }
    QProgressBar* Progress() const { return progress_; }
    QTabWidget* Pages() const { return pages_; }
    QString AnsweredText() const { return lblAnswered_->text(); }
    QString MissedText() const { return lblMissed_->text(); }
    QString QualityText() const { return lblQuality_->text(); }
    QString ElapsedText() const { return lblElapsed_->text(); }
    QCheckBox* FollowBox() const { return cbFollow_; }

    // --- SearchView: the search window's part.
    void SearchStatus(const std::string& text) override;
    void PortLabel(const std::string& text) override;
    void AddressLabel(const std::string& text) override;
    void ProgressRange(int min, int max) override;
    void Progress(int position) override;
    void BusyCursor(bool on) override;
    void DefaultPortChosen(int port) override;
    // The rest goes to the peer.
    void AddRow(bool checkEnabled) override;
    void SetRowCheckEnabled(int row, bool enabled) override;
    void SetCell(int row, int column, const std::string& text) override;

    // Another procedure took the line from the link test: the switch goes off with its timer.
    void LinkTestStopped();

signals:
    void SearchFinished(bool found);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildSearchPage();
    QWidget* BuildTestPage();

    Station& station_;
    DeviceBus& bus_;
    SearchSettings& settings_;
    Clock& clock_;
    LinkTest test_;
    SearchView noPeer_;
    SearchView* peer_ = &noPeer_;
    QWidget* centreOn_ = nullptr;
    bool busy_ = false;

    QTabWidget* pages_ = nullptr;
    QButtonGroup* protocol_ = nullptr;
    QComboBox* cbBaud_ = nullptr;
    QSpinBox* sePort_ = nullptr;
    QSpinBox* seBegin_ = nullptr;
    QSpinBox* seFinish_ = nullptr;
    QCheckBox* cbAllPorts_ = nullptr;
    QSlider* tbDelay_ = nullptr;
    QLabel* lblPort_ = nullptr;
    QLabel* lblAddress_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;

    QCheckBox* cbTest_ = nullptr;
    QSpinBox* seTestAddr_ = nullptr;
    QLabel* lblAnswered_ = nullptr;
    QLabel* lblMissed_ = nullptr;
    QLabel* lblQuality_ = nullptr;
    QLabel* lblElapsed_ = nullptr;
    QCheckBox* cbFollow_ = nullptr;
    drumo::Chart* chart_ = nullptr;
    QTimer timerTest_;
};

}  // namespace drumo
