#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "module/model/decimal.h"
#include "module/model/invoice_enums.h"
#include "module/model/model_basics.h"

namespace invoice {

// Service records (AddService, AddServiceEx and their extras) and the
// service-input object (IServiceExInput), following the 4.50 format's
// serviceType and serviceExType. Numbers with decimals are Decimal, made
// from the interface's doubles by Decimal::FromDouble (so 0.1 is exactly 0.1).

// One tariff part of an extended record: the medical (MT) or the technical
// (TT) part. Its amount is
//   quantity x unit x unit_factor x scale_factor x external_factor
// rounded to 0.01 (balance.h). `amount` holds the client's figure as given
// (0 = not given) until Finalize replaces it by the accepted one.
struct TariffPart {
    Decimal unit;
    Decimal unit_factor = Decimal::FromInt(1);
    Decimal scale_factor = Decimal::FromInt(1);     // dUnitInternalScalingFactor..
    Decimal external_factor = Decimal::FromInt(1);  // from the service input
    Decimal amount;
};

// SetXtraDrug: the drug extra of a `service` record. `indicated` and
// `limitation` are optional in the format (a loaded record may give
// neither); SetXtraDrug always sets both.
struct XtraDrug {
    std::optional<bool> indicated;
    std::string iocm_category;  // "A" to "E", or empty
    Delivery delivery = Delivery::kFirst;
    uint32_t regulation_attributes = 0;
    std::optional<bool> limitation;
};

// SetXtraDRG: the DRG extra of a `service` record. The format carries one
// cost fraction; split_factor1 is written as it, split_factor2 is kept for
// reading back.
struct XtraDrg {
    Decimal split_factor1 = Decimal::FromInt(1);
    Decimal split_factor2;
};

// One line of the invoice. `kind` tells which group of fields applies:
//   kService   (AddService):   unit, unit_factor, external_factor, xtras;
//   kServiceEx (AddServiceEx): mt, tt, side, treatment, roles, group_size.
// The remaining fields are common to both.
struct ServiceRecord {
    ServiceKind kind = ServiceKind::kService;

    // Assigned 1, 2, 3, ... in the order the records were added; it is the
    // plID that AddService/AddServiceEx give back and that SetXtraDrug and
    // SetXtraDRG take.
    int32_t record_id = 0;

    std::string tariff_type;
    std::string code;
    std::string ref_code;
    std::string name;  // bstrText
    int32_t session = 1;
    Decimal quantity;
    DateTime date_begin;
    std::optional<DateTime> date_end;
    std::string provider_ean;
    std::string responsible_ean;

    // The record's total, VAT included. As given by the client (0 = not
    // given) until Finalize sets the accepted figure.
    Decimal amount;
    Decimal vat_rate;  // percent, 0 to 100
    bool obligation = true;
    std::string remark;
    std::string section_code;
    bool ignore_validate = false;
    uint32_t service_attributes = 0;

    // kService only.
    Decimal unit;
    Decimal unit_factor = Decimal::FromInt(1);
    Decimal external_factor = Decimal::FromInt(1);
    std::optional<XtraDrug> xtra_drug;
    std::optional<XtraDrg> xtra_drg;

    // kServiceEx only.
    TariffPart mt;
    TariffPart tt;
    BodySide side = BodySide::kNone;
    TreatmentType treatment = TreatmentType::kAmbulatory;
    BillingRole billing_role = BillingRole::kBoth;
    MedicalRole medical_role = MedicalRole::kSelfEmployed;
    uint32_t group_size = 1;
    // The record carries the xtra_service_ex element even with a group size
    // of 1 (a loaded file's); it is written whenever group_size is not 1.
    bool has_xtra_service_ex = false;
};

// ---------------------------------------------------------------------------
// The service-input object (IServiceExInput): what an extended record needs
// besides its own parameters. GetCreateServiceExInput names the tariff; the
// setters fill the rest. Fields keep their defaults until set.

struct TokenValue {
    std::string token;
    std::string value;
};

// A qualitative dignity of a provider (AddDignity).
struct Dignity {
    std::string ean;
    std::string ql_code;
};

// A section (department) of a provider (AddSection).
struct Section {
    std::string ean;
    std::string code;
};

struct ServiceExInput {
    std::string tariff_type;

    // SetPhysician.
    MedicalRole medical_role = MedicalRole::kSelfEmployed;
    BillingRole billing_role = BillingRole::kBoth;
    std::string provider_ean;
    std::string responsible_ean;

    // SetPatient.
    OleDate birthdate = 0;
    SexType sex = SexType::kMale;

    // SetTreatment.
    Canton canton = Canton::kAG;
    LawType law = LawType::kKVG;
    TreatmentType treatment_type = TreatmentType::kAmbulatory;
    Settlement settlement = Settlement::kRegular;
    std::string section_ean;

    // AddToken / AddDignity / AddSection; InitToken, InitDignity and
    // InitSection empty their list.
    std::vector<TokenValue> tokens;
    std::vector<Dignity> dignities;
    std::vector<Section> sections;

    // PutExternalFactor_MT / _TT.
    Decimal external_factor_mt = Decimal::FromInt(1);
    Decimal external_factor_tt = Decimal::FromInt(1);
};

}  // namespace invoice
