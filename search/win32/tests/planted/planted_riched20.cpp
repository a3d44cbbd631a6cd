// A stranger's riched20.dll, planted beside the system-library test and in its current
// folder: when anything loads it, it leaves a mark in the process's environment for
// the test to find. It registers no window class.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"SCANDREL_PLANTED_DLL", L"loaded");
    return TRUE;
}
