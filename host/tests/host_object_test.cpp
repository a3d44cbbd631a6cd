// The stand-in host's automation object, called as the plug-in calls it: by name,
// late bound, with the arguments a client may send.
#include "host/host_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "plugin/com_values.h"
#include "text/error.h"

namespace scandrel::host {
namespace {

std::u16string textOf(BSTR text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

struct Call {
    HRESULT result = S_OK;
    plugin::Variant value;
    EXCEPINFO exception{};
    ~Call() {
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
};

DISPID idOf(IDispatch* object, const wchar_t* name) {
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    const HRESULT result = object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    return SUCCEEDED(result) ? id : DISPID_UNKNOWN;
}

// `arguments` in parameter order.
void invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> arguments, Call& call) {
    DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
    UINT argError = 0;
    call.result = object->Invoke(idOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, call.value.get(),
                                 &call.exception, &argError);
}

VARIANT text(const wchar_t* value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(value);
    return v;
}

struct Answer {
    HRESULT result;
    VARTYPE type;
    std::u16string text;
};

Answer askAccess(const AccessAnswer& access, const wchar_t* right = L"Acessar pesquisas") {
    const auto host = makeHostObject({access, u"", false}, nullptr);
    VARIANT argument = text(right);
    Call call;
    invoke(host.get(), L"GetUserAccess", DISPATCH_METHOD, {argument}, call);
    VariantClear(&argument);
    Answer answer{call.result, V_VT(call.value.get()), {}};
    plugin::toText(*call.value.get(), answer.text);
    return answer;
}

TEST(HostObject, MembersAreFoundByNameInAnyCase) {
    const auto host = makeHostObject({}, nullptr);
    EXPECT_EQ(idOf(host.get(), L"GetUserAccess"), kGetUserAccessId);
    EXPECT_EQ(idOf(host.get(), L"getuseraccess"), kGetUserAccessId);
    EXPECT_EQ(idOf(host.get(), L"CLDBNAME"), kClDbNameId);
    EXPECT_EQ(idOf(host.get(), L"LoadPacienteInterface"), kLoadPacienteInterfaceId);
    EXPECT_EQ(idOf(host.get(), L"Quit"), DISPID_UNKNOWN);
}

TEST(HostObject, GetUserAccessAnswersAsConfiguredForTheSearchRightOnly) {
    Answer a = askAccess({AccessKind::Text, u"1", 0});
    EXPECT_EQ(a.result, S_OK);
    EXPECT_EQ(a.type, VT_BSTR);
    EXPECT_EQ(a.text, u"1");

    a = askAccess({AccessKind::Number, u"", 1});
    EXPECT_EQ(a.type, VT_I4);
    EXPECT_EQ(a.text, u"1");

    EXPECT_EQ(askAccess({AccessKind::Null, u"", 0}).type, VT_NULL);
    EXPECT_EQ(askAccess({AccessKind::Empty, u"", 0}).type, VT_EMPTY);
    EXPECT_EQ(askAccess({AccessKind::Text, u" 1", 0}).text, u" 1");
    // Any other right is refused, whatever the search right's answer.
    EXPECT_EQ(askAccess({AccessKind::Text, u"1", 0}, L"Excluir pacientes").text, u"0");
}

TEST(HostObject, MissingAndThrowingGetUserAccess) {
    const auto missing = makeHostObject({{AccessKind::Missing, u"", 0}, u"", false}, nullptr);
    EXPECT_EQ(idOf(missing.get(), L"GetUserAccess"), DISPID_UNKNOWN);
    EXPECT_EQ(idOf(missing.get(), L"ClDbName"), kClDbNameId);

    const Answer thrown = askAccess({AccessKind::Throw, u"", 0});
    EXPECT_EQ(thrown.result, DISP_E_EXCEPTION);
    const auto host = makeHostObject({{AccessKind::Throw, u"", 0}, u"", false}, nullptr);
    VARIANT argument = text(L"Acessar pesquisas");
    Call call;
    invoke(host.get(), L"GetUserAccess", DISPATCH_METHOD, {argument}, call);
    VariantClear(&argument);
    EXPECT_EQ(call.exception.scode, static_cast<HRESULT>(0x800A0000u + kUserUnknownError));
    EXPECT_EQ(textOf(call.exception.bstrDescription), u"Usuário não identificado no Clinora.");
}

TEST(HostObject, ClDbNameIsAPropertyHoldingThePath) {
    HostObjectSettings settings;
    settings.databasePath = u"Z:\\clínicas\\ação.mdb";
    const auto host = makeHostObject(settings, nullptr);
    Call call;
    invoke(host.get(), L"ClDbName", DISPATCH_PROPERTYGET, {}, call);
    EXPECT_EQ(call.result, S_OK);
    ASSERT_EQ(V_VT(call.value.get()), VT_BSTR);
    EXPECT_EQ(textOf(V_BSTR(call.value.get())), u"Z:\\clínicas\\ação.mdb");

    VARIANT extra = text(L"x");
    Call withArgument;
    invoke(host.get(), L"ClDbName", DISPATCH_PROPERTYGET, {extra}, withArgument);
    VariantClear(&extra);
    EXPECT_EQ(withArgument.result, DISP_E_BADPARAMCOUNT);
}

TEST(HostObject, LoadPacienteInterfaceOpensTheCounterItIsGiven) {
    std::vector<int32_t> opened;
    const auto host = makeHostObject({}, [&](int32_t counter) { opened.push_back(counter); });

    VARIANT byValue;
    VariantInit(&byValue);
    V_VT(&byValue) = VT_I4;
    V_I4(&byValue) = 1234567;
    LONG referenced = -3;
    VARIANT byReference;
    VariantInit(&byReference);
    V_VT(&byReference) = VT_I4 | VT_BYREF;
    V_I4REF(&byReference) = &referenced;
    VARIANT asText = text(L"42");
    for (const VARIANT& argument : {byValue, byReference, asText}) {
        Call call;
        invoke(host.get(), L"LoadPacienteInterface", DISPATCH_METHOD, {argument}, call);
        EXPECT_EQ(call.result, S_OK);
    }
    VariantClear(&asText);
    EXPECT_EQ(opened, (std::vector<int32_t>{1234567, -3, 42}));

    Call noArgument;
    invoke(host.get(), L"LoadPacienteInterface", DISPATCH_METHOD, {}, noArgument);
    EXPECT_EQ(noArgument.result, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(opened.size(), 3u);
}

TEST(HostObject, AFailingOpenRaisesTheHostsError) {
    VARIANT counter;
    VariantInit(&counter);
    V_VT(&counter) = VT_I4;
    V_I4(&counter) = 7;

    const auto failing = makeHostObject({{}, u"", true}, [](int32_t) { FAIL() << "opened"; });
    Call call;
    invoke(failing.get(), L"LoadPacienteInterface", DISPATCH_METHOD, {counter}, call);
    EXPECT_EQ(call.result, DISP_E_EXCEPTION);
    EXPECT_EQ(call.exception.scode, static_cast<HRESULT>(0x800A0000u + kPatientNotOpenedError));
    EXPECT_EQ(textOf(call.exception.bstrDescription), u"Não foi possível abrir o paciente 7.");

    const auto throwing = makeHostObject({}, [](int32_t) { throw Error(3024, u"Arquivo não encontrado"); });
    Call thrown;
    invoke(throwing.get(), L"LoadPacienteInterface", DISPATCH_METHOD, {counter}, thrown);
    EXPECT_EQ(thrown.result, DISP_E_EXCEPTION);
    EXPECT_EQ(thrown.exception.scode, static_cast<HRESULT>(0x800A0000u + 3024));
    EXPECT_EQ(textOf(thrown.exception.bstrDescription), u"Arquivo não encontrado");
}

TEST(HostObject, LivesAsLongAsItsReferences) {
    auto alive = std::make_shared<int>(0);
    std::weak_ptr<int> watch = alive;
    auto host = makeHostObject({}, [kept = std::move(alive)](int32_t) {});
    IDispatch* extra = host.get();
    extra->AddRef();
    host.reset();
    EXPECT_FALSE(watch.expired());
    extra->Release();
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace scandrel::host
