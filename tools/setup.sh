#!/usr/bin/env bash
# Installs what this project needs from Debian's packages, and only what is missing.
#
#   tools/setup.sh            compiler, CMake, GoogleTest, pkg-config (enough to build and test)
#   tools/setup.sh cross      + mingw-w64, wine (64-bit, and 32-bit where the machine runs 32-bit x86
#                               programs: tools/runs-x86-32.sh), qemu-user, and the 32-bit ARM and
#                               32-bit x86 (i686) Linux compilers
#   tools/setup.sh fuzz       + clang and its fuzzer and sanitizer runtimes
#   tools/setup.sh bench      + Google Benchmark, SQLite, hyperfine, valgrind, and the i686 cross compiler
#                               for the 32-bit x86 library bench/builds.sh measures
#   tools/setup.sh wasm       + clang 14 for WebAssembly with its C and C++ libraries, Node.js,
#                               chromium, and from npm playwright-core, axe-core and typescript
#                               (npm ci in tests/web)
#   tools/setup.sh languages  + mono, to run the C# example; Debian's Python build tools, venv
#                               and pytest, for the Python package; lintian, for the Debian packages
#   tools/setup.sh wince      + clang 14, lld 14 and LLVM's tools for the Windows CE DLL, mingw-w64's
#                               headers, qemu-user and the 32-bit ARM Linux C and C++ libraries for
#                               its stand-in loader (built with clang: no ARM g++ needed)
#
# Groups can be combined: tools/setup.sh cross fuzz
set -euo pipefail
cd "$(dirname "$0")/.."

wasm=0
packages=(g++ cmake make libgtest-dev python3 pkg-config)
for group in "$@"; do
  case "$group" in
    cross) packages+=(mingw-w64 wine wine64 qemu-user g++-arm-linux-gnueabihf g++-i686-linux-gnu)
           # 32-bit wine only where the kernel runs 32-bit x86 programs: elsewhere it can't
           # start, and once installed it keeps 64-bit wine from starting as well.
           if tools/runs-x86-32.sh; then packages+=(wine32:i386); fi ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    bench) packages+=(libbenchmark-dev libsqlite3-dev hyperfine valgrind g++-i686-linux-gnu) ;;
    wasm) packages+=(clang-14 lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32
                     libclang-rt-14-dev-wasm32 chromium)
          wasm=1 ;;
    languages) packages+=(mono-mcs mono-runtime python3-build python3-setuptools python3-wheel
                          python3-venv python3-pytest dpkg-dev fakeroot lintian) ;;
    wince) packages+=(clang-14 lld-14 llvm-14 mingw-w64-i686-dev g++-mingw-w64-i686-posix qemu-user
                      libc6-dev-armhf-cross libgcc-12-dev-armhf-cross libstdc++-12-dev-armhf-cross) ;;
    *) echo "setup.sh: unknown group '$group' (cross, fuzz, bench, wasm, languages, wince)" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
# python3 may come from elsewhere than Debian; any python3 on PATH will do.
# (Only the package named python3 itself: python3-build and the like are still needed.)
if command -v python3 >/dev/null; then
  kept=()
  for package in "${missing[@]}"; do
    [ "$package" = python3 ] || kept+=("$package")
  done
  missing=("${kept[@]}")
fi
# Node.js 20 may come from elsewhere than Debian too; Debian's serves where there is none.
if [ "$wasm" = 1 ] && ! command -v node >/dev/null; then
  missing+=(nodejs npm)
fi
read -r -a missing <<< "${missing[*]}"

if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  # 32-bit wine (wine32:i386) comes from Debian's i386 architecture, added before the update.
  # Make wine prefixes only after it is installed: an older 64-bit prefix can't run 64-bit
  # programs any more.
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The web tests' npm packages, exactly as locked: playwright-core (it downloads no browser),
# axe-core and typescript. Again whenever one of them is missing.
if [ "$wasm" = 1 ]; then
  for package in playwright-core axe-core typescript; do
    if [ ! -d "tests/web/node_modules/$package" ]; then
      npm ci --prefix tests/web --no-audit --no-fund
      break
    fi
  done
fi
