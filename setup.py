"""Builds the native part of the Python module with CMake: the target _varno
of the project's own CMakeLists.txt, which links a position-independent copy
of the library compiled with the program's settings. Everything else about
the package is in pyproject.toml."""

import os
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, extension):
        build = Path(self.build_temp).resolve() / "cmake"
        target = Path(self.get_ext_fullpath(extension.name)).resolve()
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DBUILD_TESTING=OFF", "-DVARNO_MANPAGE=OFF", "-DVARNO_PYTHON=ON",
                        f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        # Two jobs unless told otherwise: the build shares the machine.
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", str(build), "--target", "_varno", "-j", jobs], check=True)
        built = build / "python" / "varno" / target.name
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


# The setuptools build folder is build-pip: build/ is the README's CMake build.
setup(ext_modules=[Extension("varno._varno", sources=[])], cmdclass={"build_ext": CMakeBuild},
      options={"build": {"build_base": "build-pip"}})
