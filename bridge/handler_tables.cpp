#include "bridge/handler_tables.h"

#include <climits>

#include "registry/instance_registry.h"

namespace {

// Takes the slot of `handle` out of `table`; the reference moves to `out`.
template <class I>
bool TakeSlot(std::map<int, ComPtr<I>>& table, int handle, ComPtr<IUnknown>* out) {
    auto slot = table.find(handle);
    if (slot == table.end()) return false;
    if (slot->second) out->Attach(slot->second.Detach());
    table.erase(slot);
    return true;
}

template <class I>
void CollectHandles(const std::map<int, ComPtr<I>>& table, std::vector<int>* handles) {
    for (const auto& slot : table) handles->push_back(slot.first);
}

}  // namespace

CHandlerTables::~CHandlerTables() {
    m_mapIAddress.clear();
    m_mapIServiceExInput.clear();
    m_mapIGeneralInvoiceRequest.clear();
    m_mapIGeneralInvoiceResult.clear();
    m_mapITarvos.clear();
}

const std::vector<std::string>& CHandlerTables::ReleaseOrder() {
    static const std::vector<std::string> order = {"IAddress", "IServiceExInput",
                                                   "IGeneralInvoiceRequest",
                                                   "IGeneralInvoiceResult", "ITarvos"};
    return order;
}

int CHandlerTables::HandleFor(const void* identity) {
    auto known = m_handleOf.find(identity);
    if (known != m_handleOf.end()) return known->second;
    // The next free handle after the last one handed out, wrapping to 1.
    do {
        m_lastHandle = m_lastHandle == INT_MAX ? 1 : m_lastHandle + 1;
    } while (m_identityOf.count(m_lastHandle) != 0);
    m_handleOf[identity] = m_lastHandle;
    m_identityOf[m_lastHandle] = identity;
    return m_lastHandle;
}

bool CHandlerTables::Release(const std::string& interfaceName, int handle) {
    ComPtr<IUnknown> dropped;  // released after the mutex
    std::lock_guard<std::mutex> guard(mutex_);
    bool found = false;
    if (SameName(interfaceName, "ITarvos")) {
        found = TakeSlot(m_mapITarvos, handle, &dropped);
    } else if (SameName(interfaceName, "IGeneralInvoiceRequest")) {
        found = TakeSlot(m_mapIGeneralInvoiceRequest, handle, &dropped);
    } else if (SameName(interfaceName, "IGeneralInvoiceResult")) {
        found = TakeSlot(m_mapIGeneralInvoiceResult, handle, &dropped);
    } else if (SameName(interfaceName, "IServiceExInput")) {
        found = TakeSlot(m_mapIServiceExInput, handle, &dropped);
    } else if (SameName(interfaceName, "IAddress")) {
        found = TakeSlot(m_mapIAddress, handle, &dropped);
    }
    if (dropped) {
        auto identity = m_identityOf.find(handle);
        if (identity != m_identityOf.end()) {
            m_handleOf.erase(identity->second);
            m_identityOf.erase(identity);
        }
    }
    return found;
}

std::vector<int> CHandlerTables::Handles(const std::string& interfaceName) {
    std::vector<int> handles;
    std::lock_guard<std::mutex> guard(mutex_);
    if (SameName(interfaceName, "ITarvos")) CollectHandles(m_mapITarvos, &handles);
    if (SameName(interfaceName, "IGeneralInvoiceRequest")) {
        CollectHandles(m_mapIGeneralInvoiceRequest, &handles);
    }
    if (SameName(interfaceName, "IGeneralInvoiceResult")) {
        CollectHandles(m_mapIGeneralInvoiceResult, &handles);
    }
    if (SameName(interfaceName, "IServiceExInput")) CollectHandles(m_mapIServiceExInput, &handles);
    if (SameName(interfaceName, "IAddress")) CollectHandles(m_mapIAddress, &handles);
    return handles;
}

size_t CHandlerTables::Size() {
    std::lock_guard<std::mutex> guard(mutex_);
    return m_mapITarvos.size() + m_mapIGeneralInvoiceRequest.size() +
           m_mapIGeneralInvoiceResult.size() + m_mapIServiceExInput.size() + m_mapIAddress.size();
}
