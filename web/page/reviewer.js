// A game review: every position of the game searched by Velkar with the
// same node budget, by a fresh engine with one thread, so that a review of
// the same game gives the same scores, marks and accuracies every time;
// then the arithmetic of review.js.
import { readInfo, sanLine } from './analysis.js';
import { MARKS, classify, gameAccuracy, winPercent } from './review.js';

export const REVIEW_NODES = 150000;

// Resolves with the review, or null when it was cancelled or the engine
// failed.  onProgress(done, total) after each position.  The engine is
// one of its own, with one thread, started for this review: a search of
// so many nodes is then the same every time, which it is not after the
// searches of several threads (some state of theirs outlives Threads 1
// and ucinewgame).
export async function reviewGame(engine, game, onProgress) {
  if (!(await engine.settle(['setoption name Threads value 1', 'ucinewgame']))) return null;
  const total = game.length + 1;
  const scores = [];
  const lines = [];
  for (let ply = 0; ply < total; ply++) {
    const fen = game.fenAt(ply);
    let last = null;
    const status = game.chessAt(ply);
    if (status.isCheckmate()) {
      // No search: the side to move is mated.
      scores.push({ mate: status.turn() === 'w' ? -1 : 1 });
      lines.push([]);
      onProgress?.(ply + 1, total);
      continue;
    }
    if (status.isDraw()) {
      scores.push({ cp: 0 });
      lines.push([]);
      onProgress?.(ply + 1, total);
      continue;
    }
    const best = await engine.run({
      setup: [
        'setoption name UCI_LimitStrength value false',
        'setoption name MultiPV value 1',
        'setoption name UCI_ShowWDL value false',
      ],
      position: game.uciPosition(ply),
      go: `go nodes ${REVIEW_NODES}`,
      onInfo: (text) => {
        const info = readInfo(text, fen);
        if (info && !info.bound && info.multipv === 1) last = info;
      },
    });
    if (best === null || !last) return null;
    scores.push(last.score);
    lines.push(last.pv);
    onProgress?.(ply + 1, total);
  }
  const percents = scores.map(winPercent);
  const firstMover = game.startFen.split(' ')[1];
  const accuracy = gameAccuracy(percents, firstMover);
  const moves = game.moves.map((move, i) => {
    const mark = classify(scores[i], scores[i + 1], move.color);
    const better = lines[i][0];
    const result = { mark, accuracy: accuracy.moves[i] };
    if (mark && better && better !== move.lan) {
      result.best = sanLine(game.fenAt(i), [better]).replace(/^\d+\.(…)? /, '');
      result.line = sanLine(game.fenAt(i), lines[i], 6);
    }
    return result;
  });
  const count = (side, mark) => moves.filter((m, i) => m.mark === mark && game.moves[i].color === side).length;
  const summary = {};
  for (const side of ['w', 'b']) {
    summary[side] = { accuracy: accuracy[side] };
    for (const mark of Object.keys(MARKS)) summary[side][mark] = count(side, mark);
  }
  return { scores, percents, moves, summary, key: game.moves.map((m) => m.lan).join(' ') };
}
