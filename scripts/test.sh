#!/usr/bin/env bash
# Sets up a fresh machine if needed, builds, and runs the whole test suite. Tests that open
# windows run on a virtual X display.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/setup.sh

xvfb-run -a --server-args="-screen 0 1920x1080x24" \
    ctest --test-dir build --output-on-failure -j2 --timeout 600
