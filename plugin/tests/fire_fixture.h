#pragma once
// Fire through the registered library with a stand-in host, and a watcher for the
// boxes the user would see.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "plugin/com_values.h"
#include "plugin/tests/plugin_fixture.h"
#include "testing/win32/fake_host.h"
#include "testing/win32/message_box_watcher.h"

namespace scandrel::plugin::tests {

using testing::BoxIcon;
using testing::FakeHost;
using testing::HostFailure;
using testing::SeenBox;

inline const SeenBox kPermissionBox{u"Erro", u"ERRO: Você não tem permissão para acessar esse recurso.",
                                    BoxIcon::critical};

inline SeenBox numberedBox(const std::u16string& text) { return SeenBox{u"Scandrel", text, BoxIcon::none}; }

inline HostFailure hostFailure(HRESULT result, WORD code, std::u16string description, bool deferred = false,
                               bool exception = true) {
    HostFailure failure;
    failure.result = result;
    failure.code = code;
    failure.description = std::move(description);
    failure.deferred = deferred;
    failure.exception = exception;
    return failure;
}

inline Variant nullValue() {
    Variant value;
    V_VT(value.get()) = VT_NULL;
    return value;
}

class FireTest : public RegisteredPluginTest {
protected:
    void fire(FakeHost* target) {
        IDispatch* argument = target;
        EXPECT_EQ(object->Fire(&argument), S_OK);
        EXPECT_EQ(argument, target);  // nothing written back
        pumpMessages();
    }

    HRESULT move(LONG left, LONG top) {
        LONG width = 5000, height = 5000;
        VARIANT_BOOL flag = VARIANT_FALSE;
        return object->Move(&left, &top, &width, &height, &flag);
    }

    ComPtr<_Interface> object = createInterface();
    ComPtr<FakeHost> host = FakeHost::create();
    testing::MessageBoxWatcher watcher;
};

}  // namespace scandrel::plugin::tests
