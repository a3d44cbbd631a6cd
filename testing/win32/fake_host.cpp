#include "testing/win32/fake_host.h"

#include <cwchar>

namespace scandrel::testing {

namespace {

enum : DISPID { kGetUserAccess = 1, kClDbName = 2, kLoadPacienteInterface = 3 };

struct Member {
    const char16_t* name;
    DISPID id;
    WORD kind;
    UINT arguments;
};
constexpr Member kMembers[] = {
    {u"GetUserAccess", kGetUserAccess, DISPATCH_METHOD, 1},
    {u"ClDbName", kClDbName, DISPATCH_PROPERTYGET, 0},
    {u"LoadPacienteInterface", kLoadPacienteInterface, DISPATCH_METHOD, 1},
};

// The description a deferred fill-in supplies; one failing call at a time.
std::u16string deferredDescription;

HRESULT STDAPICALLTYPE fillInDeferred(EXCEPINFO* exception) {
    exception->bstrDescription = plugin::Bstr(deferredDescription).detach();
    return S_OK;
}

}  // namespace

plugin::ComPtr<FakeHost> FakeHost::create() { return plugin::ComPtr<FakeHost>::adopt(new FakeHost()); }

HRESULT FakeHost::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeHost::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG FakeHost::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT FakeHost::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT FakeHost::GetTypeInfo(UINT, LCID, ITypeInfo**) { return DISP_E_BADINDEX; }

HRESULT FakeHost::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (count != 1) return DISP_E_UNKNOWNNAME;
    for (const Member& member : kMembers) {
        if (_wcsicmp(names[0], reinterpret_cast<const wchar_t*>(member.name)) == 0 && !missing_.count(member.name)) {
            ids[0] = member.id;
            return S_OK;
        }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT FakeHost::fail(const std::u16string& name, EXCEPINFO* exception) const {
    const HostFailure& failure = failures_.at(name);
    if (!failure.exception) return failure.result;
    if (exception) {
        *exception = EXCEPINFO{};
        exception->wCode = failure.code;
        exception->scode = failure.code ? 0 : failure.result;
        exception->bstrSource = plugin::Bstr(u"Clinora").detach();
        if (failure.deferred) {
            deferredDescription = failure.description;
            exception->pfnDeferredFillIn = fillInDeferred;
        } else {
            exception->bstrDescription = plugin::Bstr(failure.description).detach();
        }
    }
    return DISP_E_EXCEPTION;
}

HRESULT FakeHost::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                         EXCEPINFO* exception, UINT*) {
    for (const Member& member : kMembers) {
        if (member.id != id) continue;
        if (missing_.count(member.name) || !(flags & member.kind)) return DISP_E_MEMBERNOTFOUND;
        if (!parameters || parameters->cArgs != member.arguments) return DISP_E_BADPARAMCOUNT;
        if (parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (const auto action = actions_.find(member.name); action != actions_.end()) {
            const std::function<void()> run = action->second;  // the action may replace itself
            run();
        }
        if (failures_.count(member.name)) return fail(member.name, exception);
        switch (id) {
        case kGetUserAccess:
            accessRequests_.push_back(plugin::Variant::copyOf(parameters->rgvarg[0]));
            if (result) VariantCopy(result, access_.get());
            break;
        case kClDbName:
            ++dbNameReads_;
            if (result) VariantCopy(result, dbName_.get());
            break;
        default:
            openedPatients_.push_back(plugin::Variant::copyOf(parameters->rgvarg[0]));
            break;
        }
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace scandrel::testing
