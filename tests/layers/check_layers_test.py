#!/usr/bin/env python3
"""The layer check on small trees: quiet on includes that go down, failing on
one that goes up or sideways and on a cycle.

usage: check_layers_test.py <check_layers.py>
"""
import os
import subprocess
import sys
import tempfile


def run(checker, files):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as out:
                out.write(text)
        return subprocess.run([sys.executable, checker, root], capture_output=True, text=True)


def main():
    checker = sys.argv[1]
    cases = [
        ("downward", {"ui/a.h": '#include "caps/b.h"\n#include "protocol/c.h"\n', "caps/b.h": "", "protocol/c.h": ""},
         0, ""),
        ("upward", {"ui/a.h": '#include "library/b.h"\n', "library/b.h": ""}, 1, "library is not below ui"),
        ("sideways", {"caps/a.h": '#include "settings/b.h"\n', "settings/b.h": ""}, 1, "settings is not below caps"),
        ("cycle", {"caps/a.h": '#include "caps/b.h"\n', "caps/b.h": '#include "caps/a.h"\n'}, 1, "include cycle"),
    ]
    failed = 0
    for name, files, code, text in cases:
        result = run(checker, files)
        if result.returncode != code or text not in result.stdout:
            print(f"{name}: exit {result.returncode}, output:\n{result.stdout}{result.stderr}")
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
