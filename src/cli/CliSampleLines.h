#pragma once
// One cable's sample as one line of text, in the formats drumo-cli poll and log print: CSV, JSON
// lines and the InfluxDB line protocol, so that a collector (Telegraf, Vector, a pipe into a
// time-series database) takes the readings without an adapter.
//
//   csv     2026-12-09T10:20:44+03:00,1,1,15.7,15.05,,14.42
//   json    {"time":"2026-12-09T10:20:44+03:00","address":1,"cable":1,"device":"Dorma-1/100",
//            "serial":"01001","cable_serial":2101,"comment":"Склад 1","port":"/dev/ttyUSB0",
//            "kind":1,"labels":[0.5,1.5,2.5,3.5],"t":[15.7,15.05,null,14.42]}
//   influx  drumo,address=1,cable=1,device=Dorma-1/100,serial=01001,comment=Склад\ 1 t1=15.7,t2=15.05,t4=14.42 1796800844000000000
//
// Times are the sample's local time with its zone offset (the line protocol counts nanoseconds
// since 1970 UTC); a sample time with milliseconds carries them (".250"). A sensor without a
// reading is an empty CSV field, a JSON null and a missing line protocol field; a sample without
// any reading has no line protocol line (a line needs at least one field). JSON gives each
// sensor's label in the unit of the cable's kind (sensor number, metres, quantity code).

#include "model/Store.h"

#include <string>
#include <utility>
#include <vector>

namespace drumo::cli {

enum class SampleFormat { None, Csv, Json, Influx };

// "csv", "json" or "influx".
bool ParseSampleFormat(const std::string& name, SampleFormat& format);

// The CSV header for cables of up to `sensors` sensors: "time,address,cable,t1,...,tN\n"; with
// `health` the columns of SampleHealth stand before the readings:
// "time,address,cable,port,lost,failed,failed_total,faults,t1,...,tN\n".
std::string CsvHeader(size_t sensors, bool health = false);

// What a collector learns beside the values of a cable's sample about the device that gave it
// (drumo-cli log); -1 where it is not known. The port is the device's own (its Source).
struct SampleHealth {
    int Lost = -1;               // the cable's samples missed since its previous one (empty passes)
    long long Failed = -1;       // the device's failed reads since the cable's previous sample
    long long FailedTotal = -1;  // the device's failed reads since the logger started
    int FaultBits = -1;          // the fault bits as the device last reported them (bits 0..7)
};

// The line protocol's measurement name and the tags added to every line ("site=north").
struct InfluxStyle {
    std::string Measurement = "drumo";
    std::vector<std::pair<std::string, std::string>> Tags;
};

// "name=value,name=value" into tags; false for a pair without "=" or with an empty name.
bool ParseTags(const std::string& text, std::vector<std::pair<std::string, std::string>>& tags);

// Sample k of cable (d, c) in the format, ending with "\n"; "" for SampleFormat::None and for a
// line protocol sample without readings. With `health`, the sample carries it: CSV columns after
// the cable (an empty field where not known), JSON "lost", "failed", "failed_total" and "faults"
// (null where not known), integer fields of the same names and the string field "port" in the
// line protocol (left out where not known).
std::string SampleLine(SampleFormat format, const MeasurementStore& store, size_t d, size_t c, size_t k,
                       const InfluxStyle& influx = {}, const SampleHealth* health = nullptr);

// The devices of the store as a JSON array: address, model, serial, comment, port and per cable
// its serial number and sensor count.
std::string DevicesJson(const MeasurementStore& store);

// A cable whose alarm state changed with sample k: "upper", "lower", "upper,lower" or "normal",
// the sample's largest and smallest reading, the limits, and the alarm lines as the program words
// them.
std::string AlarmJson(const MeasurementStore& store, size_t d, size_t c, size_t k, const std::string& state,
                      double limitMax, double limitMin, const std::string& lines);

// The sample's time with its zone offset: "2026-12-09T10:20:44+03:00" (".250" before the offset
// when the time has milliseconds).
std::string ZonedTime(DateTime t);

// Local time in ISO 8601 without zone: "2026-12-09T10:20:44".
std::string IsoTime(DateTime t);

}  // namespace drumo::cli
