// What every COM object of TiskPDF.dll shares: one reference count, the
// QueryInterface of its interfaces, and the DLL's count of live objects
// and LockServer calls that DllCanUnloadNow answers from.
#pragma once

#include <atomic>

#include "platform/win32/Support.h"

namespace tiskpdf::com {

// The DLL itself (DllMain) and whether anything still needs it loaded.
HMODULE thisModule();
bool moduleInUse();
void lockModule(bool lock);

namespace detail {
extern std::atomic<long> liveObjects;
}

// An object with the interfaces Interfaces...; the first one stands for
// IUnknown. It starts with one reference, which its maker hands on or
// releases; the last Release deletes it.
template <class... Interfaces> class ComObject : public Interfaces... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = find(riid);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() { ++detail::liveObjects; }
    virtual ~ComObject() { --detail::liveObjects; }

    // The object as the interface riid names, or null. A derived class adds
    // what its interfaces derive from (IDispatch) and answers the rest here.
    virtual void* find(REFIID riid) {
        if (riid == IID_IUnknown)
            return static_cast<First*>(this);
        void* found = nullptr;
        ((found = found                          ? found
                  : riid == __uuidof(Interfaces) ? static_cast<Interfaces*>(this)
                                                 : nullptr),
         ...);
        return found;
    }

private:
    template <class F, class...> struct Head { using Type = F; };
    using First = typename Head<Interfaces...>::Type;

    std::atomic<ULONG> references_{1};
};

} // namespace tiskpdf::com
