#!/usr/bin/env bash
# Configures and builds the project into build/ (pass extra CMake options as arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build build --parallel "$(nproc)"
