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

int CInstanceRegistry::TakeFirst(InstanceTable& table,
                                 const std::function<bool(const InstanceEntry&)>& pick) {
    for (auto entry = table.begin(); entry != table.end(); ++entry) {
        if (!pick(entry->second)) continue;
        int handle = entry->first;
        m_ownerOf.erase(handle);
        table.erase(entry);
        return handle;
    }
    return 0;
}

int CInstanceRegistry::TakeFromGroup(ManagerEntry& group,
                                     const std::function<bool(const InstanceEntry&)>& pick,
                                     std::string* outInterfaceName) {
    struct Named {
        InstanceTable* table;
        const char* name;
    };
    const Named order[] = {{&group.addresses, "IAddress"},
                           {&group.serviceInputs, "IServiceExInput"},
                           {&group.requests, "IGeneralInvoiceRequest"},
                           {&group.results, "IGeneralInvoiceResult"}};
    for (const Named& named : order) {
        int handle = TakeFirst(*named.table, pick);
        if (handle != 0) {
            *outInterfaceName = named.name;
            return handle;
        }
    }
    return 0;
}

int CInstanceRegistry::NextToDestroy(const std::string& interfaceName, int handle,
                                     std::string* outInterfaceName) {
    outInterfaceName->clear();
    if (interfaceName.empty() || handle < 1) return 0;
    std::lock_guard<std::mutex> guard(mutex_);
    auto any = [](const InstanceEntry&) { return true; };
    if (SameName(interfaceName, "ITarvos")) {
        auto group = m_managers.find(handle);
        if (group == m_managers.end()) return 0;
        int next = TakeFromGroup(group->second, any, outInterfaceName);
        if (next != 0) return next;
        m_managers.erase(group);  // the lock stays for a later registration
        *outInterfaceName = "ITarvos";
        return handle;
    }
    auto owner = m_ownerOf.find(handle);
    if (owner == m_ownerOf.end() || owner->second < 1) return 0;
    ManagerEntry& group = m_managers[owner->second];
    int next = TakeFromGroup(
        group, [handle](const InstanceEntry& e) { return e.parent == handle; }, outInterfaceName);
    if (next != 0) return next;
    return TakeFromGroup(
        group, [handle](const InstanceEntry& e) { return e.self == handle; }, outInterfaceName);
}

int CInstanceRegistry::NextExpired(const std::string& interfaceName, std::string* outInterfaceName,
                                   bool all) {
    outInterfaceName->clear();
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t now = Now();
    int64_t limit = all ? -1000000 : maxInactivitySec_;
    if (!SameName(interfaceName, "ITarvos")) return 0;
    auto expired = [now, limit](int64_t lastUsed) { return lastUsed + limit < now; };
    for (auto group = m_managers.begin(); group != m_managers.end(); ++group) {
        int next = TakeFromGroup(
            group->second, [&](const InstanceEntry& e) { return expired(e.lastUsed); },
            outInterfaceName);
        if (next != 0) return next;
        if (!expired(group->second.lastUsed)) continue;
        int key = group->first;
        m_managers.erase(group);
        m_locks.erase(key);
        *outInterfaceName = "ITarvos";
        return key;
    }
    return 0;
}

void CInstanceRegistry::SetMaxInactivitySec(int seconds) {
    std::lock_guard<std::mutex> guard(mutex_);
    maxInactivitySec_ = seconds;
}

size_t CInstanceRegistry::GroupCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return m_managers.size();
}

size_t CInstanceRegistry::InstanceCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return m_ownerOf.size();
}
