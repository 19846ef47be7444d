#!/bin/sh
# Measures a level of UCI_Elo against a rated opponent with fastchess:
#
#   tools/strength/calibrate.sh LEVEL stockfish ELO [GAMES] [TC]
#       Velkar at LEVEL against Debian's Stockfish 15.1 at UCI_Elo ELO
#       (1350 or more), whose levels are anchored to the CCRL scale.
#   tools/strength/calibrate.sh LEVEL velkar ELO [GAMES] [TC]
#       Velkar at LEVEL against Velkar at level ELO, to chain the levels
#       below Stockfish's lowest to those measured against it.
#
# GAMES defaults to 100, TC to 10+0.1; one game at a time (the machine's
# other core stays free for the side to move).  VELKAR names the binary to
# measure (default build/velkar; a copy keeps a long run safe from rebuilds).  The rating of the level is
# the opponent's plus the Elo difference fastchess prints at the end.
set -eu
cd "$(dirname "$0")/../.."
level=$1 kind=$2 elo=$3 games=${4:-100} tc=${5:-10+0.1}
fc=../shared/tools/fastchess
book=../shared/data/openings_8moves_v3_sample250.epd
velkar="cmd=${VELKAR:-$PWD/build/velkar} option.UCI_LimitStrength=true"
case $kind in
  stockfish) opponent="cmd=/usr/games/stockfish name=Stockfish-$elo option.UCI_LimitStrength=true option.UCI_Elo=$elo" ;;
  velkar) opponent="$velkar name=Velkar-$elo option.UCI_Elo=$elo" ;;
  *) echo "opponent: stockfish or velkar" >&2; exit 2 ;;
esac
mkdir -p build/calibration
# shellcheck disable=SC2086
exec "$fc" -engine $velkar name="Velkar-$level" option.UCI_Elo="$level" -engine $opponent \
  -each tc="$tc" option.Hash=16 -openings file="$book" format=epd order=random -srand "$level$elo" \
  -rounds $((games / 2)) -repeat -concurrency 1 \
  -pgnout file="build/calibration/$level-$kind-$elo.pgn" -config outname="build/calibration/$level-$kind-$elo.json"
