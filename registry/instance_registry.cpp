#include "registry/instance_registry.h"

#include <strings.h>

#include <chrono>

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

CInstanceRegistry::CInstanceRegistry(Clock clock) : clock_(std::move(clock)) {}

CInstanceRegistry::~CInstanceRegistry() = default;

int64_t CInstanceRegistry::Now() const {
    if (clock_) return clock_();
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

CInstanceRegistry::InstanceTable* CInstanceRegistry::TableFor(ManagerEntry& group,
                                                              const std::string& interfaceName) {
    if (SameName(interfaceName, "IGeneralInvoiceRequest")) return &group.requests;
    if (SameName(interfaceName, "IGeneralInvoiceResult")) return &group.results;
    if (SameName(interfaceName, "IServiceExInput")) return &group.serviceInputs;
    if (SameName(interfaceName, "IAddress")) return &group.addresses;
    return nullptr;
}

int CInstanceRegistry::Register(const std::string& interfaceName, int parent, int newHandle) {
    if (interfaceName.empty() || newHandle < 1) return 402;
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t now = Now();
    if (SameName(interfaceName, "ITarvos")) {
        auto found = m_managers.find(newHandle);
        if (found != m_managers.end()) {
            found->second.lastUsed = now;
            return 0;
        }
        ManagerEntry& group = m_managers[newHandle];
        group.created = now;
        group.lastUsed = now;
        group.handle = newHandle;
        if (m_locks.find(newHandle) == m_locks.end()) {
            m_locks[newHandle] = std::make_shared<std::timed_mutex>();
        }
        return 0;
    }
    int groupKey = parent;
    if (SameName(interfaceName, "IAddress")) {
        auto owner = m_ownerOf.find(parent);
        if (owner == m_ownerOf.end()) return 402;
        groupKey = owner->second;
    }
    ManagerEntry probe;
    if (TableFor(probe, interfaceName) == nullptr) return 0;
    m_ownerOf[newHandle] = groupKey;
    ManagerEntry& group = m_managers[groupKey];
    (*TableFor(group, interfaceName))[newHandle] = InstanceEntry{now, now, parent, newHandle};
    group.lastUsed = now;
    return 0;
}

int CInstanceRegistry::Touch(const std::string& interfaceName, const std::string& methodName,
                             int handle) {
    if (SameName(interfaceName, "ITarvos") && SameName(methodName, "GetCreateTarvos")) return 0;
    if (handle < 1) return 402;
    std::lock_guard<std::mutex> guard(mutex_);
    int groupKey = handle;
    if (!SameName(interfaceName, "ITarvos")) {
        auto owner = m_ownerOf.find(handle);
        if (owner == m_ownerOf.end()) return 402;
        groupKey = owner->second;
    }
    auto found = m_managers.find(groupKey);
    if (found == m_managers.end()) return 402;
    int64_t now = Now();
    found->second.lastUsed = now;
    if (groupKey == handle) return 0;
    InstanceTable* table = TableFor(found->second, interfaceName);
    if (table != nullptr) (*table)[handle].lastUsed = now;
    return 0;
}

CInstanceRegistry::GroupLock CInstanceRegistry::LockFor(int handle) {
    if (handle < 1) return nullptr;
    std::lock_guard<std::mutex> guard(mutex_);
    auto owner = m_ownerOf.find(handle);
    int groupKey = owner != m_ownerOf.end() ? owner->second : handle;
    if (groupKey < 1 || m_managers.find(groupKey) == m_managers.end()) return nullptr;
    auto lock = m_locks.find(groupKey);
    return lock != m_locks.end() ? lock->second : nullptr;
}
