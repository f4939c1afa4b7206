#pragma once

// The small part of COM that the service and the invoice module share:
// result codes, the automation types, interface identities, reference
// counting and a smart pointer. Names follow the Windows ones so that call
// sites read the same as on that platform; everything lives in one process,
// so apartments, marshalling and class registration do not exist.

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

// ---------------------------------------------------------------------------
// Result codes

// Signed 32-bit result of every module call. Only S_OK is success for the
// service; negative values are errors.
using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
// "End of the list" from the first/next reads (no more elements).
constexpr HRESULT DB_S_ENDOFROWSET = 0x00040EC6;

constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);

inline constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// ---------------------------------------------------------------------------
// Automation types

// Text: UTF-8, owned by value. An out-parameter is a std::string* that the
// callee assigns; there is nothing to free.
using BSTR = std::string;

// Boolean of 16 bits: VARIANT_TRUE is -1; every other value reads as false.
using VARIANT_BOOL = int16_t;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// OLE automation date: days since 1899-12-30, the time of day as the
// fraction (platform/ole_date.h converts it).
using DATE = double;

// ---------------------------------------------------------------------------
// Identities

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) return false;
    }
    return true;
}
constexpr bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}

// {00000000-0000-0000-C000-000000000046}, as on Windows.
constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The identity of an interface type. Every interface specialises this trait
// next to its declaration with `static constexpr IID kIid`; an interface
// without a specialisation does not compile with InterfaceId<T>().
template <class T>
struct InterfaceTraits;

template <class T>
constexpr const IID& InterfaceId() {
    return InterfaceTraits<T>::kIid;
}

// ---------------------------------------------------------------------------
// IUnknown

// Base of every interface. Objects are reference counted: each holder of a
// pointer owns one reference and gives it back with Release; the object
// deletes itself when the last reference goes. Objects are never deleted
// through an interface pointer (hence the protected destructor).
class IUnknown {
  public:
    // On success *ppv holds the object as the interface `iid`, with one
    // reference for the caller. Unknown iid: E_NOINTERFACE and *ppv null.
    // ppv null: E_POINTER.
    virtual HRESULT QueryInterface(const IID& iid, void** ppv) = 0;
    // Both return the new count (for diagnostics only).
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

  protected:
    virtual ~IUnknown() = default;
};

template <>
struct InterfaceTraits<IUnknown> {
    static constexpr IID kIid = IID_IUnknown;
};

// Reference counting for an object that implements one interface I (which
// derives from IUnknown). The count is atomic and starts at 1: the creator
// owns the first reference (MakeComObject hands it to a ComPtr). Release
// deletes the object when the count reaches 0. QueryInterface answers
// IID_IUnknown and InterfaceId<I>(); a derived class may override it to
// answer more.
template <class I>
class ComObject : public I {
  public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(const IID& iid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        if (iid == IID_IUnknown) {
            *ppv = static_cast<IUnknown*>(static_cast<I*>(this));
        } else if (iid == InterfaceId<I>()) {
            *ppv = static_cast<I*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t Release() override {
        uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

  protected:
    ComObject() = default;
    ~ComObject() override = default;

  private:
    std::atomic<uint32_t> refs_{1};
};

// ---------------------------------------------------------------------------
// ComPtr

// Owns one reference to a COM object (or nothing). Copying adds a reference,
// destruction and Reset give it back. Not thread-safe itself: one ComPtr is
// used by one thread at a time (the object's count is atomic).
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference on `p` (the caller keeps its own).
    explicit ComPtr(T* p) : p_(p) {
        if (p_ != nullptr) p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    // From a pointer to a derived type (an implementation to its interface).
    template <class U>
    ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Gives back the held reference (if any); the pointer becomes null.
    void Reset() {
        T* old = p_;
        p_ = nullptr;
        if (old != nullptr) old->Release();
    }
    // Takes over the reference that `p` carries, without adding one.
    void Attach(T* p) {
        Reset();
        p_ = p;
    }
    // Hands the held reference to the caller, who must Release it.
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    // For out-parameters of type T**: drops what is held and returns the
    // address of the (now null) pointer; the callee's reference is adopted.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &p_;
    }
    // Gives the caller of an out-parameter its own reference. `out` may be
    // null (E_POINTER).
    HRESULT CopyTo(T** out) const {
        if (out == nullptr) return E_POINTER;
        *out = p_;
        if (p_ != nullptr) p_->AddRef();
        return S_OK;
    }
    // QueryInterface for U; on failure *out is null and the error returned.
    // A null ComPtr gives E_POINTER.
    template <class U>
    HRESULT As(ComPtr<U>* out) const {
        out->Reset();
        if (p_ == nullptr) return E_POINTER;
        void* raw = nullptr;
        HRESULT hr = p_->QueryInterface(InterfaceId<U>(), &raw);
        if (hr == S_OK && raw != nullptr) out->Attach(static_cast<U*>(raw));
        return hr;
    }

    void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  private:
    T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) {
    return a.Get() == b.Get();
}
template <class T>
bool operator==(const ComPtr<T>& a, std::nullptr_t) {
    return a.Get() == nullptr;
}
template <class T>
bool operator!=(const ComPtr<T>& a, std::nullptr_t) {
    return a.Get() != nullptr;
}

// Creates a T (a ComObject implementation) and hands its first reference to
// the returned pointer.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
    ComPtr<T> p;
    p.Attach(new T(std::forward<Args>(args)...));
    return p;
}

// ---------------------------------------------------------------------------
// Apartments and activation: nothing to do in one process on this platform.
// The calls stay at their places so that the structure of a module call is
// the same as on Windows. All return S_OK.

constexpr uint32_t COINIT_APARTMENTTHREADED = 0x2;
constexpr uint32_t COINIT_MULTITHREADED = 0x0;
constexpr unsigned long CLSCTX_INPROC_SERVER = 0x1;
constexpr unsigned long CLSCTX_ALL = 0x17;

inline HRESULT CoInitializeEx(void* /*reserved*/, uint32_t /*coinit*/) {
    return S_OK;
}
inline void CoUninitialize() {}
// Puts an object into its running state; objects here always are.
inline HRESULT OleRun(IUnknown* /*unknown*/) {
    return S_OK;
}
