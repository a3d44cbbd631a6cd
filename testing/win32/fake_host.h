#pragma once
// A stand-in for the host's automation object, as the plug-in calls it late bound:
// GetUserAccess (method), ClDbName (property) and LoadPacienteInterface (method). Each
// member answers a chosen value, can be left out, or can fail. It records what it was
// asked.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plugin/com_ptr.h"
#include "plugin/com_values.h"

namespace scandrel::testing {

// How a member fails: raising an automation exception (with its number in the
// result or in `code`, and a description that may come from a deferred fill-in), or
// by returning `result` without an exception.
struct HostFailure {
    HRESULT result = E_FAIL;
    WORD code = 0;
    std::u16string description;
    bool deferred = false;
    bool exception = true;
};

class FakeHost final : public IDispatch {
public:
    static plugin::ComPtr<FakeHost> create();

    void answerAccess(plugin::Variant answer) { access_ = std::move(answer); }
    void setDbName(plugin::Variant name) { dbName_ = std::move(name); }
    // The member is missing: its name is unknown.
    void removeMember(const std::u16string& name) { missing_.insert(name); }
    void failMember(const std::u16string& name, HostFailure failure) { failures_[name] = std::move(failure); }
    // Runs `action` inside every call of the member, before it answers: a host that
    // opens a modal form, calls back into the plug-in or lets its idle work run.
    void duringCall(const std::u16string& name, std::function<void()> action) { actions_[name] = std::move(action); }

    // Arguments received, in order.
    const std::vector<plugin::Variant>& accessRequests() const { return accessRequests_; }
    const std::vector<plugin::Variant>& openedPatients() const { return openedPatients_; }
    int dbNameReads() const { return dbNameReads_; }
    ULONG references() const { return static_cast<ULONG>(references_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override;

private:
    FakeHost() = default;
    ~FakeHost() = default;
    HRESULT fail(const std::u16string& name, EXCEPINFO* exception) const;

    LONG references_ = 1;
    plugin::Variant access_ = plugin::Variant::text(u"1");
    plugin::Variant dbName_ = plugin::Variant::text(u"C:\\clinica\\dados.mdb");
    std::set<std::u16string> missing_;
    std::map<std::u16string, HostFailure> failures_;
    std::map<std::u16string, std::function<void()>> actions_;
    std::vector<plugin::Variant> accessRequests_;
    std::vector<plugin::Variant> openedPatients_;
    int dbNameReads_ = 0;
};

}  // namespace scandrel::testing
