#!/usr/bin/env bash
# Every build's cost on one paging workload (bench/builds_workload.txt: 26 texts and filters,
# common, rare, absent and hostile, each paged through all its hits), per scan kernel, in one
# table:
#
#   bench/builds.sh [RUNS]        (RUNS: timed walks per kernel, the fastest counting; 7)
#
# - x86-64, 32-bit x86 (i686) and 32-bit ARM Linux builds: instructions per walk, counted under
#   qemu-user with bench/qemu_count.c (a warm walk: two walks less one), since a 32-bit program
#   may not run on this machine's kernel; the x86-64 build's also by callgrind. "vs x86-64" is
#   the i686 count over the x86-64 count of the same kernel, and an ARM count over the x86-64
#   library's (the kernel it chooses).
# - The Windows CE DLL: instructions per walk under qemu-arm, walked by the stand-in CE loader
#   (tests/wince_loader) through the calls it finds by ordinal; "vs x86-64" as for ARM.
# - Every native build that runs here: the time per walk, each kernel in one process, and the
#   shared library or DLL itself ("library:KERNEL", its own choice); the Windows DLLs under wine.
#   "vs portable" is the time over the portable kernel's in the same process.
# - The WebAssembly module, both builds, under Node; "vs native" is its time over the x86-64
#   Linux library's.
#
# Builds what it needs in build/builds-*: the i686 cross compiler (tools/setup.sh bench), mingw-w64,
# wine and the ARM cross compiler (tools/setup.sh cross), clang 14, lld 14 and Node (tools/setup.sh
# wasm wince), valgrind and qemu-user.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-7}
workload=$root/bench/builds_workload.txt
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
log=$root/build/builds.log
mkdir -p build
: > "$log"

common=(-DCMAKE_BUILD_TYPE=Release -DTUNELEDGER_BUILD_TESTS=OFF -DTUNELEDGER_BUILD_CLI=OFF -DTUNELEDGER_INSTALL=OFF)
native=("${common[@]}" -DTUNELEDGER_BUILD_BENCH=ON -DTUNELEDGER_BENCH_PEERS=OFF)
# build DIR TARGET [CMAKE ARGS...]
build() {
  local dir=$1 target=$2
  shift 2
  echo "building $dir" >&2
  cmake -S "$root" -B "$root/build/$dir" "$@" >>"$log" 2>&1 &&
    cmake --build "$root/build/$dir" -j2 --target "$target" >>"$log" 2>&1 ||
    { echo "building $dir failed: see $log" >&2; exit 1; }
}
build builds-x86_64 tuneledger_builds "${native[@]}"
build builds-i686 tuneledger_builds "${native[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/i686-linux-gnu.cmake"
build builds-windows tuneledger_builds "${native[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake"
build builds-windows-x86 tuneledger_builds "${native[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-i686.cmake"
build builds-arm tuneledger_builds "${native[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/arm-linux-gnueabihf.cmake"
# The Windows CE DLL with its tests' stand-in loader, which walks the workload through the DLL.
build builds-wince all -DCMAKE_BUILD_TYPE=Release -DTUNELEDGER_BUILD_CLI=OFF -DTUNELEDGER_INSTALL=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/wince-arm.cmake"
build builds-wasm all "${common[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/wasm32-wasi.cmake"
gcc -O2 -shared -fPIC -o "$scratch/qemu_count.so" bench/qemu_count.c

# Rows: "build|kernel|hits|instructions|callgrind|ms", one file per build.
rows=$scratch/rows
: > "$rows"
# times BUILD COMMAND...: one row per "kernel NAME hits N ms T" line the command prints.
times() {
  local name=$1
  shift
  # (Programs under wine end their lines with a carriage return.)
  "$@" 2>>"$log" | tr -d '\r' | while read -r _ kernel _ hits _ ms; do
    echo "$name|$kernel|$hits|||$ms" >> "$rows"
  done
}
sysroot_of() {
  case $1 in
    qemu-i386) echo /usr/i686-linux-gnu ;;
    qemu-arm) echo /usr/arm-linux-gnueabihf ;;
    *) echo / ;;
  esac
}
# instructions QEMU PROGRAM [ARGUMENT...]: the guest instructions of one run, counted by the plugin.
instructions() {
  local qemu=$1
  shift
  $qemu -cpu max -L "$(sysroot_of "$qemu")" -plugin "$scratch/qemu_count.so" -d plugin "$@" 2>&1 >/dev/null |
    sed -n 's/^instructions //p'
}
# warm COMMAND...: one warm walk's instructions, the COMMAND run with 2 walks less with 1 (the
# number of walks is its last argument).
warm() {
  local one two
  one=$("$@" 1)
  two=$("$@" 2)
  echo $((two - one))
}

echo "measuring the Linux builds" >&2
linux64=$root/build/builds-x86_64
linux32=$root/build/builds-i686
# Kernels this processor runs in each build, as qemu's processor reports them.
# (qemu-arm's "max" processor has NEON, so the ARM build runs its NEON kernel as well.)
for arch in x86_64 i686 arm; do
  dir=$root/build/builds-$arch
  qemu=qemu-$arch
  [ "$arch" = i686 ] && qemu=qemu-i386
  sysroot=$(sysroot_of "$qemu")
  kernels=$($qemu -cpu max -L $sysroot "$dir/bench/tuneledger_builds" "$workload" --library "$dir/libtuneledger.so" --runs 1 | awk '{print $2}')
  for kernel in $kernels; do
    only=$kernel
    [[ $kernel == library:* ]] && only=library
    n=$(warm instructions "$qemu" "$dir/bench/tuneledger_builds" "$workload" --library "$dir/libtuneledger.so" \
      --only "$only" --walks)
    echo "$arch Linux|$kernel||$n||" >> "$rows"
  done
done
# The CE DLL (its word32 kernel: CE assumes no NEON), walked by the stand-in loader under qemu-arm.
wince=$root/build/builds-wince
n=$(warm instructions qemu-arm "$wince/wince-loader/tests/wince_loader/tuneledger_wince_loader" \
  "$wince/bin/TUNELEDGER.dll" --workload "$workload")
echo "Windows CE DLL|library:word32||$n||" >> "$rows"
# callgrind: each kernel's walk dumped on its own by the driver.
valgrind --tool=callgrind --callgrind-out-file="$scratch/cg" "$linux64/bench/tuneledger_builds" "$workload" \
  --library "$linux64/libtuneledger.so" --runs 1 >/dev/null 2>>"$log"
for dump in "$scratch"/cg.*; do
  name=$(sed -n 's/^desc: Trigger: Client Request: walk //p' "$dump")
  [ -n "$name" ] || continue
  [ "$name" = library ] && name=$(awk -F'|' '$1 == "x86_64 Linux" && $2 ~ /^library:/ {print $2}' "$rows" | head -1)
  echo "x86_64 Linux|$name|||$(sed -n 's/^summary: //p' "$dump")|" >> "$rows"
done
times "x86_64 Linux" "$linux64/bench/tuneledger_builds" "$workload" --library "$linux64/libtuneledger.so" --runs "$runs"
# A 32-bit program runs here only where the kernel runs 32-bit x86 code.
if "$linux32/bench/tuneledger_builds" "$workload" --only portable --walks 0 >/dev/null 2>&1; then
  times "i686 Linux" "$linux32/bench/tuneledger_builds" "$workload" --library "$linux32/libtuneledger.so" --runs "$runs"
fi

echo "measuring the Windows DLLs under wine" >&2
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
tools/wine-env.sh prefix
for dir in builds-windows builds-windows-x86; do
  name="Windows x64 DLL"
  [ "$dir" = builds-windows-x86 ] && name="Windows x86 DLL"
  bin=$root/build/$dir/bin
  if tools/wine-env.sh run "$bin/tuneledger_builds.exe" "$workload" --only portable --walks 0 >/dev/null 2>&1; then
    times "$name" tools/wine-env.sh run "$bin/tuneledger_builds.exe" "$workload" --library "$bin/TUNELEDGER.dll" --runs "$runs"
  else
    echo "$name|(does not run here)|||||" >> "$rows"
  fi
done

echo "measuring the WebAssembly module under Node" >&2
times "WebAssembly" node bench/builds_wasm.mjs "$root/build/builds-wasm/site" "$workload" "$runs"

# The table: one line per build and kernel, its figures merged from the rows.
awk -F'|' -v queries="$(grep -cv '^\(#\|$\)' "$workload")" '
  { key = $1 "|" $2
    if (!(key in seen)) { seen[key] = 1; order[++n] = key; build[key] = $1; kernel[key] = $2 }
    if ($3 != "") hits[key] = $3
    if ($4 != "") insns[key] = $4
    if ($5 != "") cg[key] = $5
    if ($6 != "") ms[key] = $6
    if ($2 == "portable" && $6 != "") portable[$1] = $6
    if ($1 == "x86_64 Linux" && $4 != "") x64[$2] = $4
    if ($1 == "x86_64 Linux" && $2 ~ /^library:/ && $4 != "") x64library = $4
    if ($1 == "x86_64 Linux" && $2 ~ /^library:/ && $6 != "") native = $6
    if ($3 != "") allhits = $3
  }
  function group(x,   s, r) { s = x ""; r = ""; while (length(s) > 3) { r = "," substr(s, length(s) - 2) r; s = substr(s, 1, length(s) - 3) } return s r }
  function ratio(a, b) { return (a == "" || b == "" || b == 0) ? "" : sprintf("%.2fx", a / b) }
  END {
    printf "Paging workload: %d queries (bench/builds_workload.txt), %s hits, each paged from entry 0\n", queries, group(allhits)
    printf "instructions: one warm walk, counted under qemu-user; callgrind: the same walk under callgrind\n"
    printf "ms: the fastest of the timed walks, wall clock, on this machine\n\n"
    printf "%-16s %-22s %14s %9s %14s %9s %11s %9s\n", "build", "kernel", "instructions", "vs x86-64", "callgrind", "ms", "vs portable", "vs native"
    for (i = 1; i <= n; ++i) {
      k = order[i]; b = build[k]; kn = kernel[k]
      base = kn; sub(/^library:/, "", base)
      vs64 = (b == "i686 Linux") ? ratio(insns[k], x64[kn]) : ""
      # ARM and the CE DLL: over what the x86-64 library runs (its own choice of kernel).
      if (b == "arm Linux" || b == "Windows CE DLL") vs64 = ratio(insns[k], x64library)
      vp = (kn != "portable" && b in portable) ? ratio(ms[k], portable[b]) : ""
      vn = (b == "WebAssembly") ? ratio(ms[k], native) : ""
      printf "%-16s %-22s %14s %9s %14s %9s %11s %9s\n", b, kn, (k in insns) ? group(insns[k]) : "", vs64, (k in cg) ? group(cg[k]) : "", (k in ms) ? ms[k] : "", vp, vn
    }
  }' "$rows"
