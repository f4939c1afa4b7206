#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// Bookkeeping of the live module instances: every instance is filed in the
// group of the manager it belongs to, stamped with its creation and last-use
// times; every manager group has a timed lock that serialises the calls into
// its instances. The registry holds no interface references (the handler's
// tables own them).
//
// Thread-safe: one registry-wide mutex is held inside each operation only,
// never while a module method runs.
class CInstanceRegistry {
  public:
    using Clock = std::function<int64_t()>;  // seconds since 1970
    using GroupLock = std::shared_ptr<std::timed_mutex>;

    struct InstanceEntry {
        int64_t created = 0;
        int64_t lastUsed = 0;
        int parent = 0;
        int self = 0;
    };
    using InstanceTable = std::map<int, InstanceEntry>;

    struct ManagerEntry {
        int64_t created = 0;
        int64_t lastUsed = 0;
        int handle = 0;
        InstanceTable requests;
        InstanceTable results;
        InstanceTable serviceInputs;
        InstanceTable addresses;
    };

    // `clock` gives the current time; the system clock when empty.
    explicit CInstanceRegistry(Clock clock = Clock());
    // Forgets every group and instance and drops the group locks; touches
    // no interface reference.
    ~CInstanceRegistry();

    CInstanceRegistry(const CInstanceRegistry&) = delete;
    CInstanceRegistry& operator=(const CInstanceRegistry&) = delete;

    // Files `newHandle`, made by a call on `parentHandle` (0 for a new
    // manager). 0, or 402 when nothing could be recorded.
    int Register(const std::string& interfaceName, int parentHandle, int newHandle);

    // Records a use of `handle`. 0, or 402 when it names no live instance.
    // ITarvos/GetCreateTarvos passes without a handle.
    int Touch(const std::string& interfaceName, const std::string& methodName, int handle);

    // The lock of the handle's group, or null when the group has none.
    GroupLock LockFor(int handle);

    // The next instance to release when `handle` (of `interfaceName`) is
    // destroyed, taken out of the records; its interface name goes to
    // *outInterfaceName. 0 when nothing is left. A manager gives its
    // addresses, service inputs, requests and results (each by ascending
    // handle) and then itself; any other instance gives its direct
    // dependents and then itself, whatever table it is in.
    int NextToDestroy(const std::string& interfaceName, int handle, std::string* outInterfaceName);

    // The next instance idle for longer than the inactivity limit (every
    // instance when `all`), taken out of the records, with its interface
    // name in *outInterfaceName; a group comes after all of its instances.
    // 0 when none. Only "ITarvos" as `interfaceName` finds anything.
    int NextExpired(const std::string& interfaceName, std::string* outInterfaceName, bool all);

    // Seconds without use after which NextExpired releases an instance
    // (3600 unless set). Taken as given: the settings apply their floor.
    void SetMaxInactivitySec(int seconds);

    // Groups and non-manager instances on record.
    size_t GroupCount();
    size_t InstanceCount();

  private:
    int64_t Now() const;
    static InstanceTable* TableFor(ManagerEntry& group, const std::string& interfaceName);

    // REQUIRES: mutex_ held. Takes the first entry of `table` (in handle
    // order) that `pick` accepts out of the table and of m_ownerOf.
    int TakeFirst(InstanceTable& table, const std::function<bool(const InstanceEntry&)>& pick);
    int TakeFromGroup(ManagerEntry& group, const std::function<bool(const InstanceEntry&)>& pick,
                      std::string* outInterfaceName);

    Clock clock_;
    int maxInactivitySec_ = 3600;
    std::mutex mutex_;
    std::map<int, ManagerEntry> m_managers;
    std::map<int, int> m_ownerOf;
    std::map<int, GroupLock> m_locks;
};

// Interface and method names are compared without regard to case.
bool SameName(const std::string& a, const std::string& b);
