#!/usr/bin/env python3
"""QX as others take it in: installed to a prefix, static and shared, a program that includes
only <qx/qx.h> builds with find_package(qx 0.3 CONFIG) and with pkg-config and runs on the Null
driver; a parent project's add_subdirectory builds the libraries and nothing else; the .deb and
the tarball of cpack, extracted, serve the same program. The static build is configured as a
newcomer's machine may be: without libchafa's headers and without GoogleTest; chase builds
without the X11 and GL headers too. And the oldest CMake the build files state configures
them."""
import glob
import os
import re
import shutil
import subprocess
import sys
import tarfile

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


def run(command, env=None, timeout=600, cwd=None):
    # No input: chase reads its console. Its text is Latin-1, not UTF-8.
    result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace", env=env,
                            timeout=timeout, cwd=cwd)
    if result.returncode != 0:
        print("$ " + " ".join(command) + "\n" + result.stdout[-4000:])
    return result


def configure(source, binary, *options, env=None, cmake="cmake"):
    return run([cmake, "-S", source, "-B", binary, "-DCMAKE_BUILD_TYPE=Release", *options],
               env=env)


def build(source, binary, *options, env=None):
    configured = configure(source, binary, *options, env=env)
    return configured.returncode == 0 and run(["cmake", "--build", binary, "-j2"]).returncode == 0


def run_program(path, env_extra):
    env = dict(os.environ, QXGFX="null", **env_extra)
    result = run([path], env=env, timeout=60)
    return result.returncode == 0 and result.stdout.startswith("ok Null 320x200")


def newcomer_env(work):
    """pkg-config that finds every package of the machine except chafa."""
    hidden = os.path.join(work, "pkgconfig-without-chafa")
    os.makedirs(hidden, exist_ok=True)
    listed = run(["pkg-config", "--variable", "pc_path", "pkg-config"]).stdout.strip()
    for folder in listed.split(":"):
        for pc in glob.glob(os.path.join(folder, "*.pc")):
            name = os.path.basename(pc)
            if name != "chafa.pc" and not os.path.exists(os.path.join(hidden, name)):
                os.symlink(pc, os.path.join(hidden, name))
    return dict(os.environ, PKG_CONFIG_LIBDIR=hidden)


def install(work, kind):
    prefix = os.path.join(work, kind, "prefix")
    binary = os.path.join(work, kind, "qx")
    if kind == "shared":
        built = build(ROOT, binary, "-DBUILD_SHARED_LIBS=ON", "-DCMAKE_INSTALL_PREFIX=" + prefix,
                      *LIBRARIES_ONLY)
    else:
        # The game too, for the packages; tests and benchmarks as a plain configure has them.
        env = newcomer_env(work)
        configured = configure(ROOT, binary, "-DCMAKE_INSTALL_PREFIX=" + prefix,
                               "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON", "-DQX_BUILD_EXAMPLES=OFF",
                               "-DQX_BUILD_TOOLS=OFF", "-DQX_BUILD_BENCH=OFF", env=env)
        said = configured.stdout.splitlines()
        check(configured.returncode == 0 and
              "-- qx: Terminal driver left out (libchafa and GLib headers: apt-get install "
              "pkg-config libchafa-dev)" in said,
              "without chafa.pc: configure succeeds and says the Terminal driver is left out")
        check(configured.returncode == 0 and any(
            line.startswith("-- qx: tests left out (GoogleTest: apt-get install") for line in said),
              "without GoogleTest: configure succeeds and says the tests are left out")
        demanded = configure(ROOT, os.path.join(work, "tests-demanded"), "-DQX_BUILD_TESTS=ON",
                             "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON", env=env)
        check(demanded.returncode != 0 and "apt-get install libgtest-dev" in demanded.stdout,
              "-DQX_BUILD_TESTS=ON without GoogleTest fails and names the package")
        built = configured.returncode == 0 and run(
            ["cmake", "--build", binary, "-j2"]).returncode == 0
    if not built:
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
        check(os.path.realpath(library).endswith("libqx_runtime.so.0.3.0") and
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
          f"{kind}: find_package(qx 0.3 CONFIG) builds a program that runs")
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
    return os.path.join(program, "hello_qx") if built else None


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


def left_out_terminal(program):
    """A build without the Terminal driver, asked for it where no other driver can open."""
    env = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
    env["QXGFX"] = "terminal"
    result = run([program], env=env, timeout=60) if program else None
    check(result is not None and result.returncode != 0 and
          'QXGFX="terminal" names the Terminal driver, which this build left out' in result.stdout,
          "without the Terminal driver: QXGFX=terminal's error text names it "
          f"({result.stdout.strip() if result else 'not built'})")


def left_out_window_parts(work):
    """Builds without the X11 extensions' and GL headers, then without libX11's: configure says
    what it leaves out, chase runs on the Null driver, and asking for a left-out driver says so."""
    hidden = os.path.join(work, "no-headers")
    os.makedirs(hidden, exist_ok=True)
    extensions = {"XSHM": "-- qx: DirectX driver left out (MIT-SHM header: apt-get install "
                          "libxext-dev)",
                  "GL": "-- qx: OpenGL driver left out (GL headers: apt-get install libgl-dev)",
                  "XRANDR": "-- qx: XRandR (full-screen modes, mode list, refresh rate) left out "
                            "(XRandR header: apt-get install libxrandr-dev)"}
    without_x11 = ("-- qx: window drivers (DirectX, GDI, OpenGL) left out (libX11 headers: "
                   "apt-get install libx11-dev)")
    cases = (("extensions", list(extensions), list(extensions.values()), "the GL headers"),
             ("x11", ["X11", *extensions], [without_x11], "libX11's headers"))
    for name, parts, said_lines, why in cases:
        binary = os.path.join(work, "no-" + name)
        configured = configure(ROOT, binary, "-DQX_BUILD_TESTS=OFF", "-DQX_BUILD_BENCH=OFF",
                               "-DQX_BUILD_TOOLS=OFF",
                               *[f"-DQX_{part}_INCLUDE_DIR={hidden}" for part in parts])
        said = configured.stdout.splitlines()
        unsaid = [line for line in [without_x11, *extensions.values()] if line not in said_lines]
        check(configured.returncode == 0 and all(said.count(line) == 1 for line in said_lines) and
              not any(line in said for line in unsaid),
              f"without the {name} headers: configure says once what it leaves out, no more")
        built = configured.returncode == 0 and run(
            ["cmake", "--build", binary, "-j2", "--target", "chase", "qx_opengl"]).returncode == 0
        chase = run([os.path.join(binary, "chase")], timeout=60,
                    env=dict(os.environ, QXGFX="null")) if built else None
        check(chase is not None and chase.returncode == 0 and "Entrez la hauteur" in chase.stdout,
              f"without the {name} headers: chase builds and runs on QXGFX=null")
        env = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
        asked = run([os.path.join(binary, "examples", "qx_opengl")], timeout=60,
                    env=dict(env, QXGFX="opengl")) if built else None
        check(asked is not None and asked.returncode != 0 and
              f'QXGFX="opengl" names the OpenGL driver, which this build left out ({why} were '
              "missing)" in asked.stdout,
              f"without the {name} headers: QXGFX=opengl's error text names the OpenGL driver")


def packages(work, program_source):
    """cpack's .deb and tarball of the static build, extracted and built against."""
    binary = os.path.join(work, "static", "qx")
    made = run(["cpack", "-G", "DEB;TGZ", "-B", os.path.join(work, "packages")], cwd=binary,
               timeout=300)
    deb = os.path.join(work, "packages", "qx_0.3.0_amd64.deb")
    if not check(made.returncode == 0 and os.path.exists(deb),
                 "cpack -G DEB gives qx_0.3.0_amd64.deb"):
        return
    depends = run(["dpkg-deb", "-f", deb, "Depends"]).stdout
    check("libc6" in depends and "libstdc++6" in depends,
          f"the .deb's Depends are computed ({depends.strip()})")
    root = os.path.join(work, "deb")
    run(["dpkg-deb", "-x", deb, root])
    usr = os.path.join(root, "usr")
    check(all(os.path.exists(os.path.join(usr, path)) for path in (
        "bin/chase", "include/qx/qx.h", "include/qx/version.h", "lib/libqx_gfx.a",
        "lib/cmake/qx/qxConfig.cmake", "lib/pkgconfig/qx.pc")),
          "the .deb holds chase, the headers, the libraries and the package files")
    program = os.path.join(work, "deb-find")
    check(build(program_source, program, "-DCMAKE_PREFIX_PATH=" + usr) and
          run_program(os.path.join(program, "hello_qx"), {}),
          "extracted .deb: find_package(qx) builds a program that runs")
    flags = run(["pkg-config", "--static", "--cflags", "--libs", "qx"],
                env=dict(os.environ, PKG_CONFIG_PATH=os.path.join(usr, "lib", "pkgconfig")))
    executable = os.path.join(work, "deb-hello_qx")
    compiled = flags.returncode == 0 and run(
        [os.environ.get("CXX", "c++"), os.path.join(program_source, "hello_qx.cpp"), "-o",
         executable, *flags.stdout.split()]).returncode == 0
    check(compiled and usr in flags.stdout and run_program(executable, {}),
          "extracted .deb: pkg-config --static qx builds a program that runs")
    tarballs = glob.glob(os.path.join(work, "packages", "qx-0.3.0-*.tar.gz"))
    if check(len(tarballs) == 1, "cpack -G TGZ gives one tarball"):
        with tarfile.open(tarballs[0]) as archive:
            names = archive.getnames()
            text = b"".join(archive.extractfile(member).read() for member in archive.getmembers()
                            if member.name.endswith((".pc", ".cmake")))
        check(any(name.endswith("/bin/chase") for name in names) and
              any(name.endswith("/lib/pkgconfig/qx.pc") for name in names) and
              binary.encode() not in text and b"/usr/local" not in text,
              "the tarball holds chase and package files that name no absolute prefix")


def oldest_cmake(work):
    """The build files configured by the oldest CMake they state (QX_OLDEST_CMAKE, or pip's)."""
    with open(os.path.join(ROOT, "CMakeLists.txt")) as lists:
        stated = re.search(r"cmake_minimum_required\(VERSION (\d+\.\d+)", lists.read()).group(1)
    cmake = os.environ.get("QX_OLDEST_CMAKE")
    if not cmake:
        target = os.path.join(work, "cmake-" + stated)
        got = run([sys.executable, "-m", "pip", "install", "--quiet", "--disable-pip-version-check",
                   "--timeout", "10", "--retries", "0", "--target", target,
                   f"cmake=={stated}.*"], timeout=300)
        cmake = os.path.join(target, "bin", "cmake")
        if got.returncode != 0 or not os.path.exists(cmake):
            print(f"skip CMake {stated}, the oldest stated: neither QX_OLDEST_CMAKE nor pip has it")
            return
    version = run([cmake, "--version"]).stdout
    check(f"version {stated}." in version, f"{cmake} is CMake {stated} ({version.split(chr(10))[0]})")
    configured = configure(ROOT, os.path.join(work, "oldest-cmake"), cmake=cmake)
    check(configured.returncode == 0, f"CMake {stated} configures qx and chase")


def main():
    build_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    work = os.path.join(os.path.abspath(build_dir), "package_test")
    shutil.rmtree(work, ignore_errors=True)
    for kind in ("static", "shared"):
        prefix = install(work, kind)
        if check(prefix is not None, f"{kind}: qx builds and installs to a prefix"):
            pc = check_install(prefix, kind)
            program = package_program(work, kind, prefix, pc) if pc else None
            if kind == "static":
                left_out_terminal(program)
                packages(work, os.path.join(PACKAGE, "program"))
    left_out_window_parts(work)
    parent_project(work)
    oldest_cmake(work)
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
