// The device catalogue and the measurement store: look-ups, the store's invariants after each
// operation and after sequences of them, and the questions, log lines and notices of emptying.

#include "model/DeviceTypes.h"
#include "model/Store.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace drumo {
namespace {

using test::RecordingLog;

// Records every notice by name; as the store's guard it can pretend a search runs and watches the
// store when reception is stopped.
class RecordingListener final : public StationEvents, public StoreGuard {
public:
    explicit RecordingListener(const MeasurementStore* store = nullptr) : store_(store) {}
    std::vector<std::string> calls;
    bool searching = false;
    int selDeviceAtStop = -1;
    size_t devicesAtStop = 0;

    bool SearchRunning() const override { return searching; }
    void StopReception() override {
        calls.push_back("StopReception");
        if (store_) {
            selDeviceAtStop = store_->SelDevice();
            devicesAtStop = store_->Devices();
        }
    }
    void StoreCleared() override { calls.push_back("StoreCleared"); }
    void StoreEmptied() override { calls.push_back("StoreEmptied"); }
    void SelectionChanged() override { calls.push_back("SelectionChanged"); }
    void SampleAdded(const SamplePlace& p) override {
        calls.push_back("SampleAdded " + std::to_string(p.Device) + "/" + std::to_string(p.Cable));
    }

private:
    const MeasurementStore* store_;
};

// Every invariant the store promises, checked from the outside.
void ExpectInvariants(const MeasurementStore& st) {
    uint64_t valid = 0;
    DateTime first = NoFirstSampleTime, last = NoLastSampleTime;
    ASSERT_EQ(st.DevSigs().size(), st.Devices());
    for (size_t d = 0; d < st.Devices(); ++d) {
        const size_t cables = st.Cables(d);
        ASSERT_EQ(st.CableSerials(d).size(), cables);
        ASSERT_EQ(st.CableKinds(d).size(), cables);
        for (size_t c = 0; c < cables; ++c) {
            const size_t samples = st.SampleTimes(d, c).size();
            ASSERT_EQ(st.SampleCount(d, c), samples);
            ASSERT_EQ(st.SensorLabels(d, c).size(), st.Sensors(d, c));
            ASSERT_LE(st.Sensors(d, c), 255u);
            for (size_t s = 0; s < st.Sensors(d, c); ++s) {
                const auto& series = st.Samples(d, c, s);
                ASSERT_EQ(series.size(), samples) << d << "/" << c << "/" << s;
                valid += std::count_if(series.begin(), series.end(),
                                       [](Temperature v) { return v != NoValue; });
            }
            for (DateTime t : st.SampleTimes(d, c)) {
                first = std::min(first, t);
                last = std::max(last, t);
            }
        }
    }
    EXPECT_EQ(st.ValidValues(), valid);
    EXPECT_LE(st.FirstSampleTime(), first);
    EXPECT_GE(st.LastSampleTime(), last);
}

class StoreTest : public ::testing::Test {
protected:
    test::ScriptedOperator op;
    RecordingLog log;
    MeasurementStore store{op, log};
    RecordingListener listener{&store};

    void SetUp() override {
        store.Events().Subscribe(&listener);
        store.SetGuard(&listener);
    }

    // Two devices: the first with cables of 3 and 2 sensors, the second with one cable of 4.
    void Configure() {
        store.SetDeviceCount(2);
        store.SetCableCount(0, 2);
        store.SetSensorCount(0, 0, 3);
        store.SetSensorCount(0, 1, 2);
        store.SetCableCount(1, 1);
        store.SetSensorCount(1, 0, 4);
        store.CountDevice();
        store.CountDevice();
        store.CountCables(3, 9);
    }
    // Live data: one sample on each cable.
    void Receive() {
        const Temperature a[] = {2153, NoValue, -120};
        const Temperature b[] = {100, 200};
        const Temperature c[] = {1, 2, 3, NoValue};
        store.AppendSample(0, 0, 45000.5, a);
        store.AppendSample(0, 1, 45000.5, b);
        store.AppendSample(1, 0, 45000.6, c);
    }
};

TEST(DeviceTypes, LookUpByCodeAndName) {
    EXPECT_EQ(FindTypeByCode(100), 1);
    EXPECT_EQ(FindTypeByCode(101), 2);
    EXPECT_EQ(FindTypeByCode(107), 6);
    EXPECT_EQ(FindTypeByCode(122), 8);
    for (uint16_t unknown : {0, 102, 104, 108, 119, 121, 65535}) {
        EXPECT_EQ(FindTypeByCode(unknown), 0) << unknown;
    }
    EXPECT_EQ(FindTypeByName("Dorma-2/200"), 4);
    EXPECT_EQ(FindTypeByName("Sevio-1/100-K"), 7);
    EXPECT_EQ(FindTypeByName("dorma-2/200"), 0);   // case matters
    EXPECT_EQ(FindTypeByName("Dorma-2/200 "), 0);  // whole string
    EXPECT_EQ(FindTypeByName("Unknown"), 0);       // entry 0 is never matched
    EXPECT_EQ(FindTypeByName(""), 0);
}

TEST(DeviceTypes, UnknownEntryAndCapabilities) {
    const TDAct& unknown = DeviceTypes[FindTypeByCode(102)];
    EXPECT_EQ(unknown.Name, "Unknown");
    EXPECT_EQ(unknown.Picture, 1);
    EXPECT_EQ(unknown.Caps, 0);
    EXPECT_EQ(unknown.DefaultInterface, ifNone);
    // Hexar-1/16: stop command, settings, notebook, power off, serial number.
    EXPECT_EQ(DeviceTypes[1].Caps,
              capStopStream | capSettings | capNotebook | capPowerOff | capSerial);
    EXPECT_EQ(DeviceTypes[2].Caps, 0x01FF);
    EXPECT_FALSE(DeviceTypes[3].Caps & capStopStream);
    EXPECT_TRUE(DeviceTypes[3].Caps & capFirmware);
    for (int pos = 1; pos < DeviceTypeCount; ++pos) EXPECT_EQ(DeviceTypes[pos].Picture, pos + 1);
}

TEST(DeviceTypes, InterfaceNames) {
    EXPECT_EQ(InterfaceName(0), "RS-232");
    EXPECT_EQ(InterfaceName(1), "RS-232");
    EXPECT_EQ(InterfaceName(5), "RS-485");
    EXPECT_EQ(InterfaceName(6), "microSD");
    EXPECT_EQ(InterfaceName(255), "nil");
    EXPECT_FALSE(InterfaceName(8).has_value());
    EXPECT_FALSE(InterfaceName(254).has_value());
}

TEST(DeviceTypes, ApplyDeviceTypeCopiesTheModelFields) {
    TDevSig dev;
    dev.Serial = 77;
    ApplyDeviceType(dev, FindTypeByCode(105));
    EXPECT_EQ(dev.TypeName, "Dorma-2/200");
    EXPECT_EQ(dev.Picture, 5);
    EXPECT_EQ(dev.Caps, 0x006E);
    EXPECT_EQ(dev.SerialModule, "ModbusDormaSerial.dll");
    EXPECT_EQ(dev.Serial, 77);
    ApplyDeviceType(dev, 42);  // out of range: the unknown entry
    EXPECT_EQ(dev.TypeName, "Unknown");
    EXPECT_EQ(dev.FirmwareModule, "");
}

TEST_F(StoreTest, StartsEmptyWithTheResetValues) {
    EXPECT_EQ(store.Devices(), 0u);
    EXPECT_EQ(store.ValidValues(), 0u);
    EXPECT_EQ(store.FirstSampleTime(), 1000000.0);
    EXPECT_EQ(store.LastSampleTime(), 0.0);
    EXPECT_FALSE(store.SelectionValid());
    // Reading past the lists gives empty lists, never a failure.
    EXPECT_TRUE(store.Samples(3, 4, 5).empty());
    EXPECT_TRUE(store.SampleTimes(3, 4).empty());
    EXPECT_TRUE(store.SensorLabels(3, 4).empty());
    EXPECT_TRUE(store.CableSerials(9).empty());
    EXPECT_THROW(store.DevSig(0), std::out_of_range);
}

TEST_F(StoreTest, ResizingKeepsWhatStaysAndGivesNewPartsTheirEmptyValues) {
    Configure();
    store.DevSig(0).Serial = 11;
    store.CableSerials(0)[1] = 501;
    store.CableKinds(0)[1] = 2;
    store.SensorLabels(0, 1)[1] = 150;
    Receive();
    ExpectInvariants(store);

    store.SetDeviceCount(3);
    EXPECT_EQ(store.DevSig(0).Serial, 11);
    EXPECT_EQ(store.DevSig(2).Serial, 0);
    EXPECT_EQ(store.Cables(2), 0u);
    store.SetCableCount(0, 3);
    EXPECT_EQ(store.CableSerials(0)[1], 501);
    EXPECT_EQ(store.CableKinds(0)[1], 2);
    EXPECT_EQ(store.CableSerials(0)[2], 0);
    EXPECT_EQ(store.Sensors(0, 2), 0u);
    EXPECT_EQ(store.SampleCount(0, 2), 0u);
    EXPECT_EQ(store.SensorLabels(0, 1)[1], 150);
    EXPECT_EQ(store.Samples(0, 1, 1)[0], 200);
    ExpectInvariants(store);
    // Writes past the lists change nothing.
    store.SetCableCount(7, 2);
    store.SetSensorCount(0, 9, 2);
    EXPECT_EQ(store.Devices(), 3u);
    ExpectInvariants(store);
}

TEST_F(StoreTest, NewSensorsOfACableWithSamplesGetNoValueForEverySample) {
    Configure();
    Receive();
    Receive();
    store.SetSensorCount(0, 1, 5);
    ASSERT_EQ(store.Samples(0, 1, 4).size(), 2u);
    EXPECT_EQ(store.Samples(0, 1, 4)[1], NoValue);
    EXPECT_EQ(store.SensorLabels(0, 1)[4], 0);
    ExpectInvariants(store);
    store.SetSensorCount(0, 0, 300);  // a cable has at most 255 sensors
    EXPECT_EQ(store.Sensors(0, 0), 255u);
    ExpectInvariants(store);
}

TEST_F(StoreTest, RemovingPartsTakesTheirValuesOutOfTheCount) {
    Configure();
    Receive();
    EXPECT_EQ(store.ValidValues(), 2u + 2u + 3u);
    store.SetSensorCount(0, 0, 1);  // drops -120 and a NoValue
    EXPECT_EQ(store.ValidValues(), 6u);
    store.SetCableCount(0, 1);      // drops 100, 200
    EXPECT_EQ(store.ValidValues(), 4u);
    store.SetDeviceCount(1);        // drops 1, 2, 3
    EXPECT_EQ(store.ValidValues(), 1u);
    ExpectInvariants(store);
}

TEST_F(StoreTest, AppendingCountsValidValuesAndNotesTheTime) {
    Configure();
    const Temperature four[] = {2512, NoValue, 2630, -5};
    EXPECT_EQ(store.AppendSample(1, 0, 45001.25, four), 0);
    EXPECT_EQ(store.ValidValues(), 3u);
    // The first sample time becomes both first and last.
    EXPECT_EQ(store.FirstSampleTime(), 45001.25);
    EXPECT_EQ(store.LastSampleTime(), 45001.25);
    EXPECT_EQ(store.AppendSample(1, 0, 45001.5, four), 1);
    EXPECT_EQ(store.ValidValues(), 6u);
    EXPECT_EQ(store.LastSampleTime(), 45001.5);
    EXPECT_EQ(store.Samples(1, 0, 2)[1], 2630);
    // Cables of one device hold their own numbers of samples.
    EXPECT_EQ(store.SampleCount(0, 0), 0u);
    ExpectInvariants(store);
}

TEST_F(StoreTest, AppendingTooFewOrTooManyValuesKeepsSeriesInStep) {
    Configure();
    const Temperature one[] = {700};
    store.AppendSample(0, 0, 45000.0, one);
    EXPECT_EQ(store.Samples(0, 0, 0)[0], 700);
    EXPECT_EQ(store.Samples(0, 0, 2)[0], NoValue);
    const Temperature many[] = {1, 2, 3, 4, 5, 6};
    store.AppendSample(0, 1, 45000.0, many);
    EXPECT_EQ(store.Samples(0, 1, 1)[0], 2);
    EXPECT_EQ(store.ValidValues(), 3u);
    EXPECT_EQ(store.AppendSample(0, 5, 45000.0, one), -1);
    EXPECT_EQ(store.AppendSample(4, 0, 45000.0, one), -1);
    // A cable without sensors still takes sample times.
    store.SetCableCount(1, 2);
    EXPECT_EQ(store.AppendSample(1, 1, 45000.0, {}), 0);
    ExpectInvariants(store);
}

TEST_F(StoreTest, SetValueFillsTheNewestSampleSensorBySensor) {
    Configure();
    const Temperature none[] = {NoValue, NoValue, NoValue};
    const long k = store.AppendSample(0, 0, 45000.0, none);
    EXPECT_EQ(store.ValidValues(), 0u);
    EXPECT_TRUE(store.SetValue(0, 0, 0, k, 2150));
    EXPECT_TRUE(store.SetValue(0, 0, 1, k, NoValue));  // a sensor without reading
    EXPECT_EQ(store.ValidValues(), 1u);
    EXPECT_TRUE(store.SetValue(0, 0, 0, k, 2160));     // reported twice: still one value
    EXPECT_EQ(store.ValidValues(), 1u);
    EXPECT_TRUE(store.SetValue(0, 0, 0, k, NoValue));
    EXPECT_EQ(store.ValidValues(), 0u);
    EXPECT_FALSE(store.SetValue(0, 0, 3, k, 1));
    EXPECT_FALSE(store.SetValue(0, 0, 0, k + 1, 1));
    ExpectInvariants(store);
}

TEST_F(StoreTest, NoteSampleTimeWidensTheRangeOnly) {
    store.NoteSampleTime(45000.5);
    store.NoteSampleTime(45000.25);
    store.NoteSampleTime(45000.75);
    store.NoteSampleTime(45000.6);
    EXPECT_EQ(store.FirstSampleTime(), 45000.25);
    EXPECT_EQ(store.LastSampleTime(), 45000.75);
}

TEST_F(StoreTest, ClearResultsAsksAboutLiveDataAndOnNoKeepsEverything) {
    Configure();
    Receive();
    store.Select(0, 0);
    listener.calls.clear();
    op.Answer(false);
    EXPECT_FALSE(store.ClearResults());
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Kind, "ask");
    EXPECT_EQ(op.messages[0].Text, "Результаты измерений будут удалены.\r\nПродолжить?");
    EXPECT_TRUE(op.messages[0].PresetNo);  // a stray Enter keeps the results
    EXPECT_EQ(log.Lines, std::vector<std::string>{" > Запрос на удаление данных. Продолжить? Нет"});
    EXPECT_EQ(store.ValidValues(), 7u);
    EXPECT_EQ(store.SampleCount(1, 0), 1u);
    EXPECT_EQ(store.SelSamples(), 1u);
    EXPECT_TRUE(listener.calls.empty());
}

TEST_F(StoreTest, ClearResultsDropsSamplesAndKeepsTheConfiguration) {
    Configure();
    store.CableSerials(0)[0] = 42;
    store.SensorLabels(1, 0)[3] = 350;
    Receive();
    store.Select(0, 0);  // one sample shown, two of its values
    store.SetReceiving(true);
    listener.calls.clear();
    op.Answer(true);
    EXPECT_TRUE(store.ClearResults());
    EXPECT_EQ(log.Lines, (std::vector<std::string>{" > Запрос на удаление данных. Продолжить? Да",
                                                    " > Результаты измерений удалены"}));
    for (size_t d = 0; d < 2; ++d) {
        for (size_t c = 0; c < store.Cables(d); ++c) EXPECT_EQ(store.SampleCount(d, c), 0u);
    }
    EXPECT_EQ(store.Sensors(1, 0), 4u);
    EXPECT_EQ(store.CableSerials(0)[0], 42);
    EXPECT_EQ(store.SensorLabels(1, 0)[3], 350);
    EXPECT_EQ(store.ValidValues(), 0u);
    EXPECT_EQ(store.SelSamples(), 0u);
    EXPECT_EQ(store.ShownValues(), 0u);
    EXPECT_EQ(store.FirstSampleTime(), 1000000.0);
    EXPECT_EQ(store.LastSampleTime(), 0.0);
    EXPECT_EQ(store.DeviceCount(), 2);
    EXPECT_TRUE(store.Receiving());  // reception goes on
    EXPECT_EQ(listener.calls, std::vector<std::string>{"StoreCleared"});
    ExpectInvariants(store);
    // The next sample starts the series afresh.
    const Temperature v[] = {5, 6};
    store.AppendSample(0, 1, 45002.0, v);
    EXPECT_EQ(store.FirstSampleTime(), 45002.0);
    EXPECT_EQ(store.LastSampleTime(), 45002.0);
}

TEST_F(StoreTest, ClearResultsWithoutQuestionForArchiveDataOrNoReadings) {
    Configure();
    Receive();
    store.MarkArchiveLoaded();
    EXPECT_TRUE(store.ClearResults());
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(log.Lines, std::vector<std::string>{" > Результаты измерений удалены"});
    store.ReleaseAll(false);
    Configure();
    EXPECT_TRUE(store.ClearResults());  // nothing received: nothing to ask about
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(StoreTest, ClearResultsDoesNothingWhileASearchRuns) {
    Configure();
    Receive();
    listener.searching = true;
    EXPECT_FALSE(store.ClearResults());
    EXPECT_TRUE(op.messages.empty());
    EXPECT_TRUE(log.Lines.empty());
    EXPECT_EQ(store.ValidValues(), 7u);
}

TEST_F(StoreTest, ReleaseAllOnNoChangesNothing) {
    Configure();
    Receive();
    store.SetReceiving(true);
    store.Select(1, 0);
    listener.calls.clear();
    op.Answer(false);
    EXPECT_FALSE(store.ReleaseAll(true));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].Text, "Действие приведет к потере данных.\r\nПродолжить?");
    EXPECT_TRUE(op.messages[0].PresetNo);
    EXPECT_EQ(log.Lines, std::vector<std::string>{" > Запрос на удаление данных. Продолжить? Нет"});
    EXPECT_EQ(store.Devices(), 2u);
    EXPECT_EQ(store.ValidValues(), 7u);
    EXPECT_TRUE(store.Receiving());
    EXPECT_EQ(store.SelDevice(), 1);
    EXPECT_TRUE(listener.calls.empty());
}

TEST_F(StoreTest, ReleaseAllStopsReceptionFirstThenEmptiesEverything) {
    Configure();
    Receive();
    store.SetReceiving(true);
    store.SetNotebookOnGraphs(true);
    store.Select(1, 0);  // four sensors, one sample, three values
    listener.calls.clear();
    op.Answer(true);
    EXPECT_TRUE(store.ReleaseAll(true));
    // The stop command must still see the selected device in the lists.
    EXPECT_EQ(listener.selDeviceAtStop, 1);
    EXPECT_EQ(listener.devicesAtStop, 2u);
    EXPECT_EQ(listener.calls, (std::vector<std::string>{"StopReception", "StoreEmptied"}));
    EXPECT_EQ(log.Lines, (std::vector<std::string>{" > Запрос на удаление данных. Продолжить? Да",
                                                    " > Динамическая память освобождена"}));
    EXPECT_EQ(store.Devices(), 0u);
    EXPECT_EQ(store.DeviceCount(), 0);
    EXPECT_EQ(store.CableCount(), 0);
    EXPECT_EQ(store.SensorCount(), 0u);
    EXPECT_EQ(store.SelDevice(), 0);
    EXPECT_EQ(store.SelSensors(), 0);
    EXPECT_EQ(store.SelSamples(), 0u);
    EXPECT_EQ(store.ShownValues(), 0u);
    EXPECT_EQ(store.ValidValues(), 0u);
    EXPECT_EQ(store.FirstSampleTime(), 1000000.0);
    EXPECT_EQ(store.LastSampleTime(), 0.0);
    EXPECT_FALSE(store.Receiving());
    EXPECT_FALSE(store.NotebookOnGraphs());
    ExpectInvariants(store);
}

TEST_F(StoreTest, ReleaseAllWithoutAskingOrWhenNothingIsAtStake) {
    Configure();
    Receive();
    EXPECT_TRUE(store.ReleaseAll(false));  // an aborted search
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(store.Devices(), 0u);
    Configure();
    Receive();
    store.MarkArchiveLoaded();
    EXPECT_TRUE(store.ReleaseAll(true));
    EXPECT_TRUE(op.messages.empty());
    EXPECT_FALSE(store.ArchiveLoaded());
    // Not receiving: reception is not stopped.
    EXPECT_EQ(std::count(listener.calls.begin(), listener.calls.end(), "StopReception"), 0);
}

TEST_F(StoreTest, ASelectionPastTheListsAfterReleaseShowsNothing) {
    Configure();
    Receive();
    store.ReleaseAll(false);
    store.Select(1, 3);
    EXPECT_FALSE(store.SelectionValid());
    EXPECT_EQ(store.Sensors(store.SelDevice(), store.SelCable()), 0u);
    EXPECT_TRUE(store.SampleTimes(store.SelDevice(), store.SelCable()).empty());
    EXPECT_EQ(store.Samples(store.SelDevice(), store.SelCable(), 0).size(), 0u);
}

TEST_F(StoreTest, EveryListenerIsToldOnceUntilRemoved) {
    RecordingListener second;
    store.Events().Subscribe(&second);
    store.Events().Subscribe(&second);  // once only
    store.ReleaseAll(false);
    store.AnnounceSelection();
    const std::vector<std::string> told{"StoreEmptied", "SelectionChanged"};
    EXPECT_EQ(second.calls, told);
    EXPECT_EQ(listener.calls, told);
    store.Events().Unsubscribe(&second);
    second.calls.clear();
    store.ReleaseAll(false);
    store.AnnounceSelection();
    EXPECT_TRUE(second.calls.empty());
}

// The store counts what the windows show of the selected cable before it tells them, so that no
// window depends on another having counted first.
TEST_F(StoreTest, AnnouncementsCountTheSelectionBeforeTheyTell) {
    Configure();
    Receive();
    uint32_t shownWhenTold = 0;
    struct Peek final : StationEvents {
        const MeasurementStore& s;
        uint32_t& shown;
        std::vector<SamplePlace> places;
        Peek(const MeasurementStore& st, uint32_t& n) : s(st), shown(n) {}
        void SelectionChanged() override { shown = s.ShownValues(); }
        void SampleAdded(const SamplePlace& p) override {
            shown = s.ShownValues();
            places.push_back(p);
        }
    } peek(store, shownWhenTold);
    store.Events().Subscribe(&peek);

    store.Select(0, 0);
    EXPECT_EQ(store.SelSensors(), 3);
    EXPECT_EQ(store.SelSamples(), 1u);
    EXPECT_EQ(shownWhenTold, 2u);  // 2153 and -120; the missing value is not shown

    const Temperature next[] = {1, 2, 3};
    store.AppendSample(0, 0, 45001.0, next);
    store.AnnounceSample(0, 0);
    const Temperature other[] = {5, 6};
    store.AppendSample(0, 1, 45001.0, other);
    store.AnnounceSample(0, 1);  // not the selected cable: its counts stay
    store.AnnounceSample(1, 3);  // no such cable: nobody is told
    EXPECT_EQ(store.SelSamples(), 2u);
    EXPECT_EQ(store.ShownValues(), 5u);
    ASSERT_EQ(peek.places.size(), 2u);
    EXPECT_EQ(peek.places[0].Index, 1u);
    EXPECT_EQ(peek.places[0].Time, 45001.0);
    EXPECT_TRUE(peek.places[0].Selected);
    EXPECT_FALSE(peek.places[1].Selected);
    EXPECT_EQ(shownWhenTold, 5u);

    // A streamed sample counts as shown at once; its values when it is complete.
    store.OpenSample(0, 0, 45002.0);
    store.OpenSample(0, 1, 45002.0);
    EXPECT_EQ(store.SelSamples(), 3u);
    EXPECT_EQ(store.ShownValues(), 5u);
    EXPECT_EQ(store.Samples(0, 0, 2)[2], NoValue);
    store.SetValue(0, 0, 2, 2, 1500);
    store.AnnounceSample(0, 0);
    EXPECT_EQ(store.ShownValues(), 6u);
    EXPECT_EQ(peek.places.size(), 3u);

    // While a search runs the counts are left alone; the subscribers are told all the same.
    listener.searching = true;
    store.Select(0, 1);
    EXPECT_EQ(store.SelSensors(), 3);
    store.Events().Unsubscribe(&peek);
}

// The totals that the search and the archive readers count stop at their width instead of
// wrapping to a small number; switching off withdraws the devices, not their data.
TEST_F(StoreTest, TotalsStopAtTheirLimitAndSwitchingOffKeepsTheLists) {
    Configure();
    Receive();
    for (int i = 0; i < 0x10000; ++i) store.CountDevice();
    store.CountCables(0xFFFF, 1);
    EXPECT_EQ(store.DeviceCount(), 0xFFFF);
    EXPECT_EQ(store.CableCount(), 0xFFFF);
    EXPECT_EQ(store.SensorCount(), 10u);
    store.ReplaceCableCounts(1, 4);
    EXPECT_EQ(store.CableCount(), 1);
    EXPECT_EQ(store.SensorCount(), 4u);
    store.DeviceSwitchedOff();
    EXPECT_EQ(store.DeviceCount(), 0);
    EXPECT_EQ(store.Devices(), 2u);
    EXPECT_EQ(store.ValidValues(), 7u);
}

TEST_F(StoreTest, LongSequencesKeepTheInvariants) {
    // A deterministic mix of configuration changes, appends, stream fills and clears.
    uint32_t seed = 12345;
    auto next = [&](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    std::vector<Temperature> values(12);
    DateTime t = 45000.0;
    for (int step = 0; step < 3000; ++step) {
        const size_t d = next(4), c = next(3);
        switch (next(10)) {
            case 0: store.SetDeviceCount(next(4)); break;
            case 1: store.SetCableCount(d, next(3)); break;
            case 2: store.SetSensorCount(d, c, next(12)); break;
            case 3:
                store.SetValue(d, c, next(12), store.SampleCount(d, c) - 1,
                               next(3) ? static_cast<Temperature>(next(5000)) : NoValue);
                break;
            case 5: {
                // Several samples at once, as an archive read adds them, the values sensor after
                // sensor; values for fewer sensors than the cable has leave the rest without one.
                const size_t count = next(4), given = next(13);
                std::vector<DateTime> times(count);
                std::vector<Temperature> block(count * given);
                for (auto& v : block) v = next(4) ? static_cast<Temperature>(next(5000)) : NoValue;
                for (auto& time : times) time = t += 20 * OneSecond;
                const size_t before = store.SampleCount(d, c);
                const long first = store.AppendSamples(d, c, times, block);
                if (!store.HasCable(d, c)) {
                    EXPECT_EQ(first, -1);
                    break;
                }
                EXPECT_EQ(first, static_cast<long>(before));
                for (size_t k = 0; k < count; ++k)
                    for (size_t s = 0; s < store.Sensors(d, c); ++s)
                        EXPECT_EQ(store.Samples(d, c, s)[before + k], s < given ? block[s * count + k] : NoValue);
                break;
            }
            case 4:
                if (next(20) == 0) next(2) ? store.ClearResults(false) : store.ReleaseAll(false);
                break;
            default:
                for (auto& v : values) v = next(4) ? static_cast<Temperature>(next(5000)) : NoValue;
                t += 20 * OneSecond;
                store.AppendSample(d, c, t, std::span(values).first(next(13)));
        }
        ExpectInvariants(store);
        if (::testing::Test::HasFailure()) FAIL() << "after step " << step;
    }
}

TEST(Series, GrowsAcrossPagesAndReadsBackInOrder) {
    Series<Temperature> s;
    const size_t n = 3 * Series<Temperature>::PageSize + 17;
    for (size_t k = 0; k < n; ++k) s.push_back(static_cast<Temperature>(k));
    ASSERT_EQ(s.size(), n);
    EXPECT_EQ(s.PageCount(), 4u);
    EXPECT_EQ(s.Page(3).size(), 17u);
    for (size_t k = 0; k < n; k += 97) EXPECT_EQ(s[k], static_cast<Temperature>(k));
    EXPECT_EQ(s.back(), static_cast<Temperature>(n - 1));
    // Iterators work with the standard algorithms.
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), static_cast<Temperature>(n - 1));
    EXPECT_EQ(std::accumulate(s.begin(), s.end(), int64_t{0}), int64_t(n) * (n - 1) / 2);
    EXPECT_EQ(std::lower_bound(s.begin(), s.begin() + 1000, 500) - s.begin(), 500);
}

TEST(Series, MemoryStaysNearTwoBytesPerValue) {
    Series<Temperature> small;
    small.push_back(1);
    EXPECT_LE(small.CapacityBytes(), 64u);  // a short series does not take a whole page
    Series<Temperature> big;
    for (int k = 0; k < 129600; ++k) big.push_back(static_cast<Temperature>(k));
    EXPECT_LE(big.CapacityBytes(), 129600 * 2 + Series<Temperature>::PageBytes);
}

TEST(Series, ShrinkingAndGrowingAgain) {
    Series<DateTime> s;
    for (int k = 0; k < 2000; ++k) s.push_back(k);
    s.resize(10, 0);
    EXPECT_EQ(s.size(), 10u);
    EXPECT_EQ(s.back(), 9.0);
    s.resize(1500, -1.0);
    EXPECT_EQ(s[9], 9.0);
    EXPECT_EQ(s[10], -1.0);
    EXPECT_EQ(s[1499], -1.0);
    s.clear();
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.CapacityBytes(), 0u);
    s.push_back(3.5);
    EXPECT_EQ(s[0], 3.5);
    // Shrinking to a page boundary and growing across it again.
    for (int k = 1; k < 3 * 512; ++k) s.push_back(k);
    s.resize(1024, 0);
    s.push_back(-7);
    EXPECT_EQ(s[1023], 1023.0);
    EXPECT_EQ(s[1024], -7.0);
}

TEST(Series, AMovedSeriesOwnsItsValuesAndTheSourceIsEmpty) {
    Series<Temperature> a;
    for (int k = 0; k < 5000; ++k) a.push_back(static_cast<Temperature>(k));
    Series<Temperature> b(std::move(a));
    EXPECT_EQ(b.size(), 5000u);
    EXPECT_EQ(a.size(), 0u);  // NOLINT: the moved-from series is empty and usable
    a.push_back(1);
    b.push_back(2);
    EXPECT_EQ(a[0], 1);
    EXPECT_EQ(b[4999], 4999);
    EXPECT_EQ(b[5000], 2);
    std::vector<Series<Temperature>> many;
    many.push_back(std::move(b));
    many.resize(40);  // reallocation moves the series
    EXPECT_EQ(many[0][5000], 2);
}

}  // namespace
}  // namespace drumo
