#include "win32/accessible_object.h"

#include <wrl/client.h>

#include <new>
#include <utility>

#include "win32/module_use.h"

namespace scandrel::win32 {
namespace {

using Microsoft::WRL::ComPtr;

bool isSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT giveText(const std::u16string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Every question goes to the standard object, except those `parts` answers for the
// object itself. The library stays loaded while a client holds one.
class AccessibleObject final : public IAccessible {
public:
    AccessibleObject(ComPtr<IAccessible> standard, AccessibleParts parts)
        : standard_(std::move(standard)), parts_(std::move(parts)) {}
    AccessibleObject(const AccessibleObject&) = delete;
    AccessibleObject& operator=(const AccessibleObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // Clients call through the interface's own table; there is no type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!parts_.children) return standard_->get_accChildCount(count);
        if (!count) return E_POINTER;
        *count = static_cast<long>(parts_.children().size());
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!parts_.children) return standard_->get_accChild(child, object);
        if (!object) return E_POINTER;
        *object = nullptr;
        const std::vector<HWND> windows = parts_.children();
        if (child.vt != VT_I4 || child.lVal < 1 || static_cast<size_t>(child.lVal) > windows.size()) {
            return E_INVALIDARG;
        }
        return AccessibleObjectFromWindow(windows[static_cast<size_t>(child.lVal - 1)], OBJID_CLIENT, IID_IDispatch,
                                          reinterpret_cast<void**>(object));
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!isSelf(child) || !parts_.name) return standard_->get_accName(child, name);
        return giveText(parts_.name(), name);
    }

    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!isSelf(child) || !parts_.value) return standard_->get_accValue(child, value);
        return giveText(parts_.value(), value);
    }

    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        if (child.vt == VT_I4 && child.lVal > 0 && parts_.childDescription) {
            const std::u16string description = parts_.childDescription(child.lVal);
            if (!description.empty()) return giveText(description, text);
        }
        return standard_->get_accDescription(child, text);
    }

    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!isSelf(child) || !parts_.role) return standard_->get_accRole(child, role);
        if (!role) return E_POINTER;
        VariantInit(role);
        role->vt = VT_I4;
        role->lVal = *parts_.role;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const HRESULT result = standard_->get_accState(child, state);
        if (!isSelf(child) || !parts_.state || !state) return result;
        const long standard = SUCCEEDED(result) && state->vt == VT_I4 ? state->lVal : 0;
        VariantClear(state);
        state->vt = VT_I4;
        state->lVal = parts_.state(standard);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return standard_->get_accFocus(focus); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return standard_->get_accSelection(selection);
    }

    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!isSelf(child) || !parts_.doDefaultAction) return standard_->get_accDefaultAction(child, action);
        return giveText(parts_.defaultAction, action);
    }

    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return standard_->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }

    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!isSelf(child) || !parts_.doDefaultAction) return standard_->accDoDefaultAction(child);
        return parts_.doDefaultAction() ? S_OK : DISP_E_MEMBERNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    ~AccessibleObject() = default;

    LONG references_ = 1;
    const ModuleInUse inUse_;
    ComPtr<IAccessible> standard_;
    AccessibleParts parts_;
};

}  // namespace

LRESULT answerGetObject(HWND window, WPARAM wParam, AccessibleParts parts) {
    ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(standard.GetAddressOf())))) {
        return 0;
    }
    ComPtr<IAccessible> object;
    object.Attach(new (std::nothrow) AccessibleObject(std::move(standard), std::move(parts)));
    if (!object) return 0;
    const LRESULT result = LresultFromObject(IID_IAccessible, wParam, object.Get());
    return result > 0 ? result : 0;
}

std::u16string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::u16string text(static_cast<size_t>(length > 0 ? length : 0) + 1, u'\0');
    const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

}  // namespace scandrel::win32
