#!/usr/bin/env python3
"""The two packages as files: names and versions that agree with the DLL's version
block, the product's identity and language, the optional command line and stand-in
host, the registry roots of each scope, the machine package's look for a copy of the
user's, and product and upgrade codes that hold from build to build."""
import os
import re
import subprocess
import sys

from context import Context, package_property, package_table
from harness import check

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from pe_version import file_version  # noqa: E402

context = Context()
suite = context.suite
packages = {"machine": context.package, "user": context.user_package}


def summary(package):
    text = subprocess.run(["msiinfo", "suminfo", package], check=True, stdout=subprocess.PIPE, text=True).stdout
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def identity():
    version = file_version(context.dll)
    check(version == "1.0.0.1", f"bloco de versão do DLL: {version}")
    for scope, package in packages.items():
        check(f"Scandrel-{version}" in os.path.basename(package), f"{package} não leva a versão do DLL no nome")
        check(package.endswith("-user.msi") == (scope == "user"), f"nome do pacote {scope}: {package}")
        expected = {"ProductName": "Scandrel", "ProductVersion": version, "ProductLanguage": "1046",
                    "Manufacturer": "Scandrel Sistemas"}
        for name, value in expected.items():
            check(package_property(package, name) == value,
                  f"{name} de {scope}: {package_property(package, name)!r}, esperado {value!r}")
        check(summary(package).get("Template") == "Intel;1046", f"idioma do resumo de {scope}: {summary(package)}")


def scopes():
    machine, user = packages["machine"], packages["user"]
    check(package_property(machine, "ALLUSERS") == "1", "o pacote da máquina não instala para todos")
    check(package_property(user, "ALLUSERS") is None, "o pacote do usuário define ALLUSERS")
    # Word count bit 8: the package needs no administrator rights.
    check(int(summary(user)["Source"].split()[0]) & 8, "o pacote do usuário pede direitos de administrador")
    check(not int(summary(machine)["Source"].split()[0]) & 8, "o pacote da máquina se diz sem administrador")
    for scope, package, root in (("machine", machine, "2"), ("user", user, "1")):
        rows = [r for r in package_table(package, "Registry") if "\\Classes\\" in r[2]]
        check(len(rows) >= 15, f"registro de {scope} incompleto: {len(rows)} valores")
        wrong = [r[2] for r in rows if r[1] != root]
        check(not wrong, f"classes de {scope} fora de {'HKLM' if root == '2' else 'HKCU'}: {wrong}")
    check(package_property(machine, "UpgradeCode") != package_property(user, "UpgradeCode"),
          "os dois pacotes têm o mesmo UpgradeCode")


def registration_by_the_package_itself():
    for scope, package in packages.items():
        tables = subprocess.run(["msiinfo", "tables", package], check=True, stdout=subprocess.PIPE,
                                text=True).stdout.split()
        check("SelfReg" not in tables or not package_table(package, "SelfReg"),
              f"o pacote {scope} registra o DLL chamando-o")
        # Only property assignments (type 51), which run nothing.
        running = [row for row in package_table(package, "CustomAction") if int(row[1]) & 0x3F != 51]
        check(not running, f"o pacote {scope} tem ações próprias que executam algo: {running}")


def command_line_and_host_optional():
    built = {"Scandrel.dll": context.dll, "scandrel.exe": context.exe, "clinora-host.exe": context.host}
    for scope, package in packages.items():
        features = {row[0]: int(row[5]) for row in package_table(package, "Feature")}
        check(features.get("Plugin") == 1, f"o plug-in não é instalado por padrão ({scope}): {features}")
        check(features.get("LinhaDeComando", 0) > 1, f"scandrel.exe seria instalado por padrão ({scope}): {features}")
        check(features.get("HostDeTeste", 0) > 1, f"clinora-host.exe seria instalado por padrão ({scope}): {features}")
        sizes = {row[2].split("|")[-1]: int(row[3]) for row in package_table(package, "File")}
        check(sizes.keys() == built.keys(), f"arquivos do pacote {scope}: {sorted(sizes)}")
        wrong = [name for name, path in built.items() if sizes[name] != os.path.getsize(path)]
        check(not wrong, f"arquivos do pacote {scope} que não são os do build: {wrong}")


def machine_package_looks_for_the_users_copy():
    search = {row[0]: row[1] for row in package_table(packages["machine"], "AppSearch")}
    locators = {row[0]: row for row in package_table(packages["machine"], "RegLocator")}
    locator = locators.get(search.get("SCANDRELDOUSUARIO"))
    server_key = "Software\\Classes\\CLSID\\{7B7B5B7F-4112-42A0-99E1-14F9AE71E2A1}\\InprocServer32"
    # Root 1 is HKCU; no name is the key's unnamed value.
    check(locator is not None and locator[1:4] == ["1", server_key, ""],
          f"o pacote da máquina não procura a classe nas do usuário: {search} {locators}")
    check(not package_table(packages["user"], "AppSearch"), "o pacote do usuário procura outra cópia")


def codes_hold_between_builds():
    rebuilt = os.path.join(context.work, "rebuilt.msi")
    newer = os.path.join(context.work, "newer.msi")
    for out, extra in ((rebuilt, []), (newer, ["--version", "1.0.1.0"])):
        subprocess.run([context.make_package, "--scope", "machine", "--dll", context.dll, "--exe", context.exe,
                        "--host", context.host, "--out", out, *extra], check=True, timeout=300)
    code = package_property(context.package, "ProductCode")
    check(re.fullmatch(r"\{[0-9A-F-]{36}\}", code or ""), f"ProductCode: {code!r}")
    check(package_property(rebuilt, "ProductCode") == code, "a mesma versão reconstruída virou outro produto")
    check(package_property(newer, "ProductCode") != code, "uma versão nova tem o mesmo ProductCode")
    for other in (rebuilt, newer):
        check(package_property(other, "UpgradeCode") == package_property(context.package, "UpgradeCode"),
              "o UpgradeCode mudou entre builds")


suite.case("identidade_versao_e_idioma", identity)
suite.case("maquina_e_usuario", scopes)
suite.case("registro_pela_tabela_do_pacote", registration_by_the_package_itself)
suite.case("linha_de_comando_e_host_opcionais", command_line_and_host_optional)
suite.case("maquina_procura_a_copia_do_usuario", machine_package_looks_for_the_users_copy)
suite.case("codigos_estaveis_entre_builds", codes_hold_between_builds)
suite.finish()
