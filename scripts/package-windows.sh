#!/usr/bin/env bash
# package-windows.sh [BUILD_DIR]: cross-builds halyard-cli.exe (Release,
# statically linked: it needs no DLLs) into BUILD_DIR (default
# build-win-pkg) and packs it with the README, the licence and the example
# NVRAM file into halyard-cli-<version>-windows-x64.zip there; prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-win-pkg}
HALYARD_TARGETS=halyard-cli bash scripts/build-windows.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DHALYARD_TESTS=OFF
version=$(sed -n 's/^project(Halyard VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=halyard-cli-$version-windows-x64
stage=$dir/$name
rm -rf "$stage" "$dir/$name.zip"
mkdir -p "$stage"
cp "$dir/src/console/halyard-cli.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/halyard-cli.exe"
# Text files with Windows line ends, so that Notepad shows their lines.
for file in README.md LICENSE examples/demo.NVM; do
  sed 's/$/\r/' "$file" > "$stage/$(basename "$file")"
done
(cd "$dir" && zip -qr "$name.zip" "$name")
echo "$(cd "$dir" && pwd)/$name.zip"
