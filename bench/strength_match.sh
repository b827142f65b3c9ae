#!/bin/sh
# Calibration of the limited strength: Vell at UCI_Elo X against the reference
# engine at UCI_Elo X, one match per level, and the score of each pair.
#
#   bench/strength_match.sh [OPENINGS]
#
# OPENINGS is an opening file (.epd or .pgn) or a folder holding
# 8moves_v3_first3000.pgn; by default ../shared/data/openings beside the
# checkout. The environment sets the rest:
#   LEVELS="1500 2000 full:2500"  levels to play, each against the reference;
#                             full:X plays Vell at full strength against the
#                             reference at X: where the scale ends for Vell
#                             (UCI_Elo stops at 2330, what full strength
#                             measured against the reference at 2500)
#   SELF=""                   "LOW HIGH": also Vell at LOW against Vell at HIGH
#   GAMES=60  TC=10+0.1  CONCURRENCY=1
#   MARGIN=200                ms a move may overrun the clock before it loses:
#                             on a loaded machine the reference engine's own
#                             small reserve is otherwise not enough
#   VELL=build/vell  REF=/usr/games/stockfish  RUNNER=../shared/tools/fastchess
# Games go to strength_X.pgn in OUT (default: a temporary folder, kept).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
shared="$here/../shared"
openings=${1:-"$shared/data/openings"}
[ -d "$openings" ] && openings="$openings/8moves_v3_first3000.pgn"
case "$openings" in
*.pgn) format=pgn ;;
*) format=epd ;;
esac
LEVELS=${LEVELS-"1500 2000 full:2500"}
SELF=${SELF-}
GAMES=${GAMES:-60}
TC=${TC:-10+0.1}
CONCURRENCY=${CONCURRENCY:-1}
MARGIN=${MARGIN:-200}
VELL=${VELL:-"$here/build/vell"}
REF=${REF:-/usr/games/stockfish}
RUNNER=${RUNNER:-"$shared/tools/fastchess"}
OUT=${OUT:-$(mktemp -d)}
mkdir -p "$OUT"
# The runner is started in OUT, where it leaves its own files; so every path
# it is given is made absolute first.
abs() { case "$1" in /* | "") echo "$1" ;; */*) echo "$PWD/$1" ;; *) echo "$1" ;; esac; }
openings=$(abs "$openings")
VELL=$(abs "$VELL")
RUNNER=$(abs "$RUNNER")
OUT=$(abs "$OUT")
rounds=$(( (GAMES + 1) / 2 ))

# match NAME1 ARGS1 NAME2 ARGS2: plays the pair, prints NAME1's score.
match() {
    log="$OUT/$1_vs_$3.log"
    (cd "$OUT" && "$RUNNER" -engine cmd="$VELL" name="$1" args=-nolog $2 \
        -engine name="$3" $4 \
        -each tc="$TC" timemargin="$MARGIN" option.Hash=16 option.Threads=1 \
        -rounds "$rounds" -games 2 -repeat -concurrency "$CONCURRENCY" \
        -openings file="$openings" format="$format" order=random \
        -pgnout file="$OUT/$1_vs_$3.pgn" -recover >"$log" 2>&1) || true
    # The runner's last summary: "Games: N, Wins: W, Losses: L, Draws: D, Points: P (S %)".
    line=$(grep -E '^Games: ' "$log" | tail -1)
    [ -n "$line" ] || { echo "$1 vs $3: no result, see $log"; return; }
    echo "$1 vs $3: $line"
}

limited() { echo "option.UCI_LimitStrength=true option.UCI_Elo=$1"; }

echo "tc $TC, $((rounds * 2)) games a pair, openings $openings, logs in $OUT"
for x in $LEVELS; do
    case $x in
    full:*) match "vell-full" "" "ref-${x#full:}" "cmd=$REF $(limited "${x#full:}")" ;;
    *) match "vell-$x" "$(limited "$x")" "ref-$x" "cmd=$REF $(limited "$x")" ;;
    esac
done
if [ -n "$SELF" ]; then
    set -- $SELF
    match "vell-$1" "$(limited "$1")" "vell-$2" "cmd=$VELL args=-nolog $(limited "$2")"
fi
