#!/usr/bin/env bash
# The Debian packages, as CTest makes and checks them (cmake/debian.cmake):
#
#   check.sh build BUILD_DIR             cpack writes the three packages to BUILD_DIR/packages
#   check.sh lintian BUILD_DIR           lintian finds no error in them (warnings are printed)
#   check.sh unpacked BUILD_DIR SCRATCH  each unpacked into SCRATCH/root with dpkg -x (nothing is
#                                        installed on this machine), then the command line run
#                                        from there and C hosts built against it through
#                                        pkg-config and find_package
set -euo pipefail

source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }
packages=(libtuneledger1 libtuneledger-dev tuneledger)

# The one .deb of package $1 in $2/packages.
deb_of() {
  local found=("$2/packages/$1"_*.deb)
  [ ${#found[@]} -eq 1 ] && [ -f "${found[0]}" ] || fail "expected one $1 package in $2/packages"
  echo "${found[0]}"
}

[ $# -ge 2 ] || fail "usage: $0 build|lintian|unpacked BUILD_DIR [SCRATCH]"
build="$(cd "$2" && pwd)"

case "$1" in
  build)
    rm -rf "$build/packages"
    (cd "$build" && cpack --config CPackConfig.cmake)
    for package in "${packages[@]}"; do deb_of "$package" "$build" >/dev/null; done
    ;;

  lintian)
    debs=()
    for package in "${packages[@]}"; do debs+=("$(deb_of "$package" "$build")"); done
    # Errors fail; warnings and notes show. (lintian warns when run as root, as CI does.)
    lintian --fail-on error --info --display-info "${debs[@]}"
    ;;

  unpacked)
    [ $# -eq 3 ] || fail "usage: $0 unpacked BUILD_DIR SCRATCH"
    scratch="$3"
    rm -rf "$scratch"
    mkdir -p "$scratch/root"
    scratch="$(cd "$scratch" && pwd)"
    root="$scratch/root"
    version="$(dpkg-deb -f "$(deb_of libtuneledger1 "$build")" Version)"
    tuple="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
    libdir="$root/usr/lib/$tuple"

    step "the packages' fields"
    for package in "${packages[@]}"; do
      deb="$(deb_of "$package" "$build")"
      dpkg-deb -f "$deb" Package Version Architecture Multi-Arch Depends Section
      dpkg -x "$deb" "$root"
      for doc in copyright changelog.Debian.gz; do
        [ -f "$root/usr/share/doc/$package/$doc" ] || fail "$package has no /usr/share/doc/$package/$doc"
      done
      echo
    done
    for package in libtuneledger1 libtuneledger-dev; do
      [ "$(dpkg-deb -f "$(deb_of "$package" "$build")" Multi-Arch)" = same ] || fail "$package is not Multi-Arch: same"
    done
    for package in libtuneledger-dev tuneledger; do
      dpkg-deb -f "$(deb_of "$package" "$build")" Depends | grep -qF "libtuneledger1 (= $version)" ||
        fail "$package does not depend on libtuneledger1 (= $version)"
    done
    dpkg-deb -f "$(deb_of tuneledger "$build")" Depends | grep -q "libc6" || fail "tuneledger does not depend on libc6"
    grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
      "$root/usr/share/doc/tuneledger/copyright" || fail "the copyright file is not machine-readable"
    zcat "$root/usr/share/doc/tuneledger/changelog.Debian.gz" | head -1 | grep -qF "($version)" ||
      fail "the changelog's first entry is not version $version"
    gzip -t "$root/usr/share/man/man1/tuneledger.1.gz" || fail "no compressed manual page"
    bash -c "source '$root/usr/share/bash-completion/completions/tuneledger'" || fail "the bash completion does not load"

    step "the command line, unpacked, with its library from the scratch root"
    loaded="$(ldd "$root/usr/bin/tuneledger" | sed -n 's/.*libtuneledger\.so\.1 => \(.*\) (0x.*/\1/p')"
    echo "libtuneledger.so.1 => $loaded"
    [ "$loaded" -ef "$libdir/libtuneledger.so.1" ] || fail "the command line does not load the unpacked library"
    entry="$("$root/usr/bin/tuneledger" get 4)"
    echo "$entry"
    [ "$entry" = "Hidden Wolves |Shake Me Down|1223|186|1|(x124)|2905678|718865961" ] || fail "get 4"
    [ "$("$root/usr/bin/tuneledger" filter 'love;(x;' --count)" = 7 ] || fail "filter 'love;(x;' --count"

    # The C host of tests/consumer, which checks its own answers.
    run_host() {
      readelf -d "$1" | grep -q "(NEEDED).*\[libtuneledger.so.1\]" || fail "$1 does not link libtuneledger.so.1"
      LD_LIBRARY_PATH="$libdir" "$1"
    }

    step "a C host built through pkg-config, from the scratch root"
    export PKG_CONFIG_PATH="$libdir/pkgconfig"
    # The .pc file finds its prefix from where it lies. (pkg-config --define-prefix would guess
    # it as two folders up, which a multiarch lib/<tuple>/pkgconfig is not.)
    flags="$(pkg-config --cflags --libs tuneledger)"
    echo "tuneledger $(pkg-config --modversion tuneledger): $flags"
    [ "$(pkg-config --variable=includedir tuneledger)" -ef "$root/usr/include" ] &&
      [ "$(pkg-config --variable=libdir tuneledger)" -ef "$libdir" ] ||
      fail "pkg-config's folders are not those of the scratch root"
    # shellcheck disable=SC2086  # pkg-config's flags are meant to split into words
    "${CC:-cc}" -o "$scratch/pkg-config-host" "$source_dir/tests/consumer/consumer.c" $flags
    run_host "$scratch/pkg-config-host"

    step "a C host built through find_package(tuneledger CONFIG), from the scratch root"
    cmake -S "$source_dir/tests/consumer" -B "$scratch/find_package" -DCMAKE_PREFIX_PATH="$root/usr" \
      >"$scratch/find_package.log" 2>&1 || { cat "$scratch/find_package.log"; fail "configure"; }
    cmake --build "$scratch/find_package" >>"$scratch/find_package.log" 2>&1 ||
      { cat "$scratch/find_package.log"; fail "build"; }
    run_host "$scratch/find_package/consumer"
    echo "the unpacked packages serve the command line and both C hosts"
    ;;

  *)
    fail "usage: $0 build|lintian|unpacked BUILD_DIR [SCRATCH]"
    ;;
esac
