#!/usr/bin/env bash
# The Python package as it is published: an sdist built from python/, which pip
# builds and installs into a fresh virtual environment of Debian's interpreter
# from outside the source tree (build, setuptools, pybind11, pytest and
# pyftpdlib from Debian; nothing fetched), then pytest runs the package's tests
# from that environment against the installed copy. Fails on any failure, and
# when no test ran (pytest's exit status 5).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
bash .ci/install-deps.sh build-essential python3 python3-dev python3-venv python3-setuptools \
  python3-pybind11 pybind11-dev python3-pytest python3-pyftpdlib python3-build

# Debian's packages belong to Debian's interpreter; another python3 may come
# first on PATH.
py=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$py" -m venv --system-site-packages "$work/venv"
"$py" -m build --sdist --no-isolation --outdir "$work/dist" "$root/python"
sdist=("$work"/dist/ftpdirlist-*.tar.gz)
# pip unpacks the sdist in a directory of its own, away from the source tree:
# it builds from the C++ files it carries or not at all.
(cd "$work" && "$work/venv/bin/pip" install --quiet --no-build-isolation --no-index --no-deps \
  "${sdist[0]}")

# Outside the source tree, so that the installed package is the one imported.
cd "$work"
"$work/venv/bin/python" - "$work/venv" <<'PY'
import sys, ftpdirlist
assert ftpdirlist.__file__.startswith(sys.argv[1]), ftpdirlist.__file__
print("testing", ftpdirlist.__file__)
PY
"$work/venv/bin/python" -m pytest -q -rs -p no:cacheprovider "$root/python/tests"

# The same tests on the module CMake builds (FTPDIRLIST_BUILD_PYTHON), with the
# project's warning flags.
cd "$root"
cmake --preset dev -B build-python -DFTPDIRLIST_BUILD_PYTHON=ON -DPython_EXECUTABLE="$py" >/dev/null
cmake --build build-python --target ftpdirlist_python
ctest --test-dir build-python -R '^python_tests$' --output-on-failure --no-tests=error
