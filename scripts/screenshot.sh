#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Photographs the window under Xvfb after it replaced a picture of the demo
# firmware (the grid refreshed by the analysis that follows): docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p docs
scripts/window-e2e.sh "$PWD/docs/screenshot.png"
