// TiskPDF.dll: the PDF document library as an in-process COM server on
// Windows. The class "TiskPDF.PDFDocument4" wraps one document object of the
// library (tiskpdf/TiskPdf.h) behind the dual interface of
// Win32ComInterface.h: its vtable for programs that know the interface,
// IDispatch with a dispatch table of our own for scripts. Errors become
// HRESULTs with their description in IErrorInfo (EXCEPINFO for scripts).
//
// Registration writes the class under Software\Classes of the machine
// (HKEY_LOCAL_MACHINE, administrator rights) or, where the user may not
// write there, of the user (HKEY_CURRENT_USER); DllInstall chooses one.
#include "Win32ComInterface.h"

#include <windows.h>

#include <atomic>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "tiskpdf/TiskPdf.h"
#include "Win32ComFolderTrust.h"
#include "platform/Encoding.h"
#include "platform/Host.h"

namespace tiskpdf::com {

namespace {

HMODULE g_module = nullptr;
// Live objects (documents and class factories handed out) and LockServer
// calls: the DLL may be unloaded when both are 0.
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

constexpr const wchar_t* kErrorSource = L"TiskPDF.PDFDocument4";

// UTF-16 <-> UTF-8 for BSTRs; a null BSTR is the empty string.
std::string utf8(BSTR text) {
    if (!text)
        return {};
    return platform::utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text)));
}

std::wstring utf16(std::string_view text) {
    const std::u16string u = platform::utf8ToUtf16(text);
    return std::wstring(u.begin(), u.end());
}

// Leaves the description of a failure in the thread's error object.
HRESULT failWith(HRESULT hr, const std::string& description) {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(::CreateErrorInfo(&create))) {
        std::wstring text = utf16(description);
        create->SetGUID(kIidPdfDocument4);
        create->SetSource(const_cast<LPOLESTR>(kErrorSource));
        create->SetDescription(text.data());
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            ::SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hr;
}

constexpr const char* kUnexpected = "Neočekávaná chyba komponenty TiskPDF.";

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

bool flag(VARIANT_BOOL value) {
    return value != VARIANT_FALSE;
}

// The dispatch table: every member with its DISPID (its place in the
// interface), its parameters and whether it gives a number back.
enum class ArgType : VARTYPE { String = VT_BSTR, Long = VT_I4, Float = VT_R4, Bool = VT_BOOL };

struct Parameter {
    ArgType type;
    const wchar_t* name;
};

struct Member {
    const wchar_t* name;
    DISPID id;
    int argumentCount;
    Parameter arguments[6];
    bool returnsLong;
};

enum : DISPID {
    kOpenPdf = 1,
    kAppendPdf,
    kPageCount,
    kSelectPage,
    kLoadImage,
    kImageResolution,
    kResolution,
    kNewWatermark,
    kBeginWatermark,
    kDrawImage,
    kEndWatermark,
    kApplyWatermark,
    kSetDocumentMode,
    kSetInfoText,
    kRegisterFont,
    kUseFont,
    kSetTextScaling,
    kSetColorMode,
    kSetTextColor,
    kMoveTextTo,
    kDrawText,
    kSetPassword,
    kFinishDocument,
    kSaveDocument,
};

using A = ArgType;
constexpr Parameter kPath{A::String, L"path"};
constexpr Parameter kPassword{A::String, L"password"};
constexpr Parameter kImage{A::Long, L"image"};
constexpr Parameter kWatermark{A::Long, L"watermark"};
constexpr Parameter kX{A::Float, L"x"};
constexpr Parameter kY{A::Float, L"y"};
constexpr Parameter kResolutionValue{A::Long, L"unitsPerInch"};

constexpr Member kMembers[] = {
    {L"OpenPdf", kOpenPdf, 2, {kPath, kPassword}, false},
    {L"AppendPdf", kAppendPdf, 2, {kPath, kPassword}, false},
    {L"PageCount", kPageCount, 0, {}, true},
    {L"SelectPage", kSelectPage, 1, {{A::Long, L"index"}}, false},
    {L"LoadImage", kLoadImage, 1, {kPath}, true},
    {L"ImageResolution", kImageResolution, 1, {kImage}, true},
    {L"Resolution", kResolution, 0, {}, true}, // and its put, kResolutionValue
    {L"NewWatermark", kNewWatermark, 0, {}, true},
    {L"BeginWatermark", kBeginWatermark, 1, {kWatermark}, false},
    {L"DrawImage", kDrawImage, 3, {kImage, kX, kY}, false},
    {L"EndWatermark", kEndWatermark, 0, {}, false},
    {L"ApplyWatermark", kApplyWatermark, 2, {{A::Long, L"page"}, kWatermark}, false},
    {L"SetDocumentMode", kSetDocumentMode, 1, {{A::Long, L"mode"}}, false},
    {L"SetInfoText", kSetInfoText, 2, {{A::Long, L"which"}, {A::String, L"text"}}, false},
    {L"RegisterFont",
     kRegisterFont,
     6,
     {{A::String, L"face"},
      {A::Bool, L"bold"},
      {A::Bool, L"italic"},
      {A::Long, L"reserved1"},
      {A::Long, L"reserved2"},
      {A::Long, L"reserved3"}},
     true},
    {L"UseFont", kUseFont, 2, {{A::Long, L"font"}, {A::Float, L"size"}}, false},
    {L"SetTextScaling", kSetTextScaling, 1, {{A::Float, L"percent"}}, false},
    {L"SetColorMode", kSetColorMode, 1, {{A::Long, L"mode"}}, false},
    {L"SetTextColor",
     kSetTextColor,
     4,
     {{A::Float, L"red"}, {A::Float, L"green"}, {A::Float, L"blue"}, {A::Float, L"fourth"}},
     false},
    {L"MoveTextTo", kMoveTextTo, 2, {kX, kY}, false},
    {L"DrawText", kDrawText, 1, {{A::String, L"text"}}, false},
    {L"SetPassword", kSetPassword, 1, {kPassword}, false},
    {L"FinishDocument", kFinishDocument, 0, {}, false},
    {L"SaveDocument", kSaveDocument, 2, {kPath, {A::Bool, L"openInViewer"}}, false},
};

// The vtable slot of a member: after IUnknown's 3 and IDispatch's 4, in
// DISPID order, with Resolution's put right after its get.
UINT vtableSlot(DISPID id, bool put) {
    return static_cast<UINT>(id) + (id < kResolution || (id == kResolution && !put) ? 6 : 7);
}

// Type information made from the table, for clients that look the members
// up before they call them (PowerShell). Calls still go through Invoke.
HRESULT makeTypeInfo(ITypeInfo** info) {
    constexpr std::size_t count = std::size(kMembers) + 1;
    PARAMDATA parameters[count][6] = {};
    METHODDATA methods[count] = {};
    std::size_t n = 0;
    const auto add = [&](const Member& m, bool put) {
        METHODDATA& method = methods[n];
        const int arguments = put ? 1 : m.argumentCount;
        for (int i = 0; i < arguments; ++i) {
            const Parameter& p = put ? kResolutionValue : m.arguments[i];
            parameters[n][i] = {const_cast<OLECHAR*>(p.name), static_cast<VARTYPE>(p.type)};
        }
        method.szName = const_cast<OLECHAR*>(m.name);
        method.ppdata = parameters[n];
        method.dispid = m.id;
        method.iMeth = vtableSlot(m.id, put);
        method.cc = CC_STDCALL;
        method.cArgs = static_cast<UINT>(arguments);
        method.wFlags = put                                         ? DISPATCH_PROPERTYPUT
                        : m.id == kPageCount || m.id == kResolution ? DISPATCH_PROPERTYGET
                                                                    : DISPATCH_METHOD;
        method.vtReturn = m.returnsLong && !put ? VT_I4 : VT_EMPTY;
        ++n;
    };
    for (const Member& m : kMembers) {
        add(m, false);
        if (m.id == kResolution)
            add(m, true);
    }
    INTERFACEDATA data{methods, static_cast<UINT>(n)};
    return ::CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, info);
}

const Member* memberById(DISPID id) {
    for (const Member& m : kMembers)
        if (m.id == id)
            return &m;
    return nullptr;
}

// The arguments of one late-bound call, converted to the member's types.
class Arguments {
public:
    Arguments() {
        for (VARIANT& v : values_)
            ::VariantInit(&v);
    }
    ~Arguments() {
        for (VARIANT& v : values_)
            ::VariantClear(&v);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    // rgvarg holds the arguments last to first; a variable handed over by
    // reference is read through.
    HRESULT convert(const DISPPARAMS& params, const Parameter* types, int count, UINT* argError) {
        for (int i = 0; i < count; ++i) {
            const UINT from = params.cArgs - 1 - static_cast<UINT>(i);
            VARIANT direct;
            ::VariantInit(&direct);
            HRESULT hr = ::VariantCopyInd(&direct, &params.rgvarg[from]);
            if (SUCCEEDED(hr))
                hr = ::VariantChangeType(&values_[i], &direct, 0,
                                         static_cast<VARTYPE>(types[i].type));
            ::VariantClear(&direct);
            if (FAILED(hr)) {
                if (argError)
                    *argError = from;
                return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
            }
        }
        return S_OK;
    }

    BSTR string(int i) { return V_BSTR(&values_[i]); }
    LONG number(int i) const { return V_I4(&values_[i]); }
    float real(int i) const { return V_R4(&values_[i]); }
    VARIANT_BOOL boolean(int i) const { return V_BOOL(&values_[i]); }

private:
    VARIANT values_[6];
};

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

class PdfDocument4 final : public IPDFDocument4, public ISupportErrorInfo {
public:
    PdfDocument4() : document_(CreatePdfDocument(host_.host())) { ++g_objects; }
    ~PdfDocument4() {
        if (typeInfo_)
            typeInfo_->Release();
        --g_objects;
    }
    PdfDocument4(const PdfDocument4&) = delete;
    PdfDocument4& operator=(const PdfDocument4&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIidPdfDocument4) {
            *object = static_cast<IPDFDocument4*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *object = static_cast<ISupportErrorInfo*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
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

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == kIidPdfDocument4 || riid == IID_IDispatch ? S_OK : S_FALSE;
    }

    // IDispatch: names and calls through the table.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        if (!typeInfo_)
            if (const HRESULT hr = makeTypeInfo(&typeInfo_); FAILED(hr))
                return hr;
        typeInfo_->AddRef();
        *info = typeInfo_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!names || !ids || count == 0)
            return E_INVALIDARG;
        HRESULT hr = S_OK;
        ids[0] = DISPID_UNKNOWN;
        for (const Member& m : kMembers)
            if (names[0] && ::_wcsicmp(names[0], m.name) == 0)
                ids[0] = m.id;
        if (ids[0] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
        // Arguments are passed by position only.
        for (UINT i = 1; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override {
        const Member* member = memberById(id);
        if (!member)
            return DISP_E_MEMBERNOTFOUND;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        if (!params)
            params = &none;

        const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
        const Parameter* types = member->arguments;
        int count = member->argumentCount;
        if (put) {
            if (id != kResolution)
                return DISP_E_MEMBERNOTFOUND;
            if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_PARAMNOTOPTIONAL;
            types = &kResolutionValue;
            count = 1;
        } else {
            if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))
                return DISP_E_MEMBERNOTFOUND;
            if (params->cNamedArgs != 0)
                return DISP_E_NONAMEDARGS;
        }
        if (params->cArgs != static_cast<UINT>(count))
            return DISP_E_BADPARAMCOUNT;

        Arguments a;
        if (const HRESULT hr = a.convert(*params, types, count, argError); FAILED(hr))
            return hr;

        LONG number = 0;
        HRESULT hr = E_UNEXPECTED;
        switch (id) {
        case kOpenPdf:
            hr = OpenPdf(a.string(0), a.string(1));
            break;
        case kAppendPdf:
            hr = AppendPdf(a.string(0), a.string(1));
            break;
        case kPageCount:
            hr = PageCount(&number);
            break;
        case kSelectPage:
            hr = SelectPage(a.number(0));
            break;
        case kLoadImage:
            hr = LoadImage(a.string(0), &number);
            break;
        case kImageResolution:
            hr = ImageResolution(a.number(0), &number);
            break;
        case kResolution:
            hr = put ? put_Resolution(a.number(0)) : get_Resolution(&number);
            break;
        case kNewWatermark:
            hr = NewWatermark(&number);
            break;
        case kBeginWatermark:
            hr = BeginWatermark(a.number(0));
            break;
        case kDrawImage:
            hr = DrawImage(a.number(0), a.real(1), a.real(2));
            break;
        case kEndWatermark:
            hr = EndWatermark();
            break;
        case kApplyWatermark:
            hr = ApplyWatermark(a.number(0), a.number(1));
            break;
        case kSetDocumentMode:
            hr = SetDocumentMode(a.number(0));
            break;
        case kSetInfoText:
            hr = SetInfoText(a.number(0), a.string(1));
            break;
        case kRegisterFont:
            hr = RegisterFont(a.string(0), a.boolean(1), a.boolean(2), a.number(3), a.number(4),
                              a.number(5), &number);
            break;
        case kUseFont:
            hr = UseFont(a.number(0), a.real(1));
            break;
        case kSetTextScaling:
            hr = SetTextScaling(a.real(0));
            break;
        case kSetColorMode:
            hr = SetColorMode(a.number(0));
            break;
        case kSetTextColor:
            hr = SetTextColor(a.real(0), a.real(1), a.real(2), a.real(3));
            break;
        case kMoveTextTo:
            hr = MoveTextTo(a.real(0), a.real(1));
            break;
        case kDrawText:
            hr = DrawText(a.string(0));
            break;
        case kSetPassword:
            hr = SetPassword(a.string(0));
            break;
        case kFinishDocument:
            hr = FinishDocument();
            break;
        case kSaveDocument:
            hr = SaveDocument(a.string(0), a.boolean(1));
            break;
        }
        if (FAILED(hr))
            return toException(hr, exception);
        if (result && member->returnsLong && !put) {
            ::VariantInit(result);
            V_VT(result) = VT_I4;
            V_I4(result) = number;
        }
        return S_OK;
    }

    // IPDFDocument4
    HRESULT STDMETHODCALLTYPE OpenPdf(BSTR path, BSTR password) override {
        return guarded([&] { document_->OpenPdf(utf8(path), utf8(password)); });
    }
    HRESULT STDMETHODCALLTYPE AppendPdf(BSTR path, BSTR password) override {
        return guarded([&] { document_->AppendPdf(utf8(path), utf8(password)); });
    }
    HRESULT STDMETHODCALLTYPE PageCount(LONG* count) override {
        if (!count)
            return E_POINTER;
        return guarded([&] { *count = document_->PageCount(); });
    }
    HRESULT STDMETHODCALLTYPE SelectPage(LONG index) override {
        return guarded([&] { document_->SelectPage(index); });
    }
    HRESULT STDMETHODCALLTYPE LoadImage(BSTR path, LONG* image) override {
        if (!image)
            return E_POINTER;
        return guarded([&] { *image = document_->LoadImage(utf8(path)); });
    }
    HRESULT STDMETHODCALLTYPE ImageResolution(LONG image, LONG* dotsPerInch) override {
        if (!dotsPerInch)
            return E_POINTER;
        return guarded([&] { *dotsPerInch = document_->ImageResolution(image); });
    }
    HRESULT STDMETHODCALLTYPE get_Resolution(LONG* unitsPerInch) override {
        if (!unitsPerInch)
            return E_POINTER;
        return guarded([&] { *unitsPerInch = document_->Resolution(); });
    }
    HRESULT STDMETHODCALLTYPE put_Resolution(LONG unitsPerInch) override {
        return guarded([&] { document_->SetResolution(unitsPerInch); });
    }
    HRESULT STDMETHODCALLTYPE NewWatermark(LONG* watermark) override {
        if (!watermark)
            return E_POINTER;
        return guarded([&] { *watermark = document_->NewWatermark(); });
    }
    HRESULT STDMETHODCALLTYPE BeginWatermark(LONG watermark) override {
        return guarded([&] { document_->BeginWatermark(watermark); });
    }
    HRESULT STDMETHODCALLTYPE DrawImage(LONG image, float x, float y) override {
        return guarded([&] { document_->DrawImage(image, x, y); });
    }
    HRESULT STDMETHODCALLTYPE EndWatermark() override {
        return guarded([&] { document_->EndWatermark(); });
    }
    HRESULT STDMETHODCALLTYPE ApplyWatermark(LONG page, LONG watermark) override {
        return guarded([&] { document_->ApplyWatermark(page, watermark); });
    }
    HRESULT STDMETHODCALLTYPE SetDocumentMode(LONG mode) override {
        return guarded([&] { document_->SetDocumentMode(mode); });
    }
    HRESULT STDMETHODCALLTYPE SetInfoText(LONG which, BSTR text) override {
        return guarded([&] {
            if (which < 0 || which > 4)
                throw pdfforms::NumberedError(hr::kInvalidArgument,
                                              "Neznámý popisný text dokumentu.");
            document_->SetInfoText(static_cast<pdfforms::InfoText>(which), utf8(text));
        });
    }
    HRESULT STDMETHODCALLTYPE RegisterFont(BSTR face, VARIANT_BOOL bold, VARIANT_BOOL italic,
                                           LONG reserved1, LONG reserved2, LONG reserved3,
                                           LONG* font) override {
        if (!font)
            return E_POINTER;
        return guarded([&] {
            *font = document_->RegisterFont(utf8(face), flag(bold), flag(italic), reserved1,
                                            reserved2, reserved3);
        });
    }
    HRESULT STDMETHODCALLTYPE UseFont(LONG font, float size) override {
        return guarded([&] { document_->UseFont(font, size); });
    }
    HRESULT STDMETHODCALLTYPE SetTextScaling(float percent) override {
        return guarded([&] { document_->SetTextScaling(percent); });
    }
    HRESULT STDMETHODCALLTYPE SetColorMode(LONG mode) override {
        return guarded([&] { document_->SetColorMode(mode); });
    }
    HRESULT STDMETHODCALLTYPE SetTextColor(float red, float green, float blue,
                                           float fourth) override {
        return guarded([&] { document_->SetTextColor(red, green, blue, fourth); });
    }
    HRESULT STDMETHODCALLTYPE MoveTextTo(float x, float y) override {
        return guarded([&] { document_->MoveTextTo(x, y); });
    }
    HRESULT STDMETHODCALLTYPE DrawText(BSTR text) override {
        return guarded([&] { document_->DrawText(utf8(text)); });
    }
    HRESULT STDMETHODCALLTYPE SetPassword(BSTR password) override {
        return guarded([&] { document_->SetPassword(utf8(password)); });
    }
    HRESULT STDMETHODCALLTYPE FinishDocument() override {
        return guarded([&] { document_->FinishDocument(); });
    }
    HRESULT STDMETHODCALLTYPE SaveDocument(BSTR path, VARIANT_BOOL openInViewer) override {
        return guarded([&] { document_->SaveDocument(utf8(path), flag(openInViewer)); });
    }

private:
    // A failed call seen by a script: the HRESULT and the description that
    // the call left in the error object.
    static HRESULT toException(HRESULT hr, EXCEPINFO* exception) {
        if (!exception)
            return hr;
        *exception = EXCEPINFO{};
        exception->scode = hr;
        exception->bstrSource = ::SysAllocString(kErrorSource);
        IErrorInfo* info = nullptr;
        if (::GetErrorInfo(0, &info) == S_OK && info) {
            info->GetDescription(&exception->bstrDescription);
            info->Release();
        }
        return DISP_E_EXCEPTION;
    }

    std::atomic<ULONG> references_{1};
    ITypeInfo* typeInfo_ = nullptr;
    DocumentHost host_;
    std::unique_ptr<pdfforms::IPDFDocument> document_;
};

class ClassFactory final : public IClassFactory {
public:
    ClassFactory() { ++g_objects; }
    ~ClassFactory() { --g_objects; }
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
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

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        PdfDocument4* document = nullptr;
        if (const HRESULT created = guarded([&] { document = new PdfDocument4(); });
            FAILED(created))
            return created;
        const HRESULT hr = document->QueryInterface(riid, object);
        document->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ++g_locks;
        else
            --g_locks;
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
};

// ---------------------------------------------------------------- registration

std::wstring guidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD n =
            ::GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// A path as the system resolves it, for comparing two names of one file:
// without quotes, variables expanded, full, long names, upper case.
std::wstring normalisedPath(std::wstring path) {
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
        path = path.substr(1, path.size() - 2);
    const auto grow = [](std::wstring& text, DWORD (*fill)(const std::wstring&, std::wstring&)) {
        std::wstring out(MAX_PATH, L'\0');
        DWORD n = fill(text, out);
        if (n > out.size()) {
            out.resize(n);
            n = fill(text, out);
        }
        if (n > 0 && n <= out.size()) {
            out.resize(n);
            while (!out.empty() && out.back() == L'\0')
                out.pop_back();
            text = out;
        }
    };
    grow(path, [](const std::wstring& in, std::wstring& out) {
        return ::ExpandEnvironmentStringsW(in.c_str(), out.data(), static_cast<DWORD>(out.size()));
    });
    grow(path, [](const std::wstring& in, std::wstring& out) {
        return ::GetFullPathNameW(in.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    });
    grow(path, [](const std::wstring& in, std::wstring& out) {
        return ::GetLongPathNameW(in.c_str(), out.data(), static_cast<DWORD>(out.size()));
    });
    std::wstring upper(path.size(), L'\0');
    if (!path.empty() &&
        ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, path.data(),
                       static_cast<int>(path.size()), upper.data(),
                       static_cast<int>(upper.size())) == static_cast<int>(path.size()))
        return upper;
    return path;
}

const std::wstring kClasses = L"Software\\Classes\\";

std::wstring classKey() {
    return kClasses + L"CLSID\\" + guidText(kClsidPdfDocument4);
}

// Whether the class under root names this DLL as its server.
bool registeredHere(HKEY root) {
    const std::wstring key = classKey() + L"\\InprocServer32";
    DWORD size = 0;
    if (::RegGetValueW(root, key.c_str(), nullptr,
                       RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, nullptr,
                       &size) != ERROR_SUCCESS)
        return false;
    std::wstring server(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(server.size() * sizeof(wchar_t));
    if (::RegGetValueW(root, key.c_str(), nullptr,
                       RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, server.data(),
                       &size) != ERROR_SUCCESS)
        return false;
    server.resize(::wcsnlen(server.c_str(), server.size()));
    const std::wstring self = modulePath();
    return !self.empty() && normalisedPath(server) == normalisedPath(self);
}

// Removes the class and its identifier from root\Software\Classes when they
// belong to this DLL; a registration of another copy stays, and what is not
// there is no error.
LSTATUS unregisterFrom(HKEY root) {
    if (!registeredHere(root))
        return ERROR_SUCCESS;
    LSTATUS result = ERROR_SUCCESS;
    for (const std::wstring& key : {classKey(), kClasses + kProgId}) {
        const LSTATUS status = ::RegDeleteTreeW(root, key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            result = status;
    }
    return result;
}

// The values that one registration writes, with what stood there before,
// so that a registration that fails halfway puts everything back.
class RegistryWrites {
public:
    explicit RegistryWrites(HKEY root) : root_(root) {}

    LSTATUS set(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
        // The outermost key of the path that is not there yet: removed
        // whole when the registration is undone.
        for (std::size_t end = kClasses.size(); end != std::wstring::npos;) {
            end = key.find(L'\\', end + 1);
            const std::wstring part = key.substr(0, end);
            HKEY probe = nullptr;
            const LSTATUS found = ::RegOpenKeyExW(root_, part.c_str(), 0, KEY_READ, &probe);
            if (found == ERROR_SUCCESS) {
                ::RegCloseKey(probe);
                continue;
            }
            // A key that is there but cannot be read is not ours to remove.
            if (found == ERROR_FILE_NOT_FOUND)
                created_.push_back(part);
            break;
        }
        HKEY handle = nullptr;
        LSTATUS status =
            ::RegCreateKeyExW(root_, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &handle, nullptr);
        if (status != ERROR_SUCCESS)
            return status;
        Previous previous{key, name ? name : L"", name != nullptr, false, REG_NONE, {}};
        DWORD size = 0;
        if (::RegQueryValueExW(handle, name, nullptr, &previous.type, nullptr, &size) ==
            ERROR_SUCCESS) {
            previous.data.resize(size);
            previous.existed = ::RegQueryValueExW(handle, name, nullptr, &previous.type,
                                                  previous.data.data(), &size) == ERROR_SUCCESS;
            previous.data.resize(size);
        }
        previous_.push_back(std::move(previous));
        status =
            ::RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(handle);
        return status;
    }

    void undo() {
        for (auto p = previous_.rbegin(); p != previous_.rend(); ++p) {
            HKEY handle = nullptr;
            if (::RegOpenKeyExW(root_, p->key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
                continue;
            const wchar_t* name = p->named ? p->name.c_str() : nullptr;
            if (p->existed)
                ::RegSetValueExW(handle, name, 0, p->type, p->data.data(),
                                 static_cast<DWORD>(p->data.size()));
            else
                ::RegDeleteValueW(handle, name);
            ::RegCloseKey(handle);
        }
        for (auto key = created_.rbegin(); key != created_.rend(); ++key)
            ::RegDeleteTreeW(root_, key->c_str());
    }

private:
    struct Previous {
        std::wstring key;
        std::wstring name;
        bool named;
        bool existed;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY root_;
    std::vector<std::wstring> created_;
    std::vector<Previous> previous_;
};

// The class under root\Software\Classes: the identifier, the class and the
// DLL as its in-process server. A failure puts back what was there before.
LSTATUS registerIn(HKEY root) {
    const std::wstring dll = modulePath();
    if (dll.empty())
        return static_cast<LSTATUS>(::GetLastError());
    const std::wstring clsid = guidText(kClsidPdfDocument4);
    const std::wstring progIdKey = kClasses + kProgId;
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } values[] = {
        {progIdKey, nullptr, kClassDescription},
        {progIdKey + L"\\CLSID", nullptr, clsid},
        {classKey(), nullptr, kClassDescription},
        {classKey() + L"\\ProgID", nullptr, kProgId},
        {classKey() + L"\\InprocServer32", nullptr, dll},
        {classKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    };
    RegistryWrites writes(root);
    for (const auto& v : values) {
        const LSTATUS status = writes.set(v.key, v.name, v.value);
        if (status != ERROR_SUCCESS) {
            writes.undo();
            return status;
        }
    }
    return ERROR_SUCCESS;
}

HRESULT fromStatus(LSTATUS status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

} // namespace

} // namespace tiskpdf::com

using namespace tiskpdf::com;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        ::DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kClsidPdfDocument4)
        return CLASS_E_CLASSNOTAVAILABLE;
    ClassFactory* factory = new (std::nothrow) ClassFactory();
    if (!factory)
        return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

// For the machine when no one but the administrators can change the DLL or
// its folder, and the user may write there; else for the user.
STDAPI DllRegisterServer() {
    if (!onlyAdministratorsCanChange(modulePath())) {
        // An earlier registration of this DLL for the machine would still
        // run it for every user; what cannot be removed stays.
        static_cast<void>(unregisterFrom(HKEY_LOCAL_MACHINE));
        return fromStatus(registerIn(HKEY_CURRENT_USER));
    }
    const LSTATUS status = registerIn(HKEY_LOCAL_MACHINE);
    if (status == ERROR_ACCESS_DENIED)
        return fromStatus(registerIn(HKEY_CURRENT_USER));
    return fromStatus(status);
}

// From both the machine and the user, where the registration is this DLL's;
// what is not there is no error.
STDAPI DllUnregisterServer() {
    const LSTATUS machine = unregisterFrom(HKEY_LOCAL_MACHINE);
    const LSTATUS user = unregisterFrom(HKEY_CURRENT_USER);
    return fromStatus(machine != ERROR_SUCCESS ? machine : user);
}

// regsvr32 /i:user or /i:machine (with /n: only that): the one scope named,
// as its administrator asks.
STDAPI DllInstall(BOOL install, LPCWSTR scope) {
    HKEY root = HKEY_LOCAL_MACHINE;
    if (scope && ::_wcsicmp(scope, L"user") == 0)
        root = HKEY_CURRENT_USER;
    else if (scope && *scope && ::_wcsicmp(scope, L"machine") != 0)
        return E_INVALIDARG;
    return fromStatus(install ? registerIn(root) : unregisterFrom(root));
}

} // extern "C"
