#pragma once
// The windows of the acquisition commands over the station the program builds, wired as in it, with simulated device lines
// served on pseudo-terminals and mapped to port numbers through DRUMO_PORTS.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/AcquisitionWiring.h"
#include "acquisition/ui/TfrmAlarm.h"
#include "acquisition/ui/TfrmFind.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/DesktopStation.h"
#include "app/ui/ProgramWiring.h"
#include "app/ui/TfrmMain.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"
#include "support/ScriptedOperator.h"
#include "support/Widgets.h"

namespace drumo::test {

struct AcquisitionRig {
    ScriptedOperator op{Unscripted::Yes};
    DesktopStation desktop{op};
    Station& station = desktop.Get();
    MeasurementStore& store = station.Store();
    TfrmScanM scanM{store};
    TfrmMain main{store, op, scanM};
    TfrmAlarm alarmMax{TfrmAlarm::Kind::Upper};
    TfrmAlarm alarmMin{TfrmAlarm::Kind::Lower};
    ProgramSettings& settings = station.Settings();
    AcquisitionWiring wiring{{main, main, scanM, alarmMax, alarmMin}, station, op, scanM};

    sim::ManualClock simClock;
    std::map<int, std::string> paths;
    std::vector<sim::SimLine> lines;

    AcquisitionRig() {
        station.UseSettings(DefaultSettings("/tmp"));
        desktop.Log().Attach(&scanM);
        station.SetViews({&wiring.Find(), &wiring});
        store.Events().Subscribe(&scanM);
        JoinAcquisitionCommands(main, wiring);
        MapPorts();
    }
    ~AcquisitionRig() {
        wiring.Find().SetLinkTest(false);
        if (store.Receiving()) wiring.StopReceptionNow();
        station.Bus().Disconnect();
        for (auto& l : lines) l.Line->Close();
        store.Events().Unsubscribe(&scanM);
        station.SetViews({});
        desktop.Log().Attach(nullptr);
        unsetenv("DRUMO_PORTS");
    }

    // Ports 1..16 lead nowhere unless a line is served there.
    void MapPorts() {
        std::string list;
        for (int p = 1; p <= 16; ++p)
            list += std::to_string(p) + "=" +
                    (paths.count(p) ? paths[p] : "/nonexistent/tty" + std::to_string(p)) + ",";
        setenv("DRUMO_PORTS", list.c_str(), 1);
    }

    sim::SimLine& Serve(int port, const std::string& preset) {
        std::string error;
        auto line = sim::BuildLine(*sim::PresetConfig(preset), simClock, error);
        if (!line) qFatal("%s", error.c_str());
        if (!line->Line->Open()) qFatal("%s", line->Line->Error().c_str());
        if (line->Command) line->Command->Streaming = false;
        line->Line->Start();
        paths[port] = line->Line->SlavePath();
        MapPorts();
        lines.push_back(std::move(*line));
        return lines.back();
    }

    template <class F>
    auto Locked(sim::SimLine& line, F&& f) {
        return line.Line->With(std::forward<F>(f));
    }

    TfrmFind& Find() { return wiring.Find(); }

    // The search window set to one protocol, port 3, no search over other ports.
    void Controls(int protocolItem, int first = 1, int last = 4) {
        SearchControls c = Find().Controls();
        c.ProtocolItem = protocolItem;
        c.PortDefault = 3;
        c.AutoPortEnabled = false;
        c.FindBeginAddr = first;
        c.FindFinishAddr = last;
        c.TestModbusAddr = 2;
        Find().SetControls(c);
    }

    void Click(QWidget& window, const char* button) {
        auto* b = window.findChild<QAbstractButton*>(QString::fromLatin1(button));
        QVERIFY2(b, button);
        b->click();
    }

    bool LogHas(const QString& text) const {
        for (const QString& line : scanM.LogLines())
            if (line.contains(text)) return true;
        return false;
    }
};

}  // namespace drumo::test
