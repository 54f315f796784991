# shellcheck shell=bash
# The banner's phase read off a screenshot, for the native and the Wine tests
# and the dialog's benchmark. Sourced; needs KAL_RENDER and ImageMagick.
#
#   banner_index DIR         kal-render draws the banner box at each of its 310
#                            phases into DIR; DIR/index lists "signature phase"
#   banner_phase DIR PNG     the phase whose picture equals PNG (the box's
#                            469 x 110 drawing area), or nothing when none or
#                            more than one does (all letters up at phases 1-29)
#   banner_advance P1 P2     ticks from phase P1 to phase P2 (0..309)
#   banner_rate P1 NS1 P2 NS2  phases a second between two readings taken at
#                            NS1 and NS2 (nanoseconds), under one cycle apart

banner_index() {
  "$KAL_RENDER" --dialog --series "$1" >/dev/null || return 1
  identify -format '%# %t\n' "$1"/banner-*.png | sed 's/ banner-0*/ /' >"$1/index"
  [ "$(wc -l <"$1/index")" = 310 ]
}

banner_phase() {
  local signature
  signature=$(identify -format '%#' "$2") || return 1
  awk -v s="$signature" '$1 == s { n++; p = $2 } END { if (n == 1) print p }' "$1/index"
}

banner_advance() { echo $((($2 - $1 + 310) % 310)); }

banner_rate() { echo $(($(banner_advance "$1" "$3") * 1000000000 / ($4 - $2))); }
