#!/usr/bin/env bash
# Checks the Debian package the way a field laptop meets it: lintian, then installed with apt,
# its programs run from /usr/bin (the console under Xvfb against the virtual lane), then
# removed, leaving nothing of it behind. Usage: check-package.sh laneconsole_VERSION_amd64.deb
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: check-package.sh laneconsole_VERSION_amd64.deb" >&2; exit 2; }
deb=$(realpath "$1")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -y -qq "$@"; }
fail() { echo "check-package: $*" >&2; exit 1; }
trap 'echo "check-package: failed at line $LINENO" >&2' ERR

echo "check-package: lintian"
lintian --fail-on error --tag-display-limit 0 "$deb"

# This machine has every plugin already, so apt cannot show a missing dependency: each
# GStreamer element the programs create must come from a package the package depends on.
depends=$(dpkg-deb --field "$deb" Depends)
for element in uridecodebin rtspsrc rtph264depay rtph265depay h264parse h265parse avdec_h264 \
  avdec_h265 jpegdec souphttpsrc multipartdemux videoconvert videoscale ximagesink appsrc \
  appsink x264enc rtph264pay; do
  plugin=$(gst-inspect-1.0 "$element" | awk '/^  Filename/ { print $2 }')
  owner=$(dpkg-query --search "$(realpath "$plugin")" | cut -d: -f1)
  [[ ", $depends," == *", $owner"[,\ ]* ]] || fail "$element is in $owner, not a dependency"
done

# An earlier run's package, same version or not, must not stand in for this one.
if dpkg-query --status laneconsole >/dev/null 2>&1; then apt_get purge laneconsole; fi
trap 'apt_get purge laneconsole >/dev/null 2>&1 || true' EXIT

version=$(dpkg-deb --field "$deb" Version)
echo "check-package: installing laneconsole $version"
apt_get install "$deb"
installed=$(dpkg-query --listfiles laneconsole)

gate=$(/usr/bin/lanectl build gate-open --address 1)
[ "$gate" = " 55 D5 44 00 00 00 01 00 04 0E AA D0 05 2E F8" ] || fail "lanectl built '$gate'"
for program in laneconsole lanectl lanesim; do
  said=$("/usr/bin/$program" --version)
  [ "$said" = "$program $version" ] || fail "$program --version said '$said'"
  man -w "$program" >/dev/null || fail "no man page for $program"
done
desktop-file-validate /usr/share/applications/laneconsole.desktop

# Still running when the time-out stops it (status 124), its window built: the session log
# is opened with the window.
home=$(mktemp -d)
status=0
HOME="$home" xvfb-run -a timeout 5 /usr/bin/laneconsole || status=$?
logs=$(find "$home/.local/share/LaneConsole" -name 'session-*.log' 2>/dev/null | wc -l)
rm -rf "$home"
[ "$status" -eq 124 ] || fail "the installed console exited early with status $status"
[ "$logs" -eq 1 ] || fail "the installed console opened $logs session logs, not 1"

echo "check-package: removing"
apt_get purge laneconsole
if dpkg-query --status laneconsole >/dev/null 2>&1; then fail "dpkg still knows laneconsole"; fi
left=0
while IFS= read -r path; do
  # Directories like /usr/bin belong to others too; files and links are the package's own.
  if [ -e "$path" ] && [ ! -d "$path" ]; then echo "left behind: $path" >&2; left=1; fi
done <<< "$installed"
[ "$left" -eq 0 ] || fail "files of the package are left"
echo "check-package: passed"
