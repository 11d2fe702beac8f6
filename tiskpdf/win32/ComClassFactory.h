// The class factory of TiskPDF.PDFDocument4, which DllGetClassObject hands
// out: it makes document objects and keeps the DLL loaded on LockServer.
#pragma once

#include "ComObject.h"

namespace tiskpdf::com {

class ClassFactory final : public ComObject<IClassFactory> {
public:
    ClassFactory() = default;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

} // namespace tiskpdf::com
