#!/usr/bin/env python3
"""Fails when the project's own includes form a cycle: between two components (a header and
its source, e.g. ticker/TickerScroller), or between two folders (a folder that includes
another's headers while that one includes its own).

    include_cycles.py SOURCE_DIR
"""
import re
import sys
from pathlib import Path

root = Path(sys.argv[1])
folders = ["files", "settings", "clock", "ticker", "station", "stream", "platform", "pattern",
           "tickerdialog", "about", "pictures", "remote", "app"]
include = re.compile(r'^\s*#\s*include\s+"([a-z]+/[A-Za-z0-9_]+\.h)"', re.M)

files = {}
for folder in folders:
    for path in sorted((root / folder).glob("*.[ch]*")):
        name = f"{folder}/{path.name}"
        files[name] = [h for h in include.findall(path.read_text(errors="replace"))
                       if h.split("/")[0] in folders]


def cycle(graph):
    """A cycle in `graph` as a list of nodes, or None."""
    state, stack = {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for next_node in sorted(graph.get(node, ())):
            if state.get(next_node) == "open":
                return stack[stack.index(next_node):] + [next_node]
            if next_node not in state and (found := visit(next_node)):
                return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state and (found := visit(node)):
            return found
    return None


def component(name):
    return name.rsplit(".", 1)[0]


# A source and its header are one component; a source including its own header is no cycle.
components = {}
for name, deps in files.items():
    components.setdefault(component(name), set()).update(
        component(dep) for dep in deps if component(dep) != component(name))
between = {}
for name, deps in files.items():
    for dep in deps:
        if dep.split("/")[0] != name.split("/")[0]:
            between.setdefault(name.split("/")[0], set()).add(dep.split("/")[0])
problems = [("components", cycle(components)), ("folders", cycle(between))]
for kind, found in problems:
    if found:
        print(f"include cycle between {kind}: {' -> '.join(found)}")
if any(found for _, found in problems):
    sys.exit(1)
print(f"no include cycle among {len(files)} files in {len(folders)} folders")
