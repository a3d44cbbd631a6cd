#!/usr/bin/env python3
"""scripts/sign on a copy of the Windows build, with a certificate made for the test:
the DLL, the command line, the stand-in host and both packages carry a signature
osslsigncode accepts, and the files inside each signed package are the signed ones; the
password comes from the environment, from a file or from a prompt on a terminal that
does not echo it, never from an argument, and a wrong one changes nothing; the time-stamp server's address is data, never run; without
an answering time-stamp server nothing is signed unless --sem-carimbo says so. No
network: the time-stamp server is a port on 127.0.0.1 where nothing listens."""
import glob
import os
import pty
import select
import shutil
import socket
import subprocess

from context import Context, same_file
from harness import check

PASSWORD = "senha-do-teste"
context = Context()
suite = context.suite
keys = os.path.join(context.work, "keys")
certificate = os.path.join(keys, "clinica.pfx")
authority = os.path.join(keys, "clinica.pem")
BUILT = (context.dll, context.exe, context.host)


def tree_files(tree, packages):
    files = [os.path.join(tree, "plugin", "Scandrel.dll"), os.path.join(tree, "cli", "scandrel.exe"),
             os.path.join(tree, "host", "clinora-host.exe")]
    if packages:
        files += [os.path.join(tree, os.path.basename(p)) for p in (context.package, context.user_package)]
    return files


# The whole build, and the programs alone (quick to sign) for the cases about the
# password's and the time stamp's sources.
full_tree = os.path.join(context.work, "tree")
signed = tree_files(full_tree, packages=True)
programs_tree = os.path.join(context.work, "programs")
programs = tree_files(programs_tree, packages=False)


def run(command, **options):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                          text=True, timeout=300, **options)


def sign(*options, tree=programs_tree, password=PASSWORD, timestamp_url=None):
    """scripts/sign with the options given, the password (None: none) in
    SCANDREL_SIGN_PASSWORD, and the time-stamp URL given or none; paths given as a
    person types them, relative to where the command runs."""
    env = {k: v for k, v in os.environ.items() if k not in ("SCANDREL_SIGN_PASSWORD", "SCANDREL_TIMESTAMP_URL")}
    if password is not None:
        env["SCANDREL_SIGN_PASSWORD"] = password
    if timestamp_url is not None:
        env["SCANDREL_TIMESTAMP_URL"] = timestamp_url
    return run([os.path.join(context.source, "scripts", "sign"), "--tree", os.path.relpath(tree, context.work),
                *options, os.path.relpath(certificate, context.work)], env=env, cwd=context.work)


def verified(path):
    result = run(["osslsigncode", "verify", "-CAfile", authority, "-in", path])
    return result.returncode == 0, result.stdout


def contents(files):
    return {path: open(path, "rb").read() for path in files}


def unchanged(before, what):
    changed = [os.path.basename(path) for path, data in before.items() if open(path, "rb").read() != data]
    check(not changed, f"{what} alterou: {changed}")


def silent_port():
    """A port on 127.0.0.1 where nothing listens."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def prepare():
    for folder in (full_tree, programs_tree, keys):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    sources = BUILT + (context.package, context.user_package)
    for source, copy in list(zip(sources, signed)) + list(zip(BUILT, programs)):
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        shutil.copyfile(source, copy)
    key = os.path.join(keys, "clinica.key")
    made = run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", authority,
                "-days", "2", "-subj", "/CN=Clinica de Teste", "-addext", "extendedKeyUsage=codeSigning"])
    check(made.returncode == 0, made.stdout)
    made = run(["openssl", "pkcs12", "-export", "-out", certificate, "-inkey", key, "-in", authority,
                "-passout", "pass:" + PASSWORD])
    check(made.returncode == 0, made.stdout)


def password_never_an_argument():
    before = contents(programs)
    result = run([os.path.join(context.source, "scripts", "sign"), "--tree", programs_tree, "--sem-carimbo",
                  certificate, PASSWORD], cwd=context.work)
    check(result.returncode == 2, f"scripts/sign aceitou a senha como argumento ({result.returncode}):\n{result.stdout}")
    for way in ("SCANDREL_SIGN_PASSWORD", "--senha-arquivo"):
        check(way in result.stdout, f"a recusa não diz como passar a senha ({way}):\n{result.stdout}")
    # Without a terminal to ask on, no password is an error, not an empty password.
    result = sign("--sem-carimbo", password=None)
    check(result.returncode != 0 and "SCANDREL_SIGN_PASSWORD" in result.stdout,
          f"scripts/sign sem senha nem terminal terminou com {result.returncode}:\n{result.stdout}")
    unchanged(before, "a recusa")


def wrong_password_changes_nothing():
    before = contents(signed)
    result = sign("--sem-carimbo", tree=full_tree, password="outra-senha")
    check(result.returncode != 0, f"scripts/sign aceitou a senha errada:\n{result.stdout}")
    unchanged(before, "a senha errada")
    check(not verified(signed[0])[0], "o DLL ficou assinado com a senha errada")


def signs_everything():
    result = sign("--sem-carimbo", tree=full_tree)
    check(result.returncode == 0, f"scripts/sign terminou com {result.returncode}:\n{result.stdout}")
    check("deixam de ser válidas quando o certificado vencer" in result.stdout,
          f"sem carimbo, nenhum aviso de que as assinaturas vencem:\n{result.stdout}")
    for path in signed:
        ok, output = verified(path)
        check(ok, f"assinatura de {os.path.basename(path)} não confere:\n{output}")


def packages_hold_the_signed_files():
    for package in signed[3:]:
        folder = os.path.join(context.work, "extracted", os.path.basename(package))
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        result = run(["msiextract", "-C", folder, package])
        check(result.returncode == 0, result.stdout)
        for program in signed[:3]:
            name = os.path.basename(program)
            found = glob.glob(os.path.join(folder, "**", name), recursive=True)
            check(len(found) == 1, f"{name} dentro de {package}: {found}")
            check(same_file(found[0], program), f"o {name} de {os.path.basename(package)} não é o assinado")


def unsigned_programs():
    for source, path in zip(BUILT, programs):
        shutil.copyfile(source, path)


def check_programs_signed():
    for path in programs:
        ok, output = verified(path)
        check(ok, f"assinatura de {os.path.basename(path)} não confere:\n{output}")


def password_from_a_file():
    unsigned_programs()
    password_file = os.path.join(keys, "senha.txt")
    with open(password_file, "w") as f:
        f.write(PASSWORD + "\r\n")
    # The file wins over the environment.
    result = sign("--sem-carimbo", "--senha-arquivo", os.path.relpath(password_file, context.work),
                  password="outra-senha")
    check(result.returncode == 0, f"scripts/sign --senha-arquivo terminou com {result.returncode}:\n{result.stdout}")
    check_programs_signed()


def password_typed_without_echo():
    unsigned_programs()
    # The script's standard input and error on a terminal of the test's own.
    terminal, script_side = pty.openpty()
    env = {k: v for k, v in os.environ.items() if k != "SCANDREL_SIGN_PASSWORD"}
    process = subprocess.Popen([os.path.join(context.source, "scripts", "sign"), "--tree", programs_tree,
                                "--sem-carimbo", certificate], stdin=script_side, stderr=script_side,
                               stdout=subprocess.DEVNULL, env=env)
    os.close(script_side)
    shown = b""
    try:
        while b"Senha do certificado:" not in shown:
            ready, _, _ = select.select([terminal], [], [], 30)
            check(ready, f"scripts/sign não pediu a senha: {shown!r}")
            shown += os.read(terminal, 4096)
        os.write(terminal, PASSWORD.encode() + b"\n")
        code = process.wait(timeout=120)
        while select.select([terminal], [], [], 0.2)[0]:
            try:
                shown += os.read(terminal, 4096)
            except OSError:  # the script's side is closed
                break
    finally:
        if process.poll() is None:
            process.kill()
        os.close(terminal)
    check(code == 0, f"scripts/sign com a senha digitada terminou com {code}: {shown!r}")
    check(PASSWORD.encode() not in shown, f"a senha digitada apareceu no terminal: {shown!r}")
    check_programs_signed()


def no_time_stamp_server_signs_nothing():
    before = contents(programs)
    for url in (f"http://127.0.0.1:{silent_port()}/", ""):
        result = sign(timestamp_url=url)
        check(result.returncode != 0, f"scripts/sign assinou sem carimbo com {url!r}:\n{result.stdout}")
        check("--sem-carimbo" in result.stdout, f"a falha não diz como assinar sem carimbo:\n{result.stdout}")
    unchanged(before, "a falta do carimbo")


def time_stamp_url_is_never_run():
    port = silent_port()
    marks = [os.path.join(context.work, name) for name in ("executou-1", "executou-2", "executou-3")]
    for mark in marks:
        if os.path.exists(mark):
            os.remove(mark)
    urls = (f"http://127.0.0.1$(touch {os.path.basename(marks[0])}):{port}/",
            f"http://127.0.0.1`touch {os.path.basename(marks[1])}`:{port}/",
            f"http://127.0.0.1:{port}/$(touch {marks[2]})")
    for url in urls:
        result = sign(timestamp_url=url)
        check(result.returncode != 0, f"scripts/sign assinou com {url!r}:\n{result.stdout}")
    ran = [os.path.basename(mark) for mark in marks if os.path.exists(mark)]
    check(not ran, f"o endereço do carimbo foi executado como comando: {ran}")


suite.case("certificado_do_teste", prepare, essential=True)
suite.case("senha_nunca_como_argumento", password_never_an_argument)
suite.case("senha_errada_nao_altera_nada", wrong_password_changes_nothing)
suite.case("assina_dll_exe_host_e_pacotes_sem_carimbo_com_aviso", signs_everything, essential=True)
suite.case("pacotes_levam_os_programas_assinados", packages_hold_the_signed_files)
suite.case("sem_servidor_de_carimbo_nada_e_assinado", no_time_stamp_server_signs_nothing)
suite.case("endereco_do_carimbo_nunca_e_executado", time_stamp_url_is_never_run)
suite.case("senha_de_um_arquivo", password_from_a_file)
suite.case("senha_digitada_sem_eco", password_typed_without_echo)
suite.finish()
