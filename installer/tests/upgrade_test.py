#!/usr/bin/env python3
"""Upgrades, downgrades and repairs of the package for the whole machine, in a fresh
prefix: the command line and the stand-in host installed with ADDLOCAL=ALL check the
installation as IT would; a package with a higher version replaces the installed one
in place (one product left, the newer DLL, still registered); the older package then refuses to
install and says why; a repair puts back a deleted DLL."""
import os
import re
import subprocess

import changes
import host_check
import removal
from context import Context, package_property, same_file
from harness import check
from wine_prefix import Prefix, windows_path

NEWER_VERSION = "1.0.1.0"
DOWNGRADE_MESSAGE = "Uma versão mais nova do Scandrel já está instalada."
# msiexec's exit code for a failed install (1603), as Wine hands it to Linux.
INSTALL_FAILURE = 1603 & 0xFF

context = Context()
suite = context.suite
prefix = Prefix(context.pristine, os.path.join(context.work, "prefix"))
installed_dll = prefix.drive_c("Program Files", "Scandrel", "Scandrel.dll")
newer_dll = os.path.join(context.work, "Scandrel.dll")
newer_package = os.path.join(context.work, f"Scandrel-{NEWER_VERSION}.msi")
state = {}


def make_newer_package():
    # The same DLL with bytes of its own at the end, to tell the two apart once installed.
    with open(context.dll, "rb") as source, open(newer_dll, "wb") as newer:
        newer.write(source.read() + b"scandrel: pacote do teste de atualizacao")
    subprocess.run([context.make_package, "--scope", "machine", "--dll", newer_dll, "--exe", context.exe,
                    "--host", context.host, "--out", newer_package, "--version", NEWER_VERSION],
                   check=True, timeout=300)
    check(package_property(newer_package, "UpgradeCode") == package_property(context.package, "UpgradeCode"),
          "o pacote novo tem outro UpgradeCode")
    check(package_property(newer_package, "ProductCode") != package_property(context.package, "ProductCode"),
          "o pacote novo tem o mesmo ProductCode")


def installed_products(registry):
    """{product code: version} of every Scandrel in the installed programs."""
    pattern = re.compile(r"hklm\\software\\microsoft\\windows\\currentversion\\uninstall\\(\{[^}]+\})\|displayname$")
    products = {}
    for key, value in registry.items():
        found = pattern.match(key.lower())
        if found and value == "Scandrel":
            version_key = key[: -len("DisplayName")] + "DisplayVersion"
            products[found.group(1).upper()] = registry.get(version_key)
    return products


def install_older():
    state["registry"] = prefix.registry()
    code, output = prefix.msiexec("/i", windows_path(context.package), "ADDLOCAL=ALL", "/qn")
    check(code == 0, f"msiexec /i terminou com {code}: {output}")
    check(same_file(installed_dll, context.dll), "o Scandrel.dll instalado não é o do build")
    for name, built in (("scandrel.exe", context.exe), ("clinora-host.exe", context.host)):
        installed = prefix.drive_c("Program Files", "Scandrel", name)
        check(os.path.isfile(installed) and same_file(installed, built), f"ADDLOCAL=ALL não instalou {name}")


def installed_host_checks_the_installation():
    folder = prefix.drive_c("Program Files", "Scandrel")
    host_check.search_through_the_host(prefix, context.work, os.path.join(folder, "scandrel.exe"),
                                       os.path.join(folder, "clinora-host.exe"))


def upgrade():
    code, output = prefix.msiexec("/i", windows_path(newer_package), "/qn")
    check(code == 0, f"a atualização terminou com {code}: {output}")
    registry = prefix.registry()
    products = installed_products(registry)
    newer_code = package_property(newer_package, "ProductCode")
    check(products == {newer_code: NEWER_VERSION}, f"produtos instalados depois da atualização: {products}")
    check(os.path.isfile(installed_dll) and same_file(installed_dll, newer_dll),
          "o Scandrel.dll instalado não é o do pacote novo")
    server = registry.get("HKLM\\Software\\Classes\\CLSID\\{7B7B5B7F-4112-42A0-99E1-14F9AE71E2A1}\\InprocServer32|")
    check(server == "C:\\Program Files\\Scandrel\\Scandrel.dll", f"InprocServer32 depois da atualização: {server!r}")


def downgrade_refused():
    code, output = prefix.msiexec("/i", windows_path(context.package), "/qn")
    check(code == INSTALL_FAILURE, f"msiexec /i da versão antiga terminou com {code}, esperado 1603: {output}")
    # With the installer's own windows, the refusal is a message box that says why.
    code, output = prefix.run(context.probe, windows_path(context.package))
    check(DOWNGRADE_MESSAGE in output and "resultado: 1603" in output,
          f"a versão antiga não foi recusada com a mensagem esperada ({code}):\n{output}")
    check(same_file(installed_dll, newer_dll), "a tentativa trocou o Scandrel.dll instalado")
    check(len(installed_products(prefix.registry())) == 1, "a tentativa deixou outro produto instalado")


def repair():
    os.remove(installed_dll)
    code, output = prefix.msiexec("/i", windows_path(newer_package), "REINSTALL=ALL", "REINSTALLMODE=omus", "/qn")
    check(code == 0, f"o reparo terminou com {code}: {output}")
    check(os.path.isfile(installed_dll) and same_file(installed_dll, newer_dll), "o reparo não repôs o Scandrel.dll")


def removal_after_upgrade():
    removal.remove_and_compare_registry(prefix, newer_package, state["registry"])
    check(not os.path.exists(os.path.dirname(installed_dll)), "a remoção deixou a pasta Program Files\\Scandrel")


suite.case("pacote_mais_novo", make_newer_package, essential=True)
suite.case("instala_a_versao_atual_com_a_linha_de_comando_e_o_host", install_older, essential=True)
suite.case("host_instalado_confere_a_instalacao", installed_host_checks_the_installation)
suite.case("atualizacao_substitui_no_lugar", upgrade, essential=True)
suite.case("versao_antiga_recusada_com_mensagem", downgrade_refused)
suite.case("reparo_repoe_o_dll_apagado", repair)
suite.case("remocao_depois_da_atualizacao", removal_after_upgrade)
prefix.close(keep=suite.failed())
suite.finish()
