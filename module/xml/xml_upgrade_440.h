#pragma once

#include <string>

struct _xmlDoc;

namespace invoice_xml {

// Rewrites a generalInvoiceRequest 4.40 tree in place into the 4.50 layout,
// so that the 4.50 schema check and reader take it (ITarvos::LoadXML,
// invoicetool). The tree is first held to the 4.40 rules that its 4.50 form
// no longer shows (xml_check_440.h). What moves:
//  - the balance from the body into tiers_garant / tiers_payant (last child);
//  - the slip (esr9, esrRed) after the tiers element, with a creditor: a
//    copy of the biller's person or company;
//  - a debitor after the biller: for tiers_payant a copy of the insurance
//    with its GLN, for tiers_garant a copy of the guarantor with the GLN
//    2000000000008 (4.40 gives the guarantor none);
//  - record_tarmed becomes service_ex, every other record_* a service;
//    record_drg's cost_fraction goes into an xtra_drg child; a provider_id
//    or responsible_id given as a ZSR number becomes the GLN of the party
//    (biller, provider, referrer) with that ZSR number;
//  - processing@print_patient_copy becomes print_copy_to_guarantor; a
//    document without a title takes its file name (35 characters at most);
//  - the root's schemaLocation names the 4.50 schema.
// What 4.50 cannot hold is dropped: processing/validations,
// payload@credit_advice, esrRed@esr_attributes, the laws' contract_number,
// stationary@do_cost_assessment, record@validate, document@viewer, a zero
// amount_prepaid of a tiers_payant balance, and attached documents other
// than PDF, JPEG and PNG (documents@number counts the rest).
// docs/module-api.md lists them.
//
// Returns false with *error set, naming the file as `name`, for a tree that
// breaks those 4.40 rules and for what has no 4.50 form at all: an esr5
// slip, a tiers_payant balance with a prepaid amount, a ZSR number that no
// party of the invoice has, an encrypted body.
bool UpgradeRequest440(_xmlDoc* doc, const std::string& name, std::string* error);

}  // namespace invoice_xml
