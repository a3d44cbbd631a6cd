#!/usr/bin/env python3
"""The package for the whole machine, in a fresh prefix: a silent install puts the DLL in
Program Files and registers it as regsvr32 would, key by key, and its log warns of no
copy of the user's; the stand-in host creates
the class by its ProgID and Fire opens the search window; removal leaves the registry
and the disk as they were."""
import os

import changes
import host_check
import removal
from context import Context, package_property, same_file, user_copy_warning
from harness import check
from wine_prefix import Prefix, windows_path

context = Context()
suite = context.suite
prefix = Prefix(context.pristine, os.path.join(context.work, "prefix"))
installed_dll = prefix.drive_c("Program Files", "Scandrel", "Scandrel.dll")
installed_path = "C:\\Program Files\\Scandrel\\Scandrel.dll"
product_code = package_property(context.package, "ProductCode")
state = {}


def install():
    state["registry"], state["files"] = prefix.registry(), prefix.files()
    code, output, log = prefix.msiexec_logged(os.path.join(context.work, "install.log"),
                                              "/i", windows_path(context.package), "/qn")
    check(code == 0, f"msiexec /i terminou com {code}: {output}")
    check(not user_copy_warning(log), f"aviso de cópia do usuário sem haver uma: {user_copy_warning(log)}")
    check(os.path.isfile(installed_dll), "Scandrel.dll não está em Program Files\\Scandrel")
    check(same_file(installed_dll, context.dll), "o Scandrel.dll instalado não é o do build")
    check(not os.path.exists(prefix.drive_c("Program Files", "Scandrel", "scandrel.exe")),
          "scandrel.exe foi instalado sem ser pedido")
    state["installed"] = prefix.registry()


def listed_in_installed_programs():
    entry = f"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{product_code}|".lower()
    values = {k.lower()[len(entry):]: v for k, v in state["installed"].items() if k.lower().startswith(entry)}
    expected = {"displayname": "Scandrel", "displayversion": "1.0.0.1", "publisher": "Scandrel Sistemas"}
    for name, value in expected.items():
        check(values.get(name) == value, f"{name} em Programas e Recursos: {values.get(name)!r}, esperado {value!r}")


def host_fires():
    host_check.search_through_the_host(prefix, context.work, context.exe, context.host)


def same_registration_as_regsvr32():
    package_wrote = changes.written_classes(state["registry"], state["installed"], "machine")
    check(package_wrote, "o pacote não gravou nada nas classes da máquina")
    # The same file at the same place, registered by hand after the package is gone.
    os.makedirs(os.path.dirname(installed_dll), exist_ok=True)
    with open(context.dll, "rb") as source, open(installed_dll, "wb") as copy:
        copy.write(source.read())
    before = prefix.registry()
    code, output = prefix.run("regsvr32", "/s", installed_path)
    check(code == 0, f"regsvr32 terminou com {code}: {output}")
    regsvr32_wrote = changes.written_classes(before, prefix.registry(), "machine")
    prefix.run("regsvr32", "/s", "/u", installed_path)
    differences = changes.compare_classes(package_wrote, regsvr32_wrote)
    check(not differences, "o pacote e o regsvr32 gravam registros diferentes:\n" + "\n".join(differences))


def removal_leaves_nothing():
    removal.remove_and_compare_registry(prefix, context.package, state["registry"])
    removal.compare_files(prefix, state["files"])


suite.case("instala_em_silencio", install, essential=True)
suite.case("aparece_em_programas_instalados", listed_in_installed_programs)
suite.case("host_cria_pelo_progid_e_fire_abre_a_janela", host_fires)
suite.case("remocao_nao_deixa_arquivo_nem_chave", removal_leaves_nothing)
suite.case("registro_igual_ao_do_regsvr32", same_registration_as_regsvr32)
prefix.close(keep=suite.failed())
suite.finish()
