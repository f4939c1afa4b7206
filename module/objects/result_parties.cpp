#include "module/objects/result_object.h"

#include "module/objects/result_values.h"

// The party reads. A party the invoice lacks reads as blanks with
// *pbStatus VARIANT_FALSE and no address.

using namespace result_values;

namespace {

// EAN, ZSR, NIF and specialty of a biller, provider or referrer.
template <typename Party>
void WriteProviderLike(const Party& party, BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF,
                       BSTR* pbstrSpecialty, IAddress** pIAddress) {
    *pbstrEAN = party.ean;
    *pbstrZSR = party.zsr;
    *pbstrNIF = party.nif;
    *pbstrSpecialty = party.specialty;
    HandOutAddress(party.address, pIAddress);
}

void WritePatient(const std::optional<invoice::Patient>& patient, long* peSexType,
                  DATE* pdBirthdate, BSTR* pbstrSSN, IAddress** pIAddress, VARIANT_BOOL* pbStatus) {
    const invoice::Patient& value = OrBlank(patient, BlankPatient());
    *peSexType = Number(value.sex);
    *pdBirthdate = value.birthdate;
    *pbstrSSN = value.ssn;
    HandOutAddress(value.address, pIAddress);
    *pbStatus = StatusOf(patient.has_value());
}

}  // namespace

HRESULT CGeneralInvoiceResult::GetBiller(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF,
                                         BSTR* pbstrSpecialty, IAddress** pIAddress,
                                         VARIANT_BOOL* pbStatus) {
    if (!pbstrEAN || !pbstrZSR || !pbstrNIF || !pbstrSpecialty || !pIAddress || !pbStatus) {
        return NullOut("GetBiller");
    }
    WriteProviderLike(OrBlank(invoice_->biller, BlankBiller()), pbstrEAN, pbstrZSR, pbstrNIF,
                      pbstrSpecialty, pIAddress);
    *pbStatus = StatusOf(invoice_->biller.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetProvider(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF,
                                           BSTR* pbstrSpecialty, IAddress** pIAddress,
                                           VARIANT_BOOL* pbStatus) {
    if (!pbstrEAN || !pbstrZSR || !pbstrNIF || !pbstrSpecialty || !pIAddress || !pbStatus) {
        return NullOut("GetProvider");
    }
    WriteProviderLike(OrBlank(invoice_->provider, BlankProvider()), pbstrEAN, pbstrZSR, pbstrNIF,
                      pbstrSpecialty, pIAddress);
    *pbStatus = StatusOf(invoice_->provider.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetReferrer(BSTR* pbstrEAN, BSTR* pbstrZSR, BSTR* pbstrNIF,
                                           BSTR* pbstrSpecialty, IAddress** pIAddress,
                                           VARIANT_BOOL* pbStatus) {
    if (!pbstrEAN || !pbstrZSR || !pbstrNIF || !pbstrSpecialty || !pIAddress || !pbStatus) {
        return NullOut("GetReferrer");
    }
    WriteProviderLike(OrBlank(invoice_->referrer, BlankReferrer()), pbstrEAN, pbstrZSR, pbstrNIF,
                      pbstrSpecialty, pIAddress);
    *pbStatus = StatusOf(invoice_->referrer.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetInsurance(BSTR* pbstrEAN, IAddress** pIAddress,
                                            VARIANT_BOOL* pbStatus) {
    if (!pbstrEAN || !pIAddress || !pbStatus) return NullOut("GetInsurance");
    const invoice::Insurance& insurance = OrBlank(invoice_->insurance, BlankInsurance());
    *pbstrEAN = insurance.ean;
    HandOutAddress(insurance.address, pIAddress);
    *pbStatus = StatusOf(invoice_->insurance.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetPatient(long* peSexType, DATE* pdBirthdate, BSTR* pbstrSSN,
                                          IAddress** pIAddress, VARIANT_BOOL* pbStatus) {
    if (!peSexType || !pdBirthdate || !pbstrSSN || !pIAddress || !pbStatus) {
        return NullOut("GetPatient");
    }
    WritePatient(invoice_->patient, peSexType, pdBirthdate, pbstrSSN, pIAddress, pbStatus);
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetInsured(long* peSexType, DATE* pdBirthdate, BSTR* pbstrSSN,
                                          IAddress** pIAddress, VARIANT_BOOL* pbStatus) {
    if (!peSexType || !pdBirthdate || !pbstrSSN || !pIAddress || !pbStatus) {
        return NullOut("GetInsured");
    }
    WritePatient(invoice_->insured, peSexType, pdBirthdate, pbstrSSN, pIAddress, pbStatus);
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetGuarantor(IAddress** pIAddress, VARIANT_BOOL* pbStatus) {
    if (!pIAddress || !pbStatus) return NullOut("GetGuarantor");
    HandOutAddress(OrBlank(invoice_->guarantor, BlankGuarantor()).address, pIAddress);
    *pbStatus = StatusOf(invoice_->guarantor.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetDebitor(BSTR* pbstrEAN, IAddress** pIAddress,
                                          VARIANT_BOOL* pbStatus) {
    if (!pbstrEAN || !pIAddress || !pbStatus) return NullOut("GetDebitor");
    const invoice::Debitor& debitor = OrBlank(invoice_->debitor, BlankDebitor());
    *pbstrEAN = debitor.ean;
    HandOutAddress(debitor.address, pIAddress);
    *pbStatus = StatusOf(invoice_->debitor.has_value());
    return S_OK;
}

HRESULT CGeneralInvoiceResult::GetEmployer(BSTR* pbstrEAN, BSTR* pbstrRegNumber,
                                           IAddress** pIAddress, VARIANT_BOOL* pbStatus) {
    if (!pbstrEAN || !pbstrRegNumber || !pIAddress || !pbStatus) return NullOut("GetEmployer");
    const invoice::Employer& employer = OrBlank(invoice_->employer, BlankEmployer());
    *pbstrEAN = employer.ean;
    *pbstrRegNumber = employer.reg_number;
    HandOutAddress(employer.address, pIAddress);
    *pbStatus = StatusOf(invoice_->employer.has_value());
    return S_OK;
}
