#!/usr/bin/env python3
"""QX as others take it in: installed to a prefix, static and shared, a program that includes
only <qx/qx.h> builds with find_package(qx 0.2 CONFIG) and with pkg-config and runs on the Null
driver; and a parent project's add_subdirectory builds the libraries and nothing else."""
import glob
import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PACKAGE = os.path.join(ROOT, "tests", "package")
# Only the libraries: the extras would make the installs slow and are not installed anyway.
LIBRARIES_ONLY = ["-DQX_BUILD_" + extra + "=OFF"
                  for extra in ("GAME", "EXAMPLES", "TOOLS", "TESTS", "BENCH")]
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)
    return condition


def run(command, env=None, timeout=600):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            env=env, timeout=timeout)
    if result.returncode != 0:
        print("$ " + " ".join(command) + "\n" + result.stdout[-4000:])
    return result


def build(source, binary, *options):
    configured = run(["cmake", "-S", source, "-B", binary, "-DCMAKE_BUILD_TYPE=Release",
                      *options])
    return configured.returncode == 0 and run(["cmake", "--build", binary, "-j2"]).returncode == 0


def run_program(path, env_extra):
    env = dict(os.environ, QXGFX="null", **env_extra)
    result = run([path], env=env, timeout=60)
    return result.returncode == 0 and result.stdout.startswith("ok Null 320x200")


def install(work, kind):
    prefix = os.path.join(work, kind, "prefix")
    shared = "ON" if kind == "shared" else "OFF"
    if not build(ROOT, os.path.join(work, kind, "qx"), "-DBUILD_SHARED_LIBS=" + shared,
                 "-DCMAKE_INSTALL_PREFIX=" + prefix, *LIBRARIES_ONLY):
        return None
    if run(["cmake", "--install", os.path.join(work, kind, "qx")]).returncode != 0:
        return None
    return prefix


def check_install(prefix, kind):
    configs = glob.glob(os.path.join(prefix, "lib*", "**", "cmake", "qx"), recursive=True)
    check(len(configs) == 1 and all(os.path.exists(os.path.join(configs[0], name))
                                    for name in ("qxConfig.cmake", "qxConfigVersion.cmake",
                                                 "qxTargets.cmake")),
          f"{kind}: the CMake package is installed")
    check(os.path.exists(os.path.join(prefix, "include", "qx", "qx.h")) and
          os.path.exists(os.path.join(prefix, "include", "qx", "version.h")),
          f"{kind}: the headers, with the generated version.h")
    check(not glob.glob(os.path.join(prefix, "include", "qx", "*.in")) and
          not os.path.exists(os.path.join(prefix, "include", "runtime")),
          f"{kind}: no template or private header is installed")
    pcs = glob.glob(os.path.join(prefix, "lib*", "**", "pkgconfig", "qx.pc"), recursive=True)
    check(len(pcs) == 1, f"{kind}: qx.pc is installed")
    if kind == "shared":
        libdir = os.path.dirname(os.path.dirname(pcs[0])) if pcs else prefix
        library = os.path.join(libdir, "libqx_runtime.so")
        soname = run(["readelf", "-d", library]).stdout
        check(os.path.realpath(library).endswith("libqx_runtime.so.0.2.0") and
              "[libqx_runtime.so.0]" in soname, "shared: versioned library, SONAME of the major")
        runtime = run(["nm", "-D", "-C", "--defined-only", library]).stdout
        gfx = run(["nm", "-D", "-C", "--defined-only",
                   os.path.join(libdir, "libqx_gfx.so")]).stdout
        check("qx::version()" in runtime and "qx::error_text()" in runtime and
              "qx::draw_line(" in gfx and "qx::screen_res(" in gfx,
              "shared: the public operations are exported")
        check("qx::edit_line(" not in runtime and "qx::reset_console_output(" not in runtime and
              "qx::select_pixel_ops(" not in gfx and "qx::graphics_key_post(" not in gfx,
              "shared: the internals are hidden")
    return pcs[0] if pcs else None


def package_program(work, kind, prefix, pc):
    libdir = os.path.dirname(os.path.dirname(pc))
    program = os.path.join(work, kind, "find")
    built = build(os.path.join(PACKAGE, "program"), program, "-DCMAKE_PREFIX_PATH=" + prefix)
    check(built and run_program(os.path.join(program, "hello_qx"), {}),
          f"{kind}: find_package(qx 0.2 CONFIG) builds a program that runs")
    env = dict(os.environ, PKG_CONFIG_PATH=os.path.dirname(pc))
    query = ["pkg-config", "--cflags", "--libs", "qx"] + (["--static"] if kind == "static" else [])
    flags = run(query, env=env)
    executable = os.path.join(work, kind, "hello_qx_pc")
    compiler = os.environ.get("CXX", "c++")
    compiled = flags.returncode == 0 and run(
        [compiler, os.path.join(PACKAGE, "program", "hello_qx.cpp"), "-o", executable,
         *flags.stdout.split()]).returncode == 0
    check(compiled and run_program(executable, {"LD_LIBRARY_PATH": libdir}),
          f"{kind}: pkg-config --cflags --libs qx builds a program that runs")


def parent_project(work):
    binary = os.path.join(work, "parent")
    built = build(os.path.join(PACKAGE, "parent"), binary, "-DQX_SOURCE_DIR=" + ROOT)
    check(built and run([os.path.join(binary, "mouse")]).returncode == 0,
          "add_subdirectory: the parent's own mouse target (C++17) builds against <qx/qx.h>")
    targets = run(["cmake", "--build", binary, "--target", "help"]).stdout.split()
    extras = [name for name in ("chase", "chase_game", "qx_modes", "qx_mouse", "qx_lzw_pack",
                                "runtime_test", "draw_bench", "docs") if name in targets]
    check(not extras and "qx_gfx" in targets and "qx_runtime" in targets,
          f"add_subdirectory: only the libraries come along ({extras})")


def main():
    build_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    work = os.path.join(os.path.abspath(build_dir), "package_test")
    shutil.rmtree(work, ignore_errors=True)
    for kind in ("static", "shared"):
        prefix = install(work, kind)
        if check(prefix is not None, f"{kind}: qx builds and installs to a prefix"):
            pc = check_install(prefix, kind)
            if pc:
                package_program(work, kind, prefix, pc)
    parent_project(work)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
