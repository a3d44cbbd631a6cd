// The server's class object, fetched from the library's own entry point as COM does:
// only the Interface class is served, and its factory makes Interface objects alone.
#include <gtest/gtest.h>

#include <ocidl.h>

#include <array>
#include <cstdint>

#include "plugin/tests/plugin_fixture.h"
#include "testing/win32/fake_host.h"

namespace scandrel::plugin::tests {
namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

// An address no call may leave behind.
void* const kStale = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5A5A5A5A));

GUID guid(const wchar_t* text) {
    GUID id{};
    EXPECT_EQ(CLSIDFromString(text, &id), S_OK) << text;
    return id;
}

class ClassFactoryTest : public ::testing::Test {
protected:
    ClassFactoryTest() {
        if (module) {
            getClassObject = reinterpret_cast<GetClassObject>(
                reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
            canUnloadNow =
                reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
        }
    }
    ~ClassFactoryTest() override {
        if (module) FreeLibrary(module);
    }
    void SetUp() override {
        ASSERT_NE(module, nullptr);
        ASSERT_NE(getClassObject, nullptr);
        ASSERT_NE(canUnloadNow, nullptr);
    }

    ComPtr<IClassFactory> factory() {
        ComPtr<IClassFactory> made;
        EXPECT_EQ(getClassObject(CLSID_Interface, IID_IClassFactory, made.putVoid()), S_OK);
        return made;
    }

    ComApartment apartment;
    HMODULE module = LoadLibraryW(pluginPath().c_str());
    GetClassObject getClassObject = nullptr;
    CanUnloadNow canUnloadNow = nullptr;
};

TEST_F(ClassFactoryTest, AnyOtherClassIsNotAvailable) {
    const std::array<GUID, 5> others{
        guid(L"{10E739A9-7D72-401E-BB27-71F013A5CCCF}"),  // the button's class, private
        guid(L"{8674113F-0C26-4058-9AEC-AED340AF4F71}"),  // the type library
        IID__Interface,
        GUID_NULL,
        guid(L"{7B7B5B7F-4112-42A0-99E1-14F9AE71E2A2}"),  // one off the class id
    };
    for (const GUID& clsid : others) {
        for (const IID& iid : {IID_IClassFactory, IID_IUnknown}) {
            void* object = kStale;
            EXPECT_EQ(getClassObject(clsid, iid, &object), CLASS_E_CLASSNOTAVAILABLE);
            EXPECT_EQ(object, nullptr);
        }
    }
    EXPECT_EQ(getClassObject(CLSID_Interface, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ClassFactoryTest, TheClassObjectIsAClassFactoryAndNothingElse) {
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(getClassObject(CLSID_Interface, IID_IUnknown, unknown.putVoid()), S_OK);
    EXPECT_NE(unknown.get(), nullptr);
    for (const IID& iid : {IID_IDispatch, IID__Interface, IID_IClassFactory2, IID_IMarshal}) {
        void* object = kStale;
        EXPECT_EQ(getClassObject(CLSID_Interface, iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        object = kStale;
        EXPECT_EQ(unknown.get()->QueryInterface(iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_NE(factory().get(), nullptr);
}

TEST_F(ClassFactoryTest, CreationRefusesAggregationAndInterfacesTheClassLacks) {
    const ComPtr<IClassFactory> made = factory();
    ASSERT_NE(made.get(), nullptr);
    const auto outer = testing::FakeHost::create();
    const ULONG outerReferences = outer->references();
    for (const IID& iid : {IID_IUnknown, IID__Interface}) {
        void* object = kStale;
        EXPECT_EQ(made.get()->CreateInstance(outer.get(), iid, &object), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(outer->references(), outerReferences);
    for (const IID& iid : {IID_IClassFactory, IID_IPersist, IID_IConnectionPointContainer, IID_IProvideClassInfo}) {
        void* object = kStale;
        EXPECT_EQ(made.get()->CreateInstance(nullptr, iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(made.get()->CreateInstance(nullptr, IID__Interface, nullptr), E_POINTER);
    // Nothing refused stays alive behind the caller's back.
    EXPECT_EQ(canUnloadNow(), S_OK);

    for (const IID& iid : {IID_IUnknown, IID_IDispatch, IID__Interface}) {
        ComPtr<IUnknown> object;
        EXPECT_EQ(made.get()->CreateInstance(nullptr, iid, object.putVoid()), S_OK);
        ASSERT_NE(object.get(), nullptr);
        EXPECT_EQ(canUnloadNow(), S_FALSE);
        object.reset();
        EXPECT_EQ(canUnloadNow(), S_OK);
    }
}

}  // namespace
}  // namespace scandrel::plugin::tests
