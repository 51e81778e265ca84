#pragma once
// The windows of the acquisition commands, wired as in the program, with simulated device lines
// served on pseudo-terminals and mapped to port numbers through DRUMO_PORTS.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/ui/AcquisitionWiring.h"
#include "acquisition/ui/TfrmAlarm.h"
#include "acquisition/ui/TfrmFind.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/ui/TfrmMain.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"
#include "support/ScriptedOperator.h"

namespace drumo::test {

struct AcquisitionRig {
    ScriptedOperator op{Unscripted::Yes};
    NullLog early;
    MeasurementStore store{op, early};
    TfrmScanM scanM{store};
    TfrmMain main{store, op, scanM};
    TfrmAlarm alarmMax{TfrmAlarm::Kind::Upper};
    TfrmAlarm alarmMin{TfrmAlarm::Kind::Lower};
    ProgramSettings settings = DefaultSettings("/tmp");
    AcquisitionWiring wiring{{main, scanM, alarmMax, alarmMin}, store, settings, op, scanM};

    sim::ManualClock simClock;
    std::map<int, std::string> paths;
    std::vector<sim::SimLine> lines;

    AcquisitionRig() {
        store.AddListener(&scanM);
        QObject::connect(&scanM, &TfrmScanM::RowSelected, &main, [this](int, int) { main.RebuildView(); });
        MapPorts();
    }
    ~AcquisitionRig() {
        wiring.Find().SetLinkTest(false);
        if (store.Receiving) wiring.StopReceptionNow();
        main.Channel().Disconnect();
        for (auto& l : lines) l.Line->Close();
        store.RemoveListener(&scanM);
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
