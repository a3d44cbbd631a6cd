#include "host/host_object.h"

#include <atomic>
#include <utility>

#include "plugin/com_values.h"
#include "text/error.h"

namespace scandrel::host {
namespace {

struct Member {
    const wchar_t* name;
    DISPID id;
};

constexpr Member kMembers[] = {
    {L"GetUserAccess", kGetUserAccessId},
    {L"ClDbName", kClDbNameId},
    {L"LoadPacienteInterface", kLoadPacienteInterfaceId},
};

HRESULT controlError(int32_t number) {
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned>(number));
}

BSTR allocate(std::u16string_view text) noexcept {
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

// Fills EXCEPINFO as a compiled host does when one of its members raises an error.
HRESULT raise(EXCEPINFO* info, int32_t number, const std::u16string& description) noexcept {
    if (info != nullptr) {
        *info = EXCEPINFO{};
        info->bstrSource = allocate(u"Clinora");
        info->bstrDescription = allocate(description);
        info->scode = controlError(number);
    }
    return DISP_E_EXCEPTION;
}

HRESULT textResult(VARIANT* result, std::u16string_view text) {
    if (result == nullptr) return S_OK;
    VariantInit(result);
    V_BSTR(result) = plugin::Bstr(text).detach();
    V_VT(result) = VT_BSTR;
    return S_OK;
}

class ClinoraObject final : public IDispatch {
public:
    ClinoraObject(HostObjectSettings settings, PatientOpener opener)
        : settings_(std::move(settings)), opener_(std::move(opener)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) *info = nullptr;
        return DISP_E_BADINDEX;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        // Only the member's own name; it takes no named arguments.
        ids[0] = memberId(names[0]);
        if (ids[0] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        if (count > 1) result = DISP_E_UNKNOWNNAME;
        return result;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override {
        if (params == nullptr) return E_INVALIDARG;
        if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        try {
            switch (id) {
                case kGetUserAccessId:
                    if (access().kind == AccessKind::Missing) return DISP_E_MEMBERNOTFOUND;
                    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
                    return getUserAccess(*params, result, info, argError);
                case kClDbNameId:
                    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
                    if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
                    return textResult(result, settings_.databasePath);
                case kLoadPacienteInterfaceId:
                    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
                    return loadPacienteInterface(*params, result, info, argError);
                default:
                    return DISP_E_MEMBERNOTFOUND;
            }
        } catch (const Error& e) {
            return raise(info, e.number(), e.description());
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

private:
    const AccessAnswer& access() const { return settings_.access; }

    DISPID memberId(const wchar_t* name) const {
        for (const Member& member : kMembers) {
            if (CompareStringOrdinal(name, -1, member.name, -1, TRUE) != CSTR_EQUAL) continue;
            if (member.id == kGetUserAccessId && access().kind == AccessKind::Missing) return DISPID_UNKNOWN;
            return member.id;
        }
        return DISPID_UNKNOWN;
    }

    HRESULT getUserAccess(const DISPPARAMS& params, VARIANT* result, EXCEPINFO* info, UINT* argError) {
        if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
        std::u16string right;
        if (!plugin::toText(params.rgvarg[0], right)) {
            if (argError != nullptr) *argError = 0;
            return DISP_E_TYPEMISMATCH;
        }
        if (access().kind == AccessKind::Throw) {
            return raise(info, kUserUnknownError, u"Usuário não identificado no Clinora.");
        }
        if (right != kSearchRight) return textResult(result, u"0");
        switch (access().kind) {
            case AccessKind::Text: return textResult(result, access().text);
            case AccessKind::Number:
                if (result != nullptr) {
                    VariantInit(result);
                    V_VT(result) = VT_I4;
                    V_I4(result) = access().number;
                }
                return S_OK;
            case AccessKind::Null:
                if (result != nullptr) {
                    VariantInit(result);
                    V_VT(result) = VT_NULL;
                }
                return S_OK;
            default:  // Empty: no value
                if (result != nullptr) VariantInit(result);
                return S_OK;
        }
    }

    HRESULT loadPacienteInterface(const DISPPARAMS& params, VARIANT* result, EXCEPINFO* info, UINT* argError) {
        if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
        plugin::Variant counter;
        if (FAILED(VariantChangeType(counter.get(), &params.rgvarg[0], 0, VT_I4))) {
            if (argError != nullptr) *argError = 0;
            return DISP_E_TYPEMISMATCH;
        }
        const int32_t number = V_I4(counter.get());
        if (settings_.openFails) {
            return raise(info, kPatientNotOpenedError,
                         u"Não foi possível abrir o paciente " + u16(number) + u".");
        }
        if (opener_) opener_(number);
        if (result != nullptr) VariantInit(result);
        return S_OK;
    }

    static std::u16string u16(int32_t number) {
        const std::string digits = std::to_string(number);
        return std::u16string(digits.begin(), digits.end());
    }

    std::atomic<ULONG> references_{1};
    HostObjectSettings settings_;
    PatientOpener opener_;
};

}  // namespace

plugin::ComPtr<IDispatch> makeHostObject(HostObjectSettings settings, PatientOpener opener) {
    return plugin::ComPtr<IDispatch>::adopt(new ClinoraObject(std::move(settings), std::move(opener)));
}

}  // namespace scandrel::host
