#!/usr/bin/env python3
"""Fails when a file of src/ includes a header of a layer its library may not use.

The layers are the folders of src/. A folder's library may use the libraries its CMakeLists.txt
names after DEPENDS, and what those use in turn; the program's state (state/) belongs to the
layers that hold it: program/, app/ and cli/. python/ and tests/ sit on top of everything."""
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
src = root / "src"
folders = sorted(p.name for p in src.iterdir() if p.is_dir())

# Library name -> folder, and folder -> the libraries it names as direct dependencies.
library_of = {}
depends = {}
for folder in folders:
    cmake = src / folder / "CMakeLists.txt"
    if not cmake.exists():
        continue
    for name, deps in re.findall(r"velmora_library\((\w+)([^)]*)\)", cmake.read_text()):
        library_of[name] = folder
        depends[folder] = re.findall(r"velmora_\w+", deps.split("DEPENDS", 1)[-1]) if "DEPENDS" in deps else []
    for name, deps in re.findall(r"target_link_libraries\((\w+)\s+(?:PUBLIC|PRIVATE)([^)]*)\)", cmake.read_text()):
        if name.startswith("velmora"):
            depends.setdefault(folder, []).extend(re.findall(r"velmora_\w+", deps))
# The shells and the program-level commands hold the program's state.
holders = {"program", "app", "cli"}
# The program's state is one header folder above every library.
depends["state"] = [lib for lib in library_of if library_of[lib] not in holders]


def reachable(folder):
    seen, todo = set(), [folder]
    while todo:
        f = todo.pop()
        for lib in depends.get(f, []):
            g = library_of.get(lib)
            if g and g not in seen:
                seen.add(g)
                todo.append(g)
    return seen


include = re.compile(r'^\s*#\s*include\s+"(\w+)/[^"]+"', re.M)
faults = []
for folder in folders:
    allowed = reachable(folder) | {folder}
    if folder in holders:
        allowed |= {"state"} | set(folders)
    for path in sorted((src / folder).glob("*.[ch]*")):
        name = str(path.relative_to(root))
        text = path.read_text(encoding="utf-8")
        found = [f"{name} includes {layer}/" for layer in include.findall(text)
                 if layer in folders and layer not in allowed]
        if folder not in holders | {"state"} and re.search(r"\bAppState\b", text):
            found.append(f"{name} names AppState")
        faults += found
if faults:
    print("includes against the library dependencies of src/*/CMakeLists.txt:", file=sys.stderr)
    print("\n".join("  " + f for f in faults), file=sys.stderr)
    sys.exit(1)
