#!/usr/bin/env bash
# Tries Quotarium without network access or outside market hours: builds the
# program pointed at a local demo service, starts the service, then the
# program. The service stops when the program exits. Options are handed to
# the service: --refuse-primary makes its first quote service answer 403.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v cmake >/dev/null || ! dpkg-query -W qt6-base-dev >/dev/null 2>&1; then
    bash tools/quickstart.sh deps
fi
cmake --preset demo
cmake --build --preset demo -j2 --target quotarium quotarium_demo_service

# A first try starts with a few stocks rather than an empty table; a list the
# user has saved since stays as it is.
if [ ! -e build/demo/bin/Stocks.xml ]; then
    iconv -f UTF-8 -t GB18030 >build/demo/bin/Stocks.xml <<'EOF'
<?xml version="1.0" encoding="GB18030"?>
<Quotarium version="1">
    <股票 代码="sh000001" 上限预警="" 下限预警="" 成本价="" 持有量="" 备注=""/>
    <股票 代码="sh600000" 上限预警="" 下限预警="" 成本价="" 持有量="" 备注=""/>
    <股票 代码="sh600519" 上限预警="" 下限预警="" 成本价="" 持有量="" 备注=""/>
    <股票 代码="sz000001" 上限预警="" 下限预警="" 成本价="" 持有量="" 备注=""/>
    <股票 代码="sz000858" 上限预警="" 下限预警="" 成本价="" 持有量="" 备注=""/>
    <股票 代码="sz399001" 上限预警="" 下限预警="" 成本价="" 持有量="" 备注=""/>
</Quotarium>
EOF
fi

# The demo build asks for its services on this port (CMakePresets.json).
port=18080
log="$(mktemp)"
build/demo/bin/quotarium_demo_service "$@" "$port" >"$log" 2>&1 &
service=$!
trap 'kill $service 2>/dev/null || true; rm -f "$log"' EXIT
# The program's first requests go out as soon as it starts: wait until the
# service listens, and stop if it cannot.
for _ in $(seq 50); do
    grep -q '^demo service on' "$log" && break
    if ! kill -0 "$service" 2>/dev/null; then
        cat "$log" >&2
        echo "The demo service could not start; is port $port in use?" >&2
        exit 1
    fi
    sleep 0.1
done
grep -q '^demo service on' "$log" || { echo "The demo service did not start." >&2; exit 1; }
build/demo/bin/quotarium
