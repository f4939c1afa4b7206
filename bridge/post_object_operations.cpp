// The POST operations of the address and service-input objects: their
// setters, single reads, first/next reads and collection reads.

#include "bridge/post_operations.h"

namespace {

using AddressCall = std::function<HRESULT(IAddress&, Args&)>;
using InputCall = std::function<HRESULT(IServiceExInput&, Args&)>;

ModuleCall OnAddress(AddressCall method) {
    return On<IAddress>(std::move(method));
}
ModuleCall OnInput(InputCall method) {
    return On<IServiceExInput>(std::move(method));
}

// The four parts of a phone (or fax) as out-members, then pbStatus.
std::vector<Member> PhoneOut(const char* numberKey) {
    return {Out(numberKey, 't'), Out("pbstrLocalCode", 't'), Out("pbstrInternationalCode", 't'),
            Out("pbstrExt", 't'), Out("pbStatus", 'b')};
}

std::vector<Member> Ins(std::initializer_list<const char*> keys, Member last) {
    std::vector<Member> members;
    for (const char* key : keys) members.push_back(In(key, 't'));
    members.push_back(last);
    return members;
}

std::vector<Operation> AddressOperations() {
    AddressCall firstPhone = [](IAddress& o, Args& a) {
        return o.GetFirstPhone(&a.T(0), &a.T(1), &a.T(2), &a.T(3), &a.B(4));
    };
    AddressCall nextPhone = [](IAddress& o, Args& a) {
        return o.GetNextPhone(&a.T(0), &a.T(1), &a.T(2), &a.T(3), &a.B(4));
    };
    const char* I = "IAddress";
    return {
        CollectionRow(I, "GetPhones", PhoneOut("pstrNumber"), OnAddress(firstPhone),
                      OnAddress(nextPhone)),
        CallRow(I, "Initialize", {Out("pbStatus", 'b')},
                OnAddress([](IAddress& o, Args& a) { return o.Initialize(&a.B(0)); })),
        CallRow(I, "SetPerson",
                Ins({"bstrFamilyname", "bstrGivenname", "bstrSalutation", "bstrTitle",
                     "bstrSubaddressing"},
                    Out("pbStatus", 'b')),
                OnAddress([](IAddress& o, Args& a) {
                    return o.SetPerson(a.T(0), a.T(1), a.T(2), a.T(3), a.T(4), &a.B(5));
                })),
        CallRow(
            I, "GetPerson",
            {Out("pbstrFamilyname", 't'), Out("pbstrGivenname", 't'), Out("pbstrSalutation", 't'),
             Out("pbstrTitle", 't'), Out("pbstrSubaddressing", 't'), Out("pbStatus", 'b')},
            OnAddress([](IAddress& o, Args& a) {
                return o.GetPerson(&a.T(0), &a.T(1), &a.T(2), &a.T(3), &a.T(4), &a.B(5));
            })),
        CallRow(
            I, "SetCompany",
            Ins({"bstrCompanyName", "bstrDepartment", "bstrSubaddressing"}, Out("pbStatus", 'b')),
            OnAddress([](IAddress& o, Args& a) {
                return o.SetCompany(a.T(0), a.T(1), a.T(2), &a.B(3));
            })),
        CallRow(I, "GetCompany",
                {Out("pbstrCompanyName", 't'), Out("pbstrDepartment", 't'),
                 Out("pbstrSubaddressing", 't'), Out("pbStatus", 'b')},
                OnAddress([](IAddress& o, Args& a) {
                    return o.GetCompany(&a.T(0), &a.T(1), &a.T(2), &a.B(3));
                })),
        CallRow(I, "SetPostal",
                Ins({"bstrStreet", "bstrPoBox", "bstrZip", "bstrCity", "bstrStateCode",
                     "bstrCountryCode"},
                    Out("pbStatus", 'b')),
                OnAddress([](IAddress& o, Args& a) {
                    return o.SetPostal(a.T(0), a.T(1), a.T(2), a.T(3), a.T(4), a.T(5), &a.B(6));
                })),
        CallRow(I, "GetPostal",
                {Out("pbstrStreet", 't'), Out("pbstrPoBox", 't'), Out("pbstrZip", 't'),
                 Out("pbstrCity", 't'), Out("pbstrStateCode", 't'), Out("pbstrCountryCode", 't'),
                 Out("pbStatus", 'b')},
                OnAddress([](IAddress& o, Args& a) {
                    return o.GetPostal(&a.T(0), &a.T(1), &a.T(2), &a.T(3), &a.T(4), &a.T(5),
                                       &a.B(6));
                })),
        CallRow(I, "SetFax",
                Ins({"bstrNumber", "bstrLocalCode", "bstrInternationalCode", "bstrExt"},
                    Out("pbStatus", 'b')),
                OnAddress([](IAddress& o, Args& a) {
                    return o.SetFax(a.T(0), a.T(1), a.T(2), a.T(3), &a.B(4));
                })),
        CallRow(I, "GetFax", PhoneOut("pbstrNumber"), OnAddress([](IAddress& o, Args& a) {
                    return o.GetFax(&a.T(0), &a.T(1), &a.T(2), &a.T(3), &a.B(4));
                })),
        CallRow(I, "AddPhone",
                Ins({"bstrNumber", "bstrLocalCode", "bstrInternationalCode", "bstrExt"},
                    Out("pbStatus", 'b')),
                OnAddress([](IAddress& o, Args& a) {
                    return o.AddPhone(a.T(0), a.T(1), a.T(2), a.T(3), &a.B(4));
                })),
        FirstNextRow(I, "GetFirstPhone", PhoneOut("pbstrNumber"), OnAddress(firstPhone)),
        FirstNextRow(I, "GetNextPhone", PhoneOut("pbstrNumber"), OnAddress(nextPhone)),
        CallRow(
            I, "SetOnline", Ins({"bstrEMail", "bstrUrl"}, Out("pbStatus", 'b')),
            OnAddress([](IAddress& o, Args& a) { return o.SetOnline(a.T(0), a.T(1), &a.B(2)); })),
        CallRow(
            I, "GetOnline", {Out("pbstrEMail", 't'), Out("pbstrUrl", 't'), Out("pbStatus", 'b')},
            OnAddress([](IAddress& o, Args& a) { return o.GetOnline(&a.T(0), &a.T(1), &a.B(2)); })),
        CallRow(I, "GetAbortInfo", {Out("pbstrAbort", 't'), Out("pbStatus", 'b')},
                OnAddress([](IAddress& o, Args& a) { return o.GetAbortInfo(&a.T(0), &a.B(1)); })),
    };
}

std::vector<Member> Join(std::vector<Member> a, const std::vector<Member>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<Operation> ServiceInputOperations() {
    const char* I = "IServiceExInput";
    std::vector<Member> tokenOut = {Out("pbstrToken", 't'), Out("pbstrValue", 't'),
                                    Out("pbStatus", 'b')};
    std::vector<Member> dignityIn = {In("bstrEanNumber", 't'), In("bstrQLCode", 't')};
    std::vector<Member> dignityOut = {Out("pbstrEanNumber", 't'), Out("pbstrQLCode", 't'),
                                      Out("pbStatus", 'b')};
    std::vector<Member> sectionIn = {In("bstrEanNumber", 't'), In("bstrCode", 't')};
    std::vector<Member> sectionOut = {Out("pbstrEanNumber", 't'), Out("pbstrCode", 't'),
                                      Out("pbStatus", 'b')};
    InputCall firstToken = [](IServiceExInput& o, Args& a) {
        return o.GetFirstToken(&a.T(0), &a.T(1), &a.B(2));
    };
    InputCall nextToken = [](IServiceExInput& o, Args& a) {
        return o.GetNextToken(&a.T(0), &a.T(1), &a.B(2));
    };
    // The walks with criteria keep them in slots 0 and 1; the outputs follow.
    InputCall firstDignity = [](IServiceExInput& o, Args& a) {
        return o.GetFirstDignity(a.T(0), a.T(1), &a.T(2), &a.T(3), &a.B(4));
    };
    InputCall nextDignity = [](IServiceExInput& o, Args& a) {
        return o.GetNextDignity(&a.T(2), &a.T(3), &a.B(4));
    };
    InputCall firstSection = [](IServiceExInput& o, Args& a) {
        return o.GetFirstSection(a.T(0), a.T(1), &a.T(2), &a.T(3), &a.B(4));
    };
    InputCall nextSection = [](IServiceExInput& o, Args& a) {
        return o.GetNextSection(&a.T(2), &a.T(3), &a.B(4));
    };
    // GetNextDignity and GetNextSection have no criteria: their rows hold
    // the outputs in slots 0 to 2.
    InputCall nextDignityRead = [](IServiceExInput& o, Args& a) {
        return o.GetNextDignity(&a.T(0), &a.T(1), &a.B(2));
    };
    InputCall nextSectionRead = [](IServiceExInput& o, Args& a) {
        return o.GetNextSection(&a.T(0), &a.T(1), &a.B(2));
    };
    return {
        CollectionRow(I, "GetTokens", tokenOut, OnInput(firstToken), OnInput(nextToken)),
        CollectionRow(I, "GetDignities", Join(dignityIn, dignityOut), OnInput(firstDignity),
                      OnInput(nextDignity)),
        CollectionRow(I, "GetSections", Join(sectionIn, sectionOut), OnInput(firstSection),
                      OnInput(nextSection)),
        CallRow(I, "Initialize", {Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) { return o.Initialize(&a.B(0)); })),
        CallRow(I, "SetPhysician",
                {In("eMedicalRole", 'i'), In("eBillingRole", 'i'), In("bstrEanNumberProvider", 't'),
                 In("bstrEanNumberResponsible", 't'), Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.SetPhysician(a.I(0), a.I(1), a.T(2), a.T(3), &a.B(4));
                })),
        CallRow(I, "GetPhysician",
                {Out("peMedicalRole", 'i'), Out("peBillingRole", 'i'),
                 Out("pbstrEanNumberProvider", 't'), Out("pbstrEanNumberResponsible", 't'),
                 Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.GetPhysician(&a.I(0), &a.I(1), &a.T(2), &a.T(3), &a.B(4));
                })),
        CallRow(I, "SetPatient", {In("dBirthdate", 'd'), In("eSex", 'i'), Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.SetPatient(a.D(0), a.I(1), &a.B(2));
                })),
        CallRow(I, "GetPatient", {Out("pdBirthdate", 'd'), Out("peSex", 'i'), Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.GetPatient(&a.D(0), &a.I(1), &a.B(2));
                })),
        CallRow(I, "SetTreatment",
                {In("eCanton", 'i'), In("eLaw", 'i'), In("eTreatmentType", 'i'),
                 In("eSettlement", 'i'), In("bstrEanNumberSection", 't'), Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.SetTreatment(a.I(0), a.I(1), a.I(2), a.I(3), a.T(4), &a.B(5));
                })),
        CallRow(I, "GetTreatment",
                {Out("peCanton", 'i'), Out("peLaw", 'i'), Out("peTreatmentType", 'i'),
                 Out("peSettlement", 'i'), Out("pbstrEanNumberSection", 't'), Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.GetTreatment(&a.I(0), &a.I(1), &a.I(2), &a.I(3), &a.T(4), &a.B(5));
                })),
        CallRow(I, "InitToken", {Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) { return o.InitToken(&a.B(0)); })),
        CallRow(I, "AddToken", Ins({"bstrToken", "bstrValue"}, Out("pbStatus", 'b')),
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.AddToken(a.T(0), a.T(1), &a.B(2));
                })),
        FirstNextRow(I, "GetFirstToken", tokenOut, OnInput(firstToken)),
        FirstNextRow(I, "GetNextToken", tokenOut, OnInput(nextToken)),
        CallRow(I, "InitDignity", {Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) { return o.InitDignity(&a.B(0)); })),
        CallRow(I, "AddDignity", Ins({"bstrEanNumber", "bstrQLCode"}, Out("pbStatus", 'b')),
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.AddDignity(a.T(0), a.T(1), &a.B(2));
                })),
        FirstNextRow(I, "GetFirstDignity", Join(dignityIn, dignityOut), OnInput(firstDignity)),
        FirstNextRow(I, "GetNextDignity", dignityOut, OnInput(nextDignityRead)),
        CallRow(I, "InitSection", {Out("pbStatus", 'b')},
                OnInput([](IServiceExInput& o, Args& a) { return o.InitSection(&a.B(0)); })),
        CallRow(I, "AddSection", Ins({"bstrEanNumber", "bstrCode"}, Out("pbStatus", 'b')),
                OnInput([](IServiceExInput& o, Args& a) {
                    return o.AddSection(a.T(0), a.T(1), &a.B(2));
                })),
        FirstNextRow(I, "GetFirstSection", Join(sectionIn, sectionOut), OnInput(firstSection)),
        FirstNextRow(I, "GetNextSection", sectionOut, OnInput(nextSectionRead)),
        CallRow(
            I, "GetAbortInfo", {Out("pbstrAbort", 't'), Out("pbStatus", 'b')},
            OnInput([](IServiceExInput& o, Args& a) { return o.GetAbortInfo(&a.T(0), &a.B(1)); })),
    };
}

}  // namespace

std::vector<Operation> PostObjectOperations() {
    std::vector<Operation> rows = AddressOperations();
    std::vector<Operation> inputs = ServiceInputOperations();
    rows.insert(rows.end(), std::make_move_iterator(inputs.begin()),
                std::make_move_iterator(inputs.end()));
    return rows;
}
