#pragma once
// "Update firmware": the firmware image in memory with its hex dump, and the buttons that fill it
// from a file or the device, write it into the device, compare, erase, switch the boot loader and
// identify the device again. Every exchange takes the station's line for the firmware update
// (which stops reception); a page loop keeps it until its last page and lets window events run
// before every page, so that the cancel button, closing the window and the one-second boot
// countdown work during a transfer. Writing and comparing are offered only while the image is
// whole (loaded from a file or read from the device completely); the status bar shows the outcome
// of the last operation, success or failure.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include <functional>

#include "station/Station.h"
#include "devices/Firmware.h"

namespace drumo {

class TfrmModbusFWUpd : public QDialog, private FirmwareView {
    Q_OBJECT
public:
    TfrmModbusFWUpd(Station& station, Operator& op, Clock& clock, QWidget* mainWindow);
    ~TfrmModbusFWUpd() override;

    // "Обновить прошивку прибора": stops reception, opens the default port when it is closed,
    // shows the window and identifies the device.
    void ShowFirmwareWindow();
    // The file the open dialog chose.
    bool LoadFile(const QString& path);
    // Closing the program: a running page loop stops at its next page.
    void StopLongLoops() { fw_.Abort(); }
    FirmwareUpdate& Engine() { return fw_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // FirmwareView.
    void Status(const std::string& text) override;
    void Progress(int page) override;
    void ShowIdentity(const FirmwareIdentity& identity) override;
    void BootSwitch(bool enabled, bool on) override;
    void TimeLabel(const std::string& text) override;
    void ClearDump() override;
    void AddDumpLines(const std::vector<std::string>& lines) override;
    void Working(bool on) override;
    void ImageWhole(bool whole) override;

    // Runs an operation with the line taken; nothing while a page loop runs or the line is held.
    bool Run(const std::function<bool()>& operation);
    uint8_t WantedAddress() const;
    void BootClicked(bool on);

    Station& station_;
    Operator& op_;
    QWidget* main_;
    FirmwareUpdate fw_;
    QTimer countdown_;
    QWidget* btnWrite_;
    QWidget* btnVerify_;
    QCheckBox* tsBoot_;
    QCheckBox* cbForce255_;
    QLabel* lbType_;
    QLabel* lbSerial_;
    QLabel* lbVersion_;
    QLabel* lbComment_;
    QLabel* lbCommentCaption_;
    QLabel* imgBios_;
    QLabel* imgFirmware_;
    QLabel* lbTime_;
    QProgressBar* pbProgress_;
    QPlainTextEdit* mmDump_;
    QStatusBar* sbStatus_;
    QWidget* corner_;
};

}  // namespace drumo
