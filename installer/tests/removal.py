"""Removing a package and checking that the prefix is as it was before the install."""
import changes
from harness import check
from wine_prefix import windows_path


def remove_and_compare_registry(prefix, package, registry_before):
    code, output = prefix.msiexec("/x", windows_path(package), "/qn")
    check(code == 0, f"msiexec /x terminou com {code}: {output}")
    left = changes.registry_changes(registry_before, prefix.registry())
    check(not left, "a remoção deixou o registro diferente:\n" + "\n".join(left))


def compare_files(prefix, files_before):
    files = changes.file_changes(files_before, prefix.files(), allowed=[changes.INSTALLER_CACHE])
    check(not files, "a remoção deixou os arquivos diferentes:\n" + "\n".join(files))
