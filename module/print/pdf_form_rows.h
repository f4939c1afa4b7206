#pragma once

#include <string>
#include <vector>

#include "module/model/invoice_model.h"

// The header blocks of the form's first page as rows of label and value, in
// the invoice's language. A block whose data the invoice lacks is left out;
// a party's name row is followed by its address in a row without label.

namespace invoice {

struct FormRow {
    std::string label;
    std::string value;
};

// The left column: the document (number, date, identification, due date,
// the invoice a storno cancels and its credit, the reminder's level, number
// and date), the sender, tiers garant or payant, the patient (birth date,
// sex, AHV number), the insured person and the guarantor when they are not
// the patient, the insurance (GLN, insured and card number) and the
// employer.
std::vector<FormRow> DocumentRows(const InvoiceRequest& invoice, const std::string& sender_id);

// The right column: role and place, provider and referrer (GLN, ZSR), law,
// case number and date, ambulatory or stationary treatment with its
// hospital data, treatment period, reason and canton.
std::vector<FormRow> CaseRows(const InvoiceRequest& invoice);

// The biller beside the address window: its postal lines, GLN, ZSR and UID
// ("UID CHE-123.456.789 MWST").
std::vector<std::string> BillerLines(const InvoiceRequest& invoice);

// The diagnoses with their catalogue's name: "ICD-10 J06.9; Tessiner Code A1".
std::string DiagnosesText(const InvoiceRequest& invoice);

// The date by which the amount is due: the request date (the reminder's for
// a reminder) plus the payment period; 0 when the invoice gives no period.
OleDate DueDate(const InvoiceRequest& invoice);

}  // namespace invoice
