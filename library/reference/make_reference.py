#!/usr/bin/env python3
"""Makes the KORVEL reference from the type library's IDL and the member tables beside this file.

The IDL says which members are published and how they are called; the tables (FORMAT.md) say
what the members do. The pages are Markdown in docs/reference/ (one per class and an index) and,
for the installers, one HTML page with all of it.

usage: make_reference.py [--write] [--check] [--html FILE]
  --write      write docs/reference/ where it differs from what the sources make
  --check      fail when a published member and the tables disagree, or docs/reference/ is stale
  --html FILE  write the HTML rendering
"""
import argparse
import html
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
IDL = os.path.join(TOP, "library", "frame", "braskedll.idl")
PAGES = os.path.join(TOP, "docs", "reference")
PROG_ID_PREFIX = "BRASKEDLL."

SCRIPT_TYPES = {
    "BSTR": "String", "long": "Long", "short": "Integer", "float": "Single", "double": "Double",
    "VARIANT_BOOL": "Boolean", "DATE": "Date", "VARIANT": "Variant", "IDispatch": "Object",
    "SAFEARRAY(BSTR)": "array of String",
}
# What a member gets for an optional parameter the caller leaves out.
LEFT_OUT = {"String": '""', "Long": "0", "Integer": "0", "Boolean": "False", "Variant": "Empty"}


class SourceError(Exception):
    pass


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


# ---------------------------------------------------------------------------------------------
# The IDL

class Parameter:
    def __init__(self, name, type_name, by_reference, optional):
        self.name, self.type, self.by_reference, self.optional = name, type_name, by_reference, optional


class Member:
    def __init__(self, name, dispid, kinds, help_text, parameters, result):
        self.name, self.dispid, self.kinds = name, dispid, kinds
        self.help, self.parameters, self.result = help_text, parameters, result
        self.assigned = None  # the type a property put takes

    @property
    def is_property(self):
        return bool(self.kinds & {"propget", "propput", "propputref"})


class Interface:
    def __init__(self, name, help_text):
        self.name, self.help, self.members = name, help_text, []

    @property
    def class_name(self):
        return self.name[1:]

    def member(self, name):
        return next((m for m in self.members if m.name == name), None)


def idl_string(literal):
    """The text of an IDL string literal, with the IDL's own escapes and line ends undone."""
    return re.sub(r"\\(.)", lambda m: {"r": "", "n": "\n"}.get(m.group(1), m.group(1)), literal)


def script_type(idl_type):
    base = idl_type.rstrip("*").strip()
    if base not in SCRIPT_TYPES:
        raise SourceError(f"{IDL}: type {idl_type!r} has no script name")
    return SCRIPT_TYPES[base]


def read_idl(path=IDL):
    interfaces = read_idl_text(read_text(path))
    if not interfaces:
        raise SourceError(f"{path}: no interface found")
    return interfaces


def read_idl_text(text):
    text = re.sub(r"//[^\n]*", "", text)
    interfaces = []
    header = re.compile(r"\[([^\[\]]*(?:\[[^\]]*\][^\[\]]*)*)\]\s*interface\s+(_Cls_\w+)\s*:\s*IDispatch\s*\{(.*?)\};", re.S)
    method = re.compile(r"\[([^\]]*)\]\s*HRESULT\s+(\w+)\s*\((.*?)\)\s*;", re.S)
    for match in header.finditer(text):
        attributes, name, body = match.groups()
        found = re.search(r'helpstring\("((?:[^"\\]|\\.)*)"\)', attributes)
        interface = Interface(name, idl_string(found.group(1)) if found else "")
        for m in method.finditer(body):
            attributes, member_name, parameter_text = m.groups()
            dispid = re.search(r"id\((0x[0-9A-Fa-f]+)\)", attributes).group(1)
            found = re.search(r'helpstring\("((?:[^"\\]|\\.)*)"\)', attributes)
            kinds = {k for k in ("propget", "propput", "propputref") if re.search(rf"\b{k}\b", attributes)}
            parameters, result = [], None
            for p in re.finditer(r"\[([^\]]*)\]\s*([\w() ]+?\**)\s*(\w+)\s*(?:,|$)", parameter_text.strip(), re.S | re.U):
                flags = {f.strip() for f in p.group(1).split(",")}
                if "retval" in flags:
                    result = script_type(p.group(2))
                    continue
                parameters.append(Parameter(p.group(3), script_type(p.group(2)), "out" in flags, "optional" in flags))
            help_text = idl_string(found.group(1)) if found else ""
            existing = interface.member(member_name)
            if existing:  # the other half of a property
                existing.kinds |= kinds
                existing.result = existing.result or result
                existing.help = existing.help or help_text
                if "propget" not in kinds and parameters:
                    existing.assigned = parameters[-1].type
                continue
            member = Member(member_name, dispid, kinds, help_text, [] if kinds - {"propget"} else parameters, result)
            if kinds - {"propget"} and parameters:
                member.assigned = parameters[-1].type
            interface.members.append(member)
        interfaces.append(interface)
    return interfaces


# ---------------------------------------------------------------------------------------------
# The tables

class Entry:
    def __init__(self, name, line):
        self.name, self.line = name, line
        self.fields = []  # (key, argument, text) in the table's order

    def all(self, key):
        return [(arg, text) for k, arg, text in self.fields if k == key]

    def one(self, key):
        values = self.all(key)
        return values[0][1] if values else None


FIELD = re.compile(r"^(Class|Member|Does|Param|Back|Returns|Error|Box|Effect|JScript|Note|Example)(?: ([^\s:]+))?:\s?(.*)$")


def read_table(path):
    """The class block and the member entries of one table."""
    about, entries, current, key = None, [], None, None
    for number, raw in enumerate(read_text(path).splitlines(), 1):
        where = f"{path}:{number}"
        if not raw.strip():
            if key != "Example":
                key = None
            continue
        if key == "Example" and raw.startswith("    "):
            current.fields[-1] = ("Example", None, current.fields[-1][2] + [raw[4:]])
            continue
        if raw.startswith("  "):
            if key is None:
                raise SourceError(f"{where}: a continuation line with no field above it")
            if key == "Class":
                about = (about + " " + raw.strip()).strip()
            else:
                k, arg, text = current.fields[-1]
                current.fields[-1] = (k, arg, (text + " " + raw.strip()).strip())
            continue
        m = FIELD.match(raw)
        if not m:
            raise SourceError(f"{where}: not a field: {raw!r}")
        key, arg, text = m.groups()
        if key == "Class":
            if text.strip() != os.path.basename(path)[:-4]:
                raise SourceError(f"{where}: the table of {os.path.basename(path)[:-4]} names the class {text.strip()!r}")
            about = ""
            continue
        if key == "Member":
            current = Entry(text.strip(), where)
            entries.append(current)
            continue
        if current is None:
            raise SourceError(f"{where}: {key} before the first Member")
        current.fields.append((key, arg, [] if key == "Example" else text.strip()))
    return about or "", entries


def tables(folder=HERE):
    found = {}
    for name in sorted(os.listdir(folder)):
        if re.fullmatch(r"Cls_\w+\.txt", name):
            found[name[:-4]] = read_table(os.path.join(folder, name))
    return found


def disagreements(interfaces, found):
    """Every way the tables and the published members disagree, one line each."""
    problems = []
    published = {i.class_name for i in interfaces}
    for extra in sorted(set(found) - published):
        problems.append(f"{extra}.txt: no published class of that name")
    for interface in interfaces:
        if interface.class_name not in found:
            problems.append(f"{interface.class_name}: no table (library/reference/{interface.class_name}.txt)")
            continue
        about, entries = found[interface.class_name]
        if not about:
            problems.append(f"{interface.class_name}: the table has no Class block")
        seen = set()
        for entry in entries:
            member = interface.member(entry.name)
            if member is None:
                problems.append(f"{entry.line}: {entry.name} is no published member of {interface.class_name}")
                continue
            if entry.name in seen:
                problems.append(f"{entry.line}: {entry.name} has a second entry")
            seen.add(entry.name)
            problems += [f"{entry.line}: {entry.name}: {p}" for p in entry_problems(member, entry)]
        for member in interface.members:
            if member.name not in seen:
                problems.append(f"{interface.class_name}.{member.name}: published, but the table has no entry")
    return problems


def entry_problems(member, entry):
    problems = []
    for key in ("Does", "JScript", "Error", "Box", "Effect", "Example"):
        if not entry.all(key):
            problems.append(f"no {key}")
    if len(entry.all("Does")) > 1:
        problems.append("Does twice")
    if (member.result or member.is_property) and not entry.one("Returns"):
        problems.append("no Returns")
    named = [arg for arg, _ in entry.all("Param")]
    expected = [p.name for p in member.parameters]
    for name in sorted(set(expected) - set(named)):
        problems.append(f"no Param line for {name}")
    for name in sorted(set(named) - set(expected)):
        problems.append(f"Param {name} is not a parameter")
    if len(named) != len(set(named)):
        problems.append("a Param line twice")
    by_reference = {p.name for p in member.parameters if p.by_reference}
    for name, _ in entry.all("Back"):
        if name not in by_reference:
            problems.append(f"Back {name} is not a by-reference parameter")
    jscript = entry.one("JScript") or ""
    if not re.match(r"(yes|no)(:|$)", jscript):
        problems.append("JScript is neither yes nor no")
    return problems


# ---------------------------------------------------------------------------------------------
# The pages: a list of blocks, written out as Markdown or as HTML

def anchor(name):
    return name.lower()


def vbscript_syntax(member):
    variable = "o"
    if member.is_property:
        lines = []
        if "propget" in member.kinds:
            lines.append(f"value = {variable}.{member.name}")
        if "propput" in member.kinds:
            lines.append(f"{variable}.{member.name} = value")
        if "propputref" in member.kinds:
            lines.append(f"Set {variable}.{member.name} = value")
        return lines
    names = []
    for p in member.parameters:
        names.append(f"[{p.name}]" if p.optional else p.name)
    arguments = ", ".join(names)
    if member.result:
        set_word = "Set " if member.result == "Object" else ""
        return [f"{set_word}result = {variable}.{member.name}({arguments})"]
    return [f"{variable}.{member.name} {arguments}".rstrip()]


def jscript_syntax(member):
    if member.is_property:
        lines = []
        if "propget" in member.kinds:
            lines.append(f"value = o.{member.name};")
        if member.kinds & {"propput", "propputref"}:
            lines.append(f"o.{member.name} = value;")
        return lines
    arguments = ", ".join(p.name for p in member.parameters)
    return [f"{'result = ' if member.result else ''}o.{member.name}({arguments});"]


def passing(parameter, back):
    if not parameter.by_reference:
        text = "by value"
    elif back:
        text = "by reference, written back"
    else:
        text = "by reference, left unchanged"
    if parameter.optional:
        left_out = LEFT_OUT.get(parameter.type)
        text += "; optional" + (f", taken as {left_out} when left out" if left_out else "")
    return text


def sentence_part(text):
    """A sentence of its own turned into the rest of one: "The text" becomes "the text"."""
    return text[0].lower() + text[1:] if len(text) > 1 and text[1].islower() else text


def member_blocks(interface, member, entry):
    blocks = [("h3", member.name, anchor(member.name))]
    if member.help:
        blocks.append(("quote", member.help))
    blocks.append(("p", entry.one("Does")))
    blocks.append(("label", "VBScript"))
    blocks.append(("code", vbscript_syntax(member), "vb"))
    jscript = entry.one("JScript")
    note = jscript[jscript.find(":") + 1:].strip() if ":" in jscript else ""
    if jscript.startswith("no"):
        blocks.append(("p", "*JScript*: not usable" + (": " + note if note else ".")))
    else:
        blocks.append(("label", "JScript"))
        blocks.append(("code", jscript_syntax(member), "js"))
        if note:
            blocks.append(("p", note))
    if member.parameters:
        backs = dict(entry.all("Back"))
        texts = dict(entry.all("Param"))
        rows = [[f"`{p.name}`", p.type, passing(p, backs.get(p.name)),
                 texts.get(p.name, "") + (" After the call: " + sentence_part(backs[p.name]) if p.name in backs else "")]
                for p in member.parameters]
        blocks.append(("table", ["Parameter", "Type", "Passing", "Meaning"], rows))
    if member.is_property:
        access = {"propget": "read", "propput": "write", "propputref": "write (Set)"}
        modes = ", ".join(access[k] for k in ("propget", "propput", "propputref") if k in member.kinds)
        value_type = member.result or member.assigned
        blocks.append(("p", f"**Property** ({value_type}, {modes}): {entry.one('Returns')}"))
    elif member.result:
        blocks.append(("p", f"**Result** ({member.result}): {entry.one('Returns')}"))
    for title, key in (("Errors", "Error"), ("Message boxes", "Box"), ("Side effects", "Effect"), ("Notes", "Note")):
        items = [text for _, text in entry.all(key) if text.lower() not in ("none", "none.")]
        if key != "Note":
            blocks.append(("items", title, items or ["none"]))
        elif items:
            blocks.append(("items", title, items))
    blocks.append(("label", "Example"))
    blocks.append(("code", entry.one("Example"), "vb"))
    return blocks


def class_blocks(interface, about, entries):
    by_name = {e.name: e for e in entries}
    blocks = [("h1", interface.class_name, anchor(interface.class_name))]
    blocks.append(("p", f"`CreateObject(\"{PROG_ID_PREFIX}{interface.class_name}\")` (interface `{interface.name}`; `o` below). {about}"))
    if interface.help:
        blocks.append(("quote", interface.help))
    rows = [[f"[{m.name}](#{anchor(m.name)})", m.help.replace("\n", " ")] for m in interface.members]
    blocks.append(("table", ["Member", "In an object browser"], rows))
    for member in interface.members:
        blocks += member_blocks(interface, member, by_name[member.name])
    return blocks


def index_blocks(interfaces, found):
    blocks = [("h1", "KORVEL reference", "korvel")]
    blocks.append(("p", "Every member that the type library `BRASKEDLL` of `KORVEL.dll` publishes, class by class: "
                        "how a script calls it (VBScript, and JScript where it can be used), its parameters, its result, "
                        "the run-time errors it raises (`Err.Number` and `Err.Description`), the message boxes it may "
                        "show and what it changes on the machine. Parameters are by reference unless said otherwise: "
                        "a script's variable passed to one may be written back after the call, as each parameter says. "
                        "Optional parameters have no default of their own: one left out reaches the member as the empty "
                        "value of its type. Message boxes are not shown, and the member goes on as after OK, in "
                        "unattended use (the environment variable `KORVEL_SANS_MESSAGES=1`, see the README)."))
    rows = []
    for interface in interfaces:
        about = found[interface.class_name][0]
        first = re.split(r"(?<=\.)\s", about, 1)[0]
        rows.append([f"[{interface.class_name}]({interface.class_name}.md)", str(len(interface.members)), first])
    blocks.append(("table", ["Class", "Members", "What for"], rows))
    return blocks


def inline_html(text):
    text = html.escape(text, quote=False)
    text = re.sub(r"\*\*(.+?)\*\*", r"<strong>\1</strong>", text)
    text = re.sub(r"\*(\w[^*]*?)\*", r"<em>\1</em>", text)
    text = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", lambda m: f'<a href="{m.group(2).replace(".md", "")}">{m.group(1)}</a>'
                  if m.group(2).startswith("#") else f'<a href="#{anchor(m.group(2)[:-3])}">{m.group(1)}</a>', text)
    return re.sub(r"`([^`]+)`", r"<code>\1</code>", text)


def markdown_cell(text):
    return text.replace("|", "\\|").replace("\n", " ")


def as_markdown(blocks):
    out = []
    for block in blocks:
        kind = block[0]
        if kind in ("h1", "h3"):
            out.append("#" * int(kind[1]) + " " + block[1])
        elif kind == "p":
            out.append(block[1])
        elif kind == "quote":
            out.append("\n".join("> " + line for line in block[1].split("\n")))
        elif kind == "label":
            out.append(f"*{block[1]}*")
        elif kind == "code":
            out.append(f"```{block[2]}\n" + "\n".join(block[1]) + "\n```")
        elif kind == "table":
            lines = ["| " + " | ".join(block[1]) + " |", "|" + "---|" * len(block[1])]
            lines += ["| " + " | ".join(markdown_cell(c) for c in row) + " |" for row in block[2]]
            out.append("\n".join(lines))
        elif kind == "items":
            out.append(f"{block[1]}:\n\n" + "\n".join("- " + item for item in block[2]))
    return "\n\n".join(out) + "\n"


def as_html(blocks):
    out = []
    for block in blocks:
        kind = block[0]
        if kind in ("h1", "h3"):
            level = {"h1": "h2", "h3": "h3"}[kind]
            out.append(f'<{level} id="{block[2]}">{html.escape(block[1])}</{level}>')
        elif kind == "p":
            out.append(f"<p>{inline_html(block[1])}</p>")
        elif kind == "quote":
            out.append("<blockquote>" + "<br>".join(html.escape(l) for l in block[1].split("\n")) + "</blockquote>")
        elif kind == "label":
            out.append(f"<p><em>{inline_html(block[1])}</em></p>")
        elif kind == "code":
            out.append("<pre>" + html.escape("\n".join(block[1])) + "</pre>")
        elif kind == "table":
            head = "".join(f"<th>{html.escape(h)}</th>" for h in block[1])
            rows = "".join("<tr>" + "".join(f"<td>{inline_html(c)}</td>" for c in row) + "</tr>" for row in block[2])
            out.append(f"<table><tr>{head}</tr>{rows}</table>")
        elif kind == "items":
            items = "".join(f"<li>{inline_html(i)}</li>" for i in block[2])
            out.append(f"<p>{html.escape(block[1])}:</p><ul>{items}</ul>")
    return "\n".join(out)


STYLE = ("body{font-family:Segoe UI,Arial,sans-serif;max-width:60em;margin:1em auto;padding:0 1em;line-height:1.4}"
         "table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:.2em .5em;vertical-align:top;text-align:left}"
         "pre{background:#f4f4f4;padding:.5em}blockquote{color:#555;margin-left:1em}h3{border-top:1px solid #ddd;padding-top:.5em}")


def pages(interfaces, found):
    """The Markdown pages by file name, and the HTML page."""
    markdown = {"README.md": as_markdown(index_blocks(interfaces, found))}
    body = [as_html(index_blocks(interfaces, found))]
    for interface in interfaces:
        about, entries = found[interface.class_name]
        blocks = class_blocks(interface, about, entries)
        markdown[interface.class_name + ".md"] = as_markdown(blocks) + "\n[Index](README.md)\n"
        body.append(as_html(blocks))
    page = ('<!DOCTYPE html>\n<html lang="en"><head><meta charset="utf-8"><title>KORVEL - référence</title>'
            f"<style>{STYLE}</style></head><body>\n" + "\n".join(body) + "\n</body></html>\n")
    return markdown, page


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--write", action="store_true")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--html")
    options = parser.parse_args()
    try:
        interfaces, found = read_idl(), tables()
    except SourceError as error:
        sys.exit(str(error))
    problems = disagreements(interfaces, found)
    if problems:
        print("\n".join(problems), file=sys.stderr)
        sys.exit(f"{len(problems)} disagreement(s) between the published members and library/reference/")
    markdown, page = pages(interfaces, found)
    stale = []
    for name, text in markdown.items():
        target = os.path.join(PAGES, name)
        current = read_text(target) if os.path.exists(target) else None
        if current == text:
            continue
        if options.write:
            os.makedirs(PAGES, exist_ok=True)
            with open(target, "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
        else:
            stale.append(name)
    written = set(markdown)
    for name in os.listdir(PAGES) if os.path.isdir(PAGES) else []:
        if name.endswith(".md") and name not in written:
            if options.write:
                os.remove(os.path.join(PAGES, name))
            else:
                stale.append(name)
    if options.html:
        with open(options.html, "w", encoding="utf-8", newline="\r\n") as f:
            f.write(page)
    if options.check and stale:
        sys.exit("docs/reference/ is not what the tables make (build the native tree to write it): " + ", ".join(sorted(stale)))


if __name__ == "__main__":
    main()
