// The document object of TiskPDF.PDFDocument4: one document of the library
// (tiskpdf/TiskPdf.h) behind the dual interface IPDFDocument4. Programs that
// know the interface call its vtable; scripts reach the same methods through
// IDispatch, which the system's standard dispatch answers from the type
// library in the DLL. A failed call returns the error's HRESULT with its
// description in the thread's IErrorInfo.
#pragma once

#include <memory>

#include "ComObject.h"
#include "Win32ComInterface.h"
#include "tiskpdf/TiskPdf.h"

namespace tiskpdf::com {

class DocumentHost;

class DocumentObject final : public ComObject<IPDFDocument4, ISupportErrorInfo> {
public:
    // A new object with one reference, or the error that kept it from being
    // made (with its description in IErrorInfo).
    static HRESULT create(DocumentObject** object);

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override;

    // IPDFDocument4
    HRESULT STDMETHODCALLTYPE OpenPdf(BSTR path, BSTR password) override;
    HRESULT STDMETHODCALLTYPE AppendPdf(BSTR path, BSTR password) override;
    HRESULT STDMETHODCALLTYPE get_PageCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE SelectPage(LONG index) override;
    HRESULT STDMETHODCALLTYPE LoadImage(BSTR path, LONG* image) override;
    HRESULT STDMETHODCALLTYPE ImageResolution(LONG image, LONG* dotsPerInch) override;
    HRESULT STDMETHODCALLTYPE get_Resolution(LONG* unitsPerInch) override;
    HRESULT STDMETHODCALLTYPE put_Resolution(LONG unitsPerInch) override;
    HRESULT STDMETHODCALLTYPE NewWatermark(LONG* watermark) override;
    HRESULT STDMETHODCALLTYPE BeginWatermark(LONG watermark) override;
    HRESULT STDMETHODCALLTYPE DrawImage(LONG image, float x, float y) override;
    HRESULT STDMETHODCALLTYPE EndWatermark() override;
    HRESULT STDMETHODCALLTYPE ApplyWatermark(LONG page, LONG watermark) override;
    HRESULT STDMETHODCALLTYPE SetDocumentMode(LONG mode) override;
    HRESULT STDMETHODCALLTYPE SetInfoText(LONG which, BSTR text) override;
    HRESULT STDMETHODCALLTYPE RegisterFont(BSTR face, VARIANT_BOOL bold, VARIANT_BOOL italic,
                                           LONG reserved1, LONG reserved2, LONG reserved3,
                                           LONG* font) override;
    HRESULT STDMETHODCALLTYPE UseFont(LONG font, float size) override;
    HRESULT STDMETHODCALLTYPE SetTextScaling(float percent) override;
    HRESULT STDMETHODCALLTYPE SetColorMode(LONG mode) override;
    HRESULT STDMETHODCALLTYPE SetTextColor(float red, float green, float blue,
                                           float fourth) override;
    HRESULT STDMETHODCALLTYPE MoveTextTo(float x, float y) override;
    HRESULT STDMETHODCALLTYPE DrawText(BSTR text) override;
    HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) override;
    HRESULT STDMETHODCALLTYPE FinishDocument() override;
    HRESULT STDMETHODCALLTYPE SaveDocument(BSTR path, VARIANT_BOOL openInViewer) override;

private:
    DocumentObject();
    ~DocumentObject() override;

    void* find(REFIID riid) override;
    UINT unconvertibleArgument(DISPID id, WORD flags, const DISPPARAMS& params);

    std::unique_ptr<DocumentHost> host_;
    std::unique_ptr<pdfforms::IPDFDocument> document_;
    // The interface's type as scripts see it (its dispatch part) and as the
    // standard dispatch calls it (its vtable part).
    platform::win32::ComPtr<ITypeInfo> dispatchType_;
    platform::win32::ComPtr<ITypeInfo> vtableType_;
};

} // namespace tiskpdf::com
