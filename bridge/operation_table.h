#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bridge/handler_tables.h"
#include "common/exceptions.h"
#include "endpoint/dispatch.h"

class CEndpointHandler;

// The module operations of one HTTP verb as data: one row per operation
// with its interface, method, members with their type letters, the row's
// kind and the module call. One generic reader and one generic writer per
// type letter, and one dispatcher (TableDispatcher) per verb, run them.
//
// Type letters:
//   i  long or enumeration   in: JsonToLong    out: JSON integer
//   n  double                in: JsonToDouble  out: JSON real
//   d  DATE                  in: JsonToDate    out: DateToText as a string
//   t  BSTR                  in: JsonToBstr    out: BstrToJson
//   b  VARIANT_BOOL          (out only)        out: true exactly for -1
//   h  object handle         in: JsonToLong, the object from the handler's
//                            table of the member's interface
//                            out: the new object is stored and registered
//                            under the target; its handle (0 when none)
//   f  published file        (out only) the download link the call put in
//                            its slot (Args::Link), null when none

enum class Direction { kIn, kOut, kInOut };

struct Member {
    const char* key;  // JSON key, matched exactly
    char letter;      // i, n, d, t, b or h
    Direction direction;
    const char* interfaceName;  // h: the object's interface (out: from the key)
};

inline Member In(const char* key, char letter, const char* interfaceName = nullptr) {
    return Member{key, letter, Direction::kIn, interfaceName};
}
inline Member Out(const char* key, char letter) {
    return Member{key, letter, Direction::kOut, nullptr};
}
inline Member InOut(const char* key, char letter) {
    return Member{key, letter, Direction::kInOut, nullptr};
}

// The values of one call: one slot per member of the row, in row order.
// The row's module call reads its in-values and fills its out-values
// through the typed accessors (k is the member's index in the row).
class Args {
  public:
    Args(CHandlerTables& tables, size_t count) : tables_(tables), slots_(count) {}

    long& I(size_t k) { return slots_.at(k).i; }
    double& N(size_t k) { return slots_.at(k).n; }
    DATE& D(size_t k) { return slots_.at(k).d; }
    BSTR& T(size_t k) { return slots_.at(k).t; }
    VARIANT_BOOL& B(size_t k) { return slots_.at(k).b; }
    int& Handle(size_t k) { return slots_.at(k).handle; }
    web::json::value& Link(size_t k) { return slots_.at(k).link; }

    // An h in-member: the object under its handle (null when the table has
    // none), with a reference of the caller's own.
    template <class I>
    ComPtr<I> Object(size_t k) {
        return tables_.Lookup<I>(slots_.at(k).handle);
    }

    // An h out-member: where the module puts the new object. The object is
    // held until the writer stores it (or the call ends).
    template <class I>
    I** NewObject(size_t k) {
        auto holder = std::make_shared<ComPtr<I>>();
        Slot& slot = slots_.at(k);
        slot.hasObject = [holder] { return static_cast<bool>(*holder); };
        slot.store = [holder](CHandlerTables& tables) { return tables.Add(*holder); };
        return holder->ReleaseAndGetAddressOf();
    }
    // An out-member answered with JSON made from an object the module puts
    // there: `describe` gets the object (null when the module gave none) when
    // the reply is written.
    template <class I>
    I** DescribedObject(size_t k, std::function<web::json::value(I*)> describe) {
        auto holder = std::make_shared<ComPtr<I>>();
        slots_.at(k).describe = [holder, describe] { return describe(holder->Get()); };
        return holder->ReleaseAndGetAddressOf();
    }
    // The answer of an f out-member: its description, else its link.
    web::json::value Answer(size_t k) {
        const Slot& slot = slots_.at(k);
        return slot.describe ? slot.describe() : slot.link;
    }

    // True when the module gave an object for out-member k.
    bool HasObject(size_t k) {
        const Slot& slot = slots_.at(k);
        return slot.hasObject && slot.hasObject();
    }
    // Stores the object of out-member k in its table; its handle, or 0.
    int StoreObject(size_t k) {
        const Slot& slot = slots_.at(k);
        return HasObject(k) ? slot.store(tables_) : 0;
    }

  private:
    struct Slot {
        long i = 0;
        double n = 0.0;
        DATE d = 0.0;
        BSTR t;
        VARIANT_BOOL b = VARIANT_FALSE;
        int handle = 0;
        web::json::value link;
        std::function<bool()> hasObject;
        std::function<int(CHandlerTables&)> store;
        std::function<web::json::value()> describe;
    };

    CHandlerTables& tables_;
    std::vector<Slot> slots_;
};

// One module call in progress: the target handle, the values, and (once the
// target is known) how to ask it for its abort text.
struct Invocation {
    CHandlerTables& tables;
    int target;
    Args args;
    std::function<std::string()> abortText;
    // The handler the call runs in (output files, publication of files).
    CEndpointHandler* handler = nullptr;
};

using ModuleCall = std::function<HRESULT(Invocation&)>;

// A call of a method of I on the target object, taken from the table of I.
// A target the table does not hold raises COleException(E_POINTER).
template <class I>
ModuleCall On(std::function<HRESULT(I&, Args&)> method);

// A call that needs no target (the creation of the manager).
inline ModuleCall Unbound(std::function<HRESULT(Args&)> method) {
    return [method](Invocation& invocation) { return method(invocation.args); };
}

enum class RowKind {
    kCall,        // with the exception handlers; S_OK answers the out-members
                  // (null without any); otherwise the abort reply
    kCreate,      // an object-creating GET: no exception handlers; S_OK and an
                  // object answer its handle, anything else error 404
    kRelease,     // releases an instance through the registry; answers null
    kFirstNext,   // a kCall whose results 1 (S_FALSE) and 0x00040EC6 also
                  // succeed, with status 204: the end of a list
    kCollection,  // `call` (the first method, with the in-members) then
                  // `next` while the last result is 0; each success answers
                  // one element object of the out-members (b: always true);
                  // an array, 204 with null when the first call fails, the
                  // abort reply when a next call ends with anything but 1
                  // or 0x00040EC6
    kNoop,        // not offered over REST: error 412, the module is not called
};

struct Operation {
    const char* interfaceName;
    const char* methodName;
    RowKind kind;
    std::vector<Member> members;
    ModuleCall call;
    // kCreate: insert %1 of error 404. kRelease: interface name released.
    const char* name = nullptr;
    // kRelease: member holding the handle, read as a plain JSON integer
    // (null: the request's target handle).
    const char* handleKey = nullptr;
    // kCollection: the next method, on the same values.
    ModuleCall next = nullptr;
};

Operation CallRow(const char* interfaceName, const char* methodName, std::vector<Member> members,
                  ModuleCall call);
Operation CreateRow(const char* interfaceName, const char* methodName, std::vector<Member> members,
                    ModuleCall call, const char* errorInsert);
Operation ReleaseRow(const char* interfaceName, const char* methodName, const char* released,
                     const char* handleKey = nullptr);
Operation FirstNextRow(const char* interfaceName, const char* methodName,
                       std::vector<Member> members, ModuleCall call);
// `members`: the in-members passed to `first`, then the element members
// that `first` and `next` fill.
Operation CollectionRow(const char* interfaceName, const char* methodName,
                        std::vector<Member> members, ModuleCall first, ModuleCall next);
Operation NoopRow(const char* interfaceName, const char* methodName);

// The dispatcher of one verb over its rows. Matches interface and method
// without regard to case (first match wins); answers 403 for names it does
// not know. Exceptions of kCreate and kRelease rows pass out of Dispatch
// (the frame answers them with 500). `handler` must outlive the dispatcher.
class TableDispatcher : public IVerbDispatcher {
  public:
    TableDispatcher(CEndpointHandler& handler, std::vector<Operation> rows);
    Reply Dispatch(const Call& call) override;

  private:
    Reply Run(const Operation& row, const Call& call);
    // The invocation of `row` on the call's target with its members read.
    Invocation Prepare(const Operation& row, const Call& call);
    Reply RunCall(const Operation& row, const Call& call);
    Reply RunCreate(const Operation& row, const Call& call);
    Reply RunRelease(const Operation& row, const Call& call);
    Reply RunCollection(const Operation& row, const Call& call);
    web::json::value WriteOutMembers(const Operation& row, Invocation& invocation,
                                     const Call& call);

    CEndpointHandler& handler_;
    std::vector<Operation> rows_;
};

// The operation tables of the verbs.
std::vector<Operation> GetOperations();
std::vector<Operation> PutOperations();

// ---------------------------------------------------------------------------

template <class I>
ModuleCall On(std::function<HRESULT(I&, Args&)> method) {
    return [method](Invocation& invocation) {
        ComPtr<I> target = invocation.tables.Lookup<I>(invocation.target);
        if (!target) throw COleException(E_POINTER);
        invocation.abortText = [target] {
            BSTR text;
            VARIANT_BOOL status = VARIANT_FALSE;
            target->GetAbortInfo(&text, &status);
            return text;
        };
        return method(*target.Get(), invocation.args);
    };
}
