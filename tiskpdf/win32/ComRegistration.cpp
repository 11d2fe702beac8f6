#include "ComRegistration.h"

#include <cwchar>
#include <string>
#include <vector>

#include "ComObject.h"
#include "Win32ComInterface.h"

namespace tiskpdf::com {

namespace {

std::wstring guidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
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

std::wstring interfaceKey() {
    return kClasses + L"Interface\\" + guidText(kIidPdfDocument4);
}

// The universal marshaler, which makes proxies of an interface from its
// type library (PSOAInterface).
constexpr const wchar_t* kTypeLibraryMarshaler = L"{00020424-0000-0000-C000-000000000046}";

// Whether the default value of root\key names this DLL.
bool namesThisDll(HKEY root, const std::wstring& key) {
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
    const std::wstring self = platform::win32::modulePath(thisModule());
    return !self.empty() && normalisedPath(server) == normalisedPath(self);
}

// What the registry says of the type library in this DLL, read from the
// library itself: its identifier, version, locale, platform and text.
struct TypeLibrary {
    std::wstring libid;
    std::wstring version; // "major.minor" in hexadecimal, as the registry has it
    std::wstring locale;  // hexadecimal
    std::wstring platform;
    std::wstring text;
    std::wstring interfaceName;
};

HRESULT describeTypeLibrary(TypeLibrary& out) {
    const std::wstring dll = platform::win32::modulePath(thisModule());
    platform::win32::ComPtr<ITypeLib> library;
    if (const HRESULT hr = ::LoadTypeLibEx(dll.c_str(), REGKIND_NONE, library.put()); FAILED(hr))
        return hr;
    TLIBATTR* attributes = nullptr;
    if (const HRESULT hr = library->GetLibAttr(&attributes); FAILED(hr))
        return hr;
    wchar_t number[32];
    std::swprintf(number, 32, L"%x.%x", attributes->wMajorVerNum, attributes->wMinorVerNum);
    out.version = number;
    std::swprintf(number, 32, L"%lx", static_cast<unsigned long>(attributes->lcid));
    out.locale = number;
    out.libid = guidText(attributes->guid);
    out.platform = attributes->syskind == SYS_WIN64 ? L"win64" : L"win32";
    library->ReleaseTLibAttr(attributes);

    platform::win32::Bstr text;
    if (SUCCEEDED(library->GetDocumentation(-1, nullptr, text.put(), nullptr, nullptr)) &&
        text.get())
        out.text = text.get();
    platform::win32::ComPtr<ITypeInfo> type;
    platform::win32::Bstr name;
    if (const HRESULT hr = library->GetTypeInfoOfGuid(kIidPdfDocument4, type.put()); FAILED(hr))
        return hr;
    if (const HRESULT hr =
            type->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        FAILED(hr))
        return hr;
    out.interfaceName = name.get() ? name.get() : L"";
    return S_OK;
}

} // namespace

LSTATUS unregisterFrom(HKEY root) {
    if (!namesThisDll(root, classKey() + L"\\InprocServer32"))
        return ERROR_SUCCESS;
    LSTATUS result = ERROR_SUCCESS;
    const auto remove = [&](const std::wstring& key) {
        const LSTATUS status = ::RegDeleteTreeW(root, key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            result = status;
    };
    remove(classKey());
    remove(kClasses + kProgId);
    remove(interfaceKey());
    // The type library's path for this platform, where it names this DLL;
    // the library's keys go with it once no platform is left (the 32-bit and
    // the 64-bit DLL share them).
    TypeLibrary library;
    if (SUCCEEDED(describeTypeLibrary(library))) {
        const std::wstring libraryKey = kClasses + L"TypeLib\\" + library.libid;
        const std::wstring versionKey = libraryKey + L"\\" + library.version;
        const std::wstring localeKey = versionKey + L"\\" + library.locale;
        if (namesThisDll(root, localeKey + L"\\" + library.platform)) {
            remove(localeKey + L"\\" + library.platform);
            // RegDeleteKeyW removes a key only when it has no sub-keys.
            if (::RegDeleteKeyW(root, localeKey.c_str()) == ERROR_SUCCESS) {
                remove(versionKey);
                ::RegDeleteKeyW(root, libraryKey.c_str());
            }
        }
    }
    return result;
}

namespace {

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

} // namespace

LSTATUS registerIn(HKEY root) {
    const std::wstring dll = platform::win32::modulePath(thisModule());
    if (dll.empty())
        return static_cast<LSTATUS>(::GetLastError());
    TypeLibrary library;
    if (const HRESULT hr = describeTypeLibrary(library); FAILED(hr))
        return HRESULT_FACILITY(hr) == FACILITY_WIN32 ? static_cast<LSTATUS>(HRESULT_CODE(hr))
                                                      : ERROR_INVALID_DATA;
    const std::wstring folder = dll.substr(0, dll.find_last_of(L"\\/") + 1);
    const std::wstring clsid = guidText(kClsidPdfDocument4);
    const std::wstring progIdKey = kClasses + kProgId;
    const std::wstring versionKey =
        kClasses + L"TypeLib\\" + library.libid + L"\\" + library.version;
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
        {classKey() + L"\\TypeLib", nullptr, library.libid},
        {classKey() + L"\\Version", nullptr, library.version},
        {versionKey, nullptr, library.text},
        {versionKey + L"\\FLAGS", nullptr, L"0"},
        {versionKey + L"\\HELPDIR", nullptr, folder},
        {versionKey + L"\\" + library.locale + L"\\" + library.platform, nullptr, dll},
        {interfaceKey(), nullptr, library.interfaceName},
        {interfaceKey() + L"\\ProxyStubClsid32", nullptr, kTypeLibraryMarshaler},
        {interfaceKey() + L"\\TypeLib", nullptr, library.libid},
        {interfaceKey() + L"\\TypeLib", L"Version", library.version},
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

} // namespace tiskpdf::com
