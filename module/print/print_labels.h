#pragma once

#include "module/model/invoice_enums.h"

// The printed form's fixed texts in the three invoice languages.

namespace invoice {

enum class LabelId {
    // Titles.
    kTitleReclaimGarant,
    kTitleReclaimPayant,
    kTitleInvoice,
    kTitleReminder,  // preceded by the level: "2. Mahnung"
    kCopy,
    kStorno,
    kPage,
    // Document block.
    kInvoiceNumber,
    kInvoiceDate,
    kTimestamp,
    kOfDate,  // "RG-7 vom 03.06.2024"
    kStornoOf,
    kCredit,
    kDueDate,
    kSender,
    kReminderLevel,
    kReminderNumber,
    kReminderDate,
    kTiers,
    // Parties.
    kBiller,
    kProvider,
    kPatient,
    kInsured,
    kGuarantor,
    kInsurance,
    kEmployer,
    kReferrer,
    kGln,
    kZsr,
    kUid,        // "UID CHE-123.456.789 MWST"
    kVatSuffix,  // the "MWST" after the UID
    kRegNumber,
    kBirthdate,
    kSex,
    kMale,
    kFemale,
    kSsn,
    kInsuredId,
    kCardId,
    kProviderList,
    // Case.
    kRolePlace,
    kLaw,
    kCaseId,
    kCaseDate,
    kTreatmentType,
    kAdmission,
    kTreatmentDays,
    kAdmissionType,
    kWardClass,
    kSection,
    kTreatment,
    kReason,
    kCanton,
    kDiagnoses,
    kRemark,
    // Services table.
    kColDate,
    kColTariff,
    kColCode,
    kColRefCode,
    kColSession,
    kColSide,
    kColQuantity,
    kColPartMt,
    kColPartTt,
    kColUnit,
    kColUnitFactor,
    kColScale,
    kColExternal,
    kColBilled,
    kColProvider,
    kColObligation,
    kColVat,
    kColAmount,
    kNotBilled,
    // Summary.
    kCarried,
    kSubtotal,
    kTariffTotals,
    kTariff,  // "Tarif 001" in the tariff totals
    kAmountFormula,
    kVatRate,
    kVatBase,
    kVat,
    kTotal,
    kObligations,
    kPrepaid,
    kReminderFee,
    kRounding,
    kAmountDue,
    kDays,
    kStornoNotForPayment,
    kCopyNotForPayment,
    kNothingToPay,
    kCreditBalance,  // followed by the amount
    // QR-bill.
    kReceipt,
    kPaymentPart,
    kAccountPayableTo,
    kReference,
    kAdditionalInformation,
    kPayableBy,
    kPayableByNameAddress,
    kCurrency,
    kAmount,
    kAcceptancePoint,
    kSeparateBeforePaying,
    kCount  // not a label
};

// The text of `id` in `language` (UTF-8, never null).
const char* Label(Language language, LabelId id);

// The law's abbreviation in `language` ("KVG", "LAMal", ...).
const char* LawLabel(Language language, LawType law);

}  // namespace invoice
