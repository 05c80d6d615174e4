#!/bin/sh
# Installs npm packages that tests use as peers no one here wrote, at exact versions, into PREFIX
# (a folder of the build), from npm's own cache when it can. Never fails: a test whose package is
# missing skips and says why.
# Usage: npm-peer.sh PREFIX NAME@VERSION...
prefix=$1
shift
wanted=""
for spec in "$@"; do
  name=${spec%@*}
  version=${spec##*@}
  have=$(node -p "require('$prefix/node_modules/$name/package.json').version" 2>/dev/null)
  [ "$have" = "$version" ] || wanted="$wanted $spec"
done
if [ -z "$wanted" ]; then
  echo "npm-peer: $* already in $prefix"
  exit 0
fi
if ! command -v npm >/dev/null; then
  echo "npm-peer: npm is not installed (scripts/install-deps.sh installs it); tests needing$wanted skip"
  exit 0
fi
mkdir -p "$prefix"
# shellcheck disable=SC2086
if timeout 300 npm install --prefix "$prefix" --prefer-offline --no-audit --no-fund \
    --fetch-retries=1 --fetch-timeout=30000 $wanted; then
  echo "npm-peer:$wanted installed in $prefix"
else
  echo "npm-peer: npm could not install$wanted (no registry and not in npm's cache?); tests needing them skip"
fi
exit 0
