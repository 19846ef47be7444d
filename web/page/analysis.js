// Analysis lines: an engine's info line turned into what the panel shows
// (score and chances from White's side, the moves in SAN), and the list of
// lines on the page, where only the line that changed is redrawn.
import { Chess } from './vendor/chess.js/chess.js';
import { asMove } from './game.js';

// One info line with a score and a variation, or null.
export function readInfo(line, fen) {
  const words = line.split(/\s+/);
  const field = (name) => {
    const i = words.indexOf(name);
    return i >= 0 ? words[i + 1] : undefined;
  };
  const pvAt = words.indexOf('pv');
  const scoreAt = words.indexOf('score');
  if (pvAt < 0 || scoreAt < 0) return null;
  const white = fen.split(' ')[1] === 'w';
  const sign = white ? 1 : -1;
  const value = Number(words[scoreAt + 2]) * sign;
  const wdlAt = words.indexOf('wdl');
  let wdl = null;
  if (wdlAt >= 0) {
    const [w, d, l] = words.slice(wdlAt + 1, wdlAt + 4).map(Number);
    wdl = white ? [w, d, l] : [l, d, w];
  }
  return {
    multipv: Number(field('multipv') || 1),
    depth: Number(field('depth')),
    score: words[scoreAt + 1] === 'mate' ? { mate: value } : { cp: value },
    bound: words[scoreAt + 3] === 'lowerbound' || words[scoreAt + 3] === 'upperbound',
    wdl,
    pv: words.slice(pvAt + 1).filter((w) => /^[a-h][1-8][a-h][1-8][qrbn]?$/.test(w)),
    fen,
    nodes: Number(field('nodes') || 0),
    nps: Number(field('nps') || 0),
  };
}

export function scoreText(score) {
  if ('mate' in score) return score.mate > 0 ? `#${score.mate}` : `#-${-score.mate}`;
  const pawns = score.cp / 100;
  return (pawns > 0 ? '+' : '') + pawns.toFixed(2);
}

// White's share for the evaluation bar, 0 to 1: from the WDL when there
// is one (a win counts whole, a draw half), else from the score.
export function whiteShare(line) {
  if (!line) return 0.5;
  if (line.wdl) return (line.wdl[0] + line.wdl[1] / 2) / 1000;
  if ('mate' in line.score) return line.score.mate > 0 ? 1 : 0;
  return 1 / (1 + Math.exp(-0.00368208 * line.score.cp));
}

// A line of UCI moves in SAN with its move numbers, from a FEN.
export function sanLine(fen, moves, limit = moves.length) {
  const game = new Chess(fen);
  const parts = [];
  for (const uci of moves.slice(0, limit)) {
    let move;
    try {
      move = game.move(asMove(uci));
    } catch {
      break;
    }
    const number = move.before.split(' ')[5];
    if (move.color === 'w') parts.push(`${number}. ${move.san}`);
    else parts.push(parts.length === 0 ? `${number}… ${move.san}` : move.san);
  }
  return parts.join(' ');
}

// The list of lines: one item per MultiPV number, each redrawn only when
// its text changes.
export class LinesView {
  constructor(list) {
    this.list = list;
    this.items = [];
  }

  clear() {
    this.list.replaceChildren();
    this.items = [];
  }

  show(lines) {
    const shown = lines.filter(Boolean);
    while (this.items.length > shown.length) this.items.pop().element.remove();
    shown.forEach((line, i) => {
      let item = this.items[i];
      if (!item) {
        const element = document.createElement('li');
        element.className = 'line';
        element.innerHTML = '<span class="score"></span><span class="wdl"><i class="win"></i><i class="draw"></i><i class="loss"></i></span><span class="depth"></span><span class="pv"></span>';
        this.list.appendChild(element);
        item = this.items[i] = { element, key: '' };
      }
      const pv = sanLine(line.fen, line.pv);
      const key = [scoreText(line.score), line.wdl, line.depth, pv].join('|');
      if (key === item.key) return;
      item.key = key;
      const [score, bar, depth, moves] = item.element.children;
      score.textContent = scoreText(line.score);
      bar.hidden = !line.wdl;
      if (line.wdl) {
        line.wdl.forEach((v, k) => (bar.children[k].style.width = `${v / 10}%`));
        bar.title = `White wins ${line.wdl[0] / 10}%, draw ${line.wdl[1] / 10}%, Black wins ${line.wdl[2] / 10}%`;
      }
      depth.textContent = `depth ${line.depth}`;
      moves.textContent = pv;
    });
  }
}
