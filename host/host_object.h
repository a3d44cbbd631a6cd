#pragma once
// The host's automation object, as Clinora hands it to Fire: GetUserAccess,
// ClDbName and LoadPacienteInterface, called late bound by name.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <functional>
#include <string>

#include "host/host_options.h"
#include "plugin/com_ptr.h"

namespace scandrel::host {

// The right the plug-in asks for; other rights are refused ("0").
inline constexpr char16_t kSearchRight[] = u"Acessar pesquisas";

// Errors the host object raises, as a compiled host numbers its own (control facility).
inline constexpr int32_t kUserUnknownError = 40015;
inline constexpr int32_t kPatientNotOpenedError = 40016;

struct HostObjectSettings {
    AccessAnswer access;
    std::u16string databasePath;  // ClDbName answers exactly this
    bool openFails = false;       // LoadPacienteInterface raises kPatientNotOpenedError
};

// Called by LoadPacienteInterface with the patient's counter. May throw
// scandrel::Error, which the caller receives as the host's exception.
using PatientOpener = std::function<void(int32_t counter)>;

plugin::ComPtr<IDispatch> makeHostObject(HostObjectSettings settings, PatientOpener opener);

// Member identities of the host object (as GetIDsOfNames gives them).
inline constexpr DISPID kGetUserAccessId = 1;
inline constexpr DISPID kClDbNameId = 2;
inline constexpr DISPID kLoadPacienteInterfaceId = 3;

}  // namespace scandrel::host
