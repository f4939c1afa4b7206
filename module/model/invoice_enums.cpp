#include "module/model/invoice_enums.h"

namespace invoice {

namespace {

template <size_t N>
EnumTable MakeTable(const char* name, const char* parameters, const EnumEntry (&entries)[N]) {
    return EnumTable{name, parameters, entries, N};
}

constexpr EnumEntry kYesNo[] = {
    {0, "false", "no"},
    {1, "true", "yes"},
};

constexpr EnumEntry kLanguage[] = {
    {1, "de", "German"},
    {2, "fr", "French"},
    {3, "it", "Italian"},
};

constexpr EnumEntry kModus[] = {
    {1, "production", "production data"},
    {2, "test", "test data"},
};

constexpr EnumEntry kRoleType[] = {
    {1, "physician", "physician"},
    {2, "physiotherapist", "physiotherapist"},
    {3, "chiropractor", "chiropractor"},
    {4, "ergotherapist", "occupational therapist"},
    {5, "nutritionist", "nutritionist"},
    {6, "midwife", "midwife"},
    {7, "logotherapist", "speech therapist"},
    {8, "hospital", "hospital"},
    {9, "pharmacist", "pharmacist"},
    {10, "dentist", "dentist"},
    {11, "labtechnician", "laboratory technician"},
    {12, "dentaltechnician", "dental technician"},
    {13, "othertechnician", "other technician"},
    {14, "psychologist", "psychologist"},
    {15, "wholesaler", "wholesaler"},
    {16, "nursingstaff", "nursing staff"},
    {17, "transport", "transport and rescue"},
    {18, "druggist", "druggist"},
    {19, "naturopathicdoctor", "naturopathic doctor"},
    {20, "naturopathictherapist", "naturopathic therapist"},
    {21, "other", "other role"},
};

constexpr EnumEntry kPlaceType[] = {
    {1, "practice", "practice"},       {2, "hospital", "hospital"}, {3, "lab", "laboratory"},
    {4, "association", "association"}, {5, "company", "company"},
};

constexpr EnumEntry kPayloadType[] = {
    {1, "invoice", "invoice"},
    {2, "reminder", "reminder"},
};

constexpr EnumEntry kTiersMode[] = {
    {1, "tiers_garant", "tiers garant: the guarantor pays the biller"},
    {2, "tiers_payant", "tiers payant: the insurance pays the biller"},
};

constexpr EnumEntry kEsrType[] = {
    {1, "16or27", "orange slip (esr9), 16 or 27 digit reference"},
    {2, "16or27plus", "orange slip (esr9) without amount, 16 or 27 digit reference"},
    {3, "esrRed", "red slip (esrRed)"},
    {4, "esrQR", "QR bill with reference (esrQR)"},
    {5, "esrQRplus", "QR bill with reference, without amount (esrQR)"},
    {6, "redPayinSlipQR", "QR bill without reference (esrQR)"},
};

constexpr EnumEntry kPaymentTo[] = {
    {1, "postal_account", "paid to the post account"},
    {2, "bank_account", "paid to the bank account behind the post account"},
};

constexpr EnumEntry kSexType[] = {
    {1, "male", "male"},
    {2, "female", "female"},
};

constexpr EnumEntry kCanton[] = {
    {1, "AG", "Aargau"},
    {2, "AI", "Appenzell Innerrhoden"},
    {3, "AR", "Appenzell Ausserrhoden"},
    {4, "BE", "Bern"},
    {5, "BL", "Basel-Landschaft"},
    {6, "BS", "Basel-Stadt"},
    {7, "FR", "Fribourg"},
    {8, "GE", "Geneva"},
    {9, "GL", "Glarus"},
    {10, "GR", "Graubuenden"},
    {11, "JU", "Jura"},
    {12, "LU", "Lucerne"},
    {13, "NE", "Neuchatel"},
    {14, "NW", "Nidwalden"},
    {15, "OW", "Obwalden"},
    {16, "SG", "St. Gallen"},
    {17, "SH", "Schaffhausen"},
    {18, "SO", "Solothurn"},
    {19, "SZ", "Schwyz"},
    {20, "TI", "Ticino"},
    {21, "TG", "Thurgau"},
    {22, "UR", "Uri"},
    {23, "VD", "Vaud"},
    {24, "VS", "Valais"},
    {25, "ZG", "Zug"},
    {26, "ZH", "Zurich"},
    {27, "LI", "Liechtenstein"},
    {28, "A", "Austria"},
    {29, "D", "Germany"},
    {30, "F", "France"},
    {31, "I", "Italy"},
};

constexpr EnumEntry kTreatmentType[] = {
    {1, "ambulatory", "ambulatory"},
    {2, "stationary", "stationary (in-patient)"},
};

constexpr EnumEntry kTreatmentReason[] = {
    {1, "disease", "disease"},          {2, "accident", "accident"},
    {3, "maternity", "maternity"},      {4, "prevention", "prevention"},
    {5, "birthdefect", "birth defect"}, {6, "unknown", "unknown"},
};

constexpr EnumEntry kHospitalizationType[] = {
    {1, "regular", "regular admission"},
    {2, "emergency", "emergency admission"},
};

constexpr EnumEntry kHospitalizationMode[] = {
    {1, "cantonal", "within the canton"},
    {2, "noncantonal_indicated", "outside the canton, medically indicated"},
    {3, "noncantonal_nonindicated", "outside the canton, not medically indicated"},
};

constexpr EnumEntry kHospitalizationClass[] = {
    {1, "private", "private ward"},
    {2, "semi_private", "semi-private ward"},
    {3, "general", "general ward"},
    {4, "hospital_comfort", "hospital comfort"},
    {5, "md_free_choice", "free choice of physician"},
};

constexpr EnumEntry kLawType[] = {
    {1, "kvg", "KVG: health insurance"},
    {2, "uvg", "UVG: accident insurance"},
    {3, "ivg", "IVG: disability insurance"},
    {4, "mvg", "MVG: military insurance"},
    {5, "vvg", "VVG: supplementary insurance"},
    {6, "org", "ORG: self-paying patient (law of obligations)"},
};

constexpr EnumEntry kGrouperRecordType[] = {
    {1, "admission_type", "admission type"},
    {2, "discharge_type", "discharge type"},
    {3, "provider_type", "provider type"},
};

constexpr EnumEntry kBfsRecordType[] = {
    {1, "bfs_residence_before_admission", "residence before admission"},
    {2, "bfs_admission_type", "admission type"},
    {3, "bfs_decision_for_discharge", "decision for discharge"},
    {4, "bfs_residence_after_discharge", "residence after discharge"},
};

constexpr EnumEntry kDiagnosisType[] = {
    {1, "ICD", "ICD-10 code"},    {2, "cantonal", "cantonal code"},
    {3, "DRG", "DRG code"},       {4, "by_contract", "code by contract"},
    {5, "freetext", "free text"}, {6, "birthdefect", "birth defect code"},
    {7, "ICPC", "ICPC code"},
};

constexpr EnumEntry kBodySide[] = {
    {1, "none", "no body side"},
    {2, "left", "left side"},
    {3, "right", "right side"},
};

constexpr EnumEntry kDelivery[] = {
    {1, "first", "first delivery"},
    {2, "repeated", "repeated delivery"},
    {3, "permanent", "permanent prescription"},
};

constexpr EnumEntry kMedicalRole[] = {
    {1, "self_employed", "self-employed"},
    {2, "employee", "employee"},
};

constexpr EnumEntry kBillingRole[] = {
    {1, "mt", "bills the medical part (MT) only"},
    {2, "tt", "bills the technical part (TT) only"},
    {3, "both", "bills both parts"},
    {4, "none", "bills neither part"},
};

constexpr EnumEntry kSettlement[] = {
    {1, "regular", "settled by the tariff"},
    {2, "flat_rate", "settled by a flat-rate agreement"},
};

constexpr EnumEntry kAddressType[] = {
    {0, "", "nothing set yet"},
    {1, "person", "person (SetPerson)"},
    {2, "company", "company (SetCompany)"},
};

constexpr EnumEntry kReminderLevel[] = {
    {1, "1", "first reminder"},
    {2, "2", "second reminder"},
    {3, "3", "third reminder"},
};

constexpr EnumEntry kServiceKind[] = {
    {1, "service", "service record (AddService)"},
    {2, "service_ex", "extended service record (AddServiceEx)"},
};

}  // namespace

const EnumEntry* FindEntry(const EnumTable& table, int64_t value) {
    for (size_t i = 0; i < table.count; ++i) {
        if (table.entries[i].value == value) return &table.entries[i];
    }
    return nullptr;
}

const EnumEntry* FindEntry(const EnumTable& table, std::string_view text) {
    for (size_t i = 0; i < table.count; ++i) {
        if (text == table.entries[i].schema) return &table.entries[i];
    }
    return nullptr;
}

template <>
const EnumTable& TableOf<YesNo>() {
    static const EnumTable table = MakeTable(
        "YesNo",
        "eIsStorno, eIsCopy, ePrintAtIntermediate, ePrintGuarantorCopy, eHasExpenseLoading, "
        "eIsURL, eIsObligatory, eIgnoreValidate, eIsIndicated, eHasLimitation, eDoArchive, "
        "eAddressRight, eSortTimeTariff",
        kYesNo);
    return table;
}

template <>
const EnumTable& TableOf<Language>() {
    static const EnumTable table = MakeTable("Language", "eDataLanguage, peLanguage", kLanguage);
    return table;
}

template <>
const EnumTable& TableOf<Modus>() {
    static const EnumTable table = MakeTable("Modus", "peModusType", kModus);
    return table;
}

template <>
const EnumTable& TableOf<RoleType>() {
    static const EnumTable table = MakeTable("RoleType", "eRoleType", kRoleType);
    return table;
}

template <>
const EnumTable& TableOf<PlaceType>() {
    static const EnumTable table = MakeTable("PlaceType", "ePlaceType", kPlaceType);
    return table;
}

template <>
const EnumTable& TableOf<PayloadType>() {
    static const EnumTable table = MakeTable(
        "PayloadType", "no parameter; SetReminder makes the payload a reminder", kPayloadType);
    return table;
}

template <>
const EnumTable& TableOf<TiersMode>() {
    static const EnumTable table = MakeTable("TiersMode", "eTiersMode", kTiersMode);
    return table;
}

template <>
const EnumTable& TableOf<EsrType>() {
    static const EnumTable table = MakeTable("EsrType", "eEsrType, peEsrType", kEsrType);
    return table;
}

template <>
const EnumTable& TableOf<PaymentTo>() {
    static const EnumTable table = MakeTable(
        "PaymentTo",
        "no parameter; the red slip's payee, the bank account when SetEsrRed gives an IBAN",
        kPaymentTo);
    return table;
}

template <>
const EnumTable& TableOf<SexType>() {
    static const EnumTable table = MakeTable("SexType", "eSexType, eSex", kSexType);
    return table;
}

template <>
const EnumTable& TableOf<Canton>() {
    static const EnumTable table = MakeTable("Canton", "eTreatmentCanton, eCanton", kCanton);
    return table;
}

template <>
const EnumTable& TableOf<TreatmentType>() {
    static const EnumTable table = MakeTable("TreatmentType", "eTreatmentType", kTreatmentType);
    return table;
}

template <>
const EnumTable& TableOf<TreatmentReason>() {
    static const EnumTable table =
        MakeTable("TreatmentReason", "eTreatmentReason", kTreatmentReason);
    return table;
}

template <>
const EnumTable& TableOf<HospitalizationType>() {
    static const EnumTable table =
        MakeTable("HospitalizationType", "eHospitalizationType", kHospitalizationType);
    return table;
}

template <>
const EnumTable& TableOf<HospitalizationMode>() {
    static const EnumTable table =
        MakeTable("HospitalizationMode", "eHospitalizationMode", kHospitalizationMode);
    return table;
}

template <>
const EnumTable& TableOf<HospitalizationClass>() {
    static const EnumTable table =
        MakeTable("HospitalizationClass", "eHospitalizationClass", kHospitalizationClass);
    return table;
}

template <>
const EnumTable& TableOf<LawType>() {
    static const EnumTable table = MakeTable("LawType", "eLawType, eLaw", kLawType);
    return table;
}

template <>
const EnumTable& TableOf<GrouperRecordType>() {
    static const EnumTable table =
        MakeTable("GrouperRecordType", "eGrouperRecordType", kGrouperRecordType);
    return table;
}

template <>
const EnumTable& TableOf<BfsRecordType>() {
    static const EnumTable table = MakeTable("BfsRecordType", "eBfSRecordType", kBfsRecordType);
    return table;
}

template <>
const EnumTable& TableOf<DiagnosisType>() {
    static const EnumTable table = MakeTable("DiagnosisType", "eDiagnosisType", kDiagnosisType);
    return table;
}

template <>
const EnumTable& TableOf<BodySide>() {
    static const EnumTable table = MakeTable("BodySide", "eSide", kBodySide);
    return table;
}

template <>
const EnumTable& TableOf<Delivery>() {
    static const EnumTable table = MakeTable("Delivery", "eDelivery", kDelivery);
    return table;
}

template <>
const EnumTable& TableOf<MedicalRole>() {
    static const EnumTable table = MakeTable("MedicalRole", "eMedicalRole", kMedicalRole);
    return table;
}

template <>
const EnumTable& TableOf<BillingRole>() {
    static const EnumTable table = MakeTable("BillingRole", "eBillingRole", kBillingRole);
    return table;
}

template <>
const EnumTable& TableOf<Settlement>() {
    static const EnumTable table = MakeTable("Settlement", "eSettlement", kSettlement);
    return table;
}

template <>
const EnumTable& TableOf<AddressType>() {
    static const EnumTable table = MakeTable("AddressType", "peAddressType", kAddressType);
    return table;
}

template <>
const EnumTable& TableOf<ReminderLevel>() {
    static const EnumTable table = MakeTable("ReminderLevel", "lReminderLevel", kReminderLevel);
    return table;
}

template <>
const EnumTable& TableOf<ServiceKind>() {
    static const EnumTable table =
        MakeTable("ServiceKind", "no parameter; the kind of a service record", kServiceKind);
    return table;
}

const std::vector<const EnumTable*>& AllEnumTables() {
    static const std::vector<const EnumTable*> tables = {
        &TableOf<YesNo>(),
        &TableOf<Language>(),
        &TableOf<Modus>(),
        &TableOf<RoleType>(),
        &TableOf<PlaceType>(),
        &TableOf<PayloadType>(),
        &TableOf<TiersMode>(),
        &TableOf<ReminderLevel>(),
        &TableOf<EsrType>(),
        &TableOf<PaymentTo>(),
        &TableOf<AddressType>(),
        &TableOf<SexType>(),
        &TableOf<LawType>(),
        &TableOf<Canton>(),
        &TableOf<TreatmentType>(),
        &TableOf<TreatmentReason>(),
        &TableOf<DiagnosisType>(),
        &TableOf<HospitalizationType>(),
        &TableOf<HospitalizationMode>(),
        &TableOf<HospitalizationClass>(),
        &TableOf<GrouperRecordType>(),
        &TableOf<BfsRecordType>(),
        &TableOf<ServiceKind>(),
        &TableOf<BodySide>(),
        &TableOf<MedicalRole>(),
        &TableOf<BillingRole>(),
        &TableOf<Settlement>(),
        &TableOf<Delivery>(),
    };
    return tables;
}

}  // namespace invoice
