#!/bin/sh
# Builds the libFuzzer targets (preset fuzz) and runs each for a set time on a
# working copy of its committed seed corpus. Exits non-zero on any finding.
#
# Usage: scripts/fuzz.sh [--seconds N] [--target NAME] [--corpus-dir DIR]
#                        [--grow-seeds] [--no-build] [-- extra libFuzzer flags]
#   --seconds N       time per target (default 10)
#   --target NAME     run only this target (tag_text, tokenizer, measured_values);
#                     may be given more than once
#   --corpus-dir DIR  where the grown corpora are kept (default build/fuzz-corpus)
#   --grow-seeds      merge what was found back into the committed seed folders
#                     (minimised), instead of leaving it only in the corpus dir
#   --no-build        use the targets already built
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=10
targets=""
corpus_root="$root/build/fuzz-corpus"
grow_seeds=0
build=1

usage() { sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; }
die() { echo "fuzz.sh: $*" >&2; exit 2; }

while [ $# -gt 0 ]; do
  case $1 in
    --seconds) [ $# -ge 2 ] || die "--seconds needs a number"; seconds=$2; shift 2 ;;
    --seconds=*) seconds=${1#*=}; shift ;;
    --target) [ $# -ge 2 ] || die "--target needs a name"; targets="$targets $2"; shift 2 ;;
    --corpus-dir) [ $# -ge 2 ] || die "--corpus-dir needs a folder"; corpus_root=$2; shift 2 ;;
    --grow-seeds) grow_seeds=1; shift ;;
    --no-build) build=0; shift ;;
    -h|--help) usage; exit 0 ;;
    --) shift; break ;;
    *) usage >&2; die "unknown argument: $1" ;;
  esac
done
case $seconds in ''|*[!0-9]*) die "--seconds takes a whole number of seconds, not '$seconds'" ;; esac
[ -n "$targets" ] || targets="tag_text tokenizer measured_values"
for target in $targets; do
  [ -d "$root/fuzz/corpus/$target" ] || die "no such target: $target (tag_text, tokenizer, measured_values)"
done

if [ $build -eq 1 ]; then
  command -v clang++ >/dev/null || die "clang++ is not installed (Debian packages clang and libclang-rt-14-dev)"
  (cd "$root" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz) ||
    die "building the fuzz preset failed"
fi

failed=""
for target in $targets; do
  program="$root/build/fuzz/fuzz/fuzz_$target"
  [ -x "$program" ] || die "$program is missing; build the fuzz preset first"
  corpus="$corpus_root/$target"
  artifacts="$corpus_root/findings/$target/"
  mkdir -p "$corpus" "$artifacts"
  cp -n "$root/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
  echo "== $target: ${seconds}s, corpus $corpus"
  if "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$@" "$corpus" >"$corpus_root/$target.log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$corpus_root/$target.log" | tail -2
  else
    failed="$failed $target"
    tail -40 "$corpus_root/$target.log"
    echo "== $target: FINDING (log $corpus_root/$target.log, input in $artifacts)"
  fi
  if [ $grow_seeds -eq 1 ]; then
    "$program" -merge=1 "$root/fuzz/corpus/$target" "$corpus" >/dev/null 2>&1
  fi
done

if [ -n "$failed" ]; then
  echo "fuzz.sh: findings in:$failed" >&2
  exit 1
fi
echo "fuzz.sh: no findings"
