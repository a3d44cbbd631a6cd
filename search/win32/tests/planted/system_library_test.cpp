// Libraries that come with Windows are loaded from the system folder, never from a
// copy planted beside the program or in the current folder. This program runs in a
// folder that holds such a copy of riched20.dll, as its current folder too, and
// loads riched20 nowhere before these tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "search/win32/rich_edit_buffer.h"
#include "search/win32/system_library.h"
#include "testing/win32/message_box_watcher.h"

namespace {

using scandrel::search::win32::RichEditBuffer;
using scandrel::search::win32::SystemLibrary;

std::wstring lowered(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring modulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(module, path.data(), MAX_PATH));
    return lowered(path);
}

std::wstring systemFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetSystemDirectoryW(path.data(), MAX_PATH));
    return lowered(path);
}

bool plantedCopyRan() { return GetEnvironmentVariableW(L"SCANDREL_PLANTED_DLL", nullptr, 0) != 0; }

// Any message box fails the test that showed it.
class SystemLibraryTest : public ::testing::Test {
    scandrel::testing::MessageBoxWatcher boxes_;
};

std::wstring programFolder() {
    std::wstring path = modulePath(nullptr);
    return path.substr(0, path.find_last_of(L'\\'));
}

TEST_F(SystemLibraryTest, IsTakenFromTheSystemFolderWhenACopyIsPlantedBesideTheProgramAndInTheCurrentFolder) {
    std::wstring current(MAX_PATH, L'\0');
    current.resize(GetCurrentDirectoryW(MAX_PATH, current.data()));
    ASSERT_EQ(lowered(current), programFolder()) << "the test must run in its own folder";
    ASSERT_NE(GetFileAttributesW((programFolder() + L"\\riched20.dll").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the planted riched20.dll is missing";
    ASSERT_EQ(GetModuleHandleW(L"riched20.dll"), nullptr) << "riched20 was loaded before the test";

    const SystemLibrary library(L"riched20.dll");
    ASSERT_NE(library.get(), nullptr);
    EXPECT_EQ(modulePath(library.get()), systemFolder() + L"\\riched20.dll");
    EXPECT_FALSE(plantedCopyRan());
}

TEST_F(SystemLibraryTest, LoadsNothingForANameThatOnlyThePlantedFolderHolds) {
    const SystemLibrary library(L"planted-only.dll");
    EXPECT_EQ(library.get(), nullptr);
    EXPECT_FALSE(plantedCopyRan());
}

TEST_F(SystemLibraryTest, GivesTheRichTextBufferTheSystemControlDespiteThePlantedCopy) {
    RichEditBuffer buffer;
    buffer.append(u"{\\rtf1\\ansi Asma br\\'f4nquica}");
    EXPECT_EQ(buffer.plainText(), u"Asma br\u00f4nquica");
    EXPECT_FALSE(plantedCopyRan());
}

}  // namespace
