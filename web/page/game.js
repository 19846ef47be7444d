// The game: a start position, its moves, its own PGN headers (the players
// and the level it was played at, whatever the settings say later), and
// the rules through chess.js.  Nothing here draws.
import { Chess, DEFAULT_POSITION, validateFen } from './vendor/chess.js/chess.js';

export { DEFAULT_POSITION };

// A FEN checked and tidied before a game starts from it: castling rights
// whose king or rook is not on its square are dropped (a castling right
// without its rook is not a position one can reach, and an engine reading
// it would disagree with the rules here).  { fen, notes } or { error }.
export function tidyFen(text) {
  const fields = text.trim().split(/\s+/);
  if (fields.length === 4) fields.push('0', '1'); // the move counters are often left out
  const fen = fields.join(' ');
  const check = validateFen(fen);
  if (!check.ok) return { error: check.error };
  const board = new Chess(fen);
  const at = (square, piece) => {
    const p = board.get(square);
    return p && p.color + p.type === piece;
  };
  const needs = { K: ['e1', 'wk', 'h1', 'wr'], Q: ['e1', 'wk', 'a1', 'wr'], k: ['e8', 'bk', 'h8', 'br'], q: ['e8', 'bk', 'a8', 'br'] };
  const rights = fields[2] === '-' ? [] : [...fields[2]];
  const kept = rights.filter((r) => needs[r] && at(needs[r][0], needs[r][1]) && at(needs[r][2], needs[r][3]));
  const notes = [];
  if (kept.length !== rights.length) {
    notes.push(`Castling rights without their king and rook on their squares were dropped (${fields[2]} → ${kept.join('') || '-'}).`);
    fields[2] = kept.join('') || '-';
  }
  return { fen: fields.join(' '), notes };
}

// A move in UCI form (e7e8q) as chess.js takes it; anything else as it is.
export function asMove(move) {
  if (typeof move === 'string' && /^[a-h][1-8][a-h][1-8][qrbn]?$/.test(move)) {
    return { from: move.slice(0, 2), to: move.slice(2, 4), promotion: move[4] };
  }
  return move;
}

export class Game {
  constructor(startFen = DEFAULT_POSITION, headers = {}) {
    this.startFen = startFen;
    this.headers = { ...headers };
    this.moves = []; // chess.js verbose moves: san, lan, color, from, to, before, after, ...
    this.resigned = null; // the side that resigned
  }

  get length() {
    return this.moves.length;
  }

  fenAt(ply) {
    return ply === 0 ? this.startFen : this.moves[ply - 1].after;
  }

  // The rules at a ply, with the moves before it (for repetitions).
  chessAt(ply = this.length) {
    const chess = new Chess(this.startFen);
    for (const move of this.moves.slice(0, ply)) chess.move(asMove(move.lan));
    return chess;
  }

  // Plays a move (a chess.js move argument) at a ply; the moves after that
  // ply are dropped.  Returns the move or null when it is not legal.
  play(ply, move) {
    const chess = this.chessAt(ply);
    let made;
    try {
      made = chess.move(asMove(move));
    } catch {
      return null;
    }
    this.moves.length = ply;
    this.moves.push(made);
    this.resigned = null;
    return made;
  }

  // The move number of a move, as the PGN counts from the start position.
  static moveNumber(move) {
    return Number(move.before.split(' ')[5]);
  }

  // The position a ply leaves: over or not, and why.
  status(ply = this.length) {
    const chess = this.chessAt(ply);
    const winner = chess.turn() === 'w' ? 'Black' : 'White';
    if (ply === this.length && this.resigned) {
      const side = this.resigned === 'w' ? 'White' : 'Black';
      return { over: true, result: this.resigned === 'w' ? '0-1' : '1-0', reason: `${side} resigned: ${side === 'White' ? 'Black' : 'White'} wins.` };
    }
    if (chess.isCheckmate()) return { over: true, result: winner === 'White' ? '1-0' : '0-1', reason: `Checkmate: ${winner} wins.` };
    if (chess.isStalemate()) return { over: true, result: '1/2-1/2', reason: 'Stalemate: a draw.' };
    if (chess.isInsufficientMaterial()) return { over: true, result: '1/2-1/2', reason: 'Draw: neither side has the material to mate.' };
    if (chess.isThreefoldRepetition()) return { over: true, result: '1/2-1/2', reason: 'Draw by threefold repetition.' };
    if (chess.isDrawByFiftyMoves()) return { over: true, result: '1/2-1/2', reason: 'Draw by the fifty-move rule.' };
    return { over: false, result: '*', reason: '', check: chess.inCheck(), turn: chess.turn() };
  }

  // The square of the king in check at a ply, or null.
  checkedKing(ply = this.length) {
    const chess = new Chess(this.fenAt(ply));
    if (!chess.inCheck()) return null;
    return chess.findPiece({ type: 'k', color: chess.turn() })[0] || null;
  }

  legalMoves(ply, square) {
    return new Chess(this.fenAt(ply)).moves({ square, verbose: true });
  }

  uciPosition(ply = this.length) {
    const start = this.startFen === DEFAULT_POSITION ? 'startpos' : `fen ${this.startFen}`;
    const moves = this.moves.slice(0, ply).map((m) => m.lan);
    return `position ${start}${moves.length ? ' moves ' + moves.join(' ') : ''}`;
  }

  pgn() {
    const chess = this.chessAt();
    for (const [key, value] of Object.entries(this.headers)) chess.setHeader(key, value);
    chess.setHeader('Result', this.status().result);
    return chess.pgn();
  }

  // What the page keeps across a reload.
  toJSON() {
    return { startFen: this.startFen, headers: this.headers, moves: this.moves.map((m) => m.lan), resigned: this.resigned };
  }

  static fromJSON(data) {
    const game = new Game(data.startFen, data.headers);
    for (const lan of data.moves) if (!game.play(game.length, lan)) break;
    game.resigned = data.resigned || null;
    return game;
  }

  // A game from a PGN text: headers kept, comments, NAGs and variations
  // skipped (only the main line is played).  { game } or { error }.
  static fromPgn(text) {
    let body = text.replace(/\r/g, '');
    body = body.replace(/\{[^}]*\}/g, ' ').replace(/;[^\n]*/g, ' ').replace(/\$\d+/g, ' ');
    // Variations may nest: the innermost go first.
    for (let before = ''; before !== body; ) {
      before = body;
      body = body.replace(/\([^()]*\)/g, ' ');
    }
    const chess = new Chess();
    try {
      chess.loadPgn(body);
    } catch (error) {
      return { error: `This PGN could not be read: ${String(error.message || error).split('\n')[0]}` };
    }
    const headers = chess.getHeaders();
    const start = headers.FEN ? tidyFen(headers.FEN) : { fen: DEFAULT_POSITION, notes: [] };
    if (start.error) return { error: `The PGN's start position is not valid: ${start.error}` };
    const game = new Game(start.fen, {});
    for (const key of ['Event', 'Site', 'Date', 'Round', 'White', 'Black']) if (headers[key]) game.headers[key] = headers[key];
    if (start.fen !== DEFAULT_POSITION) Object.assign(game.headers, { SetUp: '1', FEN: start.fen });
    for (const move of chess.history({ verbose: true })) {
      if (!game.play(game.length, move.lan)) return { error: `The PGN's move ${move.san} is not legal here.` };
    }
    return { game, notes: start.notes };
  }
}
