#include "plugin/registration.h"

#include <oleauto.h>
#include <olectl.h>

#include <string>

#include "plugin/com_ptr.h"
#include "plugin/com_values.h"
#include "plugin/registry_key.h"
#include "plugin/scandrel.h"
#include "plugin/type_library.h"
#include "text/error.h"

namespace scandrel::plugin {

namespace {

constexpr wchar_t kClasses[] = L"Software\\Classes\\";
constexpr wchar_t kProgId[] = L"Scandrel.Interface";
constexpr WORD kMajor = 1;
constexpr WORD kMinor = 0;
constexpr wchar_t kVersion[] = L"1.0";
// The platform's automation marshaller, which serves every dual interface.
constexpr wchar_t kAutomationMarshaller[] = L"{00020424-0000-0000-C000-000000000046}";

HKEY rootOf(Scope scope) { return scope == Scope::machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring classKey() { return kClasses + std::wstring(L"CLSID\\") + guidText(CLSID_Interface); }
std::wstring progIdKey() { return kClasses + std::wstring(kProgId); }
std::wstring libraryKey() { return kClasses + std::wstring(L"TypeLib\\") + guidText(LIBID_Scandrel); }
std::wstring interfaceKey() { return kClasses + std::wstring(L"Interface\\") + guidText(IID__Interface); }

void check(HRESULT result) {
    if (FAILED(result)) throw RegistryFailure{result};
}

ComPtr<ITypeLib> loadLibrary(const std::wstring& path) {
    ComPtr<ITypeLib> library;
    check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()));
    return library;
}

std::wstring folderOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring wide(const Bstr& text) {
    const std::u16string value = text.text();
    return std::wstring(value.begin(), value.end());
}

// The keys the platform's type-library registration writes, under the user's classes:
// the library with its file, flags and help folder, and each automation interface
// with the automation marshaller.
void registerLibraryForUser(ITypeLib& library, const std::wstring& path) {
    Bstr name;
    Bstr documentation;
    check(library.GetDocumentation(-1, name.put(), documentation.put(), nullptr, nullptr));
    TLIBATTR* attributes = nullptr;
    check(library.GetLibAttr(&attributes));
    const WORD flags = attributes->wLibFlags;
    library.ReleaseTLibAttr(attributes);

    const std::wstring version = libraryKey() + L"\\" + kVersion;
    RegistryKey(HKEY_CURRENT_USER, version).setText(L"", wide(documentation.get() ? documentation : name));
    RegistryKey(HKEY_CURRENT_USER, version + L"\\0\\win32").setText(L"", path);
    RegistryKey(HKEY_CURRENT_USER, version + L"\\FLAGS").setText(L"", std::to_wstring(flags));
    RegistryKey(HKEY_CURRENT_USER, version + L"\\HELPDIR").setText(L"", folderOf(path));

    for (UINT i = 0; i < library.GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> info;
        check(library.GetTypeInfo(i, info.put()));
        TYPEATTR* type = nullptr;
        check(info->GetTypeAttr(&type));
        const bool automation = type->typekind == TKIND_DISPATCH ||
                                (type->typekind == TKIND_INTERFACE &&
                                 (type->wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL)));
        const GUID iid = type->guid;
        info->ReleaseTypeAttr(type);
        if (!automation) continue;
        Bstr interfaceName;
        check(info->GetDocumentation(MEMBERID_NIL, interfaceName.put(), nullptr, nullptr, nullptr));
        const std::wstring key = kClasses + std::wstring(L"Interface\\") + guidText(iid);
        RegistryKey(HKEY_CURRENT_USER, key).setText(L"", wide(interfaceName));
        RegistryKey(HKEY_CURRENT_USER, key + L"\\ProxyStubClsid").setText(L"", kAutomationMarshaller);
        RegistryKey(HKEY_CURRENT_USER, key + L"\\ProxyStubClsid32").setText(L"", kAutomationMarshaller);
        RegistryKey typeLibrary(HKEY_CURRENT_USER, key + L"\\TypeLib");
        typeLibrary.setText(L"", guidText(LIBID_Scandrel));
        typeLibrary.setText(L"Version", kVersion);
    }
}

void registerClass(HKEY root, const std::wstring& path) {
    RegistryKey server(root, classKey() + L"\\InprocServer32");
    server.setText(L"", path);
    server.setText(L"ThreadingModel", L"Apartment");
    RegistryKey(root, classKey() + L"\\ProgID").setText(L"", kProgId);
    RegistryKey(root, classKey() + L"\\TypeLib").setText(L"", guidText(LIBID_Scandrel));
    RegistryKey(root, classKey() + L"\\VERSION").setText(L"", kVersion);
    RegistryKey(root, progIdKey() + L"\\Clsid").setText(L"", guidText(CLSID_Interface));
}

HRESULT unregisterLibraryForUser() {
    HRESULT result = deleteKeyTree(HKEY_CURRENT_USER, libraryKey() + L"\\" + kVersion);
    deleteKeyIfEmpty(HKEY_CURRENT_USER, libraryKey());
    const HRESULT interfaceResult = deleteKeyTree(HKEY_CURRENT_USER, interfaceKey());
    return FAILED(result) ? result : interfaceResult;
}

}  // namespace

HRESULT registerServer(Scope scope) noexcept {
    try {
        std::wstring path = modulePath();
        const ComPtr<ITypeLib> library = loadLibrary(path);
        if (scope == Scope::machine) {
            check(RegisterTypeLib(library.get(), path.data(), nullptr));
        } else {
            registerLibraryForUser(*library.get(), path);
        }
        registerClass(rootOf(scope), path);
        return S_OK;
    } catch (const RegistryFailure& failure) {
        unregisterServer(scope);
        return failure.result;
    } catch (const Error&) {
        unregisterServer(scope);
        return SELFREG_E_TYPELIB;
    } catch (...) {
        unregisterServer(scope);
        return E_OUTOFMEMORY;
    }
}

HRESULT unregisterServer(Scope scope) noexcept {
    const HKEY root = rootOf(scope);
    HRESULT result = deleteKeyTree(root, progIdKey());
    const HRESULT classResult = deleteKeyTree(root, classKey());
    if (SUCCEEDED(result)) result = classResult;
    HRESULT libraryResult = S_OK;
    if (scope == Scope::machine) {
        // A library that is not registered is no failure.
        Bstr registeredPath;
        if (SUCCEEDED(QueryPathOfRegTypeLib(LIBID_Scandrel, kMajor, kMinor, LOCALE_NEUTRAL, registeredPath.put()))) {
            libraryResult = UnRegisterTypeLib(LIBID_Scandrel, kMajor, kMinor, LOCALE_NEUTRAL, SYS_WIN32);
        }
    } else {
        libraryResult = unregisterLibraryForUser();
    }
    return FAILED(result) ? result : libraryResult;
}

}  // namespace scandrel::plugin
