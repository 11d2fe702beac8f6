#include "ComClassFactory.h"

#include "ComDocument.h"

namespace tiskpdf::com {

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    DocumentObject* document = nullptr;
    if (const HRESULT created = DocumentObject::create(&document); FAILED(created))
        return created;
    const HRESULT hr = document->QueryInterface(riid, object);
    document->Release();
    return hr;
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    lockModule(lock != FALSE);
    return S_OK;
}

} // namespace tiskpdf::com
