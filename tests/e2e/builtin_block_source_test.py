#!/usr/bin/env python3
"""The committed packed block is what the tools make from the vgabios fonts and the palette
rules: regenerating it with the built packer gives the same source, byte for byte."""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    packer = os.path.join(build, "tools", "qx_lzw_pack")
    if not os.path.exists(packer):
        print(f"missing {packer}", file=sys.stderr)
        return 1
    script = os.path.join(ROOT, "tools", "make_builtin_data.py")
    result = subprocess.run([sys.executable, script, packer, "--check"], timeout=120)
    print("1 passed, 0 failed" if result.returncode == 0 else "0 passed, 1 failed")
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
