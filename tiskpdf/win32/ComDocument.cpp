#include "ComDocument.h"

#include <algorithm>
#include <new>
#include <string>

#include "platform/Host.h"

namespace tiskpdf::com {

using platform::win32::fromBstr;

namespace {

constexpr const wchar_t* kErrorSource = L"TiskPDF.PDFDocument4";
constexpr const char* kUnexpected = "Neočekávaná chyba komponenty TiskPDF.";

// Leaves the description of a failure in the thread's error object.
HRESULT failWith(HRESULT hr, const std::string& description) {
    platform::win32::ComPtr<ICreateErrorInfo> create;
    if (FAILED(::CreateErrorInfo(create.put())))
        return hr;
    std::wstring text = platform::win32::wide(description);
    create->SetGUID(kIidPdfDocument4);
    create->SetSource(const_cast<LPOLESTR>(kErrorSource));
    create->SetDescription(text.data());
    platform::win32::ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.putVoid())))
        ::SetErrorInfo(0, info.get());
    return hr;
}

// Runs one operation of the document; an error becomes its HRESULT.
template <class Operation> HRESULT guarded(Operation&& operation) {
    try {
        operation();
        return S_OK;
    } catch (const pdfforms::NumberedError& e) {
        const std::int32_t n = e.number();
        return failWith(n < 0 ? static_cast<HRESULT>(n) : runtimeErrorResult(n), e.description());
    } catch (const std::bad_alloc&) {
        return failWith(E_OUTOFMEMORY, "Nedostatek paměti.");
    } catch (const std::exception& e) {
        return failWith(E_FAIL, e.what());
    } catch (...) {
        // Whatever else was thrown must not cross into the caller, which
        // knows nothing of C++ exceptions.
        return failWith(E_UNEXPECTED, kUnexpected);
    }
}

// An operation that gives a number back through out.
template <class Operation> HRESULT guardedResult(LONG* out, Operation&& operation) {
    if (!out)
        return E_POINTER;
    return guarded([&] { *out = operation(); });
}

bool flag(VARIANT_BOOL value) {
    return value != VARIANT_FALSE;
}

} // namespace

// What the document asks of the program, answered by the platform layer.
class DocumentHost {
public:
    DocumentHost() : ui_(platform::makeSystemUserInterface()) {
        platform::HostOptions options;
        options.ui = ui_.get();
        windows_ = platform::makeHostWindows(options);
    }

    pdfforms::PdfDocumentHost host() {
        pdfforms::PdfDocumentHost host;
        platform::Windows* windows = windows_.get();
        host.resolvePath = [windows](const std::string& path) {
            platform::Result<std::string> full =
                path.empty() ? platform::Result<std::string>::failure(platform::kErrorFileNotFound)
                             : windows->nativePath(path);
            if (!full)
                throw pdfforms::NumberedError(hr::kFileNotFound,
                                              "Soubor nebyl nalezen: " + path + " (" +
                                                  windows->formatMessage(full.error()) + ")");
            return *full;
        };
        // Only a PDF file is opened: the shell would run a file with any other
        // extension (.exe, .hta, .js) as the program it is.
        host.openInViewer = [windows](const std::string& file) {
            if (pdfforms::isPdfFileName(file))
                windows->shellExecute("open", file, "", "", platform::kSwShowNormal);
        };
        return host;
    }

private:
    std::unique_ptr<platform::UserInterface> ui_;
    std::unique_ptr<platform::Windows> windows_;
};

DocumentObject::DocumentObject()
    : host_(std::make_unique<DocumentHost>()), document_(CreatePdfDocument(host_->host())) {}

DocumentObject::~DocumentObject() = default;

HRESULT DocumentObject::create(DocumentObject** object) {
    *object = nullptr;
    DocumentObject* made = nullptr;
    if (const HRESULT hr = guarded([&] { made = new DocumentObject(); }); FAILED(hr))
        return hr;
    // The interface's type from the type library in this DLL; the vtable
    // part of the dual interface is its implemented type -1.
    platform::win32::ComPtr<ITypeLib> library;
    HREFTYPE vtable = 0;
    HRESULT hr = ::LoadTypeLibEx(platform::win32::modulePath(thisModule()).c_str(), REGKIND_NONE,
                                 library.put());
    if (SUCCEEDED(hr))
        hr = library->GetTypeInfoOfGuid(kIidPdfDocument4, made->dispatchType_.put());
    if (SUCCEEDED(hr))
        hr = made->dispatchType_->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable);
    if (SUCCEEDED(hr))
        hr = made->dispatchType_->GetRefTypeInfo(vtable, made->vtableType_.put());
    if (FAILED(hr)) {
        made->Release();
        return failWith(hr, "Typová knihovna komponenty TiskPDF chybí nebo je poškozená.");
    }
    *object = made;
    return S_OK;
}

void* DocumentObject::find(REFIID riid) {
    if (riid == IID_IDispatch)
        return static_cast<IPDFDocument4*>(this);
    return ComObject::find(riid);
}

HRESULT DocumentObject::InterfaceSupportsErrorInfo(REFIID riid) {
    return riid == kIidPdfDocument4 || riid == IID_IDispatch ? S_OK : S_FALSE;
}

// ------------------------------------------------------------------ IDispatch

HRESULT DocumentObject::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT DocumentObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    dispatchType_->AddRef();
    *info = dispatchType_.get();
    return S_OK;
}

HRESULT DocumentObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    return ::DispGetIDsOfNames(dispatchType_.get(), names, count, ids);
}

HRESULT DocumentObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params)
        params = &none;
    IPDFDocument4* self = this;
    constexpr UINT kNotSaid = ~0u;
    UINT wrong = kNotSaid;
    HRESULT hr =
        ::DispInvoke(self, vtableType_.get(), id, flags, params, result, exception, &wrong);
    // A property read as a method without arguments (JScript's
    // doc.PageCount()) gives its value, as a method that gives one would.
    if (hr == DISP_E_MEMBERNOTFOUND && flags == DISPATCH_METHOD && params->cArgs == 0)
        hr = ::DispInvoke(self, vtableType_.get(), id, DISPATCH_PROPERTYGET, params, result,
                          exception, &wrong);
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW) && wrong == kNotSaid)
        wrong = unconvertibleArgument(id, flags, *params);
    if (argError && wrong != kNotSaid)
        *argError = wrong;
    return hr;
}

// Where the standard dispatch does not say which argument it could not
// convert (Wine's does not), the first one, counted as rgvarg counts, that
// does not convert to its parameter's type; ~0u when none is found.
UINT DocumentObject::unconvertibleArgument(DISPID id, WORD flags, const DISPPARAMS& params) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(vtableType_->GetTypeAttr(&attributes)))
        return ~0u;
    UINT found = ~0u;
    for (UINT f = 0; f < attributes->cFuncs && found == ~0u; ++f) {
        FUNCDESC* function = nullptr;
        if (FAILED(vtableType_->GetFuncDesc(f, &function)))
            break;
        if (function->memid == id && (function->invkind & flags) != 0) {
            const UINT count = std::min<UINT>(params.cArgs, static_cast<UINT>(function->cParams));
            for (UINT i = 0; i < count && found == ~0u; ++i) {
                const UINT from = params.cArgs - 1 - i; // rgvarg holds them last to first
                VARIANT direct;
                VARIANT converted;
                ::VariantInit(&direct);
                ::VariantInit(&converted);
                HRESULT hr = ::VariantCopyInd(&direct, &params.rgvarg[from]);
                if (SUCCEEDED(hr))
                    hr = ::VariantChangeType(&converted, &direct, 0,
                                             function->lprgelemdescParam[i].tdesc.vt);
                if (FAILED(hr))
                    found = from;
                ::VariantClear(&converted);
                ::VariantClear(&direct);
            }
        }
        vtableType_->ReleaseFuncDesc(function);
    }
    vtableType_->ReleaseTypeAttr(attributes);
    return found;
}

// -------------------------------------------------------------- IPDFDocument4

HRESULT DocumentObject::OpenPdf(BSTR path, BSTR password) {
    return guarded([&] { document_->OpenPdf(fromBstr(path), fromBstr(password)); });
}
HRESULT DocumentObject::AppendPdf(BSTR path, BSTR password) {
    return guarded([&] { document_->AppendPdf(fromBstr(path), fromBstr(password)); });
}
HRESULT DocumentObject::get_PageCount(LONG* count) {
    return guardedResult(count, [&] { return document_->PageCount(); });
}
HRESULT DocumentObject::SelectPage(LONG index) {
    return guarded([&] { document_->SelectPage(index); });
}
HRESULT DocumentObject::LoadImage(BSTR path, LONG* image) {
    return guardedResult(image, [&] { return document_->LoadImage(fromBstr(path)); });
}
HRESULT DocumentObject::ImageResolution(LONG image, LONG* dotsPerInch) {
    return guardedResult(dotsPerInch, [&] { return document_->ImageResolution(image); });
}
HRESULT DocumentObject::get_Resolution(LONG* unitsPerInch) {
    return guardedResult(unitsPerInch, [&] { return document_->Resolution(); });
}
HRESULT DocumentObject::put_Resolution(LONG unitsPerInch) {
    return guarded([&] { document_->SetResolution(unitsPerInch); });
}
HRESULT DocumentObject::NewWatermark(LONG* watermark) {
    return guardedResult(watermark, [&] { return document_->NewWatermark(); });
}
HRESULT DocumentObject::BeginWatermark(LONG watermark) {
    return guarded([&] { document_->BeginWatermark(watermark); });
}
HRESULT DocumentObject::DrawImage(LONG image, float x, float y) {
    return guarded([&] { document_->DrawImage(image, x, y); });
}
HRESULT DocumentObject::EndWatermark() {
    return guarded([&] { document_->EndWatermark(); });
}
HRESULT DocumentObject::ApplyWatermark(LONG page, LONG watermark) {
    return guarded([&] { document_->ApplyWatermark(page, watermark); });
}
HRESULT DocumentObject::SetDocumentMode(LONG mode) {
    return guarded([&] { document_->SetDocumentMode(mode); });
}
HRESULT DocumentObject::SetInfoText(LONG which, BSTR text) {
    return guarded([&] {
        if (which < 0 || which > 4)
            throw pdfforms::NumberedError(hr::kInvalidArgument, "Neznámý popisný text dokumentu.");
        document_->SetInfoText(static_cast<pdfforms::InfoText>(which), fromBstr(text));
    });
}
HRESULT DocumentObject::RegisterFont(BSTR face, VARIANT_BOOL bold, VARIANT_BOOL italic,
                                     LONG reserved1, LONG reserved2, LONG reserved3, LONG* font) {
    return guardedResult(font, [&] {
        return document_->RegisterFont(fromBstr(face), flag(bold), flag(italic), reserved1,
                                       reserved2, reserved3);
    });
}
HRESULT DocumentObject::UseFont(LONG font, float size) {
    return guarded([&] { document_->UseFont(font, size); });
}
HRESULT DocumentObject::SetTextScaling(float percent) {
    return guarded([&] { document_->SetTextScaling(percent); });
}
HRESULT DocumentObject::SetColorMode(LONG mode) {
    return guarded([&] { document_->SetColorMode(mode); });
}
HRESULT DocumentObject::SetTextColor(float red, float green, float blue, float fourth) {
    return guarded([&] { document_->SetTextColor(red, green, blue, fourth); });
}
HRESULT DocumentObject::MoveTextTo(float x, float y) {
    return guarded([&] { document_->MoveTextTo(x, y); });
}
HRESULT DocumentObject::DrawText(BSTR text) {
    return guarded([&] { document_->DrawText(fromBstr(text)); });
}
HRESULT DocumentObject::SetPassword(BSTR password) {
    return guarded([&] { document_->SetPassword(fromBstr(password)); });
}
HRESULT DocumentObject::FinishDocument() {
    return guarded([&] { document_->FinishDocument(); });
}
HRESULT DocumentObject::SaveDocument(BSTR path, VARIANT_BOOL openInViewer) {
    return guarded([&] { document_->SaveDocument(fromBstr(path), flag(openInViewer)); });
}

} // namespace tiskpdf::com
