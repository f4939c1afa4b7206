#pragma once

#include <optional>

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

// The optional form of an incoming DATE.
inline std::optional<OleDate> OptionalDate(OleDate serial) {
    if (IsNoDate(serial)) return std::nullopt;
    return serial;
}

}  // namespace invoice
