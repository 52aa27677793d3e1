#!/usr/bin/env bash
# Runs every libFuzzer target of a FUZZ=ON build for a fixed time each.
# Seeds: the demo tracks and skin images of the release build, plus every input
# in fuzz-regressions/<target>/ (crashes found once stay there as regression cases).
# Usage: run-fuzzers.sh BUILD_DIR SECONDS
set -uo pipefail
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
demo=$root/build/fuzz-demo
status=0

# Demo tracks from the release build serve as seeds for the decoders.
if [ ! -d "$demo" ] && [ -x "$root/build/release/tools/demo/make-demo-tracks" ]; then
  bash "$root/scripts/make-demo-folder.sh" "$demo" >/dev/null 2>&1 || true
fi

seed_files() {
  case $1 in
    fuzz_wav) find "$demo" -maxdepth 1 -name '*.wav' -size -2M ;;
    fuzz_mp3) find "$demo" -maxdepth 1 -name '*.mp3' -size -2M ;;
    fuzz_midi) find "$demo" -maxdepth 1 -name '*.mid' ;;
    fuzz_png) find "$root/build/release" -path '*skin*' -name '*.png' -size -64k 2>/dev/null ;;
  esac
}

for target in $(find "$build" -type f -name 'fuzz_*' -perm -u+x | sort); do
  name=$(basename "$target")
  corpus=$build/corpus/$name
  mkdir -p "$corpus"
  seed_files "$name" | while read -r f; do cp -n "$f" "$corpus/" 2>/dev/null; done
  regressions=$root/fuzz-regressions/$name
  dirs=("$corpus")
  [ -d "$regressions" ] && dirs+=("$regressions")
  echo "== fuzz: $name for ${seconds}s"
  if "$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
       -artifact_prefix="$build/$name-" -print_final_stats=1 "${dirs[@]}" >"$build/$name.log" 2>&1; then
    grep -E 'stat::number_of_executed_units' "$build/$name.log" | sed "s/^/   $name /"
  else
    tail -n 40 "$build/$name.log"
    echo "== fuzz: $name FAILED (inputs kept as $build/$name-*)"
    status=1
  fi
done
exit $status
