#pragma once

// One generic reader for the module's get methods: Read calls a method whose
// parameters are all out-pointers and answers its result and every value as
// one line of text, so a test compares a whole read with one string; Walk
// does the same for a first/next pair, its reads joined by blanks. Out-values start as sentinels
// (-7,
// "?", status 7), so a value the method leaves unwritten shows.
//
// Text of a read: "ok", "end" (S_FALSE) or the HRESULT in hex, then each
// value after a '|': texts as they are, numbers in %g form, a status as
// T/F, an address as {AddressText}.

#include <cstdio>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bridge/module_interfaces.h"
#include "platform/com.h"

namespace com_reads {

std::string AddressText(IAddress* address);

inline std::string Text(const BSTR& v) {
    return v;
}
inline std::string Text(long v) {
    return std::to_string(v);
}
inline std::string Text(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}
inline std::string Text(VARIANT_BOOL v) {
    return v == VARIANT_TRUE ? "T" : v == VARIANT_FALSE ? "F" : std::to_string(v);
}
inline std::string Text(IAddress* v) {
    return "{" + (v ? AddressText(v) : "") + "}";
}

inline std::string ResultText(HRESULT hr) {
    if (hr == S_OK) return "ok";
    if (hr == S_FALSE) return "end";
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(hr));
    return text;
}

inline void Release(IAddress* v) {
    if (v) v->Release();
}
template <class T>
void Release(const T&) {}

// `call` given sentinels for its out-pointers.
template <class... P, class Call>
std::string ReadCall(Call call) {
    const std::tuple<BSTR, long, double, VARIANT_BOOL, IAddress*> sentinels{"?", -7, -7, 7,
                                                                            nullptr};
    std::tuple<P...> out{std::get<P>(sentinels)...};
    HRESULT hr = std::apply([&](auto&... v) { return call(&v...); }, out);
    std::string text = ResultText(hr);
    std::apply([&](auto&... v) { ((text += "|" + Text(v)), ...); }, out);
    std::apply([](auto&... v) { (Release(v), ...); }, out);
    return text;
}

template <class R, class... P>
std::string Read(R* object, HRESULT (R::*method)(P*...)) {
    return ReadCall<P...>([&](P*... out) { return (object->*method)(out...); });
}

// The same for a method with one leading in-value.
template <class R, class... P>
std::string Read(R* object, HRESULT (R::*method)(long, P*...), long in) {
    return ReadCall<P...>([&](P*... out) { return (object->*method)(in, out...); });
}

// Reads joined by blanks, to compare several reads with one string.
inline std::string Joined(const std::vector<std::string>& reads) {
    std::string text;
    for (const std::string& read : reads) text += (text.empty() ? "" : " ") + read;
    return text;
}

// The reads of a walk joined by blanks: first, then next until a read
// answers other than S_OK; that last read is included.
template <class R, class... P>
std::string Walk(R* object, HRESULT (R::*first)(P*...), HRESULT (R::*next)(P*...)) {
    std::vector<std::string> reads{Read(object, first)};
    while (reads.size() < 1000 && reads.back().rfind("ok", 0) == 0) {
        reads.push_back(Read(object, next));
    }
    return Joined(reads);
}

// A setter called with `args` (ok) or with argument I replaced by `bad`; the
// status pointer, the method's last parameter, is given at the call.
template <class R>
using Setter = std::function<HRESULT(R*, VARIANT_BOOL*, bool ok)>;

template <size_t I, class R, class... P, class B, class... A>
Setter<R> Call(HRESULT (R::*method)(P...), B bad, A... args) {
    return [=](R* object, VARIANT_BOOL* status, bool ok) {
        std::tuple<std::decay_t<P>...> values{args..., status};
        if (!ok) std::get<I>(values) = bad;
        return std::apply([&](auto&... v) { return (object->*method)(v...); }, values);
    };
}

// Every part of an address: type, person, company, postal, fax, online and
// the walk of the phones, ';' between the parts.
inline std::string AddressText(IAddress* a) {
    return Read(a, &IAddress::GetType) + ";" + Read(a, &IAddress::GetPerson) + ";" +
           Read(a, &IAddress::GetCompany) + ";" + Read(a, &IAddress::GetPostal) + ";" +
           Read(a, &IAddress::GetFax) + ";" + Read(a, &IAddress::GetOnline) + ";" +
           Walk(a, &IAddress::GetFirstPhone, &IAddress::GetNextPhone);
}

}  // namespace com_reads
