#!/bin/sh
# Checks the demo portal's script against the bridge declarations with TypeScript, and that the
# declarations refuse a call with an argument of the wrong type.
#   types_test.sh SOURCE_DIR NPM_PREFIX
# TypeScript comes from npm, installed once under NPM_PREFIX (in the build tree).
set -eu
source_dir=$1
prefix=$2
tsc="$prefix/node_modules/.bin/tsc"
if [ ! -x "$tsc" ]; then
  command -v npm >/dev/null || { echo "npm is missing: run scripts/test" >&2; exit 1; }
  npm install --no-save --no-audit --no-fund --prefix "$prefix" typescript@5.9.3 >/dev/null
fi
check() {
  "$tsc" --noEmit --allowJs --checkJs --target es2020 --lib es2020,dom,dom.iterable \
    "$source_dir/portal/varnet-bridge.d.ts" "$@"
}

check "$source_dir/portal/site/portal.js"

if refused=$(check "$source_dir/tests/portal/wrong_argument.js"); then
  echo "a call with a text for an integer argument passed the check" >&2
  exit 1
fi
case $refused in
  *"wrong_argument.js(3,"*"error TS2345"*) ;;
  *) echo "unexpected check result: $refused" >&2; exit 1 ;;
esac
