#!/usr/bin/env python3
"""Reads the files of the platform's `reg export` and compares registry states for the
installer test: what an installation added, what the library's own registration adds, what an
uninstallation left.

Keys are compared without regard to case, as the registry names them. A file that does not
exist stands for a key that does not exist (reg export writes nothing then).

usage:
  registry_check.py same-as-library CLEAN SELF INSTALLED LIBRARY_PATH LIBRARY64 LIBRARY32
      The installation's keys under Software\\Classes (INSTALLED against CLEAN) are the 64-bit
      library's own registration (SELF against CLEAN, made from LIBRARY_PATH) at LIBRARY64, and
      the same classes and interfaces in the 32-bit view for LIBRARY32, with its platform entry
      in the shared type library key.
  registry_check.py same-per-user MACHINE_CLEAN MACHINE USER_CLEAN USER MACHINE_FOLDER USER_FOLDER
      The per-user installation wrote under HKCU\\Software\\Classes what the per-machine one
      wrote under HKLM\\Software\\Classes, in its own folder (the 64-bit view: see below).
  registry_check.py unchanged BEFORE INSTALLED AFTER
      Every key the installation added or changed (INSTALLED against BEFORE) is as BEFORE again
      in AFTER; no key of BEFORE is gone; no new key mentions this system's names. (Other
      programs may write elsewhere in the meantime: Wine's cscript registers its own type
      library when it first runs.) Allowed, and printed for the caller's clean-up: new empty
      keys the platform's installer keeps for its own records ("delete<TAB>key"), and empty
      keys of BEFORE under which the installation wrote, which the uninstallation deleted
      ("create<TAB>key").
  registry_check.py nothing-added BEFORE AFTER
      No key added or changed (the other context's root of an installation).
  registry_check.py leftovers START END BEFORE INSTALLED [BEFORE INSTALLED...]
      What a clean-up after a failed run does, one key a line: "delete<TAB>key" for the keys of
      END that START had not and that an installation added (each INSTALLED against the BEFORE
      of its pair), and the platform installer's new empty keys (no subkey of another);
      "create<TAB>key" for the empty keys of START an uninstallation deleted.
  registry_check.py entries NAME EXPORT...
      The Add/Remove Programs entries (Uninstall subkeys) whose DisplayName is NAME, one a
      line: DisplayVersion, then the subkey's name (the product code).
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from korvel_registration import read_idl  # noqa: E402

# Keys Windows Installer (and Wine's) creates for its own records of products: empty once the
# last product is gone, and never the package's.
BOOKKEEPING = (
    "hkey_local_machine\\software\\classes\\installer",
    "hkey_local_machine\\software\\microsoft\\windows\\currentversion\\uninstall",
    "hkey_local_machine\\software\\wow6432node\\microsoft\\windows\\currentversion\\uninstall",
    "hkey_current_user\\software\\microsoft\\windows\\currentversion\\uninstall",
    "hkey_current_user\\software\\microsoft\\installer",
)


# Names only this system's keys hold: a new key that mentions one is never someone else's.
OUR_NAMES = ("plenar", "tolvare", "braskedll", "korvel")


def is_bookkeeping(lower):
    return any(lower == b or lower.startswith(b + "\\") for b in BOOKKEEPING)


def parse(path, keep_case=False):
    """{lower-case key: (key, {value name: data as exported})}, value names in lower case
    unless `keep_case` (for writing them back)."""
    keys = {}
    if not os.path.exists(path):
        return keys
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8")
    current, pending = None, ""
    for line in text.replace("\r\n", "\n").split("\n"):
        if pending:
            line, pending = pending + line.lstrip(), ""
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
            keys.setdefault(current.lower(), (current, {}))
        elif current is not None and line and not line.startswith(";"):
            if line.endswith("\\"):
                pending = line[:-1]
                continue
            if line.startswith("@="):
                name, data = "@", line[2:]
            else:
                end = line.index('"=', 1)
                name, data = line[1:end], line[end + 2:]
            keys[current.lower()][1][name if keep_case else name.lower()] = data
    return keys


def merged(paths, keep_case=False):
    keys = {}
    for path in paths:
        keys.update(parse(path, keep_case))
    return keys


def added(before, after):
    """Keys new or changed in `after`, with the values new or changed."""
    out = {}
    for lower, (key, values) in after.items():
        old = before.get(lower, (key, {}))[1]
        new = {n: d for n, d in values.items() if old.get(n) != d}
        if lower not in before or new:
            out[lower] = (key, new)
    return out


def text_of(data):
    """The text of an exported REG_SZ ("..." with \\\\ and \\" escaped)."""
    if not (data.startswith('"') and data.endswith('"')):
        return None
    return data[1:-1].replace('\\"', '"').replace("\\\\", "\\")


def exported(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def below(keys, prefix):
    """Keys under `prefix` (lower case, ending with a backslash), renamed relative to it."""
    return {k[len(prefix):]: v for k, v in keys.items() if k.startswith(prefix)}


def differences(expected, actual):
    lines = []
    for k in sorted(set(expected) | set(actual)):
        e, a = expected.get(k, (None, None))[1], actual.get(k, (None, None))[1]
        if e != a:
            lines.append(f"  {k}\n    expected {e}\n    found    {a}")
    return "\n".join(lines)


def replace_folder(values, old, new):
    out = {}
    for name, data in values.items():
        text = text_of(data)
        if text is not None and text.lower().startswith(old.lower()):
            data = exported(new + text[len(old):])
        out[name] = data
    return out


CLASSES = "hkey_local_machine\\software\\classes\\"
USER_CLASSES = "hkey_current_user\\software\\classes\\"
WOW = "wow6432node\\"


def same_as_library(clean, self_registered, installed, library_path, library64, library32):
    """See the module's usage."""
    clean, self_registered, installed = parse(clean), parse(self_registered), parse(installed)
    own = below(added(clean, self_registered), CLASSES)
    ours = {k: v for k, v in below(added(clean, installed), CLASSES).items() if not k.startswith("installer\\")}
    if not own:
        return "the library's own registration added nothing"
    library_folder = library_path.rsplit("\\", 1)[0]
    folder64, folder32 = library64.rsplit("\\", 1)[0], library32.rsplit("\\", 1)[0]
    expected = {}
    for key, (name, values) in own.items():
        values = replace_folder(values, library_folder, folder64)
        if key.endswith("\\helpdir"):
            # The installer writes a folder with its final backslash (see korvel_registration.py).
            values = {n: exported(text_of(d) + "\\") for n, d in values.items()}
        expected[key] = (name, values)
    # The 32-bit view: the same classes and interfaces for the 32-bit library; the type library
    # key is shared by both views (and shown in both), so it also holds the win32 entry.
    for key, (name, values) in own.items():
        if key.startswith(WOW + "typelib\\") or key.startswith("typelib\\"):
            if key.endswith("\\0\\win64"):
                expected[key[: -len("win64")] + "win32"] = (name, {"@": exported(library32)})
        elif key.startswith("clsid\\") or key.startswith("interface\\"):
            expected[WOW + key] = (name, replace_folder(values, library_folder, folder32))
    # A key that holds only subkeys shows no values of its own; compare the values.
    expected = {k: v for k, v in expected.items() if v[1]}
    ours = {k: v for k, v in ours.items() if v[1]}
    diff = differences(expected, ours)
    return f"the installation's registration differs from the library's own:\n{diff}" if diff else None


def same_per_user(machine_clean, machine, user_clean, user, machine_folder, user_folder):
    """See the module's usage. Wine does not redirect HKEY_CURRENT_USER\\Software\\Classes for
    32-bit writes as Windows does (Wow6432Node): the 32-bit library's class keys land in the
    same keys as the 64-bit one's there, and the 64-bit values, written last, are the ones
    left. So the 64-bit view is compared; the win32 entry of the type library says where the
    32-bit library went."""
    per_machine = below(added(parse(machine_clean), parse(machine)), CLASSES)
    per_user = below(added(parse(user_clean), parse(user)), USER_CLASSES)
    expected = {k: (n, replace_folder(v, machine_folder, user_folder)) for k, (n, v) in per_machine.items()
                if not k.startswith(WOW) and not k.startswith("installer\\") and v}
    actual = {k: v for k, v in per_user.items() if not k.startswith(WOW) and v[1]}
    if not expected:
        return "the per-machine installation registered nothing"
    diff = differences(expected, actual)
    return f"the per-user registration differs from the per-machine one:\n{diff}" if diff else None


def emptied(before, touched, after):
    """Keys of `before` without values that `after` lacks and under which the installation
    wrote: the platform's installer deletes every key an uninstallation leaves empty, its own
    or not (Windows does too)."""
    return sorted(k for k in set(before) - set(after)
                  if not before[k][1] and any(t.startswith(k + "\\") for t in touched))


def unchanged(before, installed, after):
    """See the module's usage."""
    before, installed, after = parse(before), parse(installed), parse(after)
    touched = added(before, installed)
    problems, bookkeeping = [], []
    recreated = emptied(before, touched, after)
    for lower in sorted(touched):
        if lower not in after:
            if lower in before and lower not in recreated:
                problems.append(f"  removed: {before[lower][0]}")
        elif lower not in before:
            key, values = after[lower]
            if not (not values and is_bookkeeping(lower)):
                problems.append(f"  left: {key} {values}")
        elif before[lower][1] != after[lower][1]:
            problems.append(f"  changed: {after[lower][0]} {before[lower][1]} -> {after[lower][1]}")
    for lower in sorted(set(before) - set(after) - set(recreated)):
        problems.append(f"  removed: {before[lower][0]}")
    for lower in sorted(set(after) - set(before)):
        key, values = after[lower]
        if not values and is_bookkeeping(lower):
            bookkeeping.append(key)
        elif any(name in lower for name in OUR_NAMES) and f"  left: {key} {values}" not in problems:
            problems.append(f"  left: {key} {values}")
    return problems, bookkeeping, [before[k][0] for k in recreated]


def nothing_added(before, after):
    """See the module's usage."""
    new = added(parse(before), parse(after))
    return [f"  added: {key} {values}" for lower, (key, values) in sorted(new.items())
            if not (not values and is_bookkeeping(lower)) and not lower.startswith(CLASSES + "installer")]


def leftovers(start, end, pairs):
    """See the module's usage."""
    start, end = parse(start), parse(end)
    touched = set()
    for before, installed in zip(pairs[::2], pairs[1::2]):
        touched |= set(added(parse(before), parse(installed)))
    found = sorted(k for k in set(end) - set(start)
                   if k in touched or (not end[k][1] and is_bookkeeping(k)))
    chosen = []
    for lower in found:  # sorted: a parent comes before its subkeys
        if not any(lower.startswith(c + "\\") for c in chosen):
            chosen.append(lower)
    for lower in chosen:
        print("delete", end[lower][0], sep="\t")
    for lower in emptied(start, touched, end):
        print("create", start[lower][0], sep="\t")


def entries(name, exports):
    for path in exports:
        for lower, (key, values) in sorted(parse(path).items()):
            parent = lower.rsplit("\\", 1)[0]
            if parent.endswith("\\currentversion\\uninstall") and values.get("displayname") == exported(name):
                print(text_of(values.get("displayversion", '""')), key.rsplit("\\", 1)[1])


def main(argv):
    command, args = argv[1], argv[2:]
    if command == "entries":
        entries(args[0], args[1:])
        return 0
    if command == "leftovers":
        leftovers(args[0], args[1], args[2:])
        return 0
    if command == "same-as-library":
        problem = same_as_library(*args)
    elif command == "same-per-user":
        problem = same_per_user(*args)
    elif command == "unchanged":
        problems, bookkeeping, recreated = unchanged(*args)
        for key in bookkeeping:
            print("delete", key, sep="\t")
        for key in recreated:
            print("create", key, sep="\t")
        problem = "\n".join(problems) if problems else None
    elif command == "nothing-added":
        problem = "\n".join(nothing_added(*args)) or None
    else:
        sys.exit(__doc__)
    if problem:
        print(problem, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv))
