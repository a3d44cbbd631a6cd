// The class through IDispatch and through its virtual table, as a client calls it,
// before any Fire: names, argument checks and the error a Move without a window gives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "plugin/com_values.h"
#include "plugin/tests/plugin_fixture.h"

namespace scandrel::plugin::tests {
namespace {

using ::testing::ElementsAre;

constexpr DISPID kFire = 0x60030000;
constexpr DISPID kMove = 0x60030001;
constexpr HRESULT kObjectNotSet = static_cast<HRESULT>(0x800A005B);
constexpr char16_t kObjectNotSetText[] = u"Variável de objeto ou variável do bloco With não definida";

class DispatchTest : public RegisteredPluginTest {
protected:
    std::vector<DISPID> idsOf(std::vector<const wchar_t*> names) {
        std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
        const HRESULT result = object->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names.data()),
                                                     static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT,
                                                     ids.data());
        EXPECT_EQ(result, S_OK);
        return ids;
    }

    // Invokes Move with `arguments` in natural order.
    HRESULT invokeMove(std::vector<Variant> arguments, EXCEPINFO& exception, UINT& badArgument) {
        std::vector<VARIANT> reversed;
        for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(it->value());
        DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        Variant result;
        return object->Invoke(kMove, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result.get(),
                              &exception, &badArgument);
    }

    ComPtr<_Interface> object = createInterface();
};

Variant ofType(VARTYPE type, const Variant& value) {
    Variant converted;
    VariantChangeType(converted.get(), const_cast<VARIANT*>(&value.value()), 0, type);
    return converted;
}

Variant byReference(LONG& value) {
    Variant reference;
    V_VT(reference.get()) = VT_I4 | VT_BYREF;
    V_I4REF(reference.get()) = &value;
    return reference;
}

void clear(EXCEPINFO& exception) {
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    exception = EXCEPINFO{};
}

TEST_F(DispatchTest, NamesGiveTheFixedDispidsInAnyCase) {
    EXPECT_THAT(idsOf({L"Fire"}), ElementsAre(kFire));
    EXPECT_THAT(idsOf({L"fIRE"}), ElementsAre(kFire));
    EXPECT_THAT(idsOf({L"MOVE"}), ElementsAre(kMove));
    EXPECT_THAT(idsOf({L"Move", L"Left", L"top", L"Width", L"HEIGHT", L"move"}), ElementsAre(kMove, 0, 1, 2, 3, 4));
    EXPECT_THAT(idsOf({L"Fire", L"ClObj"}), ElementsAre(kFire, 0));

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Show")};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(DispatchTest, TypeInformationIsTheInterfaceFromTheEmbeddedLibrary) {
    UINT count = 0;
    ASSERT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, IID__Interface);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    info->ReleaseTypeAttr(attributes);
    EXPECT_EQ(object->GetTypeInfo(1, LOCALE_USER_DEFAULT, info.put()), DISP_E_BADINDEX);
}

TEST_F(DispatchTest, QueryInterfaceAnswersTheAutomationInterfacesOnly) {
    EXPECT_TRUE(object.query<IDispatch>());
    EXPECT_TRUE(object.query<ISupportErrorInfo>());
    EXPECT_FALSE(object.query<IClassFactory>());
    EXPECT_EQ(object.query<ISupportErrorInfo>()->InterfaceSupportsErrorInfo(IID__Interface), S_OK);
}

TEST_F(DispatchTest, MoveWithFourArgumentsIsRefused) {
    EXCEPINFO exception{};
    UINT badArgument = 0;
    EXPECT_EQ(invokeMove({Variant::int32(1), Variant::int32(2), Variant::int32(3), Variant::int32(4)}, exception,
                         badArgument),
              DISP_E_BADPARAMCOUNT);
    clear(exception);
}

TEST_F(DispatchTest, MoveBeforeFireIsErrorNinetyOneThroughTheVirtualTable) {
    LONG left = 100, top = 200, width = 5000, height = 5000;
    VARIANT_BOOL move = VARIANT_FALSE;
    EXPECT_EQ(object->Move(&left, &top, &width, &height, &move), kObjectNotSet);

    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    Bstr description;
    info->GetDescription(description.put());
    EXPECT_EQ(description.text(), kObjectNotSetText);
    GUID source{};
    info->GetGUID(&source);
    EXPECT_EQ(source, IID__Interface);
    EXPECT_EQ(left, 100);
    EXPECT_EQ(move, VARIANT_FALSE);
}

TEST_F(DispatchTest, MoveBeforeFireIsAnExceptionThroughIDispatch) {
    EXCEPINFO exception{};
    UINT badArgument = 0;
    LONG left = 100;
    EXPECT_EQ(invokeMove({byReference(left), Variant::int32(200), Variant::int32(5000), Variant::int32(5000),
                          ofType(VT_BOOL, Variant::int32(0))},
                         exception, badArgument),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, kObjectNotSet);
    EXPECT_EQ(Bstr::adopt(std::exchange(exception.bstrDescription, nullptr)).text(), kObjectNotSetText);
    EXPECT_EQ(left, 100);
    clear(exception);
}

TEST_F(DispatchTest, MoveTakesItsNumbersInAnyNumericTypeByValueOrByReference) {
    // Before any Fire the call gets as far as the missing window: the arguments were accepted.
    LONG left = 100;
    const std::vector<std::vector<Variant>> calls = {
        {ofType(VT_I2, Variant::int32(100)), ofType(VT_R8, Variant::int32(200)), ofType(VT_UI1, Variant::int32(50)),
         ofType(VT_R4, Variant::int32(50)), ofType(VT_BOOL, Variant::int32(-1))},
        {byReference(left), Variant::text(u"200"), Variant::int32(1), ofType(VT_CY, Variant::int32(1)),
         Variant::int32(0)},
    };
    for (const auto& arguments : calls) {
        EXCEPINFO exception{};
        UINT badArgument = 0;
        EXPECT_EQ(invokeMove(arguments, exception, badArgument), DISP_E_EXCEPTION);
        EXPECT_EQ(exception.scode, kObjectNotSet);
        clear(exception);
    }
    EXPECT_EQ(left, 100);

    EXCEPINFO exception{};
    UINT badArgument = 0;
    EXPECT_EQ(invokeMove({Variant::int32(1), Variant::text(u"alto"), Variant::int32(1), Variant::int32(1),
                          Variant::int32(0)},
                         exception, badArgument),
              DISP_E_TYPEMISMATCH);
    clear(exception);
}

}  // namespace
}  // namespace scandrel::plugin::tests
