"""Builds the ftpdirlist Python package: the C++ core and the pybind11 module.

The source files and the version are read from the CMake files (the
ftpdirlist_core library and the project() line of the top-level
CMakeLists.txt, the module target of python/CMakeLists.txt), so the CMake
build and this one always compile the same files. Build offline with
Debian's setuptools and pybind11:

    /usr/bin/python3 -m venv --system-site-packages venv
    venv/bin/pip install --no-build-isolation python/
"""

import os
import re
from pathlib import Path

from pybind11.setup_helpers import Pybind11Extension, ParallelCompile, build_ext
from setuptools import setup

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent


def cmake_text(path):
    if not path.is_file():
        raise SystemExit(f"{path} not found: build from the ftpdirlist source tree")
    return path.read_text(encoding="utf-8")


def listed_sources(text, call, where):
    """The files of a CMake call such as add_library(ftpdirlist_core OBJECT
    ...), checked to be plain paths of existing C++ files under `where` (a
    CMake variable or generator expression there would be missed, so it stops
    the build instead)."""
    match = re.search(re.escape(call).replace(r"\ ", r"\s+") + r"\s+([^)]*)\)", text)
    if match is None:
        raise SystemExit(f"{call} ...) not found")
    sources = []
    for line in match.group(1).splitlines():
        for item in line.split("#", 1)[0].split():
            if not re.fullmatch(r"[A-Za-z0-9_./-]+\.cpp", item) or not (where / item).is_file():
                raise SystemExit(f"{call} ...): {item!r} is not a plain .cpp path")
            sources.append(where / item)
    return sources


def project_version(text):
    match = re.search(r"project\(\s*ftpdirlist\s+VERSION\s+([0-9.]+)", text)
    if match is None:
        raise SystemExit("CMakeLists.txt: project(ftpdirlist VERSION ...) not found")
    return match.group(1)


def rel(path):
    # setuptools wants paths relative to the directory it runs in.
    return os.path.relpath(path, Path.cwd())


TEXT = cmake_text(ROOT / "CMakeLists.txt")
# The module's own files as python/CMakeLists.txt lists them, then the core's.
SOURCES = [
    rel(path)
    for path in listed_sources(
        cmake_text(HERE / "CMakeLists.txt"), "pybind11_add_module(ftpdirlist_python MODULE", HERE
    )
    + listed_sources(TEXT, "add_library(ftpdirlist_core OBJECT", ROOT)
]
# setuptools rebuilds the module when one of these is newer than it; the
# headers are not sources, so a change to one alone would otherwise be missed.
DEPENDS = sorted(rel(p) for d in ("include", "src", "python/src") for p in (ROOT / d).rglob("*.h*"))

ParallelCompile("FTPDIRLIST_BUILD_JOBS", default=2).install()

setup(
    name="ftpdirlist",
    version=project_version(TEXT),
    description="Fast, exact parser for FTP directory listings (LIST, MLSD and many server formats)",
    long_description=__doc__,
    long_description_content_type="text/plain",
    license="MIT",
    classifiers=[
        "License :: OSI Approved :: MIT License",
        "Programming Language :: C++",
        "Programming Language :: Python :: 3",
    ],
    python_requires=">=3.9",
    packages=["ftpdirlist"],
    package_dir={"ftpdirlist": rel(HERE / "ftpdirlist")},
    package_data={"ftpdirlist": ["py.typed", "*.pyi"]},
    ext_modules=[
        Pybind11Extension(
            "ftpdirlist._ftpdirlist",
            SOURCES,
            include_dirs=[rel(ROOT / "include"), rel(ROOT / "src")],
            define_macros=[("FTPDIRLIST_BUILDING", None)],
            cxx_std=17,
            depends=DEPENDS,
        )
    ],
    cmdclass={"build_ext": build_ext},
    zip_safe=False,
)
