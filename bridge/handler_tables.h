#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/module_interfaces.h"

// The five per-interface tables of owning module references
// (m_mapITarvos … m_mapIAddress) and the handles that name their objects.
//
// Each table maps a handle to a ComPtr holding one reference. A handle is a
// 32-bit integer >= 1 that the tables hand out per live object: unique among
// the objects they hold, and the same object (by its IUnknown identity) keeps
// the handle it has while a table holds it. A handle is free again once its
// object has been released from its table.
//
// Thread-safe: one mutex guards tables and handles, held only inside these
// operations. Dropped references are released after the mutex is let go,
// so a module object's destructor never runs under it.
class CHandlerTables {
  public:
    CHandlerTables() = default;
    ~CHandlerTables();  // drops whatever is left

    CHandlerTables(const CHandlerTables&) = delete;
    CHandlerTables& operator=(const CHandlerTables&) = delete;

    // Stores `object` in the table of I and returns its handle; 0 for null.
    // Storing an object the table already holds changes nothing (the
    // caller's reference stays with the caller).
    template <class I>
    int Add(const ComPtr<I>& object);

    // The object under `handle` in the table of I, with a reference of the
    // caller's own. A handle the table does not hold gets an empty slot and
    // gives null.
    template <class I>
    ComPtr<I> Lookup(int handle);

    // Empties the slot of `handle` in the table named `interfaceName` (case
    // ignored), dropping its reference, and erases it. False when the name
    // is none of the five or the table has no such slot.
    bool Release(const std::string& interfaceName, int handle);

    // Handles (ascending) of the slots of the table named `interfaceName`,
    // empty slots included.
    std::vector<int> Handles(const std::string& interfaceName);

    // Slots of all five tables, empty ones included.
    size_t Size();

    // The five interface names, in the order of the release at stop.
    static const std::vector<std::string>& ReleaseOrder();

  private:
    template <class I>
    std::map<int, ComPtr<I>>& Table();
    // REQUIRES: mutex_ held.
    int HandleFor(const void* identity);
    template <class I>
    static const void* Identity(I* object);

    std::mutex mutex_;
    std::map<int, ComPtr<ITarvos>> m_mapITarvos;
    std::map<int, ComPtr<IGeneralInvoiceRequest>> m_mapIGeneralInvoiceRequest;
    std::map<int, ComPtr<IGeneralInvoiceResult>> m_mapIGeneralInvoiceResult;
    std::map<int, ComPtr<IServiceExInput>> m_mapIServiceExInput;
    std::map<int, ComPtr<IAddress>> m_mapIAddress;
    std::map<const void*, int> m_handleOf;    // identity -> handle of a held object
    std::map<int, const void*> m_identityOf;  // the reverse
    int m_lastHandle = 0;
};

template <>
inline std::map<int, ComPtr<ITarvos>>& CHandlerTables::Table<ITarvos>() {
    return m_mapITarvos;
}
template <>
inline std::map<int, ComPtr<IGeneralInvoiceRequest>>&
CHandlerTables::Table<IGeneralInvoiceRequest>() {
    return m_mapIGeneralInvoiceRequest;
}
template <>
inline std::map<int, ComPtr<IGeneralInvoiceResult>>&
CHandlerTables::Table<IGeneralInvoiceResult>() {
    return m_mapIGeneralInvoiceResult;
}
template <>
inline std::map<int, ComPtr<IServiceExInput>>& CHandlerTables::Table<IServiceExInput>() {
    return m_mapIServiceExInput;
}
template <>
inline std::map<int, ComPtr<IAddress>>& CHandlerTables::Table<IAddress>() {
    return m_mapIAddress;
}

template <class I>
const void* CHandlerTables::Identity(I* object) {
    void* unknown = nullptr;
    if (object->QueryInterface(IID_IUnknown, &unknown) != S_OK || unknown == nullptr) {
        return object;
    }
    static_cast<IUnknown*>(unknown)->Release();
    return unknown;
}

template <class I>
int CHandlerTables::Add(const ComPtr<I>& object) {
    if (!object) return 0;
    const void* identity = Identity(object.Get());
    ComPtr<I> dropped;
    std::lock_guard<std::mutex> guard(mutex_);
    int handle = HandleFor(identity);
    ComPtr<I>& slot = Table<I>()[handle];
    if (slot.Get() != object.Get()) {
        dropped = std::move(slot);
        slot = object;
    }
    return handle;
}

template <class I>
ComPtr<I> CHandlerTables::Lookup(int handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    return Table<I>()[handle];
}
