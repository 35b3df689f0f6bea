#!/usr/bin/env bash
# cmake --install of the build tree into a temporary prefix, then the installed programs checked.
#   installtest.sh CMAKE BUILD-DIR PAGES-DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$1" --install "$2" --prefix "$prefix" >/dev/null
bash "$(dirname "$0")/checkinstalled.sh" "$prefix" "$3"
