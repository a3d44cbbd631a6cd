#!/usr/bin/env python3
"""scripts/sign on a copy of the Windows build, with a certificate made for the test:
the DLL, the command line and both packages carry a signature osslsigncode accepts, the
DLL inside each signed package is the signed one, and a wrong password changes nothing."""
import glob
import os
import shutil
import subprocess

from context import Context, same_file
from harness import check

PASSWORD = "senha-do-teste"
context = Context()
suite = context.suite
tree = os.path.join(context.work, "tree")
keys = os.path.join(context.work, "keys")
certificate = os.path.join(keys, "clinica.pfx")
authority = os.path.join(keys, "clinica.pem")
signed = [os.path.join(tree, "plugin", "Scandrel.dll"), os.path.join(tree, "cli", "scandrel.exe"),
          os.path.join(tree, os.path.basename(context.package)),
          os.path.join(tree, os.path.basename(context.user_package))]


def run(command, **options):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=300,
                          **options)


def sign(password):
    # Given as a person types them: relative to where the command runs.
    env = dict(os.environ, SCANDREL_TIMESTAMP_URL="")
    return run([os.path.join(context.source, "scripts", "sign"), "--tree", os.path.relpath(tree, context.work),
                os.path.relpath(certificate, context.work), password], env=env, cwd=context.work)


def verified(path):
    result = run(["osslsigncode", "verify", "-CAfile", authority, "-in", path])
    return result.returncode == 0, result.stdout


def prepare():
    for folder in (tree, keys):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    for source, copy in zip((context.dll, context.exe, context.package, context.user_package), signed):
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        shutil.copyfile(source, copy)
    key = os.path.join(keys, "clinica.key")
    made = run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", authority,
                "-days", "2", "-subj", "/CN=Clinica de Teste", "-addext", "extendedKeyUsage=codeSigning"])
    check(made.returncode == 0, made.stdout)
    made = run(["openssl", "pkcs12", "-export", "-out", certificate, "-inkey", key, "-in", authority,
                "-passout", "pass:" + PASSWORD])
    check(made.returncode == 0, made.stdout)


def wrong_password_changes_nothing():
    before = {path: open(path, "rb").read() for path in signed}
    result = sign("outra-senha")
    check(result.returncode != 0, f"scripts/sign aceitou a senha errada:\n{result.stdout}")
    changed = [path for path in signed if open(path, "rb").read() != before[path]]
    check(not changed, f"a senha errada alterou: {changed}")
    check(not verified(signed[0])[0], "o DLL ficou assinado com a senha errada")


def signs_everything():
    result = sign(PASSWORD)
    check(result.returncode == 0, f"scripts/sign terminou com {result.returncode}:\n{result.stdout}")
    for path in signed:
        ok, output = verified(path)
        check(ok, f"assinatura de {os.path.basename(path)} não confere:\n{output}")


def packages_hold_the_signed_dll():
    for package in signed[2:]:
        folder = os.path.join(context.work, "extracted", os.path.basename(package))
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        result = run(["msiextract", "-C", folder, package])
        check(result.returncode == 0, result.stdout)
        found = glob.glob(os.path.join(folder, "**", "Scandrel.dll"), recursive=True)
        check(len(found) == 1, f"Scandrel.dll dentro de {package}: {found}")
        check(same_file(found[0], signed[0]), f"o Scandrel.dll de {os.path.basename(package)} não é o assinado")


suite.case("certificado_do_teste", prepare, essential=True)
suite.case("senha_errada_nao_altera_nada", wrong_password_changes_nothing)
suite.case("assina_dll_exe_e_pacotes", signs_everything, essential=True)
suite.case("pacotes_levam_o_dll_assinado", packages_hold_the_signed_dll)
suite.finish()
