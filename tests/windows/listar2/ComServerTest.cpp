// TiskPDF.dll as COM uses it: loaded by path and asked for its class
// factory (no registry needed), then driven through the vtable and through
// IDispatch as scripts drive it; its registration for the user, which
// removes only its own and puts back what a failed one changed; unloading;
// who may change the DLL for it to be registered for the machine.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tiskpdf/TiskPdf.h"
#include "tiskpdf/win32/Win32ComFolderTrust.h"
#include "tiskpdf/win32/Win32ComInterface.h"
// After windows.h, which it needs.
#include <sddl.h>

namespace {

using tiskpdf::com::IPDFDocument4;

// A path of the build machine as Wine sees it, on drive Z:.
std::wstring winePath(std::string unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

const std::wstring kTemplate = winePath(EXAMPLES_DIR "/tisk/objednavka.pdf"); // two pages

using platform::win32::Bstr;
using platform::win32::ComPtr;

std::wstring lastErrorDescription() {
    platform::win32::ComPtr<IErrorInfo> info;
    Bstr description;
    if (::GetErrorInfo(0, info.put()) == S_OK && info)
        info->GetDescription(description.put());
    return description.get() ? description.get() : L"";
}

class ComServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static platform::win32::ComApartment apartment; // for the whole run
        dll = ::LoadLibraryW(winePath(TISKPDF_DLL).c_str());
        ASSERT_NE(dll, nullptr);
    }

    template <class Function> static Function exported(const char* name) {
        return reinterpret_cast<Function>(
            reinterpret_cast<void (*)()>(::GetProcAddress(dll, name)));
    }

    void SetUp() override {
        ASSERT_NE(dll, nullptr);
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(exported<GetClassObject>("DllGetClassObject")(
                      tiskpdf::com::kClsidPdfDocument4, IID_IClassFactory, factory.putVoid()),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, tiskpdf::com::kIidPdfDocument4, doc.putVoid()),
                  S_OK);
    }

    // A late-bound call; args are given first to last.
    HRESULT invoke(const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                   VARIANT* result = nullptr, EXCEPINFO* exception = nullptr,
                   UINT* argError = nullptr) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        if (const HRESULT hr = doc->GetIDsOfNames(IID_NULL, names, 1, 0, &id); FAILED(hr))
            return hr;
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr,
                          static_cast<UINT>(reversed.size()),
                          flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
        return doc->Invoke(id, IID_NULL, 0, flags, &params, result, exception, argError);
    }

    static VARIANT number(LONG n) {
        VARIANT v;
        ::VariantInit(&v);
        V_VT(&v) = VT_I4;
        V_I4(&v) = n;
        return v;
    }
    // A string the caller frees with its BSTR.
    static VARIANT text(const Bstr& s) {
        VARIANT v;
        ::VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = s;
        return v;
    }

    static inline HMODULE dll = nullptr;
    ComPtr<IPDFDocument4> doc;
};

TEST_F(ComServerTest, VtableCallsAndTheirErrors) {
    ASSERT_EQ(doc->OpenPdf(Bstr(kTemplate), Bstr(L"")), S_OK);
    LONG pages = 0;
    EXPECT_EQ(doc->get_PageCount(&pages), S_OK);
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(doc->put_Resolution(144), S_OK);
    LONG resolution = 0;
    EXPECT_EQ(doc->get_Resolution(&resolution), S_OK);
    EXPECT_EQ(resolution, 144);

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(doc->QueryInterface(IID_ISupportErrorInfo, support.putVoid()), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(tiskpdf::com::kIidPdfDocument4), S_OK);

    EXPECT_EQ(doc->SelectPage(5), static_cast<HRESULT>(tiskpdf::hr::kPageIndex));
    EXPECT_EQ(lastErrorDescription(), L"Stránka 5 neexistuje (dokument má 2 strany).");
    EXPECT_EQ(doc->OpenPdf(Bstr(L"C:\\neni\\nic.pdf"), Bstr(L"")),
              static_cast<HRESULT>(tiskpdf::hr::kFileNotFound));
    EXPECT_EQ(lastErrorDescription(), L"Soubor PDF neexistuje: C:\\neni\\nic.pdf");
    EXPECT_EQ(doc->SetInfoText(5, Bstr(L"x")), static_cast<HRESULT>(tiskpdf::hr::kInvalidArgument));
}

TEST_F(ComServerTest, LateBoundCallsConvertArgumentsAndReportExceptions) {
    // A script's variable arrives by reference.
    Bstr path(kTemplate), empty(L"");
    VARIANT byValue = text(path);
    VARIANT byReference;
    ::VariantInit(&byReference);
    V_VT(&byReference) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&byReference) = &byValue;
    ASSERT_EQ(invoke(L"openpdf", DISPATCH_METHOD, {byReference, text(empty)}), S_OK);

    VARIANT result;
    ::VariantInit(&result);
    ASSERT_EQ(invoke(L"PageCount", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 2);

    Bstr one(L"1"), letters(L"x");
    EXPECT_EQ(invoke(L"SelectPage", DISPATCH_METHOD, {text(one)}), S_OK);
    UINT argError = 99;
    EXPECT_EQ(invoke(L"SelectPage", DISPATCH_METHOD, {text(letters)}, nullptr, nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u);
    EXPECT_EQ(invoke(L"SelectPage", DISPATCH_METHOD, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(L"NoSuchMethod", DISPATCH_METHOD, {}), DISP_E_UNKNOWNNAME);

    EXCEPINFO exception{};
    EXPECT_EQ(invoke(L"SelectPage", DISPATCH_METHOD, {number(9)}, nullptr, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, static_cast<SCODE>(tiskpdf::hr::kPageIndex));
    EXPECT_STREQ(exception.bstrDescription, L"Stránka 9 neexistuje (dokument má 2 strany).");
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrSource);

    ASSERT_EQ(invoke(L"Resolution", DISPATCH_PROPERTYPUT, {number(300)}), S_OK);
    ASSERT_EQ(invoke(L"Resolution", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(V_I4(&result), 300);
}

TEST_F(ComServerTest, TypeInformationNamesTheMembers) {
    UINT count = 0;
    ASSERT_EQ(doc->GetTypeInfoCount(&count), S_OK);
    ASSERT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(doc->GetTypeInfo(0, 0, info.put()), S_OK);
    ASSERT_TRUE(info);
    // Every member under the DISPID that Invoke answers to.
    for (const auto& [name, id] :
         {std::pair{L"OpenPdf", 1}, {L"Resolution", 7}, {L"DrawText", 21}, {L"SaveDocument", 24}}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        MEMBERID member = 0;
        ComPtr<ITypeInfo> implemented;
        TYPEATTR* attributes = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
        const bool coclass = attributes->typekind == TKIND_COCLASS;
        info->ReleaseTypeAttr(attributes);
        if (coclass) { // the interface is the class's implemented type
            HREFTYPE interfaceType = 0;
            ASSERT_EQ(info->GetRefTypeOfImplType(0, &interfaceType), S_OK);
            ASSERT_EQ(info->GetRefTypeInfo(interfaceType, implemented.put()), S_OK);
        }
        ITypeInfo* described = coclass ? implemented.get() : info.get();
        EXPECT_EQ(described->GetIDsOfNames(names, 1, &member), S_OK) << name;
        EXPECT_EQ(member, id) << name;
    }
}

// A parameter's type as the IDL writes it.
std::wstring typeName(const TYPEDESC& type) {
    switch (type.vt) {
    case VT_PTR:
        return typeName(*type.lptdesc) + L"*";
    case VT_BSTR:
        return L"BSTR";
    case VT_I4:
        return L"LONG";
    case VT_R4:
        return L"float";
    case VT_BOOL:
        return L"VARIANT_BOOL";
    default:
        return L"VT" + std::to_wstring(type.vt);
    }
}

TEST_F(ComServerTest, RegisteredTypeLibraryDescribesEveryMember) {
    using Install = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
    // For the machine: Wine's LoadRegTypeLib reads the machine's classes only.
    ASSERT_EQ(exported<Install>("DllInstall")(TRUE, L"machine"), S_OK);
    // The library as the DLL carries it names its identifier and version.
    ComPtr<ITypeLib> library;
    ASSERT_EQ(::LoadTypeLibEx(winePath(TISKPDF_DLL).c_str(), REGKIND_NONE, library.put()), S_OK);
    TLIBATTR* version = nullptr;
    ASSERT_EQ(library->GetLibAttr(&version), S_OK);
    const TLIBATTR embedded = *version;
    library->ReleaseTLibAttr(version);
    ASSERT_EQ(::LoadRegTypeLib(embedded.guid, 1, 0, 0, library.put()), S_OK);
    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(library->GetTypeInfoOfGuid(tiskpdf::com::kIidPdfDocument4, dispatch.put()), S_OK);
    // The interface's vtable part: every method with its parameters.
    HREFTYPE reference = 0;
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeInfo(reference, info.put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    std::vector<std::wstring> members;
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
        BSTR names[8] = {};
        UINT count = 0;
        ASSERT_EQ(info->GetNames(function->memid, names, 8, &count), S_OK);
        std::wstring member = function->invkind == INVOKE_PROPERTYGET   ? L"get "
                              : function->invkind == INVOKE_PROPERTYPUT ? L"put "
                                                                        : L"";
        member += std::wstring(names[0]) + L"(";
        for (SHORT p = 0; p < function->cParams; ++p) {
            // A property's put names its value only by its type.
            const std::wstring name = p + 1u < count ? names[p + 1] : L"value";
            member +=
                (p ? L", " : L"") + typeName(function->lprgelemdescParam[p].tdesc) + L" " + name;
        }
        members.push_back(member + L")");
        for (UINT n = 0; n < count; ++n)
            ::SysFreeString(names[n]);
        info->ReleaseFuncDesc(function);
    }
    info->ReleaseTypeAttr(attributes);
    const std::vector<std::wstring> expected = {
        L"OpenPdf(BSTR path, BSTR password)",
        L"AppendPdf(BSTR path, BSTR password)",
        L"get PageCount(LONG* count)",
        L"SelectPage(LONG index)",
        L"LoadImage(BSTR path, LONG* image)",
        L"ImageResolution(LONG image, LONG* dotsPerInch)",
        L"get Resolution(LONG* unitsPerInch)",
        L"put Resolution(LONG unitsPerInch)",
        L"NewWatermark(LONG* watermark)",
        L"BeginWatermark(LONG watermark)",
        L"DrawImage(LONG image, float x, float y)",
        L"EndWatermark()",
        L"ApplyWatermark(LONG page, LONG watermark)",
        L"SetDocumentMode(LONG mode)",
        L"SetInfoText(LONG which, BSTR text)",
        L"RegisterFont(BSTR face, VARIANT_BOOL bold, VARIANT_BOOL italic, LONG reserved1, "
        L"LONG reserved2, LONG reserved3, LONG* font)",
        L"UseFont(LONG font, float size)",
        L"SetTextScaling(float percent)",
        L"SetColorMode(LONG mode)",
        L"SetTextColor(float red, float green, float blue, float fourth)",
        L"MoveTextTo(float x, float y)",
        L"DrawText(BSTR text)",
        L"SetPassword(BSTR password)",
        L"FinishDocument()",
        L"SaveDocument(BSTR path, VARIANT_BOOL openInViewer)",
    };
    EXPECT_EQ(members, expected);
    EXPECT_EQ(exported<HRESULT(STDAPICALLTYPE*)()>("DllUnregisterServer")(), S_OK);
    EXPECT_EQ(::LoadRegTypeLib(embedded.guid, 1, 0, 0, library.put()), TYPE_E_LIBNOTREGISTERED);
}

TEST_F(ComServerTest, UnloadsOnlyWhenNothingIsLeft) {
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    const auto canUnload = exported<CanUnloadNow>("DllCanUnloadNow");
    EXPECT_EQ(canUnload(), S_FALSE);
    doc.reset();
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(ComServerTest, RegistersForTheUserAndUnregisters) {
    using Install = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
    using Unregister = HRESULT(STDAPICALLTYPE*)();
    const std::wstring progId = L"Software\\Classes\\TiskPDF.PDFDocument4\\CLSID";
    const std::wstring server =
        L"Software\\Classes\\CLSID\\{7F279EB3-88E3-4B14-8E07-26F3FDE5BAC2}\\InprocServer32";
    const auto read = [](const std::wstring& key, const wchar_t* value) {
        wchar_t data[MAX_PATH] = {};
        DWORD size = sizeof data;
        if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_SZ, nullptr, data,
                           &size) != ERROR_SUCCESS)
            return std::wstring(L"(none)");
        return std::wstring(data);
    };

    EXPECT_EQ(exported<Install>("DllInstall")(TRUE, L"nowhere"), E_INVALIDARG);
    ASSERT_EQ(exported<Install>("DllInstall")(TRUE, L"user"), S_OK);
    EXPECT_EQ(read(progId, nullptr), L"{7F279EB3-88E3-4B14-8E07-26F3FDE5BAC2}");
    EXPECT_EQ(read(server, L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(read(server, nullptr), platform::win32::modulePath(dll));

    ASSERT_EQ(exported<Unregister>("DllUnregisterServer")(), S_OK);
    EXPECT_EQ(read(progId, nullptr), L"(none)");
    EXPECT_EQ(read(server, nullptr), L"(none)");
}

// Keys of the class as another copy of the DLL registered it, made with
// RegCreateKeyExW's options (volatile keys take no lasting sub-keys).
const std::wstring kClassKey = L"Software\\Classes\\CLSID\\{7F279EB3-88E3-4B14-8E07-26F3FDE5BAC2}";
const std::wstring kProgIdKey = L"Software\\Classes\\TiskPDF.PDFDocument4";

void writeKey(const std::wstring& key, const std::wstring& value, DWORD options = 0) {
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                                nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(handle);
}

std::wstring readKey(const std::wstring& key) {
    wchar_t data[MAX_PATH] = {};
    DWORD size = sizeof data;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data,
                       &size) != ERROR_SUCCESS)
        return L"(none)";
    return data;
}

TEST_F(ComServerTest, RemovesOnlyItsOwnRegistrationAndKeepsOneThatFails) {
    using Install = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
    using Unregister = HRESULT(STDAPICALLTYPE*)();
    const auto install = exported<Install>("DllInstall");
    const auto unregister = exported<Unregister>("DllUnregisterServer");
    const std::wstring other = L"C:\\Jinde\\TiskPDF.dll";

    // Its own path written otherwise (upper case) is still its own.
    ASSERT_EQ(install(TRUE, L"user"), S_OK);
    std::wstring module = platform::win32::modulePath(dll);
    ::CharUpperW(module.data());
    writeKey(kClassKey + L"\\InprocServer32", module);
    ASSERT_EQ(unregister(), S_OK);
    EXPECT_EQ(readKey(kProgIdKey + L"\\CLSID"), L"(none)");

    // Another copy's registration stays, for regsvr32 /u and for SETUPCP /u.
    writeKey(kProgIdKey + L"\\CLSID", L"{7F279EB3-88E3-4B14-8E07-26F3FDE5BAC2}");
    writeKey(kClassKey + L"\\InprocServer32", other);
    EXPECT_EQ(unregister(), S_OK);
    EXPECT_EQ(install(FALSE, L"user"), S_OK);
    EXPECT_EQ(readKey(kClassKey + L"\\InprocServer32"), other);
    EXPECT_EQ(readKey(kProgIdKey + L"\\CLSID"), L"{7F279EB3-88E3-4B14-8E07-26F3FDE5BAC2}");

    // A registration that fails halfway (the class key is volatile, so its
    // ProgID cannot be written) leaves the other copy's as it was.
    ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, kProgIdKey.c_str()), ERROR_SUCCESS);
    ASSERT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, kClassKey.c_str()), ERROR_SUCCESS);
    writeKey(kClassKey, L"Jiná kopie", REG_OPTION_VOLATILE);
    writeKey(kClassKey + L"\\InprocServer32", other, REG_OPTION_VOLATILE);
    EXPECT_TRUE(FAILED(install(TRUE, L"user")));
    EXPECT_EQ(readKey(kClassKey), L"Jiná kopie");
    EXPECT_EQ(readKey(kClassKey + L"\\InprocServer32"), other);
    EXPECT_EQ(readKey(kProgIdKey), L"(none)");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kClassKey.c_str());
}

TEST(FolderTrust, OnlyAdministratorsAndTheSystemMayChangeIt) {
    PSID user = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-21-1-2-3-1001", &user));
    const std::wstring admins = L"O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
    const struct {
        std::wstring sddl;
        bool trusted;
    } cases[] = {
        {admins, true},
        // Folders made under C:\ let authenticated users add and change files.
        {admins + L"(A;OICIID;0x1301bf;;;AU)", false},
        {admins + L"(A;;0x4;;;BU)", false},                // add a sub-folder
        {admins + L"(A;;WD;;;WD)", false},                 // change the access list
        {admins + L"(A;;GW;;;BU)", false},                 // generic write
        {admins + L"(A;OICIIO;FA;;;BU)", true},            // for what is made inside only
        {admins + L"(D;;FA;;;WD)", true},                  // denied
        {admins + L"(A;;FA;;;S-1-5-21-1-2-3-1001)", true}, // the administrator who runs it
        {admins + L"(A;;FA;;;S-1-5-21-1-2-3-1002)", false},
        {L"O:S-1-5-21-1-2-3-1002D:(A;;FA;;;BA)", false}, // an owner may change the list
        {L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FA;;;BA)", true},
    };
    for (const auto& c : cases) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            c.sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
            << std::string(c.sddl.begin(), c.sddl.end());
        EXPECT_EQ(tiskpdf::com::onlyTrustedCanWrite(descriptor, user), c.trusted)
            << std::string(c.sddl.begin(), c.sddl.end());
        ::LocalFree(descriptor);
    }
    // No access list at all: everyone may write.
    SECURITY_DESCRIPTOR open;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    ASSERT_TRUE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size));
    ASSERT_TRUE(::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(::SetSecurityDescriptorOwner(&open, administrators, FALSE));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_FALSE(tiskpdf::com::onlyTrustedCanWrite(&open, user));
    ::LocalFree(user);
}

} // namespace
