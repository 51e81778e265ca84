#pragma once
// The system trend and the thermal plots joined to the rest of the program: the main window's
// commands "Тренд системы", "Термоплеты" and "Печатать Тренд системы"; the device manager's line
// check boxes, colour swatches and row selection, which show, colour and emphasise the trend's
// lines; the lines made after a search or a load; reception's updates; the alarm markers of the
// program settings; and the two windows' settings sections "MGR" and "Plet".

#include <QObject>

#include <optional>

#include "acquisition/ManagerRows.h"
#include "model/StationEvents.h"

namespace drumo {

class Shell;
class AcquisitionWiring;
class FilesWiring;

class SystemTrendWiring : public QObject, public StationEvents {
    Q_OBJECT
public:
    SystemTrendWiring(Shell& shell, AcquisitionWiring& acquisition, FilesWiring& files);
    ~SystemTrendWiring() override;

    // The settings file was read / is about to be written.
    void LoadSettings();
    void SaveSettings();
    // The program closes: a thermal plot computation ends at its next check.
    void StopLongLoops();
    // After a search or a load: one line per cable, swatches and check boxes in the device
    // manager, the lines of the checked rows shown.
    void CreateLines();

    // --- StationEvents: reception's start shows the whole trend unless "АвтоЗум" is on; every
    // packet extends it.
    void ReceptionStarted(bool fresh) override;
    void PacketReceived(DateTime time, int bytes) override;

private:
    std::optional<CableRef> CableAt(int row) const;
    void ShowCheckedLines();

    Shell& shell_;
};

}  // namespace drumo
