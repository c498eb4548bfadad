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


# The screen events of these files still take the whole program state; they are to move to
# program/ (or to take their own state). The list may only shrink: a file that no longer needs
# its entry fails the check as well, so that the entry is removed.
still_on_program_state = {
    "src/display/plot_content.cpp", "src/display/plot_content.h", "src/display/plot_draw.h",
    "src/display/plot_frame.cpp", "src/display/plot_frame.h", "src/display/plot_svg.cpp",
    "src/display/plot_svg.h", "src/display/plot_zoom.cpp", "src/display/plot_zoom.h",
    "src/display/print_layout.cpp", "src/display/print_layout.h",
    "src/experiment/comparison.cpp", "src/experiment/comparison.h",
    "src/experiment/corrections.cpp", "src/experiment/corrections.h",
    "src/experiment/response_calibration.cpp", "src/experiment/response_calibration.h",
    "src/experiment/spectrum_list.cpp", "src/experiment/spectrum_list.h",
    "src/populations/population_files.cpp", "src/populations/population_files.h",
    "src/populations/populations_window.cpp", "src/populations/populations_window.h",
    "src/table/table_model.cpp", "src/table/table_model.h",
}

include = re.compile(r'^\s*#\s*include\s+"(\w+)/[^"]+"', re.M)
faults = []
exempt_used = set()
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
        if name in still_on_program_state:
            exempt_used.add(name)
            found = [f for f in found if not (f.endswith("includes state/") or f.endswith("names AppState"))]
        faults += found
faults += [f"{name} no longer needs its entry in still_on_program_state"
           for name in sorted(still_on_program_state - exempt_used)]
for name in sorted(exempt_used):
    text = (root / name).read_text(encoding="utf-8")
    if "state/app_state.h" not in text and not re.search(r"\bAppState\b", text):
        faults.append(f"{name} no longer needs its entry in still_on_program_state")
if faults:
    print("includes against the library dependencies of src/*/CMakeLists.txt:", file=sys.stderr)
    print("\n".join("  " + f for f in faults), file=sys.stderr)
    sys.exit(1)
