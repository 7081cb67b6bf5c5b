#!/usr/bin/env bash
# Runs the Python module's tests on the module of a build folder.
# Usage: tests/python/run_python_tests.sh VARNO PYTHON PACKAGE_FOLDER
# Exit status 77 tells CTest the tests were skipped: the module was not built.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
varno=$1 python=$2 package=${3:-}
if [ -z "$package" ] || [ ! -f "$package/varno/__init__.py" ]; then
    echo "SKIP: the Python module was not built: needs pybind11 and Python's headers (scripts/install-deps python)"
    exit 77
fi
"$python" -c "import pytest, pandas" 2> /dev/null ||
    { echo "SKIP: needs pytest and pandas for $python (scripts/install-deps python)"; exit 77; }
cd "$root"
PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$package" VARNO_PROGRAM="$varno" exec "$python" -m pytest -q -p no:cacheprovider tests/python
