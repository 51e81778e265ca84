#pragma once
// One cable's sample as one line of text, in the formats drumo-cli poll and log print: CSV, JSON
// lines and the InfluxDB line protocol, so that a collector (Telegraf, Vector, a pipe into a
// time-series database) takes the readings without an adapter.
//
//   csv     2026-12-09T10:20:44,1,1,15.7,15.05,,14.42
//   json    {"time":"2026-12-09T10:20:44+03:00","address":1,"cable":1,"device":"Dorma-1/100",
//            "serial":"01001","cable_serial":2101,"comment":"Склад 1","t":[15.7,15.05,null,14.42]}
//   influx  drumo,address=1,cable=1,device=Dorma-1/100,serial=01001,comment=Склад\ 1 t1=15.7,t2=15.05,t4=14.42 1796800844000000000
//
// Times are the sample's local time; JSON adds the zone offset, the line protocol counts
// nanoseconds since 1970 UTC. A sensor without a reading is an empty CSV field, a JSON null and
// a missing line protocol field; a sample without any reading has no line protocol line (a line
// needs at least one field).

#include "model/Store.h"

#include <string>

namespace drumo::cli {

enum class SampleFormat { None, Csv, Json, Influx };

// "csv", "json" or "influx".
bool ParseSampleFormat(const std::string& name, SampleFormat& format);

// The CSV header for cables of up to `sensors` sensors: "time,address,cable,t1,...,tN\n".
std::string CsvHeader(size_t sensors);

// Sample k of cable (d, c) in the format, ending with "\n"; "" for SampleFormat::None and for a
// line protocol sample without readings.
std::string SampleLine(SampleFormat format, const MeasurementStore& store, size_t d, size_t c, size_t k);

// Local time in ISO 8601 without zone: "2026-12-09T10:20:44".
std::string IsoTime(DateTime t);

}  // namespace drumo::cli
