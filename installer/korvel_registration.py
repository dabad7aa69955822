#!/usr/bin/env python3
"""Writes KORVEL's registration as rows of the installer's Registry table.

The package writes the keys that KORVEL.dll writes itself when it is registered
(library/frame/registration.cpp), from the type library source, so that a class added to the
IDL is registered by the package too. The package never runs the library to register it: a
Registry table is undone exactly by the installer, per machine or per user, without loading a
32-bit library into a 32-bit process on a 64-bit machine.

Every key is written under Software\\Classes of the root the installation context chooses
(HKMU: HKEY_LOCAL_MACHINE per machine, HKEY_CURRENT_USER per user), which is where the
library's own registration writes in the same two cases.

The library of the machine's own bitness ("primary") writes the whole registration. The 32-bit
library beside it in the 64-bit package ("secondary") writes what differs in the 32-bit
registry view: its class and interface keys (redirected to the 32-bit view) and its platform
entry of the type library. The programmatic names and the type library's own values live in
keys both views share: written once, they cannot disagree.

usage: korvel_registration.py IDL win32|win64 primary|secondary FILE_KEY DIRECTORY ID_PREFIX OUTPUT.wxi
  FILE_KEY: the File table key of that KORVEL.dll; DIRECTORY: the Directory table key of its
  folder; ID_PREFIX: the start of the Registry table keys of these rows.
"""
import re
import sys

AUTOMATION_MARSHALER = "{00020424-0000-0000-C000-000000000046}"
ATTRIBUTES = re.compile(r"\[([^\[\]]*)\]\s*(library|interface|coclass)\s+(\w+)", re.S)
UUID = re.compile(r"uuid\(([0-9A-Fa-f-]{36})\)")
VERSION = re.compile(r"version\(([0-9.]+)\)")
HELPSTRING = re.compile(r'helpstring\("((?:[^"\\]|\\.)*)"\)')
DEFAULT_INTERFACE = re.compile(r"\[default\]\s*interface\s+(\w+)")


def braced(uuid):
    return "{" + uuid.upper() + "}"


def read_idl(path):
    text = open(path, encoding="utf-8").read()
    text = re.sub(r"//[^\n]*|/\*.*?\*/", "", text, flags=re.S)
    library, interfaces, classes = None, {}, []
    for match in ATTRIBUTES.finditer(text):
        attributes, kind, name = match.groups()
        uuid = UUID.search(attributes)
        if not uuid:
            continue
        if kind == "library":
            library = {
                "id": braced(uuid.group(1)),
                "version": VERSION.search(attributes).group(1),
                "help": HELPSTRING.search(attributes).group(1),
            }
        elif kind == "interface":
            interfaces[name] = braced(uuid.group(1))
        else:
            body = text[match.end():text.index("}", match.end())]
            default = DEFAULT_INTERFACE.search(body).group(1)
            classes.append({"name": name, "id": braced(uuid.group(1)), "interface": default})
    if not library or not classes:
        sys.exit(f"{path}: no library or no classes found")
    for c in classes:
        c["interface_id"] = interfaces[c["interface"]]
    return library, classes


def rows(library, classes, platform, role, file_key, directory):
    """(key under Software\\Classes, value name or None, value) in the library's own order."""
    path = f"[#{file_key}]"
    typelib = f"TypeLib\\{library['id']}\\{library['version']}"
    out = []
    if role == "primary":
        out.append((typelib, None, library["help"]))
    out.append((f"{typelib}\\0\\{platform}", None, path))
    if role == "primary":
        out.append((f"{typelib}\\FLAGS", None, "0"))
        # The installer's folder properties end with a backslash, where the library writes the
        # folder without one; nothing reads HELPDIR without a help file, which KORVEL has not.
        out.append((f"{typelib}\\HELPDIR", None, f"[{directory}]"))
    for c in classes:
        name = "BRASKEDLL." + c["name"]
        clsid = f"CLSID\\{c['id']}"
        interface = f"Interface\\{c['interface_id']}"
        out += [
            (clsid, None, name),
            (clsid + "\\InprocServer32", None, path),
            (clsid + "\\InprocServer32", "ThreadingModel", "Apartment"),
            (clsid + "\\ProgID", None, name),
            (clsid + "\\TypeLib", None, library["id"]),
            (clsid + "\\VERSION", None, library["version"]),
        ]
        if role == "primary":
            out += [(name, None, name), (name + "\\CLSID", None, c["id"])]
        out += [
            (interface, None, "_" + c["name"]),
            (interface + "\\ProxyStubClsid", None, AUTOMATION_MARSHALER),
            (interface + "\\ProxyStubClsid32", None, AUTOMATION_MARSHALER),
            (interface + "\\TypeLib", None, library["id"]),
            (interface + "\\TypeLib", "Version", library["version"]),
        ]
    return out


def xml(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace('"', "&quot;")


def main(idl, platform, role, file_key, directory, id_prefix, output):
    library, classes = read_idl(idl)
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             f"<!-- Generated by korvel_registration.py from {idl.split('/')[-1]}: {role} registration, {platform}. -->",
             "<Include>"]
    for number, (key, name, value) in enumerate(rows(library, classes, platform, role, file_key, directory), 1):
        name_attribute = f' Name="{xml(name)}"' if name else ""
        lines.append(f'  <RegistryValue Id="{id_prefix}{number}" Root="HKMU" Key="Software\\Classes\\{xml(key)}"'
                     f'{name_attribute} Value="{xml(value)}" Type="string" />')
    lines.append("</Include>")
    with open(output, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 8 or sys.argv[2] not in ("win32", "win64") or sys.argv[3] not in ("primary", "secondary"):
        sys.exit(__doc__)
    main(*sys.argv[1:])
