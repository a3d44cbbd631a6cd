#!/usr/bin/env python3
"""The package for the current user, in a fresh prefix: a silent install puts the DLL in
the user's programs folder and registers it under the user's classes as
"regsvr32 /n /i:user" would, key by key, and writes nothing of its own for the machine;
the machine package installed over it says in its log that this user keeps the copy,
and its removal leaves the user's copy as it was;
removal leaves the registry and the disk as they were. (Wine's COM does not look in the
user's classes, so the class is not created here.)"""
import glob
import os

import changes
import removal
from context import Context, package_property, same_file, user_copy_warning
from harness import check
from wine_prefix import Prefix, windows_path

context = Context()
suite = context.suite
prefix = Prefix(context.pristine, os.path.join(context.work, "prefix"))
product_code = package_property(context.user_package, "ProductCode")
# What Windows Installer records for itself in the machine's registry for a per-user
# product: its user data (as on Windows) and, in Wine, also the product's entry in the
# installed programs and its upgrade code.
INSTALLER_MACHINE_RECORDS = (
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-21-",
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes\\",
    f"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{product_code}|",
)
state = {}


def profile(*parts):
    """A path in the profile of the prefix's only user."""
    users = [u for u in glob.glob(prefix.drive_c("users", "*")) if os.path.basename(u) != "Public"]
    check(len(users) == 1, f"esperado um usuário no prefixo, há {users}")
    return os.path.join(users[0], *parts)


def install():
    state["registry"], state["files"] = prefix.registry(), prefix.files()
    code, output = prefix.msiexec("/i", windows_path(context.user_package), "/qn")
    check(code == 0, f"msiexec /i terminou com {code}: {output}")
    dll = profile("AppData", "Local", "Programs", "Scandrel", "Scandrel.dll")
    check(os.path.isfile(dll), "Scandrel.dll não está na pasta de programas do usuário")
    check(same_file(dll, context.dll), "o Scandrel.dll instalado não é o do build")
    state["installed"] = prefix.registry()
    state["dll"] = "C:\\" + os.path.relpath(dll, prefix.drive_c()).replace("/", "\\")


def nothing_for_the_machine():
    machine = [line for line in changes.registry_changes(state["registry"], state["installed"],
                                                         allowed=INSTALLER_MACHINE_RECORDS)
               if line[2:].lower().startswith("hklm\\")]
    check(not machine, "a instalação do usuário gravou no registro da máquina:\n" + "\n".join(machine))
    user_folder = os.path.relpath(profile(), prefix.drive_c()) + "/"
    files = changes.file_changes(state["files"], prefix.files(),
                                 allowed=[user_folder, changes.INSTALLER_CACHE, changes.INSTALLER_CACHE + "/"])
    check(not files, "a instalação do usuário gravou arquivos fora do perfil:\n" + "\n".join(files))


def machine_package_warns_of_the_users_copy():
    code, output, log = prefix.msiexec_logged(os.path.join(context.work, "machine.log"),
                                              "/i", windows_path(context.package), "/qn")
    check(code == 0, f"o pacote da máquina sobre o do usuário terminou com {code}: {output}")
    warning = user_copy_warning(log)
    check(warning and state["dll"].lower() in warning.lower(),
          f"o log do pacote da máquina não avisa da cópia do usuário em {state['dll']}: {warning!r}")
    # Removing the machine's copy leaves the user's as it was.
    removal.remove_and_compare_registry(prefix, context.package, state["installed"])


def removal_leaves_nothing():
    removal.remove_and_compare_registry(prefix, context.user_package, state["registry"])
    removal.compare_files(prefix, state["files"])


def same_registration_as_regsvr32():
    package_wrote = changes.written_classes(state["registry"], state["installed"], "user")
    check(package_wrote, "o pacote não gravou nada nas classes do usuário")
    dll = profile("AppData", "Local", "Programs", "Scandrel", "Scandrel.dll")
    os.makedirs(os.path.dirname(dll), exist_ok=True)
    with open(context.dll, "rb") as source, open(dll, "wb") as copy:
        copy.write(source.read())
    before = prefix.registry()
    code, output = prefix.run("regsvr32", "/s", "/n", "/i:user", state["dll"])
    check(code == 0, f"regsvr32 terminou com {code}: {output}")
    regsvr32_wrote = changes.written_classes(before, prefix.registry(), "user")
    prefix.run("regsvr32", "/s", "/u", "/n", "/i:user", state["dll"])
    differences = changes.compare_classes(package_wrote, regsvr32_wrote)
    check(not differences, "o pacote e o regsvr32 gravam registros diferentes:\n" + "\n".join(differences))


suite.case("instala_em_silencio_para_o_usuario", install, essential=True)
suite.case("nada_gravado_para_a_maquina", nothing_for_the_machine)
suite.case("pacote_da_maquina_avisa_da_copia_do_usuario", machine_package_warns_of_the_users_copy)
suite.case("remocao_nao_deixa_arquivo_nem_chave", removal_leaves_nothing)
suite.case("registro_igual_ao_do_regsvr32_do_usuario", same_registration_as_regsvr32)
prefix.close(keep=suite.failed())
suite.finish()
