#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "module/model/decimal.h"
#include "module/model/invoice_enums.h"
#include "module/model/model_address.h"
#include "module/model/model_basics.h"
#include "module/model/model_parties.h"
#include "module/model/model_payment.h"
#include "module/model/model_services.h"

namespace invoice {

// The invoice request as the module holds it: everything the setters of
// IGeneralInvoiceRequest take, in the structure of the 4.50 format
// (generalInvoiceRequest_450.xsd). The request object fills it, Finalize
// completes it (record ids, amounts, balance), the XML writer and the print
// read it, and the XML loader fills it from a file. Plain data: no checks
// here (module/checks/value_checks.h checks values, balance.h computes figures).
//
// Conventions:
//  - a section whose setter has not been called is std::nullopt; calling a
//    setter again replaces the section;
//  - lists (diagnoses, services, documents, ...) grow by their Add... call in
//    call order and may be filled in any order relative to the setters;
//  - texts are UTF-8, empty = not given; dates are OLE serials
//    (model_basics.h); numbers with decimals are Decimal.

// Initialize / SetRequest: the request's and the body's own attributes.
struct RequestSection {
    RoleType role = RoleType::kPhysician;
    PlaceType place = PlaceType::kPractice;
    std::string role_title;
    bool is_storno = false;
    bool is_copy = false;
    std::string remark;  // the body's remark
};

// SetTransport. The format allows a chain of intermediates; SetTransport
// gives one (sequence 1), the loader keeps all of them in order.
struct TransportVia {
    std::string ean;
    uint16_t sequence_id = 1;
};

struct Transport {
    std::string from_ean;
    std::string from_pfx_file;      // key file to sign with (not written out)
    std::string from_pfx_password;  // its password (never written out)
    std::string to_ean;
    std::string to_bin_der_file;  // certificate to encrypt for (not written out)
    std::vector<TransportVia> vias;
};

// An insurer's demand the invoice answers (processing/demand): a loaded
// file's, or the one the writer makes for SetProcessing's TC token.
struct Demand {
    int64_t tc_demand_id = 0;
    std::string tc_token;
    DateTime insurance_demand_date;
    std::string insurance_demand_id;
};

// SetProcessing and AddInstruction. `tc_token` is the TC token of
// SetProcessing, and of a loaded file's demand; a request with a token but
// no demand is written with a demand of id 0 dated on the invoice date.
struct Processing {
    bool print_at_intermediate = false;
    bool print_copy_to_guarantor = false;
    std::string tc_token;
    std::optional<Demand> demand;
    std::vector<TokenValue> instructions;
};

// The prolog's software entries. SetPackage fills `package`. The generator
// is the software that made the invoice: Finalize names this engine when it
// is empty, a loaded file keeps its own, and the writer then adds this engine
// as the last of its depends_on entries (once).
struct SoftwareDependency {
    std::string name;
    std::string copyright;
    std::string description;
    std::optional<uint32_t> version;
    uint32_t id = 0;
};

struct Software {
    std::string name;
    std::string copyright;
    std::string description;
    std::optional<uint32_t> version;
    uint32_t id = 0;
    std::vector<SoftwareDependency> depends_on;
};

struct Prolog {
    std::optional<Software> package;
    Software generator;
};

// SetCredit, SetInvoice: the identity of a request.
struct RequestReference {
    std::string id;
    DateTime date;
    int64_t timestamp = 0;  // Unix seconds
};

// SetReminder. Its presence makes the payload a reminder.
struct Reminder {
    RequestReference reference;
    ReminderLevel level = ReminderLevel::kFirst;
    std::string text;
    Decimal amount_reminder;  // the reminder fee
};

// SetLaw. Finalize fills ssn (uvg, ivg, mvg) from the patient when it is
// empty; the writer takes nif (ivg) from the biller when it is empty. The
// loader keeps the file's values.
struct Law {
    LawType type = LawType::kKVG;
    std::optional<DateTime> case_date;
    std::string case_id;
    std::string insured_id;
    std::string ssn;
    std::string nif;
};

// AddDiagnosis.
struct Diagnosis {
    DiagnosisType type = DiagnosisType::kByContract;
    std::string code;
    std::string text;
};

// SetTreatment.
struct Treatment {
    std::string apid;
    std::string acid;
    DateTime date_begin;
    DateTime date_end;
    Canton canton = Canton::kAG;
    TreatmentType type = TreatmentType::kAmbulatory;
    TreatmentReason reason = TreatmentReason::kDisease;
    std::optional<DateTime> gestation_week13;
};

// SetXtraHospital. `treatment_type` chooses the format's ambulatory or
// stationary element; the stationary one also carries the grouper and BfS
// records and the case details of the request. The hospitalization type,
// mode and class are optional for an ambulatory stay (a loaded one may name
// none); SetXtraHospital always sets them. `treatment_days_text` is a loaded
// file's duration as written ("P4D", "PT96H"), written back unchanged;
// empty when set through the interface.
struct XtraHospital {
    TreatmentType treatment_type = TreatmentType::kStationary;
    std::optional<DateTime> hospitalization_date;
    int32_t treatment_days = 0;
    std::optional<HospitalizationType> hospitalization_type;
    std::optional<HospitalizationMode> hospitalization_mode;
    std::optional<HospitalizationClass> hospitalization_class;
    std::string section_major;
    bool has_expense_loading = true;
    std::string treatment_days_text;
};

// AddGrouperRecord. `number` is the format's text of one to three
// characters, kept as written ("01", "A"); AddGrouperRecord writes its
// lNumber in decimal, and the reads answer the text as a number (0 when it
// is none).
struct GrouperRecord {
    GrouperRecordType type = GrouperRecordType::kAdmissionType;
    std::string number;
    std::string name;
};

// AddBfSRecord; `number` is the format's code, kept as text like a grouper
// record's number.
struct BfsRecord {
    BfsRecordType type = BfsRecordType::kAdmissionType;
    std::string number;
    std::string name;
};

// AddCaseDetail; record ids are assigned 1, 2, 3, ... in call order.
struct CaseDetail {
    int32_t record_id = 0;
    std::string tariff_type;
    std::string code;
    DateTime date_begin;
    DateTime date_end;
    std::string acid;
};

// AddDocument. For a file (is_url false) `source` is its path and the XML
// writer embeds its content as base64; for a URL `source` is the URL.
// `filename` is the name written out (the file's name without folders).
// The loader keeps embedded content in `content_base64` (the writer writes
// it back as it is) and leaves `source` empty; LoadXML saves the content to
// a file and names that file in `source`.
struct Document {
    bool is_url = false;
    std::string source;
    std::string title;
    std::string mime_type;  // application/pdf, image/jpeg or image/png
    std::string filename;
    std::string content_base64;
};

// The XML signature of a loaded file (module/xml/xml_signature.h). The
// loader keeps it only when it verified. The writer never writes it again:
// a document written anew is not the one that was signed; GetXML signs anew
// when the request names the sender's key (Transport::from_pfx_file).
struct LoadedSignature {
    std::string signer;   // subject of the signing certificate, "CN=...,O=...,C=CH"
    std::string element;  // the ds:Signature element as it stood in the file
};

struct InvoiceRequest {
    // Initialize, and the manager's settings at creation.
    Language language = Language::kGerman;
    Modus modus = Modus::kProduction;
    std::optional<int64_t> validation_status;

    std::optional<RequestSection> request;  // SetRequest
    bool storno_followup_probable = true;   // format attribute, loader only
    // payload@type as a loaded file names it; otherwise (and after
    // SetReminder) the payload type follows the reminder section.
    std::optional<PayloadType> filed_payload_type;
    Processing processing;
    std::optional<Transport> transport;
    std::optional<LoadedSignature> signature;  // loader only
    Prolog prolog;

    std::optional<RequestReference> credit;
    std::optional<RequestReference> invoice;
    std::optional<Reminder> reminder;

    std::optional<Tiers> tiers;
    std::optional<Esr> esr;

    std::optional<Biller> biller;
    std::optional<Debitor> debitor;
    std::optional<Provider> provider;
    std::optional<Insurance> insurance;
    std::optional<Patient> patient;
    std::optional<InsuranceCard> card;  // the patient's (SetCard)
    std::optional<Patient> insured;
    std::optional<InsuranceCard> insured_card;  // the insured's (loader only)
    std::optional<Guarantor> guarantor;
    std::optional<Referrer> referrer;
    std::optional<Employer> employer;

    std::optional<Law> law;
    std::optional<Treatment> treatment;
    std::vector<Diagnosis> diagnoses;
    std::optional<XtraHospital> xtra_hospital;
    std::vector<GrouperRecord> grouper_records;
    std::vector<BfsRecord> bfs_records;
    std::vector<CaseDetail> case_details;

    std::vector<ServiceRecord> services;
    std::vector<Document> documents;
    // documents@number as a loaded file gives it; otherwise the count.
    std::optional<uint64_t> filed_document_count;

    // Filled by Finalize (or the loader); `finalized` says it is current.
    Balance balance;
    bool finalized = false;

    PayloadType payload_type() const {
        if (filed_payload_type) return *filed_payload_type;
        return reminder ? PayloadType::kReminder : PayloadType::kInvoice;
    }
};

}  // namespace invoice
