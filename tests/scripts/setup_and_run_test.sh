#!/usr/bin/env bash
# scripts/setup and scripts/run against stand-ins for apt, dpkg and cmake on PATH, in a copy of the
# scripts: setup waits for a package manager that holds the lock instead of failing, and run builds
# with as many jobs as CMAKE_BUILD_PARALLEL_LEVEL says when it is set.
set -euo pipefail
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/tree/scripts" "$work/tree/build/release/src/app"
cp "$source_dir/scripts/setup" "$source_dir/scripts/run" "$work/tree/scripts/"
log="$work/calls"
: >"$log"

# Every package reads as missing, so setup installs them.
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/sh
exit 1
STUB
for tool in apt-get cmake sudo; do
  cat >"$work/bin/$tool" <<STUB
#!/bin/sh
echo "$tool \$*" >>"$log"
STUB
done
cat >"$work/tree/build/release/src/app/Quillmere" <<STUB
#!/bin/sh
echo "Quillmere" >>"$log"
STUB
chmod +x "$work"/bin/* "$work/tree/build/release/src/app/Quillmere"
export PATH="$work/bin:$PATH"

failures=0
expect() {
  if ! grep -qE -- "$2" "$log"; then
    echo "FAIL: $1 (no call matches '$2'); calls were:" >&2
    cat "$log" >&2
    failures=$((failures + 1))
  fi
}
refuse() {
  if grep -qE -- "$2" "$log"; then
    echo "FAIL: $1 (a call matches '$2'); calls were:" >&2
    cat "$log" >&2
    failures=$((failures + 1))
  fi
}

bash "$work/tree/scripts/setup" run
expect "apt-get update waits for the lock" '^apt-get .*-o DPkg::Lock::Timeout=[1-9][0-9]* .*update'
expect "apt-get install waits for the lock" '^apt-get .*-o DPkg::Lock::Timeout=[1-9][0-9]* .*install'

: >"$log"
(cd "$work/tree" && DISPLAY=:0 CMAKE_BUILD_PARALLEL_LEVEL=2 bash scripts/run)
expect "the build takes CMAKE_BUILD_PARALLEL_LEVEL's job count" '^cmake --build --preset release -j2$'
expect "the built program starts" '^Quillmere$'

: >"$log"
(cd "$work/tree" && DISPLAY=:0 env -u CMAKE_BUILD_PARALLEL_LEVEL bash scripts/run)
expect "without CMAKE_BUILD_PARALLEL_LEVEL the build runs a job per core" "^cmake --build --preset release -j$(nproc)\$"
refuse "no empty job count" '-j$'

[ "$failures" -eq 0 ] || exit 1
echo "scripts: all checks passed"
