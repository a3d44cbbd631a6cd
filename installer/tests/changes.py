"""What an install, a removal or a registration changed in a prefix, leaving out what
Wine itself changes at every start and the empty folders of the installer's own records."""
import wine_registry

# Device state Wine refreshes whenever its server starts.
WINE_NOISE = (
    "hklm\\system\\",
    "hklm\\software\\microsoft\\windows nt\\currentversion\\networkcards",
)
# The installer's cache folder, which it keeps once made, like Windows.
INSTALLER_CACHE = "windows/Installer"
# Keys Windows Installer keeps for itself; once empty they are no trace of the product.
INSTALLER_RECORDS = (
    "hklm\\software\\classes\\installer\\",
    "hklm\\software\\microsoft\\windows\\currentversion\\installer\\",
    "hkcu\\software\\microsoft\\installer\\",
)
CLASSES = {"machine": "hklm\\software\\classes\\", "user": "hkcu\\software\\classes\\"}


def _noise(entry):
    lower = entry.lower()
    if lower.startswith(WINE_NOISE):
        return True
    return lower.endswith("|*") and lower.startswith(INSTALLER_RECORDS)


def registry_changes(before, after, allowed=()):
    """The changed registry entries, as lines, apart from noise and the allowed prefixes."""
    keep_before = {k: v for k, v in before.items() if not _noise(k)}
    keep_after = {k: v for k, v in after.items() if not _noise(k)}
    return wine_registry.difference(keep_before, keep_after, ignored=tuple(a.lower() for a in allowed))


def written_classes(before, after, scope):
    """{entry: data} added or changed under the scope's classes, the installer's own
    records left out."""
    root = CLASSES[scope]
    old = {k.lower(): v for k, v in before.items()}
    return {k.lower(): v for k, v in after.items()
            if k.lower().startswith(root) and not k.lower().startswith(root + "installer\\")
            and old.get(k.lower()) != v}


def file_changes(before, after, allowed=()):
    """Files and folders added or removed, as lines; an allowed path ending in "/" covers
    everything under it, any other only itself."""
    def kept(path):
        return not any(path == a or (a.endswith("/") and path.startswith(a)) for a in allowed)
    return [f"+ {p}" for p in sorted(after - before) if kept(p)] + \
           [f"- {p}" for p in sorted(before - after) if kept(p)]


def compare_classes(package_wrote, regsvr32_wrote):
    """Lines naming every entry where the package and regsvr32 differ."""
    lines = []
    for key in sorted(package_wrote.keys() | regsvr32_wrote.keys()):
        ours, theirs = package_wrote.get(key), regsvr32_wrote.get(key)
        if ours != theirs:
            lines.append(f"{key}: pacote {ours!r}, regsvr32 {theirs!r}")
    return lines
