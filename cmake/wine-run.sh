#!/usr/bin/env bash
# Runs a Windows executable under Wine with a throw-away prefix (set by the caller, or made here).
set -e
export WINEDEBUG=-all
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(mktemp -d /tmp/quellor-wine.XXXXXX)
  export WINEPREFIX
fi
exec /usr/lib/wine/wine64 "$@"
