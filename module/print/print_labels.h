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
    kDocument,
    kInvoiceNumber,
    kInvoiceDate,
    kTimestamp,
    kSender,
    kReminderNumber,
    kReminderDate,
    // Parties.
    kBiller,
    kProvider,
    kPatient,
    kInsurance,
    kReferrer,
    kGln,
    kZsr,
    kBirthdate,
    kSex,
    kMale,
    kFemale,
    kSsn,
    kInsuredId,
    kCardId,
    kProviderList,
    // Case.
    kLaw,
    kCaseId,
    kCaseDate,
    kTreatment,
    kReason,
    kCanton,
    kDiagnoses,
    kRemark,
    kReasonDisease,
    kReasonAccident,
    kReasonMaternity,
    kReasonPrevention,
    kReasonBirthDefect,
    kReasonUnknown,
    // Services table.
    kColDate,
    kColTariff,
    kColCode,
    kColRefCode,
    kColSession,
    kColSide,
    kColQuantity,
    kColUnitMt,
    kColFactorMt,
    kColUnitTt,
    kColFactorTt,
    kColProvider,
    kColObligation,
    kColVat,
    kColAmount,
    // Summary.
    kCarried,
    kSubtotal,
    kVatRate,
    kVatBase,
    kVat,
    kVatNumber,
    kTotal,
    kObligations,
    kPrepaid,
    kReminderFee,
    kAmountDue,
    kPaymentPeriod,  // followed by the number of days
    kDays,
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
