#pragma once

#include <optional>
#include <string>
#include <utility>

namespace invoice {

// Dates and times are kept as the interface hands them over: the OLE
// automation DATE, a double counting days since 1899-12-30 with the time of
// day as the fraction (platform/ole_date.h converts it to and from civil time).
//
// Why not a date struct: every setter receives a DATE and every reader gives
// one back, so keeping the serial means a value read back is bit for bit the
// value set (the interface's readers cut the time of day themselves). The XML
// writer formats the serial; the loader turns the XML dateTime into one.
//
// An optional date is std::optional<OleDate>; a serial within 0.1 of zero is
// what the interface uses for "no date", so setters store std::nullopt for it.
using OleDate = double;

// True when `serial` is the interface's "no date" (within 0.1 of zero).
inline bool IsNoDate(OleDate serial) {
    return serial > -0.1 && serial < 0.1;
}

// A date and time of the invoice as the 4.50 format carries it (xs:dateTime):
// the OLE serial of the calendar day and time as written, and for a value
// read from a file the rest of its text that a serial does not hold: the
// fraction of a second and the time-zone offset (".250", "Z", "-05:00",
// ".5+01:00"), written back unchanged. A value set through the interface has
// no suffix. Converts to and from the serial, so setters, readers and checks
// use it as the DATE it stands for; the suffix never moves the day.
struct DateTime {
    OleDate serial = 0;
    std::string suffix;

    DateTime() = default;
    DateTime(OleDate value) : serial(value) {}  // NOLINT: a DATE is a DateTime
    DateTime(OleDate value, std::string rest) : serial(value), suffix(std::move(rest)) {}
    operator OleDate() const { return serial; }  // NOLINT: read as the DATE
};

// The optional form of an incoming DATE.
inline std::optional<OleDate> OptionalDate(OleDate serial) {
    if (IsNoDate(serial)) return std::nullopt;
    return serial;
}

}  // namespace invoice
