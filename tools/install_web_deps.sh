#!/usr/bin/env bash
# Installs what building, checking and testing the web player needs on
# Debian 12, on top of tools/install_deps.sh:
#   emscripten            C++ to WebAssembly (with Debian's Node.js modules)
#   glslang-tools         glslangValidator, the programs' portability check
#   chromium              the browser test (headless, software WebGL 2)
#   python3-websocket     the test's DevTools protocol client
#   python3-pil, -numpy   the test's frame comparison
set -euo pipefail
. "$(dirname "$0")/apt_get.sh"
update_package_lists
apt_get install -y -qq --no-install-recommends \
    emscripten glslang-tools chromium python3-websocket python3-pil python3-numpy > /dev/null
