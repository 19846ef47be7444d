// The arithmetic of a game review, with no page and no engine: from the
// score of each position to each move's class and each side's accuracy.
// The formulas are the ones players already know from the free chess
// sites, so that "an accuracy of 85" or "a mistake" means what it means
// there.
//
// A score is { cp } or { mate } from White's side (mate > 0: White mates).

// A forced mate counts as this many centipawns in the winning chances.
export const MATE_CP = 1000;

// White's winning chances from -1 to 1 for a score in centipawns.
export function winningChances(cp) {
  return 2 / (1 + Math.exp(-0.00368208 * cp)) - 1;
}

function clampedCp(score) {
  if ('mate' in score) return score.mate > 0 ? MATE_CP : -MATE_CP;
  return Math.max(-MATE_CP, Math.min(MATE_CP, score.cp));
}

// White's chances in percent, 0 to 100.
export function winPercent(score) {
  return 50 + 50 * winningChances(clampedCp(score));
}

// A move's accuracy from the mover's Win% before and after it: 100 when the
// mover lost nothing, falling off quickly with what was lost.
export function moveAccuracy(before, after) {
  if (after >= before) return 100;
  const raw = 103.1668100711649 * Math.exp(-0.04354415386753951 * (before - after)) - 3.166924740191411;
  return Math.max(0, Math.min(100, raw + 1));
}

export const INACCURACY = 'inaccuracy';
export const MISTAKE = 'mistake';
export const BLUNDER = 'blunder';
export const MARKS = { [INACCURACY]: '?!', [MISTAKE]: '?', [BLUNDER]: '??' };

// The class of a move (null when it is none of the three) from the scores
// before and after it, both from White's side, for the side that moved.
export function classify(before, after, mover) {
  const sign = mover === 'w' ? 1 : -1;
  const mateBefore = 'mate' in before ? before.mate * sign : null; // > 0: the mover mates
  const mateAfter = 'mate' in after ? after.mate * sign : null;
  const cpBefore = 'cp' in before ? before.cp * sign : null;
  const cpAfter = 'cp' in after ? after.cp * sign : null;
  // A forced mate against the mover appears: how bad depends on how lost
  // the position already was.
  if (mateBefore === null && mateAfter !== null && mateAfter < 0) {
    if (cpBefore < -999) return INACCURACY;
    if (cpBefore < -700) return MISTAKE;
    return BLUNDER;
  }
  // The mover had a forced mate and let it go: how bad depends on what is left.
  if (mateBefore !== null && mateBefore > 0 && (mateAfter === null || mateAfter < 0)) {
    if (mateAfter === null && cpAfter > 999) return INACCURACY;
    if (mateAfter === null && cpAfter > 700) return MISTAKE;
    return BLUNDER;
  }
  if (cpBefore === null || cpAfter === null) return null; // a mate kept or delayed
  const loss = winningChances(cpBefore) - winningChances(cpAfter);
  if (loss >= 0.3) return BLUNDER;
  if (loss >= 0.2) return MISTAKE;
  if (loss >= 0.1) return INACCURACY;
  return null;
}

function mean(xs) {
  return xs.reduce((a, b) => a + b, 0) / xs.length;
}

function standardDeviation(xs) {
  const m = mean(xs);
  return Math.sqrt(mean(xs.map((x) => (x - m) ** 2)));
}

// Each side's accuracy over a game from White's Win% at every ply (the
// start position first), the side to move first given: the mean of the
// move accuracies weighted by how sharp the game was around each move (the
// standard deviation of the Win% in a window) and of their harmonic mean,
// which the worst moves pull down.  { w, b, moves: [accuracy per move] };
// a side that made no move gets null.
export function gameAccuracy(winPercents, firstMover = 'w') {
  const moves = winPercents.length - 1;
  const size = Math.max(2, Math.min(8, Math.floor(moves / 10)));
  const windows = [];
  for (let i = 0; i < Math.min(size, winPercents.length) - 2; i++) windows.push(winPercents.slice(0, size));
  for (let i = 0; i + size <= winPercents.length; i++) windows.push(winPercents.slice(i, i + size));
  if (winPercents.length < size) windows.push(winPercents);
  const weights = windows.map((w) => Math.max(0.5, Math.min(12, standardDeviation(w))));
  const sides = { w: [], b: [] };
  const accuracies = [];
  for (let i = 0; i < moves; i++) {
    const mover = (i % 2 === 0) === (firstMover === 'w') ? 'w' : 'b';
    const [before, after] = mover === 'w' ? [winPercents[i], winPercents[i + 1]] : [100 - winPercents[i], 100 - winPercents[i + 1]];
    const accuracy = moveAccuracy(before, after);
    accuracies.push(accuracy);
    sides[mover].push({ accuracy, weight: weights[Math.min(i, weights.length - 1)] });
  }
  const side = (list) => {
    if (list.length === 0) return null;
    const weighted = list.reduce((a, m) => a + m.accuracy * m.weight, 0) / list.reduce((a, m) => a + m.weight, 0);
    // A move of accuracy 0 would make the harmonic mean 0 whatever else was played.
    const harmonic = list.length / list.reduce((a, m) => a + 1 / Math.max(1, m.accuracy), 0);
    return (weighted + harmonic) / 2;
  };
  return { w: side(sides.w), b: side(sides.b), moves: accuracies };
}
