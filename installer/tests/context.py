"""What every package test is given: the build tree, the source tree, the two packages,
a work folder of its own and the folder for its report."""
import argparse
import os
import subprocess

from harness import Suite


class Context:
    def __init__(self):
        parser = argparse.ArgumentParser()
        for option in ("--name", "--build", "--source", "--package", "--user-package", "--work", "--results"):
            parser.add_argument(option, required=True)
        args = parser.parse_args()
        self.name = args.name
        self.build = args.build
        self.source = args.source
        self.package = args.package
        self.user_package = args.user_package
        self.work = os.path.join(args.work, args.name)
        self.pristine = os.path.join(args.work, "pristine")
        self.dll = os.path.join(args.build, "plugin", "Scandrel.dll")
        self.exe = os.path.join(args.build, "cli", "scandrel.exe")
        self.host = os.path.join(args.build, "host", "clinora-host.exe")
        self.probe = os.path.join(args.build, "installer", "install-probe.exe")
        self.make_package = os.path.join(args.source, "installer", "make-package")
        self.suite = Suite(args.name, args.results)
        os.makedirs(self.work, exist_ok=True)


def package_table(package, table):
    """The rows of one table of a package, as lists of columns (msitools' msiinfo)."""
    text = subprocess.run(["msiinfo", "export", package, table], check=True, stdout=subprocess.PIPE,
                          text=True).stdout
    # The first three lines are the column names, their types and the table's keys.
    return [line.split("\t") for line in text.splitlines()[3:]]


def package_property(package, name):
    for row in package_table(package, "Property"):
        if row[0] == name:
            return row[1]
    return None


# What the machine package's log says when the installing user has a copy of their own.
USER_COPY_WARNING = "AVISO: o Scandrel também está instalado só para este usuário"


def user_copy_warning(log):
    """The log's line that warns of the user's own copy, or None."""
    return next((line for line in log.splitlines() if USER_COPY_WARNING in line), None)


def same_file(a, b):
    with open(a, "rb") as first, open(b, "rb") as second:
        return first.read() == second.read()
