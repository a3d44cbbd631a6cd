#pragma once
// How a failure reads in a message box of ours: "number description", as the host
// shows its own errors. For the user-interface thread and any other; no Windows calls.
#include <string>

#include "text/error.h"

namespace scandrel::win32 {

// "3024 Não foi possível encontrar o arquivo ...".
std::u16string errorText(const Error& error);

// The exception being handled, as its text: an Error as errorText gives it, another
// exception by its message, anything else as "Erro desconhecido". Call it only inside
// a catch block.
std::u16string currentFailureText();

}  // namespace scandrel::win32
