#!/usr/bin/env python3
"""Reads the quoted includes of every product file and fails on an include
that reaches a room on the same or a higher layer, or on a cycle of includes
between files.

usage: check_layers.py <repository root>
"""
import os
import re
import sys

# Each room and its layer; a room may include its own headers and those of
# rooms on lower layers only. The library files compose everything.
LAYERS = {
    "protocol": 0,  # TWAIN definitions, the shared vocabularies and records
    "resources": 1,
    "platform": 2,  # the ports and their implementations
    "settings": 3,
    "caps": 3,
    "imaging": 3,
    "acquire": 4,  # the picture review turns stored pictures through imaging
    "capture": 4,  # the virtual camera shows picture files through imaging
    "stills": 5,  # the still pipelines, joining the rooms below
    "twain": 6,
    "ui": 6,
    "library": 7,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def product_files(root):
    for room in LAYERS:
        for folder, _, names in os.walk(os.path.join(root, room)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    path = os.path.join(folder, name)
                    yield os.path.relpath(path, root).replace(os.sep, "/")


def includes_of(root, path):
    with open(os.path.join(root, path), encoding="utf-8") as source:
        return INCLUDE.findall(source.read())


def upward_includes(graph):
    for path, included in sorted(graph.items()):
        room = path.split("/")[0]
        for header in included:
            target = header.split("/")[0]
            if target not in LAYERS or target == room:
                continue
            if LAYERS[target] >= LAYERS[room]:
                yield f"{path} includes {header}: {target} is not below {room}"


def cycles(graph):
    """Every include cycle among the files, one path each."""
    found, state, stack = [], {}, []

    def visit(path):
        state[path] = "open"
        stack.append(path)
        for header in graph.get(path, ()):
            if header not in graph:
                continue
            if state.get(header) == "open":
                found.append(stack[stack.index(header):] + [header])
            elif header not in state:
                visit(header)
        stack.pop()
        state[path] = "done"

    for path in sorted(graph):
        if path not in state:
            visit(path)
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    graph = {path: includes_of(root, path) for path in product_files(root)}
    problems = list(upward_includes(graph))
    problems += ["include cycle: " + " -> ".join(cycle) for cycle in cycles(graph)]
    for problem in problems:
        print(problem)
    print(f"{len(graph)} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
