#pragma once

// Test helpers of the invoice request: a fixture that makes a manager and a
// request through the module's interfaces, address and service-input
// helpers, and the invoice of the published sample
// samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml built call by call
// (with valid identifiers and payment data in place of the sample's, whose
// check digits and QR pairing our checks refuse).

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"
#include "module/checks/check_dates.h"
#include "platform/com.h"

namespace request_test {

// Valid values used in place of the sample's.
constexpr const char* kBillerGln = "2000000000008";     // sample: 2000000000002
constexpr const char* kRecipientGln = "7601000000002";  // sample: 2000000000000
// The responsible physician of the services, other than their provider.
constexpr const char* kResponsibleGln = "7601000000026";
constexpr const char* kPatientSsn = "7569217076985";      // sample: 7560000000011
constexpr const char* kQrIban = "CH4431999123000889012";  // sample: CH5800791123000889012
constexpr const char* kQrReference = "210000000003139471430009017";

inline double Day(int year, int month, int day) {
    return checks::DateSerial(year, month, day);
}

// A new manager of its own, from the module's factory.
inline ComPtr<ITarvos> NewManager() {
    ComPtr<ITarvos> manager;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                     reinterpret_cast<void**>(manager.ReleaseAndGetAddressOf())));
    return manager;
}

// A manager of its own with one request from it.
struct TestModule {
    TestModule() : manager(NewManager()) {
        EXPECT_EQ(S_OK, manager->GetGeneralInvoiceRequest(request.ReleaseAndGetAddressOf()));
    }
    ComPtr<ITarvos> manager;
    ComPtr<IGeneralInvoiceRequest> request;
};

// Builds invoices on one request through its interface. Usable from any
// thread (one builder per thread).
class InvoiceBuilder {
  public:
    explicit InvoiceBuilder(IGeneralInvoiceRequest* request) : request_(request) {}

    // The abort text of the request.
    std::string Abort() {
        BSTR text;
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, request_->GetAbortInfo(&text, &status));
        return text;
    }

    // A person's address with a postal address.
    ComPtr<IAddress> Person(const std::string& family, const std::string& given) {
        ComPtr<IAddress> address;
        EXPECT_EQ(S_OK, request_->GetCreateAddress(address.ReleaseAndGetAddressOf()));
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, address->SetPerson(family, given, "Frau", "", "", &status));
        EXPECT_EQ(S_OK, address->SetPostal("", "", "0000", "Unbekannt", "", "NDF", &status));
        return address;
    }

    ComPtr<IAddress> Company(const std::string& name) {
        ComPtr<IAddress> address;
        EXPECT_EQ(S_OK, request_->GetCreateAddress(address.ReleaseAndGetAddressOf()));
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, address->SetCompany(name, "", "", &status));
        EXPECT_EQ(S_OK, address->SetPostal("Bankweg 1", "", "2501", "Biel", "", "CH", &status));
        return address;
    }

    // A service input for a physician with the given billing role (3: both).
    ComPtr<IServiceExInput> Physician(const std::string& tariff, long billing_role = 3) {
        ComPtr<IServiceExInput> input;
        EXPECT_EQ(S_OK, request_->GetCreateServiceExInput(tariff, input.ReleaseAndGetAddressOf()));
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, input->SetPhysician(1, billing_role, kBillerGln, kResponsibleGln, &status));
        return input;
    }

    // Adds a `service` record; returns its id (0 when refused).
    long AddArticle(const std::string& code, double quantity, double unit, double vat_rate,
                    long obligatory, double amount = 0) {
        long id = 0;
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK,
                  request_->AddService("999", code, "", quantity, 1, Day(2020, 6, 3), 0, kBillerGln,
                                       kResponsibleGln, "Artikel " + code, unit, 1.0, 1.0, amount,
                                       vat_rate, obligatory, "", "", 0, 0, &id, &status))
            << Abort();
        return id;
    }

    // Every section of the sample except the services: header, parties,
    // payment, law and treatment; `skip` names one setter to leave out.
    // Fails the test on a refused call.
    void SetSampleSections(const std::string& skip = "") {
        ComPtr<IAddress> mandant = Person("Mandant.tarmed", "Mandant.tarmed");
        ComPtr<IAddress> patient = Person("Spitzkiel", "Beatrice");
        ComPtr<IAddress> bank = Company("Test Bank");
        const double day = Day(2020, 6, 3);
        using R = IGeneralInvoiceRequest;
        const std::pair<const char*, Call> calls[] = {
            {"Initialize", Bind(&R::Initialize, 1)},
            {"SetRequest", Bind(&R::SetRequest, 1, 1, "", 0, 0, "")},
            {"SetTransport",
             Bind(&R::SetTransport, kBillerGln, "", "", kRecipientGln, kRecipientGln, "")},
            {"SetInvoice", Bind(&R::SetInvoice, "000001000001", day, 1591170775)},
            {"SetTiers", Bind(&R::SetTiers, 1, "", 0)},
            {"SetBiller",
             Bind(&R::SetBiller, kBillerGln, "C000002", "", "Allgemein", mandant.Get())},
            {"SetDebitor", Bind(&R::SetDebitor, kRecipientGln, patient.Get())},
            {"SetProvider",
             Bind(&R::SetProvider, kBillerGln, "C000002", "", "Allgemein", mandant.Get())},
            {"SetPatient", Bind(&R::SetPatient, 2, Day(1957, 4, 14), kPatientSsn, patient.Get())},
            {"SetGuarantor", Bind(&R::SetGuarantor, patient.Get())},
            {"SetEsrQR",
             Bind(&R::SetEsrQR, 4, kQrIban, kQrReference, "", bank.Get(), mandant.Get(), 30)},
            {"SetLaw", Bind(&R::SetLaw, 4, 0, "123456", "123456")},
            {"SetTreatment", Bind(&R::SetTreatment, "", "", day, day, 1, 1, 1, 0)},
        };
        VARIANT_BOOL status = 0;
        for (const auto& [setter, call] : calls) {
            if (skip != setter) {
                EXPECT_EQ(S_OK, call(request_, &status)) << setter << ": " << Abort();
            }
        }
    }

    // The sample's five records: one service_ex (consultation, 9.57 + 8.19)
    // and four `service` records; ids 1 to 5.
    void AddSampleServices() {
        ComPtr<IServiceExInput> input = Physician("001");
        long id = 0;
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, request_->AddServiceEx(
                            input.Get(), "001", "00.0010", "", 1.0, 1, Day(2020, 6, 3), 0, 1,
                            "Konsultation, erste 5 Min. (Grundkonsultation)", 9.57, 1.0, 1.0, 9.57,
                            8.19, 1.0, 1.0, 8.19, 17.76, 0.0, 1, "", 1, "", 0, 0, &id, &status))
            << Abort();
        EXPECT_EQ(1, id);
        EXPECT_EQ(2, AddArticle("GA", 1.0, 2700.0, 7.7, 0, 2700.0));
        EXPECT_EQ(3, AddArticle("GB", 1.0, 2500.0, 2.5, 0, 2500.0));
        EXPECT_EQ(4, AddArticle("123456789", 1.0, 10.15, 0.0, 0, 10.15));
        EXPECT_EQ(5, AddArticle("1234567890", 0.5, 10.15, 0.0, 0, 5.08));
    }

  private:
    // A setter of the request with its arguments but the status pointer.
    using Call = std::function<HRESULT(IGeneralInvoiceRequest*, VARIANT_BOOL*)>;
    template <class... P, class... A>
    static Call Bind(HRESULT (IGeneralInvoiceRequest::*method)(P...), A... args) {
        return [=](IGeneralInvoiceRequest* request, VARIANT_BOOL* status) {
            return (request->*method)(args..., status);
        };
    }

    IGeneralInvoiceRequest* request_;  // borrowed
};

// Fixture: a manager, a request from it and a builder on that request.
class RequestTest : public ::testing::Test {
  protected:
    RequestTest() : request_(module_.request), build_(request_.Get()) {}

    std::string Abort() { return build_.Abort(); }

    TestModule module_;
    ComPtr<IGeneralInvoiceRequest> request_;
    InvoiceBuilder build_;
    VARIANT_BOOL status_ = 0;
};

}  // namespace request_test
