#pragma once

#include <string>

struct _xmlNode;

namespace invoice_xml {

// The rules of the generalInvoiceRequest 4.40 format that the 4.50 schema
// check of the upgraded tree (xml_upgrade_440.h) can no longer see. A 4.40
// file is checked by its 4.50 form; this adds what that misses:
//  - elements and attributes that only 4.50 has (debitor, creditor, esrQR,
//    instructions, xtra_service_ex, xtra_drg, a balance inside the tiers,
//    an xtra_drug outside record_drug, treatment@gestation_week13 and
//    @treatment, document@title, processing@print_copy_to_guarantor,
//    payload@if_storno_followup_invoice_probable);
//  - values 4.40 restricts more than 4.50: a record's unit, unit_mt and
//    unit_tt at least 0, the esrRed iban ("CH" and 19 digits) and
//    reference_number (10 digits), the card's required expiry_date;
//  - the values the upgrade drops, by their 4.40 type: record@validate,
//    stationary@do_cost_assessment, payload@credit_advice (booleans),
//    esrRed@esr_attributes (unsigned), the laws' contract_number (1 to 35
//    characters), balance@amount_prepaid (a number), the processing
//    validations (their elements and attributes);
//  - document@mimeType: 1 to 35 characters.
// `root` is the request element of a tree that is known to be a 4.40
// request. Returns "" when nothing is found, else the first finding as
// "line N: ...".
std::string Check440Rules(const _xmlNode* root);

}  // namespace invoice_xml
