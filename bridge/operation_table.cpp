#include "bridge/operation_table.h"

#include "bridge/call_conventions.h"
#include "endpoint/endpoint_handler.h"
#include "endpoint/json_values.h"
#include "registry/instance_registry.h"

namespace {

// Every way out of a dispatcher leaves the apartment it entered.
class Apartment {
  public:
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment() { CoUninitialize(); }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
};

bool IsIn(const Member& member) {
    return member.direction != Direction::kOut;
}
bool IsOut(const Member& member) {
    return member.direction != Direction::kIn;
}

// The reader of one type letter: the member's value into slot k.
void ReadMember(const Member& member, size_t k, const web::json::value& json, Args* args) {
    switch (member.letter) {
        case 'i':
            args->I(k) = JsonToLong(json, member.key);
            break;
        case 'n':
            args->N(k) = JsonToDouble(json, member.key);
            break;
        case 'd':
            args->D(k) = JsonToDate(json, member.key);
            break;
        case 't':
            args->T(k) = JsonToBstr(json, member.key);
            break;
        case 'h':
            args->Handle(k) = static_cast<int>(JsonToLong(json, member.key));
            break;
        default:
            throw std::logic_error(std::string("no reader for the member ") + member.key);
    }
}

// The writer of one type letter: slot k into the reply member. A new object
// (h) is stored and registered under `parent`.
web::json::value WriteMember(const Member& member, size_t k, Invocation& invocation,
                             CEndpointHandler& handler, int parent) {
    Args& args = invocation.args;
    switch (member.letter) {
        case 'i':
            return web::json::value::number(static_cast<int32_t>(args.I(k)));
        case 'n':
            return web::json::value::number(args.N(k));
        case 'd':
            return BstrTextToJson(DateToText(args.D(k)));
        case 't':
            return BstrToJson(args.T(k));
        case 'b':
            return BoolToJson(args.B(k));
        case 'f':
            return args.Answer(k);
        case 'h': {
            // "pIAddress" names the interface "IAddress".
            std::string interfaceName = std::string(member.key).substr(1);
            return web::json::value::number(
                EnterNewObject(handler, args, k, interfaceName, parent));
        }
        default:
            throw std::logic_error(std::string("no writer for the member ") + member.key);
    }
}

void ReadMembers(const Operation& row, const web::json::value& json, Args* args) {
    for (size_t k = 0; k < row.members.size(); ++k) {
        if (IsIn(row.members[k])) ReadMember(row.members[k], k, json, args);
    }
}

// The results that end a list: S_FALSE and 0x00040EC6.
bool IsEndOfList(HRESULT hr) {
    return hr == S_FALSE || hr == static_cast<HRESULT>(0x00040EC6);
}

// The parent a new object is registered under: none for a manager.
int ParentFor(const Member& member, int target) {
    return std::string(member.key) == "pITarvos" ? 0 : target;
}

// The module's own words on a failed call, when the target has any.
std::string AbortTextOf(const Invocation& invocation) {
    return invocation.abortText ? invocation.abortText() : std::string();
}

}  // namespace

Operation CallRow(const char* interfaceName, const char* methodName, std::vector<Member> members,
                  ModuleCall call) {
    return Operation{interfaceName, methodName, RowKind::kCall, std::move(members),
                     std::move(call)};
}

Operation CreateRow(const char* interfaceName, const char* methodName, std::vector<Member> members,
                    ModuleCall call, const char* errorInsert) {
    return Operation{interfaceName,      methodName,      RowKind::kCreate,
                     std::move(members), std::move(call), errorInsert};
}

Operation ReleaseRow(const char* interfaceName, const char* methodName, const char* released,
                     const char* handleKey) {
    return Operation{interfaceName, methodName, RowKind::kRelease, {},
                     ModuleCall(),  released,   handleKey};
}

Operation FirstNextRow(const char* interfaceName, const char* methodName,
                       std::vector<Member> members, ModuleCall call) {
    Operation row = CallRow(interfaceName, methodName, std::move(members), std::move(call));
    row.kind = RowKind::kFirstNext;
    return row;
}

Operation CollectionRow(const char* interfaceName, const char* methodName,
                        std::vector<Member> members, ModuleCall first, ModuleCall next) {
    Operation row = CallRow(interfaceName, methodName, std::move(members), std::move(first));
    row.kind = RowKind::kCollection;
    row.next = std::move(next);
    return row;
}

Operation NoopRow(const char* interfaceName, const char* methodName) {
    Operation row = CallRow(interfaceName, methodName, {}, ModuleCall());
    row.kind = RowKind::kNoop;
    return row;
}

TableDispatcher::TableDispatcher(CEndpointHandler& handler, std::vector<Operation> rows)
    : handler_(handler), rows_(std::move(rows)) {}

Reply TableDispatcher::Dispatch(const Call& call) {
    Apartment apartment;
    if (!IsModuleInterface(call.interfaceName)) return UnknownInterfaceReply(call);
    for (const Operation& row : rows_) {
        if (SameName(call.interfaceName, row.interfaceName) &&
            SameName(call.methodName, row.methodName)) {
            return Run(row, call);
        }
    }
    return CallErrorReply(call, 403);
}

Reply TableDispatcher::Run(const Operation& row, const Call& call) {
    switch (row.kind) {
        case RowKind::kCall:
        case RowKind::kFirstNext:
            return WithExceptionHandlers(call, [&] { return RunCall(row, call); });
        case RowKind::kCollection:
            return WithExceptionHandlers(call, [&] { return RunCollection(row, call); });
        case RowKind::kNoop:
            return WithExceptionHandlers(call, [&] { return NoopReply(call); });
        case RowKind::kCreate:
            return RunCreate(row, call);
        case RowKind::kRelease:
            return RunRelease(row, call);
    }
    return CallErrorReply(call, 407);
}

Invocation TableDispatcher::Prepare(const Operation& row, const Call& call) {
    Invocation invocation{handler_.Tables(),
                          call.address,
                          Args(handler_.Tables(), row.members.size()),
                          {},
                          &handler_};
    ReadMembers(row, call.args, &invocation.args);
    return invocation;
}

Reply TableDispatcher::RunCall(const Operation& row, const Call& call) {
    Invocation invocation = Prepare(row, call);
    HRESULT hr = row.call(invocation);
    bool endOfList = row.kind == RowKind::kFirstNext && IsEndOfList(hr);
    if (hr != S_OK && !endOfList) {
        return ModuleAbortReply(call, hr, AbortTextOf(invocation));
    }
    int status = endOfList ? 204 : 200;
    return JsonReply(WriteOutMembers(row, invocation, call), status,
                     row.kind == RowKind::kFirstNext ? status : 0);
}

web::json::value TableDispatcher::WriteOutMembers(const Operation& row, Invocation& invocation,
                                                  const Call& call) {
    web::json::value body = web::json::value::null();
    for (size_t k = 0; k < row.members.size(); ++k) {
        const Member& member = row.members[k];
        if (!IsOut(member)) continue;
        if (body.is_null()) body = web::json::value::object();
        body[member.key] =
            member.letter == 'b' && row.kind == RowKind::kCollection
                ? web::json::value::boolean(true)
                : WriteMember(member, k, invocation, handler_, ParentFor(member, call.address));
    }
    return body;
}

Reply TableDispatcher::RunCollection(const Operation& row, const Call& call) {
    Invocation invocation = Prepare(row, call);
    HRESULT hr = row.call(invocation);
    web::json::value list = web::json::value::array();
    size_t count = 0;
    while (hr == S_OK) {
        list[count++] = WriteOutMembers(row, invocation, call);
        hr = row.next(invocation);
    }
    if (count == 0) return JsonReply(web::json::value::null(), 204, 1);
    if (!IsEndOfList(hr)) {
        return ModuleAbortReply(call, hr, AbortTextOf(invocation));
    }
    return JsonReply(list, 200, 0);
}

Reply TableDispatcher::RunCreate(const Operation& row, const Call& call) {
    Invocation invocation = Prepare(row, call);
    HRESULT hr = row.call(invocation);
    web::json::value body = web::json::value::object();
    for (size_t k = 0; k < row.members.size(); ++k) {
        const Member& member = row.members[k];
        if (!IsOut(member)) continue;
        if (hr != S_OK || !invocation.args.HasObject(k)) return CreateErrorReply(call, row.name);
        body[member.key] =
            WriteMember(member, k, invocation, handler_, ParentFor(member, call.address));
    }
    return JsonReply(body);
}

Reply TableDispatcher::RunRelease(const Operation& row, const Call& call) {
    int handle = row.handleKey != nullptr ? call.args.at(row.handleKey).as_integer() : call.address;
    int result = handler_.DestructInstance(row.name, handle);
    return JsonReply(web::json::value::null(), 200, result);
}
