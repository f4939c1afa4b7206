#pragma once

#include <optional>

#include "bridge/iaddress.h"
#include "module/model/decimal.h"
#include "module/model/invoice_model.h"
#include "platform/com.h"

// What the readers of the result object (module/objects/result_object.h) hand out:
// the conversions from the invoice model to the interface's out values, and
// the blank sections read when the invoice lacks a section or a walk is past
// its end (empty texts, 0 numbers, 0 enumerations, no dates, no address).
namespace result_values {

// An enumeration as its number (module/model/invoice_enums.h).
template <typename E>
long Number(E value) {
    return static_cast<long>(value);
}

// An enumeration the invoice may lack: 0 (no value of any table) then.
template <typename E>
long Number(const std::optional<E>& value) {
    return value ? static_cast<long>(*value) : 0;
}

// A yes/no value as 0 or 1.
inline long YesNo(bool value) {
    return value ? 1 : 0;
}

// An optional yes/no value: 0 when absent too.
inline long YesNo(const std::optional<bool>& value) {
    return value.value_or(false) ? 1 : 0;
}

// A grouper or BfS code as a number: its value when the text is a whole
// number ("01" is 1), 0 otherwise ("A").
long CodeNumber(const std::string& text);

// An exact decimal as the nearest double.
inline double Amount(const invoice::Decimal& value) {
    return value.ToDouble();
}

// A date that may be absent; 0 for none.
inline DATE DateOf(const std::optional<invoice::DateTime>& date) {
    return date ? date->serial : 0.0;
}

inline VARIANT_BOOL StatusOf(bool present) {
    return present ? VARIANT_TRUE : VARIANT_FALSE;
}

// A new address object holding a copy of `address` in *out (one reference
// for the caller), or null when there is none. REQUIRES: out != nullptr.
void HandOutAddress(const std::optional<invoice::Address>& address, IAddress** out);

// The section `section` holds, or the blank one.
template <typename T>
const T& OrBlank(const std::optional<T>& section, const T& blank) {
    return section ? *section : blank;
}

// Blank sections and elements. Each is one immutable object, made on first
// use.
const invoice::RequestSection& BlankRequest();
const invoice::Transport& BlankTransport();
const invoice::Software& BlankSoftware();
const invoice::RequestReference& BlankReference();
const invoice::Reminder& BlankReminder();
const invoice::Tiers& BlankTiers();
const invoice::Esr& BlankEsr();
const invoice::Biller& BlankBiller();
const invoice::Provider& BlankProvider();
const invoice::Referrer& BlankReferrer();
const invoice::Insurance& BlankInsurance();
const invoice::Debitor& BlankDebitor();
const invoice::Guarantor& BlankGuarantor();
const invoice::Employer& BlankEmployer();
const invoice::Patient& BlankPatient();
const invoice::InsuranceCard& BlankCard();
const invoice::Treatment& BlankTreatment();
const invoice::XtraHospital& BlankXtraHospital();
const invoice::Law& BlankLaw();
const invoice::VatRateLine& BlankVatLine();
const invoice::GrouperRecord& BlankGrouperRecord();
const invoice::BfsRecord& BlankBfsRecord();
const invoice::CaseDetail& BlankCaseDetail();
const invoice::Diagnosis& BlankDiagnosis();
const invoice::TokenValue& BlankInstruction();
const invoice::Document& BlankDocument();
const invoice::ServiceRecord& BlankServiceRecord();
const invoice::XtraDrug& BlankXtraDrug();
const invoice::XtraDrg& BlankXtraDrg();

}  // namespace result_values
