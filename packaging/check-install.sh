#!/usr/bin/env bash
# check-install.sh BUILD SCRATCH PREFIX PROGRAM...: installs the build into
# SCRATCH (as DESTDIR) and checks that every file is where the desktop, man and
# systemd look for it, and that what each file names was installed with it.
set -uo pipefail
build=$1 scratch=$2 prefix=$3
shift 3
programs=("$@")
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
has() {
  local p
  for p in "${programs[@]}"; do [ "$p" = "$1" ] && return 0; done
  return 1
}

rm -rf "$scratch"
if ! DESTDIR=$scratch cmake --install "$build" >"$scratch.log" 2>&1; then
  cat "$scratch.log"
  echo "FAIL: cmake --install"
  exit 1
fi
root=$scratch$prefix

# Each program runs from where it was installed and has a page that describes
# every option its --help lists.
for p in "${programs[@]}"; do
  exe=$root/bin/$p
  if [ ! -x "$exe" ]; then
    fail "$p is not installed in $prefix/bin"
    continue
  fi
  if ! help=$(QT_QPA_PLATFORM=offscreen "$exe" --help 2>&1); then
    fail "$p --help failed: $help"
  fi
  page=$root/share/man/man1/$p.1.gz
  if ! gzip -t "$page" 2>/dev/null; then
    fail "$p has no gzipped manual page in $prefix/share/man/man1"
    continue
  fi
  text=$(zcat "$page")
  title=${p^^}
  grep -qF ".TH ${title//-/\\-} 1 " <<<"$text" || fail "$p.1 does not start with its own title"
  grep -qF "@VERSION@" <<<"$text" && fail "$p.1 still has @VERSION@ in it"
  for opt in $(grep -oE '^[[:space:]]+(-[[:alnum:]],[[:space:]]*)?--[[:alnum:]][[:alnum:]-]*' <<<"$help" |
               grep -oE -- '--[[:alnum:]-]+$' | sort -u); do
    grep -qF -- "${opt//-/\\-}" <<<"$text" || fail "$p --help lists $opt, its manual page does not"
  done
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$p.1: $warnings"
  fi
done

png_size() {  # width x height from a PNG's header
  local bytes
  bytes=($(od -An -tu1 -j16 -N8 "$1"))
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 1
  echo "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3]))x$(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}

# The desktop entry starts an installed program and names an icon of the
# hicolor theme, drawn at each size its folder says.
if has halyard; then
  entry=$root/share/applications/halyard.desktop
  if [ ! -f "$entry" ]; then
    fail "no desktop entry in $prefix/share/applications"
  else
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$root/bin/$exec_name" ] || fail "the desktop entry starts '$exec_name', which is not installed"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$root/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no 48x48 icon '$icon' (the size every theme needs)"
    for png in "$root"/share/icons/hicolor/*/apps/"$icon".png; do
      [ -f "$png" ] || continue
      want=$(basename "$(dirname "$(dirname "$png")")")
      got=$(png_size "$png") || got="not a PNG"
      [ "$got" = "$want" ] || fail "icon in $want is $got"
    done
    if command -v desktop-file-validate >/dev/null; then
      problems=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $problems"
    fi
  fi
fi

# The logging service (and, where halyard-cli has the collect subcommand, the
# collector's) starts the installed console program and reads the settings
# file installed with it.
if has halyard-cli; then
  units=(halyard-log)
  if "$root/bin/halyard-cli" --help 2>&1 | grep -qE '^[[:space:]]+collect[[:space:]]'; then
    units+=(halyard-collect)
    for example in halyard.conf halyard.acl; do
      [ -f "$root/share/doc/halyard/examples/mosquitto/$example" ] ||
        fail "the broker's example $example is not in $prefix/share/doc/halyard/examples/mosquitto"
    done
  fi
  for name in "${units[@]}"; do
    unit=$(find "$scratch" -path "*/systemd/system/$name.service" | head -n 1)
    if [ -z "$unit" ]; then
      fail "$name.service is not installed under a systemd/system folder"
      continue
    fi
    start=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$unit")
    [ -x "$scratch$start" ] || fail "$name.service starts $start, which is not installed"
    settings=$(sed -n 's/^EnvironmentFile=-\{0,1\}//p' "$unit")
    [ -f "$scratch$settings" ] || fail "$name.service reads $settings, which is not installed"
  done
fi

for doc in README.md demo.NVM copyright changelog.gz; do
  [ -f "$root/share/doc/halyard/$doc" ] || fail "$doc is not in $prefix/share/doc/halyard"
done
# The changelog is one Debian wants: compressed, its first entry this version.
if [ -f "$root/share/doc/halyard/changelog.gz" ]; then
  version=$(sed -n 's/^project(Halyard VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
  first=$(gzip -dc "$root/share/doc/halyard/changelog.gz" | head -n 1)
  [ "$first" = "halyard ($version) unstable; urgency=medium" ] ||
    fail "the changelog's first entry is \"$first\", not version $version"
fi

files=$(find "$scratch" -type f | wc -l)
if [ "$failures" -ne 0 ]; then
  echo "$failures problems in the installed files"
  exit 1
fi
echo "installed $files files for ${programs[*]}: all in place"
