// The host contract on its own: opening a patient passes the counter by value, and a
// failing call carries the host's number and description.
#include "plugin/host_contract.h"

#include <gtest/gtest.h>

#include "plugin/tests/plugin_fixture.h"
#include "testing/win32/fake_host.h"

namespace scandrel::plugin::tests {
namespace {

using testing::FakeHost;

TEST(HostContract, OpeningAPatientPassesTheCounterAsAThirtyTwoBitNumberByValue) {
    const ComApartment apartment;
    const auto host = FakeHost::create();
    hostOpenPatient(host.get(), 123456);
    ASSERT_EQ(host->openedPatients().size(), 1u);
    const VARIANT& counter = host->openedPatients()[0].value();
    EXPECT_EQ(V_VT(&counter), VT_I4);
    EXPECT_EQ(V_I4(&counter), 123456);
}

TEST(HostContract, FailuresAreErrorsWithTheHostsNumberAndDescription) {
    const ComApartment apartment;
    const auto host = FakeHost::create();
    testing::HostFailure failure;
    failure.result = static_cast<HRESULT>(0x800A0BB8);  // 3000
    failure.description = u"Paciente bloqueado";
    host->failMember(u"LoadPacienteInterface", failure);
    try {
        hostOpenPatient(host.get(), 7);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 3000);
        EXPECT_EQ(error.description(), u"Paciente bloqueado");
    }
    host->removeMember(u"ClDbName");
    try {
        hostDatabaseName(host.get());
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 438);
    }
    try {
        hostOpenPatient(nullptr, 7);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 91);
    }
}

}  // namespace
}  // namespace scandrel::plugin::tests
