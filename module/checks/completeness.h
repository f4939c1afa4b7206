#pragma once

#include <string>
#include <vector>

#include "module/model/invoice_model.h"

// Finalize's completeness check: everything the 4.50 format requires of an
// invoice request that the setters cannot ensure on their own, because it
// depends on which setters were called.
//
// Required: SetRequest (role and place), SetTransport, SetInvoice, SetTiers,
// a payment slip (SetEsr, SetEsrRed, SetEsrQR or SetEsrRedQR) with its
// creditor address (and its bank address for a QR bill), SetBiller,
// SetDebitor, SetProvider, SetPatient, SetGuarantor, each with an address
// that has a name, a zip and a city (a person's address for the patient and
// the insured), SetInsurance for tiers payant, SetLaw (with the patient's
// social security number for the ivg and mvg laws), SetTreatment, at
// least one service record, and for a stationary SetXtraHospital one grouper
// record of each type and one BfS record of each type.

namespace invoice {

// One line per missing part, in the order of the format, each naming the
// part and the setter that fills it: "biller (SetBiller)",
// "address of the debitor: city (SetDebitor)". Empty when the request is
// complete.
std::vector<std::string> MissingParts(const InvoiceRequest& request);

}  // namespace invoice
