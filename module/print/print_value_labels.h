#pragma once

#include "module/model/invoice_enums.h"

// The printed names of the format's enumeration values in the three invoice
// languages: what a clerk reads instead of the schema text ("Tessiner Code"
// for by_contract, "ambulant" for ambulatory). Every function answers a
// UTF-8 text, never null; a value outside its enumeration gives "".

namespace invoice {

const char* RoleName(Language language, RoleType role);
const char* PlaceName(Language language, PlaceType place);
const char* DiagnosisCatalogueName(Language language, DiagnosisType type);
const char* TreatmentTypeName(Language language, TreatmentType type);
const char* TreatmentReasonName(Language language, TreatmentReason reason);
const char* HospitalizationTypeName(Language language, HospitalizationType type);
const char* HospitalizationModeName(Language language, HospitalizationMode mode);
const char* HospitalizationClassName(Language language, HospitalizationClass value);
const char* TiersName(Language language, TiersMode mode);

// The billed parts of an extended record as the services table shows them:
// "AL+TL", "AL", "TL" or "–" (German; PM and PT in French and Italian).
const char* BillingRoleName(Language language, BillingRole role);

}  // namespace invoice
