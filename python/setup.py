"""Builds the ftpdirlist Python package: the C++ core and the pybind11 module.

The source files and the version are read from the CMake files (the
ftpdirlist_core library and the project() line of the top-level
CMakeLists.txt, the module target of python/CMakeLists.txt), so the CMake
build and this one always compile the same files. Build offline with
Debian's setuptools and pybind11:

    /usr/bin/python3 -m venv --system-site-packages venv
    venv/bin/pip install --no-build-isolation python/

An sdist (python3 -m build --sdist python/) carries the C++ files it needs
in its directory cxx/, laid out as in the source tree, and builds from them.
"""

import os
import re
from pathlib import Path

from pybind11.setup_helpers import Pybind11Extension, ParallelCompile, build_ext
import setuptools.command.sdist
from setuptools import setup

HERE = Path(__file__).resolve().parent
# The C++ tree: the sdist's copy, or the source tree python/ lies in.
CXX_COPY = "cxx"
ROOT = HERE / CXX_COPY if (HERE / CXX_COPY).is_dir() else HERE.parent


def cmake_text(path):
    if not path.is_file():
        raise SystemExit(f"{path} not found: build from the ftpdirlist source tree or its sdist")
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


def headers(directory):
    """The files under `directory` that sources include."""
    return sorted(p for p in directory.rglob("*") if p.suffix in (".h", ".hpp", ".inc"))


TEXT = cmake_text(ROOT / "CMakeLists.txt")
VERSION = project_version(TEXT)
MODULE_SOURCES = listed_sources(
    cmake_text(HERE / "CMakeLists.txt"), "pybind11_add_module(ftpdirlist_python MODULE", HERE
)
CORE_SOURCES = listed_sources(TEXT, "add_library(ftpdirlist_core OBJECT", ROOT)
CORE_HEADERS = headers(ROOT / "include") + headers(ROOT / "src")
SOURCES = [rel(path) for path in MODULE_SOURCES + CORE_SOURCES]
# setuptools rebuilds the module when one of these is newer than it; the
# headers are not sources, so a change to one alone would otherwise be missed.
DEPENDS = [rel(p) for p in CORE_HEADERS + headers(HERE / "src")]


class sdist(setuptools.command.sdist.sdist):
    """Puts the C++ files outside python/ into the sdist's cxx/ (the files
    setuptools finds there would land outside the sdist's directory)."""

    def make_release_tree(self, base_dir, files):
        inside = [f for f in files if not os.path.relpath(Path(f).resolve(), HERE).startswith("..")]
        super().make_release_tree(base_dir, inside)
        extra = [ROOT / "CMakeLists.txt", *CORE_SOURCES, *CORE_HEADERS]
        if (ROOT / "LICENSE").is_file():
            extra.append(ROOT / "LICENSE")
        for path in extra:
            target = Path(base_dir) / CXX_COPY / path.relative_to(ROOT)
            self.mkpath(str(target.parent))
            self.copy_file(str(path), str(target))

ParallelCompile("FTPDIRLIST_BUILD_JOBS", default=2).install()

setup(
    name="ftpdirlist",
    version=VERSION,
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
            # __version__ is compiled in, as CMake also does it.
            define_macros=[("FTPDIRLIST_BUILDING", None), ("FTPDIRLIST_VERSION", f'"{VERSION}"')],
            cxx_std=17,
            depends=DEPENDS,
        )
    ],
    cmdclass={"build_ext": build_ext, "sdist": sdist},
    zip_safe=False,
)
