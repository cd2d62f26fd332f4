#!/usr/bin/env python3
"""Checks every #include of the product's folders against the include rule,
the table under "## Include rule" in docs/ARCHITECTURE.md: each row names a
folder and the folders its files may include. A quoted include without a
folder ("resource.h", "version.h") is a resource header and counts as res/.
Files in a core/ folder include no system header but the C++ library's
(no <windows.h>, no <name.h> at all). Prints each break of the rule and a
summary; exits 1 when there is one."""
import os
import re
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
doc = os.path.join(root, "docs", "ARCHITECTURE.md")

rules = {}
in_section = False
with open(doc, encoding="utf-8") as f:
    for line in f:
        if line.startswith("## "):
            in_section = line.strip() == "## Include rule"
            continue
        m = re.match(r"\|\s*`([a-z/]+/)`\s*\|(.*)\|\s*$", line) if in_section else None
        if m:
            rules[m.group(1)] = set(re.findall(r"`([a-z/]+/)`", m.group(2)))
if not rules:
    sys.exit("include rule: no table under '## Include rule' in docs/ARCHITECTURE.md")

def folder_of(path):
    """The longest rule folder that holds `path` (relative, with slashes)."""
    best = None
    for folder in rules:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best

quoted = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
angled = re.compile(r"^\s*#\s*include\s+<([^>]+)>")
breaks, files, includes = [], 0, 0
for top in sorted({r.split("/")[0] for r in rules}):
    for dirpath, _, names in os.walk(os.path.join(root, top)):
        for name in sorted(names):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/")
            own = folder_of(path)
            if own is None:
                continue
            files += 1
            with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = quoted.match(line)
                    if m:
                        includes += 1
                        target = m.group(1)
                        target_folder = target.rsplit("/", 1)[0] + "/" if "/" in target else "res/"
                        if target_folder != own and target_folder not in rules[own]:
                            breaks.append(f"{path}:{number}: includes \"{target}\"; {own} may include "
                                          + ", ".join(sorted(rules[own] | {own})))
                        continue
                    m = angled.match(line)
                    if m and own.endswith("core/"):
                        includes += 1
                        if m.group(1).endswith(".h"):
                            breaks.append(f"{path}:{number}: includes <{m.group(1)}>; a core/ folder "
                                          "includes only the C++ library")
for b in breaks:
    print(b)
print(f"include rule: {files} files, {includes} includes checked, {len(breaks)} against the rule")
sys.exit(1 if breaks else 0)
