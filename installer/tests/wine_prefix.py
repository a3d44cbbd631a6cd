"""A private Wine prefix for the package tests: a copy of a prefix that nothing has run
in yet, programs run in it with a time-out, and its registry and files read after its
wineserver has finished writing them."""
import os
import shutil
import subprocess

import wine_registry

COMMAND_TIMEOUT = 300


def windows_path(path):
    """A Linux path as Wine's programs see it: the Linux root is drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def environment(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEARCH="win32", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def make_pristine(path):
    """A new prefix at path, booted once and left untouched."""
    if os.path.exists(path):
        shutil.rmtree(path)
    env = environment(path)
    subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=COMMAND_TIMEOUT, check=True)
    subprocess.run(["wineserver", "-w"], env=env, timeout=COMMAND_TIMEOUT, check=True)


class Prefix:
    def __init__(self, pristine, path):
        if os.path.exists(path):
            self.kill(path)
            shutil.rmtree(path)
        shutil.copytree(pristine, path, symlinks=True)
        self.path = path
        self.env = environment(path)

    @staticmethod
    def kill(path):
        subprocess.run(["wineserver", "-k"], env=environment(path), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=COMMAND_TIMEOUT)

    def close(self, keep):
        """Ends the prefix's programs; the prefix stays on disk only when kept (to look
        into after a failure)."""
        self.kill(self.path)
        if not keep:
            shutil.rmtree(self.path, ignore_errors=True)

    def wait(self):
        """Waits for the prefix's wineserver to end, which saves the registry to its files."""
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=COMMAND_TIMEOUT, check=True)

    def run(self, *command, cwd=None):
        """Runs a program under Wine and waits for the prefix to settle; returns the exit
        code (Wine gives the low 8 bits of a Windows one) and the output."""
        result = subprocess.run(["wine", *command], env=self.env, cwd=cwd, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=COMMAND_TIMEOUT)
        self.wait()
        return result.returncode, result.stdout.decode("utf-8", errors="replace")

    def msiexec(self, *arguments):
        return self.run("msiexec", *arguments)

    def msiexec_logged(self, log, *arguments):
        """msiexec with a verbose log written to the Linux path log; returns the exit
        code, the output and the log's text (in the Western code page, as msiexec
        writes it)."""
        if os.path.exists(log):
            os.remove(log)
        code, output = self.msiexec(*arguments, "/l*v", windows_path(log))
        with open(log, "rb") as f:
            return code, output, f.read().decode("cp1252", errors="replace")

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def registry(self):
        return wine_registry.flatten(wine_registry.snapshot(self.path))

    def files(self):
        """Every file and folder of drive C:, relative to it."""
        found = set()
        root = self.drive_c()
        for folder, subfolders, names in os.walk(root):
            for name in subfolders + names:
                found.add(os.path.relpath(os.path.join(folder, name), root))
        return found
