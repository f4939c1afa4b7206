#pragma once

#include <string>

#include "module/model/invoice_model.h"
#include "module/tariff/tariff_catalog.h"

namespace tariff {

// What the rules know of the service input of an AddServiceEx record.
struct ServiceInput {
    invoice::ServiceExInput data;
    bool patient_given = false;    // SetPatient was called
    bool treatment_given = false;  // SetTreatment was called
};

// Checks `record`, about to be added to `request`, against `catalog`.
// `input` is the service input of an AddServiceEx record, null for
// AddService. Records of a tariff type the catalog does not have pass.
//
// The rules, in the order they are tried (the first broken one counts):
//   code        the code is in the catalog and valid on the record's begin date
//   input       the service input was made for the record's tariff type
//   tax_points  dUnitMT and dUnitTT (AddService: dUnit against unit_mt) lie
//               within 0.005 of the catalog's; not checked for an input
//               settled by a flat-rate agreement (SetTreatment eSettlement 2)
//   quantity    the quantity of the code in the record's session, this record
//               and the earlier ones together, is at most max_per_session
//   exclusive   no code the entry excludes stands in the same session
//   sex, age    the patient's sex and age in whole years at the begin date:
//               the input's SetPatient when called, else the request's patient
//   law         the input's law when its SetTreatment was called, else the
//               request's (SetLaw), is one of the entry's laws
//   canton      the input's canton (SetTreatment) is the request's treatment
//               canton, when both are given
//   dignity     the input holds the dignity for its provider GLN (AddDignity)
//   token       the input holds the token, with the value when the entry
//               names one (AddToken)
//   side        eSide is left or right when the entry requires a side
// The last three, input and canton apply to AddServiceEx only: AddService has no
// service input. A rule whose value is not known (no patient, no law) is
// broken when the entry restricts it.
//
// Returns "" when the record passes, else "tariff rule <name>: <text>"
// naming the code and the values.
std::string CheckRecord(const Catalog& catalog, const invoice::InvoiceRequest& request,
                        const invoice::ServiceRecord& record, const ServiceInput* input);

// The same against the module's current catalog (catalog_store.h); "" when
// there is none or the record asks not to be validated (eIgnoreValidate 1).
std::string CheckRecord(const invoice::InvoiceRequest& request,
                        const invoice::ServiceRecord& record, const ServiceInput* input);

}  // namespace tariff
