#!/usr/bin/env bash
# Installs what is missing, builds Sample Vorlan and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSV_BENCH=OFF
cmake --build build

if [ -x build/app/samplevorlan ]; then
  exec build/app/samplevorlan "$@"
fi
exec build/tools/samplevorlan-cli --help
