#pragma once
// The physical world the simulated devices measure: thermocables hung in a silo or a bore, each a
// vertical profile of temperatures (cooler at the bottom, warmer at the top, or with a spot of
// self-heating grain), a slow daily swing and drift, a little noise, and sensors that now and then
// give no reading. One sensor can be warmed by hand for a while, as the operator does when the
// program numbers the sensors. Everything is a pure function of the time and a seed, so two runs
// with the same clock see the same temperatures.

#include "model/DateTime.h"

#include <cstdint>
#include <string>
#include <vector>

namespace drumo::sim {

inline constexpr int16_t NoValue = -27300;  // bit pattern 0x955C: no reading

enum class Profile {
    Gradient,  // from TopC at the first sensor to BottomC at the last
    HotSpot,   // a gradient with a bump of SpotRiseC around SpotSensor (grain heating itself)
};

struct SimCable {
    uint16_t Serial = 0;  // 0: a cable without serial number
    uint8_t Kind = 0;     // 0 numbered without serial, 1 decimetres, 2 metres, 3 numbered, 4 probe
    std::vector<int16_t> Labels;  // one per sensor, in hundredths of the kind's unit
    Profile Shape = Profile::Gradient;
    double TopC = 14.0;
    double BottomC = 6.0;
    int SpotSensor = 0;
    double SpotRiseC = 0.0;
    std::vector<int> Flaky;  // sensors (0-based) that miss a reading now and then
    // Fixed readings in hundredths, one per sensor, that take the place of the climate's; sensors
    // beyond them follow the climate.
    std::vector<int16_t> Readings;

    int Sensors() const { return static_cast<int>(Labels.size()); }
};

// Labels of n sensors: numbers 1..n (kinds 0, 3), or positions every `step` metres from `first`
// (kinds 1 and 2), all in hundredths.
std::vector<int16_t> NumberLabels(int n);
std::vector<int16_t> DistanceLabels(int n, double firstMetres, double stepMetres);

// A cable of n sensors with the given serial and kind and a plain profile.
SimCable MakeCable(uint16_t serial, uint8_t kind, int n);

class Climate {
public:
    explicit Climate(uint32_t seed = 1) : seed_(seed) {}

    // Temperature of sensor s of a cable at a moment, in degrees; NaN when the sensor gives no
    // reading this time. cableIndex tells cables apart for the noise and the warming.
    double Celsius(const SimCable& cable, int cableIndex, int s, DateTime now) const;
    // The same in hundredths, NoValue for no reading.
    int16_t Hundredths(const SimCable& cable, int cableIndex, int s, DateTime now) const;

    // Warms one sensor by riseC from `from` for `seconds`; it rises with a time constant of about
    // 20 seconds and cools the same way afterwards.
    void Warm(int cableIndex, int sensor, double riseC, DateTime from, double seconds);
    void StopWarming() { warmings_.clear(); }

    double NoiseC = 0.04;        // peak noise
    double DropoutRate = 0.05;   // chance that a flaky sensor misses one reading
    double DailySwingC = 1.5;    // at the top sensor; none at the bottom
    double SlowDriftC = 0.8;     // a swing over two months, the store warming and cooling

private:
    struct Warming {
        int Cable;
        int Sensor;
        double RiseC;
        DateTime From;
        double Seconds;
    };
    double Hash01(int cable, int sensor, int64_t slot, int salt) const;

    uint32_t seed_;
    std::vector<Warming> warmings_;
};

}  // namespace drumo::sim
