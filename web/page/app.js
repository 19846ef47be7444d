// The page: a game against Velkar at a chosen level, and an analysis board.
// The board is cm-chessboard and the rules are chess.js (both from npm);
// Velkar runs in a Web Worker (velkar.js) and is spoken to in UCI, as any
// interface speaks to it.
import { Chess, DEFAULT_POSITION, validateFen } from './vendor/chess.js/chess.js';
import { BORDER_TYPE, COLOR, Chessboard, INPUT_EVENT_TYPE } from './vendor/cm-chessboard/src/Chessboard.js';
import { MARKER_TYPE, Markers } from './vendor/cm-chessboard/src/extensions/markers/Markers.js';
import {
  PROMOTION_DIALOG_RESULT_TYPE,
  PromotionDialog,
} from './vendor/cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js';
import { ARROW_TYPE, Arrows } from './vendor/cm-chessboard/src/extensions/arrows/Arrows.js';

// The levels of UCI_Elo.  The measured ones were each rated in 100 games
// against rated opponents at 5 s + 0.05 s a move; the others lie between
// two measured levels and are played by interpolation.
const LEVELS = [
  { name: 'Beginner', elo: 740, measured: true },
  { name: 'Novice', elo: 900, measured: false },
  { name: 'Casual player', elo: 1075, measured: true },
  { name: 'Club player', elo: 1290, measured: true },
  { name: 'Strong club player', elo: 1500, measured: false },
  { name: 'Expert', elo: 1660, measured: true },
  { name: 'Top level', elo: 1695, measured: true },
  { name: 'Full strength', elo: null, measured: false },
];
const DEFAULT_LEVEL = 3;

const $ = (id) => document.getElementById(id);

// ---------------------------------------------------------------------------
// The engine: one worker, one search at a time.  Each search is queued
// behind the one before, and a search that is no longer wanted is stopped
// and its move ignored, so that a stale bestmove never reaches the game.
// ---------------------------------------------------------------------------
class Engine {
  constructor(url) {
    this.worker = new Worker(url);
    this.worker.onmessage = (event) => this.receive(event.data);
    this.worker.onerror = (event) => this.onError?.(event.message || 'the engine could not be loaded');
    this.waiters = [];
    this.current = null; // the search running: { onInfo, resolve, stale }
    this.queue = Promise.resolve();
    this.generation = 0; // cancel() leaves searches of older generations unstarted
    this.name = 'Velkar';
    this.log = []; // the last lines, for the status line when something fails
  }

  send(line) {
    this.worker.postMessage(line);
  }

  waitFor(prefix) {
    return new Promise((resolve) => this.waiters.push({ prefix, resolve }));
  }

  receive(line) {
    this.log.push(line);
    if (this.log.length > 50) this.log.shift();
    const i = this.waiters.findIndex((w) => line.startsWith(w.prefix));
    if (i >= 0) this.waiters.splice(i, 1)[0].resolve(line);
    if (line.startsWith('id name ')) this.name = line.slice(8);
    const search = this.current;
    if (!search) return;
    if (line.startsWith('info ') && !search.stale) search.onInfo?.(line);
    if (line.startsWith('bestmove')) {
      this.current = null;
      search.resolve(search.stale ? null : line.split(/\s+/)[1]);
    }
  }

  async start() {
    this.send('uci');
    await this.waitFor('uciok');
    this.send('isready');
    await this.waitFor('readyok');
  }

  // Queues a search: the option lines, the position, then the go command.
  // Resolves with the best move, or null when it was cancelled.
  run({ setup = [], position, go, onInfo }) {
    const generation = this.generation;
    const result = this.queue.then(
      () =>
        new Promise((resolve) => {
          if (generation !== this.generation) {
            resolve(null);
            return;
          }
          for (const line of setup) this.send(line);
          this.send(position);
          this.current = { onInfo, resolve, stale: false };
          this.send(go);
        }),
    );
    this.queue = result;
    return result;
  }

  // Asks the engine to read a position, and resolves with the FEN it says
  // it holds (the d command), once the searches before have ended.
  readPosition(position) {
    const result = this.queue.then(() => {
      this.send(position);
      this.send('d');
      return this.waitFor('Fen: ').then((line) => line.slice(5));
    });
    this.queue = result.catch(() => null);
    return result;
  }

  // Ends the search that runs, keeping its result.
  stop() {
    if (this.current) this.send('stop');
    return this.queue;
  }

  // Forgets every search asked for: the running one is stopped and its move
  // ignored, queued ones never start.
  cancel() {
    this.generation++;
    if (this.current) {
      this.current.stale = true;
      this.send('stop');
    }
    return this.queue;
  }
}

// ---------------------------------------------------------------------------
// State of the page
// ---------------------------------------------------------------------------
const state = {
  mode: 'play', // or 'analyse'
  startFen: DEFAULT_POSITION,
  game: new Chess(),
  human: 'w',
  level: DEFAULT_LEVEL,
  movetime: 200,
  newGame: true, // the next search starts with ucinewgame
  thinking: false, // Velkar is choosing its move
  analysing: false,
  lines: [], // analysis lines, by multipv number
  error: '',
};
let moveToken = 0; // the reply Velkar is asked for; older replies are dropped

const engine = new Engine('velkar.js');
const board = new Chessboard($('board'), {
  position: DEFAULT_POSITION,
  assetsUrl: 'vendor/cm-chessboard/assets/',
  style: { borderType: BORDER_TYPE.frame, pieces: { file: 'pieces/standard.svg' }, animationDuration: 200 },
  extensions: [{ class: Markers, props: { autoMarkers: MARKER_TYPE.square } }, { class: PromotionDialog }, { class: Arrows }],
});

function positionCommand(game = state.game) {
  const moves = game.history({ verbose: true }).map((m) => m.lan);
  const start = state.startFen === DEFAULT_POSITION ? 'startpos' : `fen ${state.startFen}`;
  return `position ${start}${moves.length ? ' moves ' + moves.join(' ') : ''}`;
}

function takeNewGame() {
  if (!state.newGame) return [];
  state.newGame = false;
  return ['ucinewgame'];
}

function isHumanTurn() {
  return state.mode === 'analyse' || (state.game.turn() === state.human && !state.thinking);
}

// ---------------------------------------------------------------------------
// Playing against Velkar
// ---------------------------------------------------------------------------
function levelOptions() {
  const level = LEVELS[state.level];
  const lines = ['setoption name MultiPV value 1', 'setoption name UCI_ShowWDL value false'];
  if (level.elo === null) {
    lines.push('setoption name UCI_LimitStrength value false');
  } else {
    lines.push('setoption name UCI_LimitStrength value true', `setoption name UCI_Elo value ${level.elo}`);
  }
  return lines;
}

function askForMove() {
  if (state.mode !== 'play' || state.game.isGameOver() || state.game.turn() === state.human) return;
  const token = ++moveToken;
  state.thinking = true;
  render();
  const fenBefore = state.game.fen();
  engine
    .run({
      setup: [...takeNewGame(), ...levelOptions()],
      position: positionCommand(),
      go: `go movetime ${state.movetime}`,
    })
    .then((best) => {
      if (token !== moveToken || best === null) return;
      if (best !== '(none)' && state.game.fen() === fenBefore) {
        try {
          state.game.move({ from: best.slice(0, 2), to: best.slice(2, 4), promotion: best[4] });
        } catch {
          state.error = `Velkar answered ${best}, which is not a legal move here.`;
        }
      }
      render();
      // The player's turn begins once the board has drawn the reply: a
      // click while the piece still slides would be lost.
      showPosition(true).then(() => {
        if (token !== moveToken) return;
        state.thinking = false;
        render();
      });
    });
}

// ---------------------------------------------------------------------------
// Analysis
// ---------------------------------------------------------------------------
function startAnalysis() {
  engine.cancel();
  state.lines = [];
  state.analysing = false;
  if (state.mode !== 'analyse' || state.game.isGameOver()) {
    render();
    return;
  }
  state.analysing = true;
  const fen = state.game.fen();
  const multipv = Number($('multipv').value);
  engine
    .run({
      setup: [
        ...takeNewGame(),
        'setoption name UCI_LimitStrength value false',
        `setoption name MultiPV value ${multipv}`,
        'setoption name UCI_ShowWDL value true',
      ],
      position: positionCommand(),
      go: 'go infinite',
      onInfo: (line) => readInfo(line, fen),
    })
    .then((best) => {
      if (best === null) return; // a newer analysis or a game replaced this one
      state.analysing = false;
      render();
    });
  render();
}

// One info line with a score and a variation, turned into what the panel
// shows: the score and the chances from White's side, the moves in SAN.
function readInfo(line, fen) {
  const words = line.split(/\s+/);
  const field = (name) => {
    const i = words.indexOf(name);
    return i >= 0 ? words[i + 1] : undefined;
  };
  const pvAt = words.indexOf('pv');
  const scoreAt = words.indexOf('score');
  if (pvAt < 0 || scoreAt < 0) return;
  const white = fen.split(' ')[1] === 'w';
  const sign = white ? 1 : -1;
  const kind = words[scoreAt + 1];
  const value = Number(words[scoreAt + 2]) * sign;
  const wdlAt = words.indexOf('wdl');
  let wdl = null;
  if (wdlAt >= 0) {
    const [w, d, l] = words.slice(wdlAt + 1, wdlAt + 4).map(Number);
    wdl = white ? [w, d, l] : [l, d, w];
  }
  const multipv = Number(field('multipv') || 1);
  state.lines[multipv - 1] = {
    depth: Number(field('depth')),
    score: kind === 'mate' ? { mate: value } : { cp: value },
    wdl,
    pv: words.slice(pvAt + 1).filter((w) => w.length >= 4),
    fen,
    nodes: Number(field('nodes') || 0),
    nps: Number(field('nps') || 0),
  };
  scheduleRender();
}

function scoreText(score) {
  if ('mate' in score) return score.mate > 0 ? `#${score.mate}` : `#-${-score.mate}`;
  const pawns = score.cp / 100;
  return (pawns > 0 ? '+' : '') + pawns.toFixed(2);
}

function sanLine(fen, moves) {
  const game = new Chess(fen);
  const parts = [];
  for (const uci of moves) {
    let move;
    try {
      move = game.move({ from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4] });
    } catch {
      break;
    }
    const number = move.before.split(' ')[5];
    if (move.color === 'w') parts.push(`${number}. ${move.san}`);
    else parts.push(parts.length === 0 ? `${number}… ${move.san}` : move.san);
  }
  return parts.join(' ');
}

// ---------------------------------------------------------------------------
// Moves made on the board
// ---------------------------------------------------------------------------
function afterHumanMove() {
  state.error = '';
  showPosition(false);
  if (state.mode === 'play') askForMove();
  else startAnalysis();
  render();
}

function onMoveInput(event) {
  switch (event.type) {
    case INPUT_EVENT_TYPE.moveInputStarted:
      if (!isHumanTurn() || state.game.isGameOver()) return false;
      return state.game.moves({ square: event.squareFrom }).length > 0;
    case INPUT_EVENT_TYPE.validateMoveInput: {
      const moves = state.game
        .moves({ square: event.squareFrom, verbose: true })
        .filter((m) => m.to === event.squareTo);
      if (moves.length === 0) return false;
      if (moves[0].promotion) {
        board.showPromotionDialog(event.squareTo, state.game.turn() === 'w' ? COLOR.white : COLOR.black, (result) => {
          if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected) {
            state.game.move({ from: event.squareFrom, to: event.squareTo, promotion: result.piece.charAt(1) });
            afterHumanMove();
          } else {
            showPosition(false);
          }
        });
        return true;
      }
      state.game.move({ from: event.squareFrom, to: event.squareTo });
      // The board finishes drawing the move itself; the engine is asked next.
      event.chessboard.state.moveInputProcess.then(afterHumanMove);
      return true;
    }
    default:
      return true;
  }
}

// ---------------------------------------------------------------------------
// Buttons
// ---------------------------------------------------------------------------
function newGame(fen) {
  engine.cancel();
  moveToken++;
  state.startFen = fen;
  state.game = new Chess(fen);
  state.thinking = false;
  state.newGame = true;
  state.error = '';
  state.human = $('side').value;
  board.setOrientation(state.human === 'w' ? COLOR.white : COLOR.black);
  showPosition(false);
  if (state.mode === 'play') askForMove();
  else startAnalysis();
  render();
}

function takeBack() {
  if (state.game.history().length === 0) return;
  engine.cancel();
  moveToken++;
  state.thinking = false;
  state.error = '';
  if (state.mode === 'analyse') {
    state.game.undo();
  } else {
    // Back to the player's last move before it was made: Velkar's reply
    // (if any) and the player's move.
    do state.game.undo();
    while (state.game.history().length > 0 && state.game.turn() !== state.human);
  }
  showPosition(true);
  if (state.mode === 'play') askForMove();
  else startAnalysis();
  render();
}

async function setUpPosition() {
  const fen = $('fen').value.trim();
  const check = validateFen(fen);
  if (!check.ok) {
    $('fen-error').textContent = check.error;
    return;
  }
  // Velkar must hold the same board (it refuses some positions that
  // chess.js accepts, such as the side not to move in check, and then
  // keeps the start position); castling rights without their rook and an
  // en-passant square without a capture it drops, as chess.js ignores them.
  engine.cancel();
  const held = await engine.readPosition(`position fen ${fen}`);
  const same = held && held.split(' ').slice(0, 2).join(' ') === fen.split(/\s+/).slice(0, 2).join(' ');
  if (!same) {
    $('fen-error').textContent = 'Velkar cannot play from this position.';
    return;
  }
  $('fen-error').textContent = '';
  newGame(fen);
}

function setMode(mode) {
  if (state.mode === mode) return;
  state.mode = mode;
  engine.cancel();
  moveToken++;
  state.thinking = false;
  state.analysing = false;
  board.removeArrows();
  if (mode === 'analyse') startAnalysis();
  else askForMove();
  render();
}

function toggleAnalysis() {
  if (state.analysing) {
    engine.stop();
  } else {
    startAnalysis();
  }
}

async function copyPgn() {
  const pgn = $('pgn').value;
  try {
    await navigator.clipboard.writeText(pgn);
  } catch {
    $('pgn').select();
    document.execCommand('copy');
  }
  $('copy-result').textContent = 'copied';
  setTimeout(() => ($('copy-result').textContent = ''), 2000);
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------
// Resolves once the board has drawn the position.
function showPosition(animated) {
  const drawn = board.setPosition(state.game.fen(), animated);
  board.removeMarkers(MARKER_TYPE.frame);
  const last = state.game.history({ verbose: true }).at(-1);
  if (last) {
    board.addMarker(MARKER_TYPE.frame, last.from);
    board.addMarker(MARKER_TYPE.frame, last.to);
  }
  return drawn;
}

function gameStatus() {
  const g = state.game;
  const side = g.turn() === 'w' ? 'White' : 'Black';
  if (g.isCheckmate()) return `Checkmate: ${g.turn() === 'w' ? 'Black' : 'White'} wins.`;
  if (g.isStalemate()) return 'Stalemate: a draw.';
  if (g.isInsufficientMaterial()) return 'Draw: neither side can mate.';
  if (g.isThreefoldRepetition()) return 'Draw by threefold repetition.';
  if (g.isDrawByFiftyMoves()) return 'Draw by the fifty-move rule.';
  if (state.mode === 'analyse') return `${side} to move${g.inCheck() ? ', in check' : ''}.`;
  if (state.thinking) return 'Velkar is thinking…';
  return `Your move (${side})${g.inCheck() ? ': you are in check' : ''}.`;
}

function result() {
  const g = state.game;
  if (g.isCheckmate()) return g.turn() === 'w' ? '0-1' : '1-0';
  if (g.isDraw()) return '1/2-1/2';
  return '*';
}

function pgnText() {
  const g = state.game;
  const level = LEVELS[state.level];
  const velkar = level.elo === null ? engine.name : `${engine.name} (${level.name}, ${level.elo})`;
  const now = new Date();
  const date = `${now.getFullYear()}.${String(now.getMonth() + 1).padStart(2, '0')}.${String(now.getDate()).padStart(2, '0')}`;
  g.setHeader('Event', state.mode === 'play' ? 'Game against Velkar' : 'Analysis');
  g.setHeader('Site', 'Velkar web page');
  g.setHeader('Date', date);
  g.setHeader('White', state.mode === 'analyse' ? '?' : state.human === 'w' ? 'You' : velkar);
  g.setHeader('Black', state.mode === 'analyse' ? '?' : state.human === 'b' ? 'You' : velkar);
  g.setHeader('Result', result());
  return g.pgn();
}

function renderLines() {
  const list = $('lines');
  list.replaceChildren();
  for (const line of state.lines) {
    if (!line) continue;
    const item = document.createElement('li');
    item.className = 'line';
    const score = document.createElement('span');
    score.className = 'score';
    score.textContent = scoreText(line.score);
    const bar = document.createElement('span');
    bar.className = 'wdl';
    if (line.wdl) {
      const names = ['win', 'draw', 'loss'];
      line.wdl.forEach((v, i) => {
        const part = document.createElement('i');
        part.className = names[i];
        part.style.width = `${v / 10}%`;
        bar.appendChild(part);
      });
      bar.title = `White wins ${line.wdl[0] / 10}%, draw ${line.wdl[1] / 10}%, Black wins ${line.wdl[2] / 10}%`;
    }
    const depth = document.createElement('span');
    depth.className = 'depth';
    depth.textContent = `depth ${line.depth}`;
    const pv = document.createElement('span');
    pv.className = 'pv';
    pv.textContent = sanLine(line.fen, line.pv);
    item.append(score, bar, depth, pv);
    list.appendChild(item);
  }
  board.removeArrows();
  const best = state.lines[0];
  if (state.mode === 'analyse' && best && best.fen === state.game.fen() && best.pv.length > 0) {
    board.addArrow(ARROW_TYPE.info, best.pv[0].slice(0, 2), best.pv[0].slice(2, 4));
  }
  const first = state.lines.find(Boolean);
  $('analysis-info').textContent = first
    ? `${(first.nodes / 1e6).toFixed(1)} M nodes, ${(first.nps / 1e3).toFixed(0)} k nodes/s`
    : '';
}

let renderPending = false;
function scheduleRender() {
  if (renderPending) return;
  renderPending = true;
  requestAnimationFrame(() => {
    renderPending = false;
    render();
  });
}

function render() {
  const g = state.game;
  const body = document.body;
  body.dataset.mode = state.mode;
  body.dataset.turn = g.isGameOver() ? 'over' : state.mode === 'analyse' || isHumanTurn() ? 'human' : 'engine';
  body.dataset.analysis = state.analysing ? 'running' : 'stopped';
  $('status').textContent = state.error || gameStatus();
  $('tab-play').setAttribute('aria-selected', String(state.mode === 'play'));
  $('tab-analyse').setAttribute('aria-selected', String(state.mode === 'analyse'));
  $('play-panel').hidden = state.mode !== 'play';
  $('analyse-panel').hidden = state.mode !== 'analyse';
  $('analyse-toggle').textContent = state.analysing ? 'Stop' : 'Start';
  $('takeback').disabled = g.history().length === 0;

  const moves = $('moves');
  moves.replaceChildren();
  const history = g.history({ verbose: true });
  for (const move of history) {
    const item = document.createElement('li');
    item.textContent = move.san;
    item.dataset.uci = move.lan;
    item.className = move.color === 'w' ? 'white' : 'black';
    moves.appendChild(item);
  }
  moves.scrollTop = moves.scrollHeight;
  $('pgn').value = pgnText();
  renderLines();

  // Only the player's pieces move in a game, and only on the player's turn.
  board.disableMoveInput();
  if (!g.isGameOver() && isHumanTurn()) {
    const color = state.mode === 'analyse' ? undefined : state.human === 'w' ? COLOR.white : COLOR.black;
    board.enableMoveInput(onMoveInput, color);
  }
}

// ---------------------------------------------------------------------------
// Start
// ---------------------------------------------------------------------------
function fillLevels() {
  const select = $('level');
  LEVELS.forEach((level, i) => {
    const option = document.createElement('option');
    option.value = String(i);
    option.textContent = level.elo === null ? `${level.name} (no limit)` : `${level.name}: ${level.elo}`;
    select.appendChild(option);
  });
  select.value = String(DEFAULT_LEVEL);
  const hint = () => {
    const level = LEVELS[Number(select.value)];
    $('level-hint').textContent =
      level.elo === null
        ? 'Velkar at its full strength.'
        : level.measured
          ? 'A rating measured in 100 games against rated opponents.'
          : 'Between two measured levels: played by interpolation, not measured itself.';
  };
  hint();
  select.addEventListener('change', () => {
    state.level = Number(select.value);
    hint();
    render();
  });
}

function wire() {
  fillLevels();
  $('movetime').addEventListener('change', () => (state.movetime = Number($('movetime').value)));
  $('new-game').addEventListener('click', () => newGame(DEFAULT_POSITION));
  $('fen-load').addEventListener('click', setUpPosition);
  $('takeback').addEventListener('click', takeBack);
  $('flip').addEventListener('click', () =>
    board.setOrientation(board.getOrientation() === COLOR.white ? COLOR.black : COLOR.white, true),
  );
  $('tab-play').addEventListener('click', () => setMode('play'));
  $('tab-analyse').addEventListener('click', () => setMode('analyse'));
  $('analyse-toggle').addEventListener('click', toggleAnalysis);
  $('multipv').addEventListener('change', () => state.mode === 'analyse' && startAnalysis());
  $('copy-pgn').addEventListener('click', copyPgn);
  // A new side takes effect at the next game, or at once before any move.
  $('side').addEventListener('change', () => {
    if (state.game.history().length === 0) newGame(state.startFen);
  });
}

engine.onError = (message) => {
  document.body.dataset.engine = 'error';
  $('engine-name').textContent = 'the engine did not start';
  $('status').textContent = `Velkar could not be started: ${message}`;
};

wire();
render();
engine.start().then(() => {
  document.body.dataset.engine = 'ready';
  $('engine-name').textContent = engine.name;
  state.human = $('side').value;
  render();
  askForMove();
});
