#pragma once

#include <mutex>
#include <string>

#include "platform/com.h"

// Base of every object the invoice module hands out: reference counting from
// ComObject<I>, plus the abort information that GetAbortInfo reports.
//
// Every method of a module object follows the same pattern: check the
// arguments, then change the object's state, then return S_OK; on a failure
// return Abort(code, text) before anything was changed, so that a rejected
// call changes nothing. The text names the method, the field and the rule:
// "SetBiller: bstrEAN 7601000000000 has a wrong check digit (expected ...)".
//
// Thread safety: the service serialises calls into the objects of one
// manager, but objects of different groups may meet (a service input used by
// a request of another group): each object guards its own state with mutex_
// and other objects read it only through locked accessors that copy.
template <class I>
class CModuleObject : public ComObject<I> {
  public:
    // The text of the last failure (empty before any) and *pbStatus
    // VARIANT_TRUE when there was one.
    HRESULT GetAbortInfo(BSTR* pbstrAbort, VARIANT_BOOL* pbStatus) override {
        if (pbstrAbort == nullptr || pbStatus == nullptr) return E_POINTER;
        std::lock_guard<std::mutex> guard(abortMutex_);
        *pbstrAbort = abortText_;
        *pbStatus = abortText_.empty() ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }

  protected:
    CModuleObject() = default;

    // Records `text` for GetAbortInfo and returns `code` (a failing HRESULT).
    HRESULT Abort(HRESULT code, const std::string& text) {
        std::lock_guard<std::mutex> guard(abortMutex_);
        abortText_ = text;
        return code;
    }

    // Sets *pbStatus to VARIANT_TRUE and returns S_OK; E_POINTER for null.
    static HRESULT Done(VARIANT_BOOL* pbStatus) {
        if (pbStatus == nullptr) return E_POINTER;
        *pbStatus = VARIANT_TRUE;
        return S_OK;
    }

    mutable std::mutex mutex_;  // guards the derived object's state

  private:
    std::mutex abortMutex_;
    std::string abortText_;
};
