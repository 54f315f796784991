# shellcheck shell=bash disable=SC2034  # the variables are read by the scripts that source this file
# What the CPU benchmarks share: where the programs are, the scheduler's
# account of a process and the summary of a series of samples. Sourced, not
# run, with ROOT set to the checkout.

# The programs, each overridable from the environment.
BUILD=${BUILD:-$ROOT/build/linux}
export KALVESSA=${KALVESSA:-$BUILD/app/linux/kalvessa}
export XPROBE=${XPROBE:-$BUILD/tests/tools/xprobe}
KAL_INI=${KAL_INI:-$BUILD/tools/kal-ini}
ATTRACTION=${ATTRACTION:-/usr/libexec/xscreensaver/attraction}

# CPU time in nanoseconds, summed over the process's threads: the scheduler's
# own account (schedstat), exact where utime + stime are counted in clock ticks.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'; }
now() { date +%s.%N; }

# put_sample FILE LABEL CLIENT_NS SERVER_NS T0 T1: "LABEL client% server%",
# each a share of one core over T0..T1, printed and added to FILE.
put_sample() {
  awk -v l="$2" -v c="$3" -v x="$4" -v t0="$5" -v t1="$6" \
    'BEGIN { d = t1 - t0; printf "%s %.2f %.2f\n", l, 100 * c / 1e9 / d, 100 * x / 1e9 / d }' | tee -a "$1"
}

# stats FILE LABEL COLUMN: "median (lowest-highest)" of the column over the
# file's lines that start with LABEL.
stats() {
  awk -v l="$2" -v c="$3" '$1 == l { print $c }' "$1" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR == 0) { print "-"; exit }
      m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.2f (%.2f-%.2f)\n", m, v[1], v[NR] }'
}
