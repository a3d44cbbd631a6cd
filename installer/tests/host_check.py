"""The check of an installation that the README gives IT: scandrel.exe makes a small
demo clinic and the stand-in host clinora-host.exe creates the class by its ProgID,
fires it and searches that clinic in the search window."""
import os

from harness import check
from wine_prefix import windows_path


def search_through_the_host(prefix, work, exe, host):
    database = os.path.join(work, "demo.mdb")
    if os.path.exists(database):
        os.remove(database)
    code, output = prefix.run(exe, "make-demo", windows_path(database), "--patients", "40")
    check(code == 0, f"make-demo de {exe} falhou: {output}")
    code, output = prefix.run(host, "--db", windows_path(database), "--search", "silva", "--timeout", "240")
    check(code == 0 and "status: Pesquisa concluída" in output,
          f"{os.path.basename(host)} não criou Scandrel.Interface pelo ProgID ou Fire não abriu a janela "
          f"({code}):\n{output}")
