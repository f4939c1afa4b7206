#pragma once

#include <cpprest/json.h>

#include <string>

#include "platform/com.h"

// Readers of in-parameters from a request's argument object and writers of
// out-parameters into a reply object.
//
// Every reader first checks that `args` is an object holding `key`; when it
// does not, it throws std::invalid_argument with the argument error text
// ArgumentError(408, key). Then the member is converted by its JSON type:
//
//   JSON value     JsonToLong        JsonToDouble      JsonToDate        JsonToBstr
//   integer        the integer       as a real         as a date serial  decimal text
//   real           truncated         the number        as a date serial  NumberText
//   boolean        1 / 0             1.0 / 0.0         1.0 / 0.0         "1" / "0"
//   string         base-10 integer   real number       TextToDate        unchanged
//   other          0                 0.0               0.0               ""
//
// Strings are read like the standard string-to-number conversions: leading
// white space skipped, reading stops at the first character that does not
// fit, at least one character must be read. Nothing readable throws
// std::invalid_argument("invalid stol argument" / "invalid stod argument");
// a value out of range throws std::out_of_range("stol argument out of
// range" / "stod argument out of range"). `long` values are 32-bit: a
// string whose number does not fit in 32 bits is out of range.

// "code#detail": the message of an argument error.
std::string ArgumentError(int code, const std::string& detail);

BSTR JsonToBstr(const web::json::value& args, const std::string& key);
long JsonToLong(const web::json::value& args, const std::string& key);
double JsonToDouble(const web::json::value& args, const std::string& key);
DATE JsonToDate(const web::json::value& args, const std::string& key);

// A text the module handed out, as a JSON string. Text that is not valid
// UTF-8 gives the empty string (no error).
web::json::value BstrToJson(const BSTR& text);
// The same for a text the program built itself.
web::json::value BstrTextToJson(const std::string& text);

// true exactly for VARIANT_TRUE (-1).
web::json::value BoolToJson(VARIANT_BOOL value);

// A number as the platform's variant conversion writes it: integers in
// decimal, reals as the shortest decimal text that reads back as the same
// double ("1.25", "0.1", "1E+20", "-1.5E-07").
std::string NumberText(double value);

// "YYYY-MM-DDT00:00:00" for the day of `date` (whatever its time of day);
// the empty text when |date| < 0.1 or the date lies outside the calendar.
std::string DateToText(DATE date);

// The date of a text "YYYY-MM-DD[Thh:mm:ss[.fff…]][Z][(+|-)hh:mm]"; the
// offset is added to the time. 0.0 when the text does not parse. Characters
// after the parsed part are ignored.
DATE TextToDate(const std::string& text);
