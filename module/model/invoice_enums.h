#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace invoice {

// The enumerations of the invoice module's interfaces (the "e..." parameters)
// and of the 4.50 invoice format.
//
// Numbering rule, which clients rely on (docs/module-api.md lists every
// value): each enumeration counts from 1 in the order of the format's own
// enumeration; 0 is not a valid value. Exceptions: YesNo (0 no, 1 yes),
// AddressType (0 = nothing set yet) and EsrType, which joins the types of
// three payment slip elements.
//
// Every enumeration has one table of {value, schema value, meaning}; the
// generic functions below convert between the number a client sends, the
// enum and the text the XML format uses.

enum class YesNo : int32_t { kNo = 0, kYes = 1 };

enum class Language : int32_t { kGerman = 1, kFrench, kItalian };

enum class Modus : int32_t { kProduction = 1, kTest };

enum class RoleType : int32_t {
    kPhysician = 1,
    kPhysiotherapist,
    kChiropractor,
    kErgotherapist,
    kNutritionist,
    kMidwife,
    kLogotherapist,
    kHospital,
    kPharmacist,
    kDentist,
    kLabTechnician,
    kDentalTechnician,
    kOtherTechnician,
    kPsychologist,
    kWholesaler,
    kNursingStaff,
    kTransport,
    kDruggist,
    kNaturopathicDoctor,
    kNaturopathicTherapist,
    kOther,
};

enum class PlaceType : int32_t { kPractice = 1, kHospital, kLab, kAssociation, kCompany };

enum class PayloadType : int32_t { kInvoice = 1, kReminder };

enum class TiersMode : int32_t { kGarant = 1, kPayant };

// Which payment slip the invoice carries. 1 and 2 are the esr9 slip (SetEsr),
// 3 the red slip (SetEsrRed), 4 and 5 the QR bill with reference (SetEsrQR),
// 6 the QR bill without reference (SetEsrRedQR).
enum class EsrType : int32_t {
    kEsr16or27 = 1,
    kEsr16or27Plus,
    kEsrRed,
    kEsrQR,
    kEsrQRPlus,
    kRedPayinSlipQR,
};

// The red slip's payee: post account alone, or a bank account (IBAN) behind it.
enum class PaymentTo : int32_t { kPostalAccount = 1, kBankAccount };

enum class SexType : int32_t { kMale = 1, kFemale };

enum class Canton : int32_t {
    kAG = 1,
    kAI,
    kAR,
    kBE,
    kBL,
    kBS,
    kFR,
    kGE,
    kGL,
    kGR,
    kJU,
    kLU,
    kNE,
    kNW,
    kOW,
    kSG,
    kSH,
    kSO,
    kSZ,
    kTI,
    kTG,
    kUR,
    kVD,
    kVS,
    kZG,
    kZH,
    kLI,
    kA,
    kD,
    kF,
    kI,
};

enum class TreatmentType : int32_t { kAmbulatory = 1, kStationary };

enum class TreatmentReason : int32_t {
    kDisease = 1,
    kAccident,
    kMaternity,
    kPrevention,
    kBirthDefect,
    kUnknown,
};

enum class HospitalizationType : int32_t { kRegular = 1, kEmergency };

enum class HospitalizationMode : int32_t {
    kCantonal = 1,
    kNonCantonalIndicated,
    kNonCantonalNonIndicated,
};

enum class HospitalizationClass : int32_t {
    kPrivate = 1,
    kSemiPrivate,
    kGeneral,
    kHospitalComfort,
    kMdFreeChoice,
};

enum class LawType : int32_t { kKVG = 1, kUVG, kIVG, kMVG, kVVG, kORG };

enum class GrouperRecordType : int32_t { kAdmissionType = 1, kDischargeType, kProviderType };

enum class BfsRecordType : int32_t {
    kResidenceBeforeAdmission = 1,
    kAdmissionType,
    kDecisionForDischarge,
    kResidenceAfterDischarge,
};

enum class DiagnosisType : int32_t {
    kICD = 1,
    kCantonal,
    kDRG,
    kByContract,
    kFreetext,
    kBirthDefect,
    kICPC,
};

enum class BodySide : int32_t { kNone = 1, kLeft, kRight };

enum class Delivery : int32_t { kFirst = 1, kRepeated, kPermanent };

enum class MedicalRole : int32_t { kSelfEmployed = 1, kEmployee };

enum class BillingRole : int32_t { kMT = 1, kTT, kBoth, kNone };

enum class Settlement : int32_t { kRegular = 1, kFlatRate };

enum class AddressType : int32_t { kUndefined = 0, kPerson = 1, kCompany = 2 };

enum class ReminderLevel : int32_t { kFirst = 1, kSecond, kThird };

enum class ServiceKind : int32_t { kService = 1, kServiceEx };

// ---------------------------------------------------------------------------
// Tables.

struct EnumEntry {
    int32_t value;
    const char* schema;   // the value's text in the XML format
    const char* meaning;  // one line for the documentation
};

struct EnumTable {
    const char* name;        // the enum's name, e.g. "Canton"
    const char* parameters;  // interface parameters that use it, e.g. "eTreatmentCanton, eCanton"
    const EnumEntry* entries;
    size_t count;
};

// The table of enumeration E. Defined for every enum above.
template <typename E>
const EnumTable& TableOf();

// Every table, in the order of the documentation.
const std::vector<const EnumTable*>& AllEnumTables();

// The entry of `value` in `table`, or nullptr.
const EnumEntry* FindEntry(const EnumTable& table, int64_t value);
// The entry whose schema text equals `text` exactly, or nullptr.
const EnumEntry* FindEntry(const EnumTable& table, std::string_view text);

// Converts a client's number: false (and *out untouched) for a value the
// enumeration does not have.
template <typename E>
bool EnumFromLong(int64_t value, E* out) {
    const EnumEntry* entry = FindEntry(TableOf<E>(), value);
    if (entry == nullptr) return false;
    *out = static_cast<E>(entry->value);
    return true;
}

template <typename E>
bool IsValidEnum(int64_t value) {
    return FindEntry(TableOf<E>(), value) != nullptr;
}

// The XML text of a value; "" for a value outside the enumeration.
template <typename E>
const char* SchemaText(E value) {
    const EnumEntry* entry = FindEntry(TableOf<E>(), static_cast<int64_t>(value));
    return entry == nullptr ? "" : entry->schema;
}

// Reads the XML text (matched exactly, as the format is case-sensitive).
template <typename E>
bool EnumFromSchema(std::string_view text, E* out) {
    const EnumEntry* entry = FindEntry(TableOf<E>(), text);
    if (entry == nullptr) return false;
    *out = static_cast<E>(entry->value);
    return true;
}

template <>
const EnumTable& TableOf<YesNo>();
template <>
const EnumTable& TableOf<Language>();
template <>
const EnumTable& TableOf<Modus>();
template <>
const EnumTable& TableOf<RoleType>();
template <>
const EnumTable& TableOf<PlaceType>();
template <>
const EnumTable& TableOf<PayloadType>();
template <>
const EnumTable& TableOf<TiersMode>();
template <>
const EnumTable& TableOf<EsrType>();
template <>
const EnumTable& TableOf<PaymentTo>();
template <>
const EnumTable& TableOf<SexType>();
template <>
const EnumTable& TableOf<Canton>();
template <>
const EnumTable& TableOf<TreatmentType>();
template <>
const EnumTable& TableOf<TreatmentReason>();
template <>
const EnumTable& TableOf<HospitalizationType>();
template <>
const EnumTable& TableOf<HospitalizationMode>();
template <>
const EnumTable& TableOf<HospitalizationClass>();
template <>
const EnumTable& TableOf<LawType>();
template <>
const EnumTable& TableOf<GrouperRecordType>();
template <>
const EnumTable& TableOf<BfsRecordType>();
template <>
const EnumTable& TableOf<DiagnosisType>();
template <>
const EnumTable& TableOf<BodySide>();
template <>
const EnumTable& TableOf<Delivery>();
template <>
const EnumTable& TableOf<MedicalRole>();
template <>
const EnumTable& TableOf<BillingRole>();
template <>
const EnumTable& TableOf<Settlement>();
template <>
const EnumTable& TableOf<AddressType>();
template <>
const EnumTable& TableOf<ReminderLevel>();
template <>
const EnumTable& TableOf<ServiceKind>();

// Helpers for the payment slip kinds.
inline bool IsEsr9Type(EsrType type) {
    return type == EsrType::kEsr16or27 || type == EsrType::kEsr16or27Plus;
}
inline bool IsEsrQRType(EsrType type) {
    return type == EsrType::kEsrQR || type == EsrType::kEsrQRPlus ||
           type == EsrType::kRedPayinSlipQR;
}

inline bool ToBool(YesNo value) {
    return value == YesNo::kYes;
}
inline YesNo ToYesNo(bool value) {
    return value ? YesNo::kYes : YesNo::kNo;
}

}  // namespace invoice
