#pragma once
// The texts of dates, times and numbers. Dates and times always use the program's own format
// ("dd.mm.yy", "hh:nn:ss"), whatever the desktop's locale; numbers use the program-wide decimal
// mark that the setting "DecPoint" chooses ("." or ",").

#include "model/DateTime.h"

#include <string>
#include <string_view>

namespace drumo {

// --- Dates and times ------------------------------------------------------------------------

std::string DateText(DateTime value);      // "09.12.26"
std::string TimeText(DateTime value);      // "14:05:09"
std::string DateTimeText(DateTime value);  // "09.12.26 14:05:09"

// The first year of the century that two-digit years are read into: 2000 for any year from 2000
// to 2099 of the system clock.
int CurrentCenturyBase();

// Reads "dd.mm.yy" (day and month of one or two digits; a four-digit year is taken as it is, a
// two-digit one in the century starting at `centuryBase`). Spaces around the text are allowed;
// anything else, or a day that does not exist, fails and leaves `out` untouched.
bool TryParseDate(std::string_view text, DateTime& out, int centuryBase);
bool TryParseDate(std::string_view text, DateTime& out);
// Reads "hh:nn:ss" or "hh:nn" (parts of one or two digits) as a fraction of a day.
bool TryParseTime(std::string_view text, DateTime& out);
// Reads a date, one or more spaces and a time.
bool TryParseDateTime(std::string_view text, DateTime& out, int centuryBase);
bool TryParseDateTime(std::string_view text, DateTime& out);

// --- Numbers --------------------------------------------------------------------------------

// The program-wide decimal mark, "." unless the settings chose ",". One user-interface thread
// reads and writes it.
char DecimalMark();
void SetDecimalMark(char mark);

// The shortest decimal text of a value, up to 15 significant digits ("21.5", "-50", "0.01",
// "1E-7", "1.5E20"), with the given or the program-wide decimal mark.
std::string NumberText(double value, char mark);
std::string NumberText(double value);
// A value in hundredths (temperatures, labels) as its number text: 2150 gives "21.5".
std::string HundredthsText(int value);
// The same with the given decimal mark: 2153 and ',' give "21,53".
std::string HundredthsText(int value, char mark);

// A time left as hh:nn:ss for countdown labels; hours are counted on past 24, and a time already
// past shows zero.
std::string CountdownText(double days);

// Reads a decimal number written with the given or the program-wide mark: optional spaces around
// it, an optional sign, digits with at most one mark, an optional exponent ("E-7"). The other mark,
// letters, "inf" and "nan" fail.
bool TryParseNumber(std::string_view text, double& out, char mark);
bool TryParseNumber(std::string_view text, double& out);

// Reads a whole number that fits 32 bits: optional spaces and sign, decimal digits, or hexadecimal
// digits after "$" or "0x".
bool TryParseInt(std::string_view text, int& out);

}  // namespace drumo
