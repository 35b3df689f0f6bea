#!/usr/bin/env bash
# Checks an installed Marklens: ROOT holds bin/ and share/ (an install prefix, or usr/ of an
# unpacked package). The installed marklens-cli, with nothing beside it, must find its data under
# share/marklens and read a page of a headless Chromium; without the probe it must say which
# file it missed where.
#   checkinstalled.sh ROOT PAGES-DIR
set -euo pipefail
root=$1
pages=$(cd "$2" && pwd)
cli=$root/bin/marklens-cli
scratch=$(mktemp -d)
browser=
# The browser runs in a session of its own: its helper processes still write into the profile
# after the first one is gone, so the whole group is ended before the profile is removed.
cleanup() {
    if [ -n "$browser" ]; then
        kill -TERM -- "-$browser" 2>/dev/null || true
        for _ in $(seq 50); do
            kill -0 -- "-$browser" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL -- "-$browser" 2>/dev/null || true
        wait "$browser" 2>/dev/null || true
    fi
    rm -rf "$scratch" 2>/dev/null || { sleep 1 && rm -rf "$scratch"; } || true
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

for file in bin/marklens-cli share/marklens/marklens-probe.js; do
    [ -f "$root/$file" ] || fail "$file is not installed"
done
[ -f "$root/bin/marklens" ] && for file in share/applications/marklens.desktop share/icons/hicolor/32x32/apps/marklens.png; do
    [ -f "$root/$file" ] || fail "$file is not installed"
done
version=$("$cli" --version)
[[ $version == "Marklens "[0-9]* ]] || fail "marklens-cli --version printed '$version'"
if [ -f "$root/bin/marklens" ]; then
    [ "$("$root/bin/marklens" --version)" = "$version" ] || fail "the two programs give different versions"
fi

setsid "${MARKLENS_CHROMIUM:-chromium}" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --disable-dev-shm-usage \
    --user-data-dir="$scratch/profile" --remote-debugging-port=0 "file://$pages/edit.html" >/dev/null 2>&1 &
browser=$!
for _ in $(seq 300); do
    [ -s "$scratch/profile/DevToolsActivePort" ] && break
    sleep 0.1
done
port=$(head -n 1 "$scratch/profile/DevToolsActivePort" 2>/dev/null) || fail "the browser did not start"

# The page may still be loading when the browser first answers.
mirror=
for _ in $(seq 50); do
    mirror=$("$cli" mirror 0 --endpoint "127.0.0.1:$port" 2>"$scratch/err") || true
    [[ $mirror == *'id=&quot;box&quot;'* ]] && break
    sleep 0.2
done
[[ $mirror == *'id=&quot;box&quot;'* ]] || fail "installed marklens-cli mirror gave '${mirror:0:200}' $(cat "$scratch/err")"

if [ -f "$root/share/marklens/attribs.xml" ]; then
    node=$(grep -o 'node-id="[0-9]*"' <<<"$mirror" | sed -n 2p | tr -dc 0-9)
    "$cli" style 0 "$node" --endpoint "127.0.0.1:$port" >/dev/null || fail "installed marklens-cli style failed"
fi

rm "$root/share/marklens/marklens-probe.js"
if "$cli" mirror 0 --endpoint "127.0.0.1:$port" >/dev/null 2>"$scratch/err"; then
    fail "marklens-cli mirror worked without its probe"
fi
grep -q "marklens-probe.js in .*share/marklens" "$scratch/err" || fail "missing probe reported as '$(cat "$scratch/err")'"
echo "installed programs checked"
