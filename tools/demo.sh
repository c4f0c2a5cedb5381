#!/usr/bin/env bash
# Tries Quotarium without network access or outside market hours: builds the
# program pointed at a local demo service, starts the service, then the
# program. The service stops when the program exits.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v cmake >/dev/null || ! dpkg-query -W qt6-base-dev >/dev/null 2>&1; then
    bash tools/quickstart.sh deps
fi
cmake --preset demo
cmake --build --preset demo --target quotarium quotarium_demo_service
build/demo/bin/quotarium_demo_service 18080 &
service=$!
trap 'kill $service 2>/dev/null || true' EXIT
sleep 0.3
build/demo/bin/quotarium
