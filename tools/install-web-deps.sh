#!/usr/bin/env bash
# Installs what the web remote needs and the machine does not have yet:
# Node.js (20 or later) and socat from Debian's packages, with --browser also
# Debian's chromium for the browser tests; then web/'s npm packages (npm ci).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(socat)
[ "${1:-}" != --browser ] || packages+=(chromium)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "install-web-deps: installing ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
nodeMajor=$(node -p 'process.versions.node.split(".")[0]')
if [ "$nodeMajor" -lt 20 ]; then
    echo "install-web-deps: Node.js $(node --version) is too old; the web remote's tools need 20 or later" >&2
    exit 1
fi

cd "$root/web"
npm ci --no-audit --no-fund
