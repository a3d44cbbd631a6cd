"""The registry of a Wine prefix, read from the files Wine saves it in: every key with
its values, so that two moments can be compared key by key."""
import os
import re

_KEY = re.compile(r"^\[(.*)\](?: \d+)?$")
_VALUE = re.compile(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$')


def _unescape(text):
    """Wine's escapes in key and value names and in string data."""
    def replace(match):
        code = match.group(1)
        if code.startswith("x"):
            return chr(int(code[1:], 16))
        return {"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(code, code)
    return re.sub(r"\\(x[0-9a-fA-F]{1,4}|.)", replace, text)


def _data(raw):
    """A value's data: strings as their text, anything else as Wine writes it."""
    if raw.startswith('"') and raw.endswith('"'):
        return _unescape(raw[1:-1])
    return raw


def read_reg_file(path, root):
    """{key in lower case: (key, {value name in lower case: (name, data)})}; key names
    start with root ("HKLM" or "HKCU"), the default value's name is ""."""
    keys = {}
    current = None
    pending = ""
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            # Long binary values go on over indented lines, each but the last ending in "\".
            line = pending + line.rstrip("\n").lstrip() if pending else line.rstrip("\n")
            if line.endswith("\\") and current is not None and not line.startswith("["):
                pending = line[:-1]
                continue
            pending = ""
            key = _KEY.match(line)
            if key:
                name = root + "\\" + _unescape(key.group(1))
                current = keys.setdefault(name.lower(), (name, {}))[1]
                continue
            value = _VALUE.match(line)
            if value and current is not None:
                name = "" if value.group(1) == "@" else _unescape(value.group(1)[1:-1])
                current[name.lower()] = (name, _data(value.group(2)))
    return keys


def snapshot(prefix):
    """The whole registry of the prefix (machine and current user)."""
    keys = read_reg_file(os.path.join(prefix, "system.reg"), "HKLM")
    keys.update(read_reg_file(os.path.join(prefix, "user.reg"), "HKCU"))
    return keys


def flatten(keys, under=""):
    """{"key|value name": data} for the keys under the given key (all when empty), with
    "key|*" for a key that holds neither values nor subkeys."""
    under = under.lower()
    # Wine leaves out of its files the keys that hold nothing but subkeys: only a leaf
    # key without values is worth an entry of its own.
    parents = {lower.rsplit("\\", 1)[0] for lower in keys}
    flat = {}
    for lower, (name, values) in keys.items():
        if under and lower != under and not lower.startswith(under + "\\"):
            continue
        if not values and lower not in parents:
            flat[name + "|*"] = ""
        for value_name, data in values.values():
            flat[name + "|" + value_name] = data
    return flat


def difference(before, after, ignored=()):
    """Lines describing what changed from one flattened snapshot to another, ignoring keys
    under any of the given (lower-case) prefixes."""
    def kept(entry):
        lower = entry.lower()
        return not any(lower.startswith(p) for p in ignored)

    old = {k.lower(): (k, v) for k, v in before.items() if kept(k)}
    new = {k.lower(): (k, v) for k, v in after.items() if kept(k)}
    # A key that lost its "holds nothing" entry by gaining a subkey is still there.
    parents = {k.lower().rsplit("|", 1)[0].rsplit("\\", 1)[0] for k in after}
    lines = []
    for lower in sorted(old.keys() | new.keys()):
        if lower not in new and lower.endswith("|*") and lower[:-2] in parents:
            continue
        if lower not in new:
            lines.append(f"- {old[lower][0]} = {old[lower][1]}")
        elif lower not in old:
            lines.append(f"+ {new[lower][0]} = {new[lower][1]}")
        elif old[lower][1] != new[lower][1]:
            lines.append(f"~ {new[lower][0]}: {old[lower][1]} -> {new[lower][1]}")
    return lines
