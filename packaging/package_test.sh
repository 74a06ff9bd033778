#!/usr/bin/env bash
# package_test.sh BUILD_DIR: makes the Debian packages with cpack, unpacks them into a temporary
# root, checks what they hold (programs, modules, world, desktop entry with icon and the installed
# program, MIME type, AppStream metadata), then runs the installed moneko-setup into a temporary
# installation and takes a screenshot with the installed moneko. The screenshot is kept in
# BUILD_DIR/artifacts/package for CI. Needs an X server (DISPLAY) or xvfb-run.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

cd "$build"
cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
client=$(ls "$work"/out/moneko_*.deb 2>/dev/null | head -1)
server=$(ls "$work"/out/moneko-server_*.deb 2>/dev/null | head -1)
[ -n "$client" ] || fail "no client package"
[ -n "$server" ] || fail "no server package"
root=$work/root
for deb in "$client" "$server"; do dpkg-deb -x "$deb" "$root"; done
dpkg-deb -f "$client" Depends | grep -q libqt6 || fail "the client package names no Qt libraries"

app=$root/usr/lib/moneko
[ -L "$root/usr/bin/moneko" ] && [ -x "$root/usr/bin/moneko" ] || fail "no /usr/bin/moneko link"
[ -x "$root/usr/bin/moneko-setup" ] || fail "no /usr/bin/moneko-setup"
[ -x "$root/usr/bin/moneko-server" ] || fail "no moneko-server in the server package"
for module in plexa.ocx teskchat.ocx teskcommunication.ocx teskcontrolvrml.ocx vrmlbrowser.ocx \
              vrmlbrowserpkg.zip mediafilter1.ax mediafilter2.ax content/Region_List.Dat; do
  [ -s "$app/$module" ] || fail "$module missing"
done
[ ! -e "$app/content/tools" ] || fail "the content generator is packaged"
for size in 16 24 32 48 64 128 256; do
  [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/moneko.png" ] || fail "no ${size}px icon"
done
desktop=$root/usr/share/applications/org.moneko.Moneko.desktop
grep -qx 'Exec=moneko %f' "$desktop" || fail "Exec= is not the installed program"
grep -qx 'Icon=moneko' "$desktop" || fail "no icon in the desktop entry"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.moneko.Moneko.metainfo.xml" || fail "appstreamcli validate"
grep -q 'type="model/vrml"' "$root/usr/share/mime/packages/moneko-vrml.xml" || fail "no MIME type"
if [ -f "$(dirname "$0")/../server/systemd/moneko-server.service" ]; then
  [ -s "$root/usr/lib/systemd/system/moneko-server.service" ] || fail "the service unit is not packaged"
fi

# Run from the unpacked files only: a fresh registry, data and configuration.
export MONEKO_REGISTRY=$work/registry.reg XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
unset MONEKO_CONTENT_DIR MONEKO_MODULE_DIR
"$root/usr/bin/moneko-setup" "$work/inst" >"$work/setup.log" 2>&1 || { cat "$work/setup.log"; fail "moneko-setup"; }
[ -s "$work/inst/Region/lobby.wrl" ] || fail "moneko-setup did not lay out the world"
grep -q "Icon=moneko" "$work/data/applications/moneko.desktop" || fail "the user's desktop entry has no icon"
grep -q "$app/moneko" "$work/data/applications/moneko.desktop" || fail "the user's desktop entry does not run the installed program"

shot=$work/shot.png
run=("$root/usr/bin/moneko" --world "$work/inst/Region/lobby.wrl" --screenshot "$shot" --after 6)
if [ -z "${DISPLAY:-}" ]; then run=(xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"); fi
timeout 120 "${run[@]}" >"$work/moneko.log" 2>&1 || { cat "$work/moneko.log"; fail "the installed moneko did not run"; }
[ -s "$shot" ] || fail "no screenshot"
mkdir -p "$build/artifacts/package"
cp "$shot" "$build/artifacts/package/installed_client.png"
echo "package test: packages, metadata and the installed client are fine"
