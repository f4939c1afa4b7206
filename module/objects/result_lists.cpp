#include "module/objects/result_object.h"

#include "module/objects/result_values.h"

// The first/next reads of the case's records, the diagnoses, the
// instructions and the documents. Each pair shares one reader; `first`
// restarts the walk.

using namespace result_values;

HRESULT CGeneralInvoiceResult::ReadGrouperRecord(bool first, long* peType, long* plNumber,
                                                 BSTR* pbstrName, VARIANT_BOOL* pbStatus) {
    if (!peType || !plNumber || !pbstrName || !pbStatus) {
        return NullOut(first ? "GetFirstGrouperRecord" : "GetNextGrouperRecord");
    }
    return Read(Walk::kGrouperRecord, first, invoice_->grouper_records, BlankGrouperRecord(),
                pbStatus, [&](const invoice::GrouperRecord& record) {
                    *peType = Number(record.type);
                    *plNumber = CodeNumber(record.number);
                    *pbstrName = record.name;
                });
}

HRESULT CGeneralInvoiceResult::GetFirstGrouperRecord(long* peGrouperRecordType, long* plNumber,
                                                     BSTR* pbstrName, VARIANT_BOOL* pbStatus) {
    return ReadGrouperRecord(true, peGrouperRecordType, plNumber, pbstrName, pbStatus);
}

HRESULT CGeneralInvoiceResult::GetNextGrouperRecord(long* peGrouperRecordType, long* plNumber,
                                                    BSTR* pbstrName, VARIANT_BOOL* pbStatus) {
    return ReadGrouperRecord(false, peGrouperRecordType, plNumber, pbstrName, pbStatus);
}

HRESULT CGeneralInvoiceResult::ReadBfsRecord(bool first, long* peType, long* plNumber,
                                             BSTR* pbstrName, VARIANT_BOOL* pbStatus) {
    if (!peType || !plNumber || !pbstrName || !pbStatus) {
        return NullOut(first ? "GetFirstBfSRecord" : "GetNextBfSRecord");
    }
    return Read(Walk::kBfsRecord, first, invoice_->bfs_records, BlankBfsRecord(), pbStatus,
                [&](const invoice::BfsRecord& record) {
                    *peType = Number(record.type);
                    *plNumber = CodeNumber(record.number);
                    *pbstrName = record.name;
                });
}

HRESULT CGeneralInvoiceResult::GetFirstBfSRecord(long* peBfSRecordType, long* plNumber,
                                                 BSTR* pbstrName, VARIANT_BOOL* pbStatus) {
    return ReadBfsRecord(true, peBfSRecordType, plNumber, pbstrName, pbStatus);
}

HRESULT CGeneralInvoiceResult::GetNextBfSRecord(long* peBfSRecordType, long* plNumber,
                                                BSTR* pbstrName, VARIANT_BOOL* pbStatus) {
    return ReadBfsRecord(false, peBfSRecordType, plNumber, pbstrName, pbStatus);
}

HRESULT CGeneralInvoiceResult::ReadCaseDetail(bool first, BSTR* pbstrTariffType, BSTR* pbstrCode,
                                              DATE* pdDateBegin, DATE* pdDateEnd, BSTR* pbstrACID,
                                              VARIANT_BOOL* pbStatus) {
    if (!pbstrTariffType || !pbstrCode || !pdDateBegin || !pdDateEnd || !pbstrACID || !pbStatus) {
        return NullOut(first ? "GetFirstCaseDetail" : "GetNextCaseDetail");
    }
    return Read(Walk::kCaseDetail, first, invoice_->case_details, BlankCaseDetail(), pbStatus,
                [&](const invoice::CaseDetail& detail) {
                    *pbstrTariffType = detail.tariff_type;
                    *pbstrCode = detail.code;
                    *pdDateBegin = detail.date_begin;
                    *pdDateEnd = detail.date_end;
                    *pbstrACID = detail.acid;
                });
}

HRESULT CGeneralInvoiceResult::GetFirstCaseDetail(BSTR* pbstrTariffType, BSTR* pbstrCode,
                                                  DATE* pdDateBegin, DATE* pdDateEnd,
                                                  BSTR* pbstrACID, VARIANT_BOOL* pbStatus) {
    return ReadCaseDetail(true, pbstrTariffType, pbstrCode, pdDateBegin, pdDateEnd, pbstrACID,
                          pbStatus);
}

HRESULT CGeneralInvoiceResult::GetNextCaseDetail(BSTR* pbstrTariffType, BSTR* pbstrCode,
                                                 DATE* pdDateBegin, DATE* pdDateEnd,
                                                 BSTR* pbstrACID, VARIANT_BOOL* pbStatus) {
    return ReadCaseDetail(false, pbstrTariffType, pbstrCode, pdDateBegin, pdDateEnd, pbstrACID,
                          pbStatus);
}

HRESULT CGeneralInvoiceResult::ReadDiagnosis(bool first, long* peDiagnosisType, BSTR* pbstrCode,
                                             BSTR* pbstrText, VARIANT_BOOL* pbStatus) {
    if (!peDiagnosisType || !pbstrCode || !pbstrText || !pbStatus) {
        return NullOut(first ? "GetFirstDiagnosis" : "GetNextDiagnosis");
    }
    return Read(Walk::kDiagnosis, first, invoice_->diagnoses, BlankDiagnosis(), pbStatus,
                [&](const invoice::Diagnosis& diagnosis) {
                    *peDiagnosisType = Number(diagnosis.type);
                    *pbstrCode = diagnosis.code;
                    *pbstrText = diagnosis.text;
                });
}

HRESULT CGeneralInvoiceResult::GetFirstDiagnosis(long* peDiagnosisType, BSTR* pbstrCode,
                                                 BSTR* pbstrText, VARIANT_BOOL* pbStatus) {
    return ReadDiagnosis(true, peDiagnosisType, pbstrCode, pbstrText, pbStatus);
}

HRESULT CGeneralInvoiceResult::GetNextDiagnosis(long* peDiagnosisType, BSTR* pbstrCode,
                                                BSTR* pbstrText, VARIANT_BOOL* pbStatus) {
    return ReadDiagnosis(false, peDiagnosisType, pbstrCode, pbstrText, pbStatus);
}

HRESULT CGeneralInvoiceResult::ReadInstruction(bool first, BSTR* pbstrToken, BSTR* pbstrValue,
                                               VARIANT_BOOL* pbStatus) {
    if (!pbstrToken || !pbstrValue || !pbStatus) {
        return NullOut(first ? "GetFirstInstruction" : "GetNextInstruction");
    }
    return Read(Walk::kInstruction, first, invoice_->processing.instructions, BlankInstruction(),
                pbStatus, [&](const invoice::TokenValue& instruction) {
                    *pbstrToken = instruction.token;
                    *pbstrValue = instruction.value;
                });
}

HRESULT CGeneralInvoiceResult::GetFirstInstruction(BSTR* pbstrToken, BSTR* pbstrValue,
                                                   VARIANT_BOOL* pbStatus) {
    return ReadInstruction(true, pbstrToken, pbstrValue, pbStatus);
}

HRESULT CGeneralInvoiceResult::GetNextInstruction(BSTR* pbstrToken, BSTR* pbstrValue,
                                                  VARIANT_BOOL* pbStatus) {
    return ReadInstruction(false, pbstrToken, pbstrValue, pbStatus);
}

HRESULT CGeneralInvoiceResult::ReadDocument(bool first, long* peIsURL, BSTR* pbstrSource,
                                            BSTR* pbstrTitle, BSTR* pbstrMimeType,
                                            VARIANT_BOOL* pbStatus) {
    if (!peIsURL || !pbstrSource || !pbstrTitle || !pbstrMimeType || !pbStatus) {
        return NullOut(first ? "GetFirstDocument" : "GetNextDocument");
    }
    return Read(Walk::kDocument, first, invoice_->documents, BlankDocument(), pbStatus,
                [&](const invoice::Document& document) {
                    *peIsURL = YesNo(document.is_url);
                    *pbstrSource = document.source;
                    *pbstrTitle = document.title;
                    *pbstrMimeType = document.mime_type;
                });
}

HRESULT CGeneralInvoiceResult::GetFirstDocument(long* peIsURL, BSTR* pbstrSource, BSTR* pbstrTitle,
                                                BSTR* pbstrMimeType, VARIANT_BOOL* pbStatus) {
    return ReadDocument(true, peIsURL, pbstrSource, pbstrTitle, pbstrMimeType, pbStatus);
}

HRESULT CGeneralInvoiceResult::GetNextDocument(long* peIsURL, BSTR* pbstrSource, BSTR* pbstrTitle,
                                               BSTR* pbstrMimeType, VARIANT_BOOL* pbStatus) {
    return ReadDocument(false, peIsURL, pbstrSource, pbstrTitle, pbstrMimeType, pbStatus);
}
