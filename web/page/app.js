// The page: a game against Velkar at a chosen level, an analysis board and
// a game review.  The rules are chess.js and the board cm-chessboard (both
// from npm); Velkar runs in a Web Worker and is spoken to in UCI, as any
// interface speaks to it.  This module holds the page's state and wires
// the parts together: game.js (the game and its rules), board.js (the
// board), engine.js (the engine client), analysis.js (the lines),
// reviewer.js and review.js (the review), graph.js (the evaluation bar and
// graph), storage.js (what a reload keeps).  Each event redraws the parts
// it changed, no more.
import { LinesView, readInfo, scoreText, whiteShare } from './analysis.js';
import { Board, INPUT_EVENT_TYPE } from './board.js';
import { Engine, threadsAvailable } from './engine.js';
import { DEFAULT_POSITION, Game, asMove, tidyFen } from './game.js';
import { Graph, showBar } from './graph.js';
import { MARKS, winPercent } from './review.js';
import { REVIEW_NODES, reviewGame } from './reviewer.js';
import * as sound from './sound.js';
import * as storage from './storage.js';

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
// State
// ---------------------------------------------------------------------------
const state = {
  mode: 'play', // or 'analyse'
  settings: { level: DEFAULT_LEVEL, side: 'w', movetime: 200, multipv: 3, sound: false },
  game: new Game(),
  played: { level: DEFAULT_LEVEL, human: 'w' }, // the settings this game is played with
  ply: 0, // the position shown: 0 is the start, game.length the last
  newGame: true, // the next search starts with ucinewgame
  thinking: false, // Velkar is choosing its move
  analysing: false,
  lines: [], // analysis lines, by MultiPV number
  evals: new Map(), // FEN -> the deepest score the analysis gave, for the graph
  review: null, // the last review, while the game's moves are the ones reviewed
  reviewing: null, // { done, total } while a review runs
  note: '', // a line under the status: what the last action did
  notice: '', // the play panel's notice of settings that wait for the next game
};
let moveToken = 0; // the reply Velkar is asked for; older replies are dropped

const board = new Board($('board'));
const linesView = new LinesView($('lines'));
const graph = new Graph($('graph'), (ply) => goTo(ply));
// The threaded build where the browser allows it; should it fail to
// start, the single-thread one.
let engine = null;
function startEngine(threads) {
  engine = new Engine('velkar.js', engineChanged, threads);
  return engine.start().then((started) => {
    if (!started && engine.threaded) return startEngine(1);
    return started;
  });
}

function engineChanged(engineState) {
  if (engineState === 'failed' && engine.threaded) return; // the single-thread build is tried next
  document.body.dataset.engine = engineState;
  document.body.dataset.threads = String(engine.threads);
  $('build-info').textContent =
    engineState !== 'ready'
      ? ''
      : engine.threaded
        ? `threaded build, ${engine.threads} threads`
        : `single-thread build${globalThis.crossOriginIsolated ? '' : ' (the page is not cross-origin isolated)'}`;
  $('engine-name').textContent = engineState === 'ready' ? engine.name : engineState === 'failed' ? 'the engine did not start' : 'starting the engine…';
  if (engineState === 'failed') {
    state.thinking = false;
    state.analysing = false;
    state.reviewing = null;
  }
  refresh({ status: true, board: true, review: true });
}

const atEnd = () => state.ply === state.game.length;
const ready = () => engine?.state === 'ready';

function takeNewGame() {
  if (!state.newGame) return [];
  state.newGame = false;
  return ['ucinewgame'];
}

function persist() {
  storage.save({
    mode: state.mode,
    settings: state.settings,
    game: state.game.toJSON(),
    played: state.played,
    ply: state.ply,
  });
}

function today() {
  const now = new Date();
  return `${now.getFullYear()}.${String(now.getMonth() + 1).padStart(2, '0')}.${String(now.getDate()).padStart(2, '0')}`;
}

// The headers of a game as it starts: the players and the level are the
// game's, whatever the settings become later.
function gameHeaders(mode, level, human) {
  const l = LEVELS[level];
  const name = engine?.state === 'ready' ? engine.name : 'Velkar';
  const velkar = l.elo === null ? name : `${name} (${l.name}, ${l.elo})`;
  const headers = { Event: mode === 'play' ? 'Game against Velkar' : 'Analysis', Site: 'Velkar web page', Date: today() };
  headers.White = mode === 'play' ? (human === 'w' ? 'You' : velkar) : '?';
  headers.Black = mode === 'play' ? (human === 'b' ? 'You' : velkar) : '?';
  return headers;
}

// ---------------------------------------------------------------------------
// Playing against Velkar
// ---------------------------------------------------------------------------
function levelOptions(level) {
  const l = LEVELS[level];
  const lines = ['setoption name MultiPV value 1', 'setoption name UCI_ShowWDL value false'];
  if (l.elo === null) lines.push('setoption name UCI_LimitStrength value false');
  else lines.push('setoption name UCI_LimitStrength value true', `setoption name UCI_Elo value ${l.elo}`);
  return lines;
}

function askForMove() {
  const game = state.game;
  if (state.mode !== 'play' || !ready() || state.reviewing || game.status().over) return;
  if (game.status().turn === state.played.human) return;
  const token = ++moveToken;
  state.thinking = true;
  refresh({ status: true, board: true });
  const length = game.length;
  engine
    .run({
      setup: [...takeNewGame(), ...levelOptions(state.played.level)],
      position: game.uciPosition(),
      go: `go movetime ${state.settings.movetime}`,
    })
    .then((best) => {
      if (token !== moveToken) return;
      if (best === null) {
        state.thinking = false;
        refresh({ status: true, board: true });
        return;
      }
      const follow = state.ply === length; // the player was watching the game's end
      if (best !== '(none)' && game.length === length && !game.play(length, best)) {
        state.note = `Velkar answered ${best}, which is not a legal move here.`;
      }
      if (follow) state.ply = game.length;
      if (game.length > length) moveSound();
      persist();
      refresh({ moves: true, pgn: true, graph: true, status: true });
      // The player's turn begins once the board has drawn the reply: a
      // click while the piece still slides would be lost.
      showBoard(true).then(() => {
        if (token !== moveToken) return;
        state.thinking = false;
        refresh({ status: true, board: true });
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
  const game = state.game;
  if (state.mode !== 'analyse' || !ready() || state.reviewing || game.status(state.ply).over) {
    refresh({ lines: true, status: true });
    return;
  }
  state.analysing = true;
  const fen = game.fenAt(state.ply);
  engine
    .run({
      setup: [
        ...takeNewGame(),
        'setoption name UCI_LimitStrength value false',
        `setoption name MultiPV value ${state.settings.multipv}`,
        'setoption name UCI_ShowWDL value true',
      ],
      position: game.uciPosition(state.ply),
      go: 'go infinite',
      onInfo: (text) => {
        const line = readInfo(text, fen);
        if (!line) return;
        state.lines[line.multipv - 1] = line;
        if (line.multipv === 1 && !line.bound) {
          const known = state.evals.get(fen);
          if (!known || known.depth <= line.depth) state.evals.set(fen, { score: line.score, depth: line.depth });
        }
        scheduleLines();
      },
    })
    .then((best) => {
      if (best === null && engine?.state !== 'failed') return; // a newer analysis or a game replaced this one
      state.analysing = false;
      refresh({ status: true, graph: true });
    });
  refresh({ lines: true, status: true });
}

let linesPending = false;
function scheduleLines() {
  if (linesPending) return;
  linesPending = true;
  requestAnimationFrame(() => {
    linesPending = false;
    refresh({ lines: true });
  });
}

function toggleAnalysis() {
  if (state.analysing) engine.stop();
  else startAnalysis();
}

// ---------------------------------------------------------------------------
// Moves: on the board, and through the game
// ---------------------------------------------------------------------------
function canMove() {
  if (!ready() || state.reviewing) return false;
  if (state.mode === 'analyse') return !state.game.status(state.ply).over;
  return atEnd() && !state.thinking && !state.game.status().over && state.game.status().turn === state.played.human;
}

function moveSound() {
  const last = state.game.moves.at(-1);
  if (state.settings.sound && last) sound.play(Boolean(last.captured));
}

function afterHumanMove(truncated) {
  moveSound();
  state.ply = state.game.length;
  state.note = truncated ? 'A move from an earlier position: the moves after it were replaced.' : '';
  persist();
  showBoard(false);
  refresh({ moves: true, pgn: true, graph: true, review: true, status: true });
  if (state.mode === 'play') askForMove();
  else startAnalysis();
}

function playHuman(from, to, promotion) {
  const truncated = state.ply < state.game.length;
  if (!state.game.play(state.ply, { from, to, promotion })) return false;
  afterHumanMove(truncated);
  return true;
}

function onMoveInput(event) {
  switch (event.type) {
    case INPUT_EVENT_TYPE.moveInputStarted: {
      if (!canMove()) return false;
      const moves = state.game.legalMoves(state.ply, event.squareFrom);
      board.dots(moves.map((m) => m.to));
      return moves.length > 0;
    }
    case INPUT_EVENT_TYPE.validateMoveInput: {
      board.dots([]);
      const moves = state.game.legalMoves(state.ply, event.squareFrom).filter((m) => m.to === event.squareTo);
      if (moves.length === 0) return false;
      if (moves[0].promotion) {
        board.promote(event.squareTo, moves[0].color, (piece) => {
          if (!piece || !playHuman(event.squareFrom, event.squareTo, piece)) showBoard(false);
        });
        return true;
      }
      // The board finishes drawing the move itself; the game follows.
      event.chessboard.state.moveInputProcess.then(() => playHuman(event.squareFrom, event.squareTo));
      return true;
    }
    case INPUT_EVENT_TYPE.moveInputCanceled:
    case INPUT_EVENT_TYPE.moveInputFinished:
      if (event.type === INPUT_EVENT_TYPE.moveInputCanceled) board.dots([]);
      return true;
    default:
      return true;
  }
}

function goTo(ply) {
  const target = Math.max(0, Math.min(state.game.length, ply));
  if (target === state.ply) return;
  state.ply = target;
  state.note = '';
  persist();
  showBoard(false);
  refresh({ moves: true, graph: true, review: true, status: true });
  if (state.mode === 'analyse') startAnalysis();
}

// ---------------------------------------------------------------------------
// Games: new, from a FEN, from a PGN, from a link, take back, resign
// ---------------------------------------------------------------------------
function startGame(game, { mode = state.mode, ply = 0 } = {}) {
  endReview();
  engine.cancel();
  moveToken++;
  state.mode = mode;
  state.game = game;
  state.ply = ply;
  state.played = { level: state.settings.level, human: state.settings.side };
  state.thinking = false;
  state.newGame = true;
  state.review = null;
  state.evals = new Map();
  state.note = '';
  state.notice = '';
  board.setOrientation(mode === 'play' ? state.played.human : board.orientation());
  persist();
  showBoard(false);
  refresh({ moves: true, pgn: true, graph: true, review: true, status: true, lines: true, tabs: true });
  if (state.mode === 'play') askForMove();
  else startAnalysis();
}

function newGame(fen = DEFAULT_POSITION) {
  const game = new Game(fen, gameHeaders(state.mode, state.settings.level, state.settings.side));
  startGame(game);
}

// Velkar must hold the same board as the page: it refuses some positions
// that chess.js accepts (the side not to move in check, for one).
async function velkarTakes(fen) {
  engine.cancel();
  const held = await engine.readPosition(`position fen ${fen}`);
  return held && held.split(' ').slice(0, 4).join(' ') === fen.split(' ').slice(0, 4).join(' ');
}

async function setUpPosition() {
  const tidy = tidyFen($('fen').value);
  if (tidy.error) {
    $('fen-error').textContent = tidy.error;
    return;
  }
  if (!(await velkarTakes(tidy.fen))) {
    $('fen-error').textContent = ready() ? 'Velkar cannot play from this position.' : engine.failure || 'The engine is not ready yet.';
    return;
  }
  $('fen-error').textContent = tidy.notes.join(' ');
  $('fen').value = tidy.fen;
  newGame(tidy.fen);
}

async function importPgn() {
  const read = Game.fromPgn($('pgn-in').value);
  $('pgn-error').className = 'error';
  if (read.error) {
    $('pgn-error').textContent = read.error;
    return;
  }
  if (read.game.startFen !== DEFAULT_POSITION && !(await velkarTakes(read.game.startFen))) {
    $('pgn-error').textContent = 'Velkar cannot play from the start position of this PGN.';
    return;
  }
  $('pgn-error').className = 'hint';
  $('pgn-error').textContent = [`${read.game.length} half-moves read (the main line: comments and variations left out).`, ...read.notes].join(' ');
  startGame(read.game, { mode: 'analyse', ply: read.game.length });
}

function takeBack() {
  const game = state.game;
  if (game.length === 0) return;
  engine.cancel();
  moveToken++;
  state.thinking = false;
  state.note = '';
  game.resigned = null;
  if (state.mode === 'analyse') {
    game.moves.length = Math.max(0, Math.min(state.ply, game.length) - 1);
  } else {
    // Back to the player's last move before it was made: Velkar's reply
    // (if any) and the player's move.
    do game.moves.pop();
    while (game.length > 0 && game.status().turn !== state.played.human);
  }
  state.ply = game.length;
  persist();
  showBoard(true);
  refresh({ moves: true, pgn: true, graph: true, review: true, status: true });
  if (state.mode === 'play') askForMove();
  else startAnalysis();
}

function resign() {
  if (state.mode !== 'play' || state.game.status().over) return;
  engine.cancel();
  moveToken++;
  state.thinking = false;
  state.game.resigned = state.played.human;
  state.ply = state.game.length;
  persist();
  showBoard(false);
  refresh({ moves: true, pgn: true, status: true, board: true });
}

function setMode(mode) {
  if (state.mode === mode) return;
  state.mode = mode;
  engine.cancel();
  moveToken++;
  state.thinking = false;
  state.analysing = false;
  state.lines = [];
  board.arrow(null);
  persist();
  refresh({ tabs: true, status: true, lines: true, board: true });
  if (mode === 'analyse') startAnalysis();
  else askForMove();
}

// A link to the position shown and the moves that led to it.
function shareLink() {
  const params = new URLSearchParams();
  if (state.game.startFen !== DEFAULT_POSITION) params.set('fen', state.game.startFen);
  const moves = state.game.moves.slice(0, state.ply).map((m) => m.lan);
  if (moves.length) params.set('moves', moves.join(' '));
  return `${location.origin}${location.pathname}#${params.toString()}`;
}

// A game from the page's address (#fen=...&moves=e2e4 e7e5), or null.
function gameFromLink() {
  const params = new URLSearchParams(location.hash.slice(1));
  if (!params.has('fen') && !params.has('moves')) return null;
  const tidy = params.has('fen') ? tidyFen(params.get('fen')) : { fen: DEFAULT_POSITION, notes: [] };
  if (tidy.error) return { error: `The link's position is not valid: ${tidy.error}` };
  const game = new Game(tidy.fen, { ...gameHeaders('analyse', state.settings.level, state.settings.side), Event: 'Shared position' });
  for (const lan of (params.get('moves') || '').split(/[\s,]+/).filter(Boolean)) {
    if (!game.play(game.length, lan)) return { game, error: `The link's move ${lan} is not legal; the moves before it are shown.` };
  }
  return { game };
}

async function copyText(text, resultId) {
  try {
    await navigator.clipboard.writeText(text);
    $(resultId).textContent = 'copied';
  } catch {
    $(resultId).textContent = text;
  }
  setTimeout(() => ($(resultId).textContent = ''), 4000);
}

// ---------------------------------------------------------------------------
// Review
// ---------------------------------------------------------------------------
async function startReview() {
  if (!ready() || state.reviewing || state.game.length === 0) return;
  moveToken++;
  state.thinking = false;
  state.analysing = false;
  state.lines = [];
  state.reviewing = { done: 0, total: state.game.length + 1 };
  refresh({ review: true, status: true, lines: true, board: true });
  const game = state.game;
  engine.cancel();
  // A single-thread engine of the review's own, fresh for each review.
  const reviewer = new Engine('velkar.js', null, 1);
  reviewing = reviewer;
  const review = (await reviewer.start())
    ? await reviewGame(reviewer, game, (done, total) => {
        if (reviewing !== reviewer) return;
        state.reviewing = { done, total };
        refresh({ review: true });
      })
    : null;
  reviewer.quit();
  if (reviewing !== reviewer) return; // a new game ended this review
  reviewing = null;
  state.reviewing = null;
  if (review && game === state.game) state.review = review;
  else if (!review) state.note = 'The review could not be done: its engine did not start.';
  refresh({ review: true, moves: true, graph: true, status: true, board: true });
  if (state.mode === 'analyse') startAnalysis();
  else askForMove();
}

let reviewing = null; // the review's engine while it runs

// A new game or position ends the review of the one before.
function endReview() {
  if (!reviewing) return;
  reviewing.quit();
  reviewing = null;
  state.reviewing = null;
}

function currentReview() {
  const r = state.review;
  return r && r.key === state.game.moves.map((m) => m.lan).join(' ') ? r : null;
}

// ---------------------------------------------------------------------------
// Drawing: each part on its own
// ---------------------------------------------------------------------------
function showBoard(animated) {
  const game = state.game;
  const drawn = board.show(game.fenAt(state.ply), game.moves[state.ply - 1], game.checkedKing(state.ply), animated);
  renderInput();
  return drawn;
}

function renderInput() {
  if (!canMove()) board.input(null, null);
  else board.input(onMoveInput, state.mode === 'analyse' ? undefined : state.played.human);
}

function statusText() {
  const game = state.game;
  if (engine?.state === 'failed') return engine.failure;
  if (!ready()) return 'Starting the engine…';
  if (state.reviewing) return 'Reviewing the game…';
  const status = game.status(state.ply);
  const side = status.turn === 'w' ? 'White' : 'Black';
  if (status.over) return status.reason;
  if (state.mode === 'analyse') return `${side} to move${status.check ? ', in check' : ''}.`;
  if (!atEnd()) return `Move ${state.ply} of ${game.length}: press → or End to return to the game.`;
  if (state.thinking) return 'Velkar is thinking…';
  if (status.turn !== state.played.human) return 'Velkar to move.';
  return `Your move (${side})${status.check ? ': you are in check' : ''}.`;
}

function renderStatus() {
  const game = state.game;
  const end = game.status();
  const body = document.body;
  body.dataset.mode = state.mode;
  body.dataset.turn = !ready() || state.reviewing ? 'wait' : end.over && atEnd() ? 'over' : canMove() ? 'human' : 'engine';
  body.dataset.analysis = state.analysing ? 'running' : 'stopped';
  $('status').textContent = statusText();
  $('note').textContent = state.note;
  $('notice').textContent = state.notice;
  $('analyse-toggle').textContent = state.analysing ? 'Stop' : 'Start';
  $('analyse-toggle').disabled = !ready() || !!state.reviewing || game.status(state.ply).over;
  $('takeback').disabled = game.length === 0 || !ready() || !!state.reviewing;
  $('resign').hidden = state.mode !== 'play';
  $('resign').disabled = end.over || game.length === 0 || !ready();
  $('first').disabled = $('prev').disabled = state.ply === 0;
  $('last').disabled = $('next').disabled = atEnd();
  $('review-start').disabled = !ready() || !!state.reviewing || game.length === 0 || !!currentReview();
  $('new-game').disabled = $('fen-load').disabled = $('pgn-load').disabled = !ready() || !!state.reviewing;
  // The banner: the end of a game played here.
  const banner = $('banner');
  banner.hidden = !(end.over && state.mode === 'play');
  if (!banner.hidden) $('banner-text').textContent = `${end.result}: ${end.reason}`;
  renderInput();
}

// The move list: only the items that changed are touched.
let moveItems = [];
function renderMoves() {
  const list = $('moves');
  const game = state.game;
  const review = currentReview();
  let same = 0;
  while (same < moveItems.length && same < game.length && moveItems[same].dataset.uci === game.moves[same].lan && moveItems[same].dataset.before === game.moves[same].before) same++;
  for (const item of moveItems.splice(same)) item.remove();
  for (let i = same; i < game.length; i++) {
    const move = game.moves[i];
    const item = document.createElement('li');
    item.dataset.uci = move.lan;
    item.dataset.before = move.before;
    item.dataset.ply = String(i + 1);
    item.dataset.number = String(Game.moveNumber(move));
    item.className = move.color === 'w' ? 'white' : i === 0 ? 'black first' : 'black';
    item.tabIndex = 0;
    item.setAttribute('role', 'button');
    list.appendChild(item);
    moveItems.push(item);
  }
  moveItems.forEach((item, i) => {
    const mark = review?.moves[i].mark;
    const text = game.moves[i].san + (mark ? MARKS[mark] : '');
    if (item.textContent !== text) item.textContent = text;
    item.dataset.mark = mark || '';
    const current = i + 1 === state.ply;
    if (item.classList.contains('current') !== current) item.classList.toggle('current', current);
    if (current) item.setAttribute('aria-current', 'true');
    else item.removeAttribute('aria-current');
  });
  // The list scrolls to the move shown; the page itself does not move.
  const current = moveItems[state.ply - 1];
  if (!current) list.scrollTop = 0;
  else if (current.offsetTop < list.scrollTop) list.scrollTop = current.offsetTop;
  else if (current.offsetTop + current.offsetHeight > list.scrollTop + list.clientHeight) {
    list.scrollTop = current.offsetTop + current.offsetHeight - list.clientHeight;
  }
}

function renderLines() {
  linesView.show(state.mode === 'analyse' ? state.lines : []);
  const best = state.lines[0];
  const fen = state.game.fenAt(state.ply);
  const shown = state.mode === 'analyse' && best && best.fen === fen;
  board.arrow(shown && best.pv.length > 0 ? best.pv[0] : null);
  const first = state.lines.find(Boolean);
  $('analysis-info').textContent = first ? `${(first.nodes / 1e6).toFixed(1)} M nodes, ${(first.nps / 1e3).toFixed(0)} k nodes/s` : '';
  renderBar();
}

// The bar: the analysis of the position shown, else the review's score.
function renderBar() {
  const fen = state.game.fenAt(state.ply);
  const best = state.lines[0];
  const review = currentReview();
  let share = 0.5;
  let label = '';
  if (state.mode === 'analyse' && best && best.fen === fen) {
    share = whiteShare(best);
    label = scoreText(best.score);
  } else if (review) {
    share = winPercent(review.scores[state.ply]) / 100;
    label = scoreText(review.scores[state.ply]);
  } else if (state.evals.has(fen)) {
    share = winPercent(state.evals.get(fen).score) / 100;
    label = scoreText(state.evals.get(fen).score);
  }
  showBar($('eval-bar'), share, label);
  $('eval-bar').dataset.known = label ? 'yes' : 'no';
}

function renderGraph() {
  const game = state.game;
  const review = currentReview();
  const percents = [];
  const marks = {};
  for (let ply = 0; ply <= game.length; ply++) {
    if (review) percents.push(review.percents[ply]);
    else {
      const known = state.evals.get(game.fenAt(ply));
      percents.push(known ? winPercent(known.score) : undefined);
    }
    if (review && ply > 0 && review.moves[ply - 1].mark) marks[ply] = review.moves[ply - 1].mark;
  }
  graph.show(percents, marks, state.ply);
}

function renderReview() {
  const review = currentReview();
  const progress = $('review-progress');
  progress.hidden = !state.reviewing;
  if (state.reviewing) {
    progress.max = state.reviewing.total;
    progress.value = state.reviewing.done;
    $('review-state').textContent = `${state.reviewing.done} of ${state.reviewing.total} positions`;
  } else {
    $('review-state').textContent = review ? '' : `Each position searched to ${REVIEW_NODES / 1000}k nodes.`;
  }
  const summary = $('review-summary');
  summary.hidden = !review;
  if (review) {
    for (const side of ['w', 'b']) {
      const s = review.summary[side];
      $(`accuracy-${side}`).textContent = s.accuracy === null ? '–' : s.accuracy.toFixed(1);
      $(`marks-${side}`).textContent = `${s.inaccuracy} inaccuracies, ${s.mistake} mistakes, ${s.blunder} blunders`;
    }
  }
  const move = review && state.ply > 0 ? review.moves[state.ply - 1] : null;
  const note = $('review-note');
  note.textContent = '';
  if (move?.mark) {
    const played = state.game.moves[state.ply - 1].san;
    note.textContent = `${played} is ${move.mark === 'inaccuracy' ? 'an' : 'a'} ${move.mark} (${MARKS[move.mark]}).`;
    if (move.best) note.textContent += ` ${move.best} was best: ${move.line}`;
  }
}

function renderTabs() {
  $('tab-play').setAttribute('aria-selected', String(state.mode === 'play'));
  $('tab-analyse').setAttribute('aria-selected', String(state.mode === 'analyse'));
  $('play-panel').hidden = state.mode !== 'play';
  $('analyse-panel').hidden = state.mode !== 'analyse';
}

function refresh(parts) {
  if (parts.tabs) renderTabs();
  if (parts.board) renderInput();
  if (parts.moves) renderMoves();
  if (parts.pgn) $('pgn').value = state.game.pgn();
  if (parts.lines) renderLines();
  else if (parts.moves || parts.review) renderBar();
  if (parts.graph || parts.moves || parts.review) renderGraph();
  if (parts.review) renderReview();
  if (parts.status) renderStatus();
}

// ---------------------------------------------------------------------------
// Settings and start
// ---------------------------------------------------------------------------
function levelHint() {
  const level = LEVELS[state.settings.level];
  $('level-hint').textContent =
    level.elo === null
      ? 'Velkar at its full strength.'
      : level.measured
        ? 'A rating measured in 100 games against rated opponents.'
        : 'Between two measured levels: played by interpolation, not measured itself.';
}

// A level or side chosen while a game is on waits for the next game, and
// the page says so; before the first move it applies at once.
function settingChanged() {
  persist();
  levelHint();
  const game = state.game;
  if (state.mode !== 'play') return;
  const differs = state.played.level !== state.settings.level || state.played.human !== state.settings.side;
  if (game.length === 0 && !game.resigned) {
    newGame(game.startFen);
  } else if (differs) {
    const l = LEVELS[state.played.level];
    state.notice = `This game ${game.status().over ? 'was played' : 'goes on'} as it began (you play ${state.played.human === 'w' ? 'White' : 'Black'}, Velkar at ${l.elo === null ? 'full strength' : l.elo}); the new settings apply from the next game.`;
    refresh({ status: true });
  } else {
    state.notice = '';
    refresh({ status: true });
  }
}

function wire() {
  const select = $('level');
  LEVELS.forEach((level, i) => {
    const option = document.createElement('option');
    option.value = String(i);
    option.textContent = level.elo === null ? `${level.name} (no limit)` : `${level.name}: ${level.elo}`;
    select.appendChild(option);
  });
  select.value = String(state.settings.level);
  $('side').value = state.settings.side;
  $('movetime').value = String(state.settings.movetime);
  $('multipv').value = String(state.settings.multipv);
  $('sound').checked = state.settings.sound;
  $('sound').addEventListener('change', () => {
    state.settings.sound = $('sound').checked;
    persist();
  });
  levelHint();
  select.addEventListener('change', () => {
    state.settings.level = Number(select.value);
    settingChanged();
  });
  $('side').addEventListener('change', () => {
    state.settings.side = $('side').value;
    settingChanged();
  });
  $('movetime').addEventListener('change', () => {
    state.settings.movetime = Number($('movetime').value);
    persist();
  });
  $('multipv').addEventListener('change', () => {
    state.settings.multipv = Number($('multipv').value);
    persist();
    if (state.mode === 'analyse') startAnalysis();
  });
  $('new-game').addEventListener('click', () => newGame());
  $('rematch').addEventListener('click', () => newGame(state.game.startFen));
  $('resign').addEventListener('click', resign);
  $('fen-load').addEventListener('click', setUpPosition);
  $('pgn-load').addEventListener('click', importPgn);
  $('takeback').addEventListener('click', takeBack);
  $('flip').addEventListener('click', () => board.setOrientation(board.orientation() === 'w' ? 'b' : 'w', true));
  $('tab-play').addEventListener('click', () => setMode('play'));
  $('tab-analyse').addEventListener('click', () => setMode('analyse'));
  $('analyse-toggle').addEventListener('click', toggleAnalysis);
  $('copy-pgn').addEventListener('click', () => copyText($('pgn').value, 'copy-result'));
  $('copy-link').addEventListener('click', () => {
    copyText(shareLink(), 'copy-result');
  });
  $('review-start').addEventListener('click', startReview);
  $('banner-review').addEventListener('click', startReview);
  $('first').addEventListener('click', () => goTo(0));
  $('prev').addEventListener('click', () => goTo(state.ply - 1));
  $('next').addEventListener('click', () => goTo(state.ply + 1));
  $('last').addEventListener('click', () => goTo(state.game.length));
  const pick = (event) => {
    const item = event.target.closest('li[data-ply]');
    if (item) goTo(Number(item.dataset.ply));
  };
  $('moves').addEventListener('click', pick);
  $('moves').addEventListener('keydown', (event) => {
    if (event.key === 'Enter' || event.key === ' ') {
      event.preventDefault();
      pick(event);
    }
  });
  // The arrow keys step through the game, except where they edit a field.
  document.addEventListener('keydown', (event) => {
    if (event.target.closest?.('input, textarea, select') || event.altKey || event.ctrlKey || event.metaKey) return;
    const to = { ArrowLeft: state.ply - 1, ArrowRight: state.ply + 1, Home: 0, End: state.game.length }[event.key];
    if (to === undefined) return;
    event.preventDefault();
    goTo(to);
  });
}

function restore() {
  const kept = storage.load();
  if (kept) {
    // Settings kept by another version of the page may not be offered any more.
    const k = kept.settings || {};
    if (LEVELS[k.level] !== undefined) state.settings.level = k.level;
    if (k.side === 'w' || k.side === 'b') state.settings.side = k.side;
    if ([200, 1000, 3000].includes(k.movetime)) state.settings.movetime = k.movetime;
    if (k.multipv >= 1 && k.multipv <= 5) state.settings.multipv = k.multipv;
    state.settings.sound = k.sound === true;
    if (kept.mode === 'analyse') state.mode = 'analyse';
    if (kept.game) {
      try {
        state.game = Game.fromJSON(kept.game);
        state.played = kept.played || state.played;
        state.ply = Math.max(0, Math.min(state.game.length, kept.ply ?? state.game.length));
        state.newGame = true;
      } catch {
        state.game = new Game();
      }
    }
  }
  const linked = gameFromLink();
  // The game a link brought is kept as any other from now on: a reload
  // keeps what was played since, not the link's moves.
  if (linked) history.replaceState(null, '', location.pathname + location.search);
  if (linked) {
    if (linked.error) state.note = linked.error;
    if (linked.game) {
      state.game = linked.game;
      state.mode = 'analyse';
      state.ply = linked.game.length;
    }
  }
  if (!kept?.game && !linked?.game) state.game = new Game(DEFAULT_POSITION, gameHeaders('play', state.settings.level, state.settings.side));
}

restore();
wire();
if (state.mode === 'play') board.setOrientation(state.played.human);
showBoard(false);
refresh({ tabs: true, moves: true, pgn: true, lines: true, graph: true, review: true, status: true });
startEngine(threadsAvailable()).then((started) => {
  if (!started) return;
  // A game not begun yet takes the engine's full name in its headers.
  if (state.game.length === 0 && state.game.headers.Event === 'Game against Velkar') {
    Object.assign(state.game.headers, gameHeaders('play', state.played.level, state.played.human));
    refresh({ pgn: true });
  }
  refresh({ status: true, board: true, review: true });
  if (state.mode === 'play') askForMove();
  else startAnalysis();
});

// For the page's test and for curious players: the state, read-only use.
window.velkar = { state, asMove, get engine() { return engine; } };
