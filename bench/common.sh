# Shared by the compare_*.sh scripts: sourced after `cd` to the project root with $1 the
# build folder. Sets build, cli, runs (RUNS or the given default) and a work folder removed on
# exit, and offers the helpers below.
build=${1:-build-bench}
cli="$build/src/cli/framewell-cli"
runs=${RUNS:-$bench_default_runs}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Median of the microsecond counts on stdin, printed in milliseconds with DIGITS decimals.
median_of() { # DIGITS
  sort -n | awk -v d="$1" '{a[NR]=$1} END {printf "%." d "f", a[int((NR+1)/2)]/1000}'
}

# A photograph-like 1920x1080 picture: a gradient with noise, so codecs, histograms and
# colour caches see real variety. The output format follows OUT's prefix or extension.
make_test_frame() { # OUT [convert options...]
  local out=$1
  shift
  convert -size 1920x1080 gradient:navy-orange \( -size 1920x1080 xc: +noise Gaussian -attenuate 0.2 \) \
    -compose blend -define compose:args=10 -composite -type TrueColor "$@" "$out"
}
