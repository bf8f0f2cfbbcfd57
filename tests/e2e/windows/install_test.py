"""The Windows build as others take it in: `cmake --install` gives the headers, the two static
libraries, the CMake package, qx.pc and chase.exe; a program that includes only <qx/qx.h>
cross-builds against them with find_package(qx 0.3 CONFIG) and with pkg-config, and runs under
Wine on the Null driver."""
import os
import shutil
import subprocess
import sys

from wine_session import Checks, WineSession

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-windows")
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
TOOLCHAIN = os.path.join(ROOT, "cmake", "mingw-w64-x86_64.cmake")
PROGRAM = os.path.join(ROOT, "tests", "package", "program")
check = Checks()


def run(command, **extra):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            env=dict(os.environ, **extra), timeout=600)
    if result.returncode != 0:
        print("$ " + " ".join(command) + "\n" + result.stdout[-4000:])
    return result


def installed(prefix):
    installed = run(["cmake", "--install", BUILD, "--prefix", prefix]).returncode == 0
    check(installed, "cmake --install of the cross build")
    files = ["include/qx/qx.h", "include/qx/version.h", "lib/libqx_runtime.a", "lib/libqx_gfx.a",
             "lib/cmake/qx/qxConfig.cmake", "lib/cmake/qx/qxConfigVersion.cmake",
             "lib/cmake/qx/qxTargets.cmake", "lib/pkgconfig/qx.pc", "bin/chase.exe"]
    missing = [name for name in files if not os.path.exists(os.path.join(prefix, name))]
    check(installed and not missing, "headers, static libraries, package files, chase.exe: "
          "missing %r" % missing)
    check(not os.path.exists(os.path.join(prefix, "include", "runtime")),
          "no private header is installed")
    return installed and not missing


def runs(session, program):
    code, out, err = session.run([program], QXGFX="null")
    return code == 0 and out.startswith(b"ok Null 320x200"), (code, out, err)


def consumers(session, prefix, work):
    binary = os.path.join(work, "find")
    built = run(["cmake", "-S", PROGRAM, "-B", binary, "-DCMAKE_TOOLCHAIN_FILE=" + TOOLCHAIN,
                 "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_PREFIX_PATH=" + prefix]).returncode == 0
    built = built and run(["cmake", "--build", binary]).returncode == 0
    ok, result = runs(session, os.path.join(binary, "hello_qx.exe")) if built else (False, None)
    check(built and ok, "find_package(qx 0.3 CONFIG) cross-builds a program that runs: %r"
          % (result,))

    # Only the installed qx.pc: the host's own .pc files are Linux ones.
    flags = run(["pkg-config", "--static", "--cflags", "--libs", "qx"],
                PKG_CONFIG_LIBDIR=os.path.join(prefix, "lib", "pkgconfig"))
    executable = os.path.join(work, "hello_qx_pc.exe")
    built = flags.returncode == 0 and run(
        ["x86_64-w64-mingw32-g++-posix", os.path.join(PROGRAM, "hello_qx.cpp"), "-o", executable,
         "-static", *flags.stdout.split()]).returncode == 0
    ok, result = runs(session, executable) if built else (False, None)
    check(built and ok, "pkg-config --static qx cross-builds a program that runs: %r" % (result,))


def main():
    if not os.path.exists(os.path.join(BUILD, "chase.exe")):
        print("missing chase.exe in", BUILD)
        return 1
    work = os.path.join(BUILD, "install_test")
    shutil.rmtree(work, ignore_errors=True)
    prefix = os.path.join(work, "prefix")
    if installed(prefix):
        with WineSession(BUILD) as session:
            consumers(session, prefix, work)
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
