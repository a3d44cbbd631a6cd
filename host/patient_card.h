#pragma once
// The host's patient card: a small window opened by LoadPacienteInterface.
#include <windows.h>

#include <cstdint>
#include <string>

namespace scandrel::host {

// Opens a card owned by `owner` (closed with it) showing `text`.
void showPatientCard(HWND owner, int32_t counter, const std::u16string& text);

}  // namespace scandrel::host
