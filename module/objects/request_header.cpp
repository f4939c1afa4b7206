// The request's header sections: SetRequest, SetProcessing, SetTransport,
// SetPackage, SetCredit, SetInvoice, SetReminder and SetTiers.

#include <limits>
#include <mutex>
#include <utility>

#include "module/checks/check_dates.h"
#include "module/checks/check_identifiers.h"
#include "module/checks/value_checks.h"
#include "module/objects/request_arguments.h"
#include "module/objects/request_object.h"

using checks::CheckOptionalText;
using checks::CheckText;

namespace {

constexpr double kMaxAmount = 99999999.99;  // CHF; far above any invoice
constexpr long kMaxUnsigned = std::numeric_limits<int32_t>::max();

}  // namespace

HRESULT CGeneralInvoiceRequest::SetRequest(long eRoleType, long ePlaceType,
                                           const BSTR& bstrRoleTitle, long eIsStorno, long eIsCopy,
                                           const BSTR& bstrRemark, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetRequest: pbStatus is null");
    ArgumentCheck check("SetRequest");
    invoice::RequestSection section;
    check.Enum("eRoleType", eRoleType, &section.role);
    check.Enum("ePlaceType", ePlaceType, &section.place);
    check.Field("bstrRoleTitle", CheckOptionalText(bstrRoleTitle, 35));
    check.YesNo("eIsStorno", eIsStorno, &section.is_storno);
    check.YesNo("eIsCopy", eIsCopy, &section.is_copy);
    check.Field("bstrRemark", CheckOptionalText(bstrRemark, 350));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    section.role_title = bstrRoleTitle;
    section.remark = bstrRemark;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.request = std::move(section);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetProcessing(long ePrintAtIntermediate, long ePrintGuarantorCopy,
                                              const BSTR& bstrTCToken, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetProcessing: pbStatus is null");
    ArgumentCheck check("SetProcessing");
    bool at_intermediate = false;
    bool guarantor_copy = false;
    check.YesNo("ePrintAtIntermediate", ePrintAtIntermediate, &at_intermediate);
    check.YesNo("ePrintGuarantorCopy", ePrintGuarantorCopy, &guarantor_copy);
    check.Field("bstrTCToken", CheckOptionalText(bstrTCToken, 100));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.processing.print_at_intermediate = at_intermediate;
    invoice_.processing.print_copy_to_guarantor = guarantor_copy;
    invoice_.processing.tc_token = bstrTCToken;
    // A loaded file's demand carries the token it is written with.
    if (invoice_.processing.demand) {
        if (bstrTCToken.empty()) {
            invoice_.processing.demand.reset();
        } else {
            invoice_.processing.demand->tc_token = bstrTCToken;
        }
    }
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetTransport(const BSTR& bstrFromEAN, const BSTR& bstrFromPFXFile,
                                             const BSTR& bstrFromPFXPassword,
                                             const BSTR& bstrViaEAN, const BSTR& bstrToEAN,
                                             const BSTR& bstrToBinDERFile, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetTransport: pbStatus is null");
    ArgumentCheck check("SetTransport");
    check.Field("bstrFromEAN", checks::CheckGln(bstrFromEAN));
    check.Field("bstrFromPFXFile", request_rules::OptionalReadableFile(bstrFromPFXFile));
    check.Field("bstrFromPFXPassword", CheckOptionalText(bstrFromPFXPassword, 255));
    check.Field("bstrViaEAN", request_rules::OptionalGln(bstrViaEAN));
    check.Field("bstrToEAN", checks::CheckGln(bstrToEAN));
    check.Field("bstrToBinDERFile", request_rules::OptionalReadableFile(bstrToBinDERFile));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    invoice::Transport transport;
    transport.from_ean = bstrFromEAN;
    transport.from_pfx_file = bstrFromPFXFile;
    transport.from_pfx_password = bstrFromPFXPassword;
    transport.to_ean = bstrToEAN;
    transport.to_bin_der_file = bstrToBinDERFile;
    transport.vias.push_back({bstrViaEAN.empty() ? bstrToEAN : bstrViaEAN, 1});

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.transport = std::move(transport);
    Changed();
    return Done(pbStatus);
}

std::optional<invoice::Transport> CGeneralInvoiceRequest::TransportSection() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return invoice_.transport;
}

HRESULT CGeneralInvoiceRequest::SetPackage(const BSTR& bstrSoftwarePackage, long lSoftwareVersion,
                                           long lSoftwareID, const BSTR& bstrSoftwareCopyright,
                                           VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetPackage: pbStatus is null");
    ArgumentCheck check("SetPackage");
    check.Field("bstrSoftwarePackage", CheckText(bstrSoftwarePackage, 1, 50));
    check.Whole("lSoftwareVersion", lSoftwareVersion, 0, kMaxUnsigned);
    check.Whole("lSoftwareID", lSoftwareID, 0, kMaxUnsigned);
    check.Field("bstrSoftwareCopyright", CheckOptionalText(bstrSoftwareCopyright, 50));
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    invoice::Software package;
    package.name = bstrSoftwarePackage;
    package.copyright = bstrSoftwareCopyright;
    if (lSoftwareVersion != 0) package.version = static_cast<uint32_t>(lSoftwareVersion);
    package.id = static_cast<uint32_t>(lSoftwareID);

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.prolog.package = std::move(package);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetReference(
    const char* method, const BSTR& id, DATE date, long timestamp, VARIANT_BOOL* pbStatus,
    std::optional<invoice::RequestReference> invoice::InvoiceRequest::*target) {
    if (pbStatus == nullptr) return Abort(E_POINTER, std::string(method) + ": pbStatus is null");
    // The parameters are named after the kind: bstrRequestCreditID, ...
    const std::string kind = std::string(method).substr(3);
    ArgumentCheck check(method);
    invoice::RequestReference reference;
    check.Field("bstrRequest" + kind + "ID", CheckText(id, 1, 35));
    check.Field("dRequest" + kind + "Date", checks::CheckDate(date));
    reference.timestamp = check.Timestamp("lRequest" + kind + "Timestamp", timestamp);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    reference.id = id;
    reference.date = date;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.*target = std::move(reference);
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetCredit(const BSTR& bstrRequestCreditID, DATE dRequestCreditDate,
                                          long lRequestCreditTimestamp, VARIANT_BOOL* pbStatus) {
    return SetReference("SetCredit", bstrRequestCreditID, dRequestCreditDate,
                        lRequestCreditTimestamp, pbStatus, &invoice::InvoiceRequest::credit);
}

HRESULT CGeneralInvoiceRequest::SetInvoice(const BSTR& bstrRequestInvoiceID,
                                           DATE dRequestInvoiceDate, long lRequestInvoiceTimestamp,
                                           VARIANT_BOOL* pbStatus) {
    return SetReference("SetInvoice", bstrRequestInvoiceID, dRequestInvoiceDate,
                        lRequestInvoiceTimestamp, pbStatus, &invoice::InvoiceRequest::invoice);
}

HRESULT CGeneralInvoiceRequest::SetReminder(const BSTR& bstrRequestReminderID,
                                            DATE dRequestReminderDate,
                                            long lRequestReminderTimestamp, long lReminderLevel,
                                            const BSTR& bstrReminderText, double dAmountReminder,
                                            VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetReminder: pbStatus is null");
    ArgumentCheck check("SetReminder");
    invoice::Reminder reminder;
    check.Field("bstrRequestReminderID", CheckText(bstrRequestReminderID, 1, 35));
    check.Field("dRequestReminderDate", checks::CheckDate(dRequestReminderDate));
    reminder.reference.timestamp =
        check.Timestamp("lRequestReminderTimestamp", lRequestReminderTimestamp);
    check.Field("lReminderLevel", checks::CheckReminderLevel(lReminderLevel));
    check.Enum("lReminderLevel", lReminderLevel, &reminder.level);
    check.Field("bstrReminderText", CheckOptionalText(bstrReminderText, 700));
    check.Number("dAmountReminder", dAmountReminder, 0, kMaxAmount, &reminder.amount_reminder);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    reminder.reference.id = bstrRequestReminderID;
    reminder.reference.date = dRequestReminderDate;
    reminder.text = bstrReminderText;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.reminder = std::move(reminder);
    invoice_.filed_payload_type.reset();
    Changed();
    return Done(pbStatus);
}

HRESULT CGeneralInvoiceRequest::SetTiers(long eTiersMode, const BSTR& bstrVatNumber,
                                         double dAmountPrepaid, VARIANT_BOOL* pbStatus) {
    if (pbStatus == nullptr) return Abort(E_POINTER, "SetTiers: pbStatus is null");
    ArgumentCheck check("SetTiers");
    invoice::Tiers tiers;
    check.Enum("eTiersMode", eTiersMode, &tiers.mode);
    check.Field("bstrVatNumber", request_rules::Optional(bstrVatNumber, checks::CheckVatNumber));
    check.Number("dAmountPrepaid", dAmountPrepaid, 0, kMaxAmount, &tiers.amount_prepaid);
    if (!check.ok()) return Abort(E_INVALIDARG, check.text());
    tiers.vat_number = bstrVatNumber;

    std::lock_guard<std::mutex> guard(mutex_);
    invoice_.tiers = std::move(tiers);
    Changed();
    return Done(pbStatus);
}
