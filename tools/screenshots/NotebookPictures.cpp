// Saves pictures of the notebook window into a folder (first argument, /tmp/drumo-shots by
// default): empty, with a notebook of three cables' records, and with an unsigned file.

#include <QApplication>

#include "station/Station.h"
#include "model/SafeFile.h"
#include "notebook/NotebookFile.h"
#include "notebook/NotebookRecords.h"
#include "notebook/ui/TfrmNoteBig.h"
#include "screenshots/Pictures.h"
#include "sim/Notebook.h"
#include "sim/SimData.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"

using namespace drumo;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString folder = shots::PictureFolder(argc, argv);
    test::FakeClock clock;
    test::FakeSerialPort port(clock);
    ConsoleOperator op(true);
    NullLog log;
    Station station(StationServices{port, op, log, clock, nullptr, "shots"});
    NotebookGraphs graphs;
    TfrmNoteBig w(station, op, graphs, "1.0.0.1");
    const auto save = [&](const QString& name) { shots::SavePicture(w, folder, name); };
    save(QStringLiteral("notebook-empty"));

    const auto content = sim::SampleNotebook({sim::MakeCable(2101, 1, 24), sim::MakeCable(0, 0, 8)}, sim::Climate(3),
                                             46000.5, 20, true);
    NotebookTable table;
    ParseRecords(content.Words, content.Records, '.', table);
    const std::string file = (folder + QStringLiteral("/shot.dmn")).toStdString();
    WriteNotebookFile(file, table, "Dorma-2/200 SN:01002 firmware:2.3", "1.0.0.1", 46000.5);
    w.Engine().Open(file);
    w.PanelLines(InfoPanelLines({content.Records, 1000, static_cast<int>(content.Words.size()), 32768, 1215, 1}, '.'));
    save(QStringLiteral("notebook-read"));

    std::string bytes;
    ReadSmallFile(file, bytes, 1 << 24);
    bytes[bytes.size() - 4] ^= 1;
    WriteFileSafely(file, bytes);
    w.Engine().Open(file);
    save(QStringLiteral("notebook-unsigned"));
    return 0;
}
