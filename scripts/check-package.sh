#!/usr/bin/env bash
# Checks the Debian package the way a field laptop meets it: lintian, then installed with apt,
# its programs run from /usr/bin (the console under Xvfb against the virtual lane), then
# removed, leaving nothing of it behind. Usage: check-package.sh laneconsole_VERSION_amd64.deb
set -euo pipefail

deb=$(realpath "$1")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
fail() { echo "check-package: $*" >&2; exit 1; }

echo "check-package: lintian"
lintian --fail-on error --tag-display-limit 0 "$deb"

version=$(dpkg-deb --field "$deb" Version)
echo "check-package: installing laneconsole $version"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb"
installed=$(dpkg-query --listfiles laneconsole)

gate=$(/usr/bin/lanectl build gate-open --address 1)
[ "$gate" = " 55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8" ] || fail "lanectl built '$gate'"
for program in laneconsole lanectl lanesim; do
  said=$("/usr/bin/$program" --version)
  [ "$said" = "$program $version" ] || fail "$program --version said '$said'"
  man -w "$program" >/dev/null || fail "no man page for $program"
done
desktop-file-validate /usr/share/applications/laneconsole.desktop

# The console must still be running when the time-out stops it (status 124).
home=$(mktemp -d)
status=0
HOME="$home" xvfb-run -a timeout 5 /usr/bin/laneconsole || status=$?
rm -rf "$home"
[ "$status" -eq 124 ] || fail "the installed console exited early with status $status"

echo "check-package: removing"
DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq laneconsole
if dpkg-query --status laneconsole >/dev/null 2>&1; then fail "dpkg still knows laneconsole"; fi
left=0
while IFS= read -r path; do
  # Directories like /usr/bin belong to others too; files and links are the package's own.
  if [ -e "$path" ] && [ ! -d "$path" ]; then echo "left behind: $path" >&2; left=1; fi
done <<< "$installed"
[ "$left" -eq 0 ] || fail "files of the package are left"
echo "check-package: passed"
