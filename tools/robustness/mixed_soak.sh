#!/usr/bin/env bash
# A soak through fastchess with the features mixed, as testers and bot
# runners combine them: one engine with two threads, several variations,
# endgame tables and WDL, the other at a limited strength with a Move
# Overhead and a small table; half the games in Chess960.  Prints the
# results and every warning fastchess logged (illegal moves, time losses,
# disconnections, variations that go on after a mate or a repetition).
#
#     tools/robustness/mixed_soak.sh build/velkar [games per half] [time control]
set -euo pipefail
cd "$(dirname "$0")/../.."
engine=$(realpath "${1:-build/velkar}")
rounds=$(( ${2:-100} / 2 ))
tc=${3:-3+0.03}
fc=../shared/tools/fastchess
data=../shared/data
out=build/mixed-soak
mkdir -p "$out"
rm -f "$out"/*.pgn "$out"/*.log "$out"/*.json

a=(-engine "cmd=$engine" name=Helpers option.Threads=2 option.MultiPV=2 "option.SyzygyPath=$(realpath $data/syzygy)"
   option.UCI_ShowWDL=true option.Hash=32)
b=(-engine "cmd=$engine" name=Level option.UCI_LimitStrength=true option.UCI_Elo=1290 "option.Move Overhead=30"
   option.Hash=16)

"$fc" "${a[@]}" "${b[@]}" -each "tc=$tc" -openings "file=$data/openings_8moves_v3_sample250.epd" format=epd \
  order=random -srand 31 -rounds "$rounds" -repeat -concurrency 1 -check-mate-pvs -pgnout "file=$out/standard.pgn" \
  -log "file=$out/standard.log" level=warn -config "outname=$out/standard.json" >"$out/standard.out" 2>&1
"$fc" "${a[@]}" "${b[@]}" -each "tc=$tc" -variant fischerandom -openings "file=$data/openings_chess960_startpos.epd" \
  format=epd order=random -srand 32 -rounds "$rounds" -repeat -concurrency 1 -check-mate-pvs \
  -pgnout "file=$out/chess960.pgn" -log "file=$out/chess960.log" level=warn -config "outname=$out/chess960.json" \
  >"$out/chess960.out" 2>&1

for half in standard chess960; do
  echo "== $half"
  grep -E "^Results of|^Elo|^Games|Ptnml" "$out/$half.out" | tail -4
  echo "game endings:"
  grep -E "^Finished game" "$out/$half.out" | sed -E 's/.*\{(.*)\}.*/\1/' | sort | uniq -c | sort -rn
  echo "warnings:"
  grep -h "Warning" "$out/$half.out" | sed -E 's/.*Warning; //; s/ - move [^ ]*//' | sort | uniq -c || true
done
