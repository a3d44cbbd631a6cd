// Registration read back from the registry: every key and value after registering,
// none after unregistering, for the whole machine and for the current user, through
// the entry points and through regsvr32.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "plugin/tests/plugin_fixture.h"

namespace scandrel::plugin::tests {
namespace {

using testing::RegistrationScope;

constexpr wchar_t kClassId[] = L"{7B7B5B7F-4112-42A0-99E1-14F9AE71E2A1}";
constexpr wchar_t kLibraryId[] = L"{8674113F-0C26-4058-9AEC-AED340AF4F71}";
constexpr wchar_t kInterfaceId[] = L"{9F6C82EA-FAA2-42B0-8892-918C76F2021E}";
constexpr wchar_t kMarshaller[] = L"{00020424-0000-0000-C000-000000000046}";

// Every value under a key: "sub\key|name" to its text; a key without values as "sub\key|*".
using Tree = std::map<std::wstring, std::wstring>;

void readInto(HKEY key, const std::wstring& prefix, Tree& tree) {
    DWORD values = 0;
    DWORD subkeys = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    if (values == 0) tree[prefix + L"|*"] = L"";
    for (DWORD i = 0; i < values; ++i) {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        wchar_t data[1024] = {};
        DWORD dataSize = sizeof(data) - sizeof(wchar_t);
        DWORD type = 0;
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
        tree[prefix + L"|" + name] = type == REG_SZ ? std::wstring(data) : L"(type " + std::to_wstring(type) + L")";
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        readInto(child, prefix.empty() ? name : prefix + L"\\" + name, tree);
        RegCloseKey(child);
    }
}

// The registration's keys under one root's classes, relative to the classes key.
Tree registrationTree(HKEY root) {
    Tree tree;
    for (const std::wstring& key : {std::wstring(L"CLSID\\") + kClassId, std::wstring(L"Scandrel.Interface"),
                                   std::wstring(L"TypeLib\\") + kLibraryId, std::wstring(L"Interface\\") + kInterfaceId}) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(root, (L"Software\\Classes\\" + key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
        readInto(opened, key, tree);
        RegCloseKey(opened);
    }
    return tree;
}

std::string narrow(const Tree& tree) {
    std::string text;
    for (const auto& [key, value] : tree) text += std::string(key.begin(), key.end()) + " = " +
                                                  std::string(value.begin(), value.end()) + "\n";
    return text;
}

// What the class and its ProgID must hold, and the type library's file entry.
void expectRegistered(const Tree& tree, const std::wstring& path) {
    const std::wstring server = std::wstring(L"CLSID\\") + kClassId;
    const Tree expectedClass = {
        {server + L"|*", L""},
        {server + L"\\InprocServer32|", path},
        {server + L"\\InprocServer32|ThreadingModel", L"Apartment"},
        {server + L"\\ProgID|", L"Scandrel.Interface"},
        {server + L"\\TypeLib|", kLibraryId},
        {server + L"\\VERSION|", L"1.0"},
        {L"Scandrel.Interface|*", L""},
        {L"Scandrel.Interface\\Clsid|", kClassId},
    };
    for (const auto& [key, value] : expectedClass) {
        const auto found = tree.find(key);
        EXPECT_TRUE(found != tree.end() && found->second == value) << narrow({{key, value}}) << "in\n" << narrow(tree);
    }
    const std::wstring library = std::wstring(L"TypeLib\\") + kLibraryId + L"\\1.0";
    const std::wstring iface = std::wstring(L"Interface\\") + kInterfaceId;
    const Tree expectedLibrary = {
        {library + L"\\0\\win32|", path},
        {iface + L"|", L"_Interface"},
        {iface + L"\\ProxyStubClsid|", kMarshaller},
        {iface + L"\\ProxyStubClsid32|", kMarshaller},
        {iface + L"\\TypeLib|", kLibraryId},
        {iface + L"\\TypeLib|Version", L"1.0"},
    };
    for (const auto& [key, value] : expectedLibrary) {
        const auto found = tree.find(key);
        EXPECT_TRUE(found != tree.end() && found->second == value) << narrow({{key, value}}) << "in\n" << narrow(tree);
    }
    size_t classEntries = 0;
    for (const auto& entry : tree) {
        if (entry.first.rfind(L"CLSID", 0) == 0 || entry.first.rfind(L"Scandrel", 0) == 0) ++classEntries;
    }
    EXPECT_EQ(classEntries, expectedClass.size()) << narrow(tree);
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Nothing of an earlier run may linger.
        testing::unregisterServer(path, RegistrationScope::machine);
        testing::unregisterServer(path, RegistrationScope::user);
        ASSERT_EQ(narrow(registrationTree(HKEY_LOCAL_MACHINE)), "");
        ASSERT_EQ(narrow(registrationTree(HKEY_CURRENT_USER)), "");
    }

    ComApartment apartment;
    const std::wstring path = pluginPath();
};

TEST_F(RegistrationTest, MachineWideRegistrationWritesEveryKeyAndRemovesThemAll) {
    ASSERT_EQ(testing::registerServer(path, RegistrationScope::machine), S_OK);
    const Tree machine = registrationTree(HKEY_LOCAL_MACHINE);
    expectRegistered(machine, path);
    EXPECT_EQ(narrow(registrationTree(HKEY_CURRENT_USER)), "");

    // Registered, the class is created by ProgID as a host creates it.
    CLSID byName{};
    ASSERT_EQ(CLSIDFromProgID(L"Scandrel.Interface", &byName), S_OK);
    EXPECT_EQ(byName, CLSID_Interface);
    {
        ComPtr<IDispatch> created;
        EXPECT_EQ(CoCreateInstance(byName, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, created.putVoid()), S_OK);
    }
    ComPtr<ITypeLib> registered;
    EXPECT_EQ(LoadRegTypeLib(LIBID_Scandrel, 1, 0, 0, registered.put()), S_OK);
    registered.reset();

    ASSERT_EQ(testing::unregisterServer(path, RegistrationScope::machine), S_OK);
    EXPECT_EQ(narrow(registrationTree(HKEY_LOCAL_MACHINE)), "");
}

TEST_F(RegistrationTest, PerUserRegistrationWritesTheSameKeysForTheUserOnly) {
    ASSERT_EQ(testing::registerServer(path, RegistrationScope::machine), S_OK);
    const Tree machine = registrationTree(HKEY_LOCAL_MACHINE);
    ASSERT_EQ(testing::unregisterServer(path, RegistrationScope::machine), S_OK);

    ASSERT_EQ(testing::registerServer(path, RegistrationScope::user), S_OK);
    const Tree user = registrationTree(HKEY_CURRENT_USER);
    expectRegistered(user, path);
    // The user's type-library keys are those the platform writes for the machine.
    EXPECT_EQ(narrow(user), narrow(machine));
    EXPECT_EQ(narrow(registrationTree(HKEY_LOCAL_MACHINE)), "");

    ASSERT_EQ(testing::unregisterServer(path, RegistrationScope::user), S_OK);
    EXPECT_EQ(narrow(registrationTree(HKEY_CURRENT_USER)), "");
}

TEST_F(RegistrationTest, UnregisteringWhatIsNotRegisteredSucceeds) {
    EXPECT_EQ(testing::unregisterServer(path, RegistrationScope::machine), S_OK);
    EXPECT_EQ(testing::unregisterServer(path, RegistrationScope::user), S_OK);
}

// Runs regsvr32 silently with `options` on the library; its exit code.
DWORD regsvr32(const std::wstring& options, const std::wstring& library) {
    std::wstring command = L"regsvr32.exe /s " + options + L" \"" + library + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return static_cast<DWORD>(-1);
    }
    DWORD code = static_cast<DWORD>(-2);
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST_F(RegistrationTest, Regsvr32RegistersAndUnregistersBothForms) {
    ASSERT_EQ(regsvr32(L"", path), 0u);
    expectRegistered(registrationTree(HKEY_LOCAL_MACHINE), path);
    ASSERT_EQ(regsvr32(L"/u", path), 0u);
    EXPECT_EQ(narrow(registrationTree(HKEY_LOCAL_MACHINE)), "");

    ASSERT_EQ(regsvr32(L"/n /i:user", path), 0u);
    expectRegistered(registrationTree(HKEY_CURRENT_USER), path);
    EXPECT_EQ(narrow(registrationTree(HKEY_LOCAL_MACHINE)), "");
    ASSERT_EQ(regsvr32(L"/u /n /i:user", path), 0u);
    EXPECT_EQ(narrow(registrationTree(HKEY_CURRENT_USER)), "");
}

// A key the registration can't write: a ProgID key that lives only until the system
// restarts takes no lasting subkey, so the ProgID's class entry, written last, fails.
// The failing status comes back and every key written before it is gone again.
TEST_F(RegistrationTest, ARegistrationThatFailsReturnsItsStatusAndLeavesNothingBehind) {
    for (const auto& [scope, root] : {std::pair{RegistrationScope::machine, HKEY_LOCAL_MACHINE},
                                      std::pair{RegistrationScope::user, HKEY_CURRENT_USER}}) {
        SCOPED_TRACE(scope == RegistrationScope::machine ? "machine" : "user");
        HKEY blocking = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, L"Software\\Classes\\Scandrel.Interface", 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &blocking, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(blocking);

        EXPECT_EQ(testing::registerServer(path, scope), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
        Tree left = registrationTree(root);
        left.erase(L"Scandrel.Interface|*");  // the test's own key, if the rollback spared it
        EXPECT_EQ(narrow(left), "");
        EXPECT_EQ(narrow(registrationTree(root == HKEY_LOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE)), "");
        CLSID byName{};
        EXPECT_NE(CLSIDFromProgID(L"Scandrel.Interface", &byName), S_OK);
        ComPtr<ITypeLib> registered;
        EXPECT_NE(LoadRegTypeLib(LIBID_Scandrel, 1, 0, 0, registered.put()), S_OK);

        RegDeleteKeyW(root, L"Software\\Classes\\Scandrel.Interface");
    }
}

}  // namespace
}  // namespace scandrel::plugin::tests
