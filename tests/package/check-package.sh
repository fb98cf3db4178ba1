#!/usr/bin/env bash
# Builds the two Debian packages from a finished build, unpacks each into a
# scratch root, lints them, and starts the unpacked wizard (offscreen) and
# korvane-flash beside a simulated gripper, which both must find.
#   check-package.sh CPACK BUILD_DIR DRIVER_LIBRARY SIMULATOR
set -euo pipefail
cpack=$1 build=$2 driver=$3 simulator=$4

work=$(mktemp -d /tmp/korvane-package.XXXXXX)
sim=
cleanup() {
  if [ -n "$sim" ]; then
    echo quit >&3 2>/dev/null || true
    exec 3>&-
    wait "$sim" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) \
  || { cat "$work/cpack.log"; fail "cpack"; }
flash_deb=$(ls "$work"/out/korvane-flash_*.deb)
wizard_deb=$(ls "$work"/out/korvane-upgrader_*.deb)

# Dependencies come from dpkg-shlibdeps: every Qt library a program links
# must be there as the Debian package that ships it. korvane-flash must
# install on a robot PC without a desktop: no GUI or X library may come in.
has() { grep -qE "(^|, )$1( |,|$)" <<<"$2"; }
flash_depends=$(dpkg-deb -f "$flash_deb" Depends)
wizard_depends=$(dpkg-deb -f "$wizard_deb" Depends)
for p in libqt5core5a libqt5serialport5 libc6; do
  has $p "$flash_depends" || fail "korvane-flash Depends lacks $p"
done
grep -oE "(^|[,|] )(libqt5(gui|widgets)|libx|libgl1|libglx|libegl|libopengl|libwayland)[^ ,]*" <<<"$flash_depends" \
  && fail "korvane-flash depends on a GUI library"
for p in libqt5core5a libqt5gui5 libqt5widgets5 libqt5serialport5 libc6 \
    "korvane-flash \(= $(dpkg-deb -f "$wizard_deb" Version)\)"; do
  has "$p" "$wizard_depends" || fail "korvane-upgrader Depends lacks $p"
done

# Qt's own buttons and messages in the user's language.
for deb in "$flash_deb" "$wizard_deb"; do
  has qttranslations5-l10n "$(dpkg-deb -f "$deb" Recommends)" || fail "$(basename "$deb") does not recommend qttranslations5-l10n"
done

# Each file in one package only: dpkg refuses to install both otherwise.
files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}' | sort; }
shared=$(comm -12 <(files "$flash_deb") <(files "$wizard_deb"))
[ -z "$shared" ] || fail "in both packages: $shared"
{ files "$flash_deb"; files "$wizard_deb"; } | grep gripper-sim && fail "the simulator is in a user package"

flash_root=$work/flash wizard_root=$work/wizard
dpkg -x "$flash_deb" "$flash_root"
dpkg -x "$wizard_deb" "$wizard_root"
# The programs and desktop entries are run and read below.
for f in flash/usr/share/man/man1/korvane-flash.1.gz flash/usr/share/doc/korvane-flash/README.Debian \
    wizard/usr/share/icons/hicolor/64x64/apps/korvane-upgrader.png wizard/usr/share/man/man1/korvane-station.1.gz; do
  [ -e "$work/$f" ] || fail "${f#*/} is not in the ${f%%/*} package"
done
# The desktop entries start their programs and are valid.
for p in korvane-upgrader korvane-station; do
  entry=$wizard_root/usr/share/applications/$p.desktop
  grep -qx "Exec=$p" "$entry" || fail "the desktop entry does not start $p"
  desktop-file-validate "$entry" || fail "$p desktop entry"
done
zcat "$wizard_root/usr/share/man/man1/korvane-upgrader.1.gz" | grep -q dialout || fail "manual page says nothing of dialout"
# korvane-flash's page says what its help says, command by command, and
# man finds nothing wrong with it.
LC_ALL=C.UTF-8 MANWIDTH=1000 man --warnings -E UTF-8 -l "$flash_root/usr/share/man/man1/korvane-flash.1.gz" \
  >"$work/flash.man" 2>"$work/man-warnings.txt" || fail "man could not show korvane-flash's page"
[ ! -s "$work/man-warnings.txt" ] || { cat "$work/man-warnings.txt"; fail "man warns of korvane-flash's page"; }
python3 "$(dirname "$0")/help_in_man.py" "$flash_root/usr/bin/korvane-flash" "$work/flash.man" \
  || fail "korvane-flash's manual page and --help differ"
# Software centres list both windows, with the icon their entries name in every size and as SVG.
for m in "$wizard_root"/usr/share/metainfo/*.metainfo.xml; do
  appstreamcli validate --pedantic --no-net "$m" || fail "AppStream metainfo $(basename "$m")"
done
[ "$(ls "$wizard_root"/usr/share/metainfo/*.metainfo.xml | wc -l)" -eq 2 ] || fail "metainfo for both windows"
icons=
for p in korvane-upgrader korvane-station; do
  icon=$(sed -n 's/^Icon=//p' "$wizard_root/usr/share/applications/$p.desktop")
  case " $icons " in *" $icon "*) fail "$p has the other window's icon" ;; esac
  icons="$icons $icon"
  for size in 16x16 32x32 48x48 256x256 scalable; do
    ls "$wizard_root/usr/share/icons/hicolor/$size/apps/$icon."* >/dev/null || fail "no $size icon for $p"
  done
done

# Errors and warnings fail the test; what lintian only suggests is shown.
lint=0
lintian --tag-display-limit 0 "$flash_deb" "$wizard_deb" >"$work/lintian.txt" 2>&1 || lint=$?
cat "$work/lintian.txt"
[ "$lint" -le 1 ] || fail "lintian could not check the packages"
grep -qE '^[EW]: ' "$work/lintian.txt" && fail "lintian reports errors or warnings"

# The unpacked wizard, with the system's Qt, against a simulated gripper.
mkfifo "$work/control"
"$simulator" -g "GC,type=GC3,version=1.6.8,window=0,publish=$work/gripper" <"$work/control" >"$work/sim.log" 2>&1 &
sim=$!
exec 3>"$work/control"
for _ in $(seq 50); do
  grep -q '^ready' "$work/sim.log" && break
  sleep 0.1
done
grep -q '^ready' "$work/sim.log" || { cat "$work/sim.log"; fail "simulator did not start"; }

# Started in a folder that holds plug-in folders, as a shared one might: Qt
# must not look for its plug-ins there.
mkdir -p "$work/cwd/platforms" "$work/cwd/imageformats"
status=0
(cd "$work/cwd" && QT_DEBUG_PLUGINS=1 QT_QPA_PLATFORM=offscreen KORVANE_EXTRA_PORTS="$work/gripper" \
  LD_PRELOAD="$driver" timeout 60 "$wizard_root/usr/bin/korvane-upgrader") >"$work/wizard.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$work/wizard.log"; fail "the installed wizard did not list the gripper (status $status)"; }
grep -qx "driver: listed $work/gripper(C)" "$work/wizard.log" || fail "the wizard listed another: $(grep '^driver:' "$work/wizard.log")"

# The installed korvane-flash finds the same gripper, without a display.
flash_out=$(cd "$work/cwd" && env -u DISPLAY KORVANE_EXTRA_PORTS="$work/gripper" timeout 60 \
  "$flash_root/usr/bin/korvane-flash" list --json) || fail "the installed korvane-flash list failed"
grep -q "\"type_code\": *\"GC3\"" <<<"$flash_out" || { echo "$flash_out"; fail "korvane-flash did not list the GC3"; }
# The installed station starts and keeps its window up until the timeout ends it.
status=0
(cd "$work/cwd" && QT_QPA_PLATFORM=offscreen KORVANE_EXTRA_PORTS="$work/gripper" XDG_DATA_HOME="$work/data" \
  timeout 3 "$wizard_root/usr/bin/korvane-station") >"$work/station.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || { cat "$work/station.log"; fail "the installed korvane-station did not stay up (status $status)"; }
if grep -q "$work/cwd/" "$work/wizard.log"; then
  grep "$work/cwd/" "$work/wizard.log" | head -3
  fail "the wizard looks for plug-ins in the folder it was started in"
fi
