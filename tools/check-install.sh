#!/usr/bin/env bash
# Installs a build of the library into a scratch prefix and builds and runs a C host against the
# installed copy twice: through find_package(tuneledger CONFIG) and through pkg-config.
#
#   tools/check-install.sh BUILD_DIR SCRATCH_DIR
#
# SCRATCH_DIR is emptied first and belongs to this script. The installed tree is moved before
# anything uses it, so nothing may depend on the place it was installed to.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SCRATCH_DIR" >&2
  exit 2
fi
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
scratch="$2"
host_source="$source_dir/tests/consumer"

fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

rm -rf "$scratch"
mkdir -p "$scratch"
scratch="$(cd "$scratch" && pwd)"

step "install into a scratch prefix, then move it"
cmake --install "$build" --prefix "$scratch/installed-here" >"$scratch/install.log"
mv "$scratch/installed-here" "$scratch/prefix"
prefix="$scratch/prefix"
(cd "$prefix" && find . -type f -o -type l | sort)

pc_file="$(find "$prefix" -name tuneledger.pc)"
[ -n "$pc_file" ] || fail "no tuneledger.pc installed"
libdir="$(dirname "$(dirname "$pc_file")")"
[ -f "$prefix/include/tuneledger.h" ] || fail "no header in $prefix/include"
[ -x "$prefix/bin/tuneledger" ] || fail "no command-line host in $prefix/bin"

step "the shared object's SONAME carries the ABI version"
soname="$(readelf -d "$libdir/libtuneledger.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')"
echo "SONAME $soname"
[ "$soname" = "libtuneledger.so.1" ] || fail "SONAME is '$soname', expected libtuneledger.so.1"

step "the installed command-line host"
"$prefix/bin/tuneledger" get 4

# Runs the host built in `folder` and checks it links the library by its SONAME.
run_host() {
  local host="$1/consumer"
  readelf -d "$host" | grep -q "(NEEDED).*\[libtuneledger.so.1\]" ||
    fail "$host does not link libtuneledger.so.1"
  "$host"
}

step "a C host through find_package(tuneledger CONFIG)"
cmake -S "$host_source" -B "$scratch/find_package" -DCMAKE_PREFIX_PATH="$prefix" \
  >"$scratch/find_package.log" 2>&1 || { cat "$scratch/find_package.log"; fail "configure"; }
cmake --build "$scratch/find_package" >>"$scratch/find_package.log" 2>&1 ||
  { cat "$scratch/find_package.log"; fail "build"; }
run_host "$scratch/find_package"

step "the package refuses a later major version"
if cmake -S "$host_source" -B "$scratch/major_2" -DCMAKE_PREFIX_PATH="$prefix" -DWANTED_VERSION=2 \
  >"$scratch/major_2.log" 2>&1; then
  fail "find_package(tuneledger 2) found version 1"
fi
echo "find_package(tuneledger 2) fails, as it must"

step "a C host through pkg-config"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
echo "tuneledger $(pkg-config --modversion tuneledger): $(pkg-config --cflags --libs tuneledger)"
[ "$(pkg-config --variable=prefix tuneledger)" -ef "$prefix" ] ||
  fail "pkg-config's prefix is not where the tree now lies"
mkdir -p "$scratch/pkg-config"
# shellcheck disable=SC2046  # pkg-config's flags are meant to split into words
"${CC:-cc}" -o "$scratch/pkg-config/consumer" "$host_source/consumer.c" \
  $(pkg-config --cflags --libs tuneledger) -Wl,-rpath,"$(pkg-config --variable=libdir tuneledger)"
run_host "$scratch/pkg-config"

echo "installed package: both hosts built and ran"
