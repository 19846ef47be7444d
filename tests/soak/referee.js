// Referee for the soak tests: an independent implementation of the rules
// (chess.js) that checks every move the engine plays or is sent.  It reads
// one command per line on standard input and answers one line:
//   load <fen>   -> "ok" or "bad"
//   play <move>  -> "ok <state> <fen>" or "illegal"   (move in coordinates)
//   undo         -> "ok"
//   legal        -> the legal moves in coordinates, blank-separated
//   quiet        -> the legal moves that capture nothing
// <state> is play, checkmate, stalemate, insufficient, threefold or fifty.
'use strict';
const readline = require('readline');
const { Chess } = require('chess.js');

let board = new Chess();

function state() {
  if (board.isCheckmate()) return 'checkmate';
  if (board.isStalemate()) return 'stalemate';
  if (board.isInsufficientMaterial()) return 'insufficient';
  if (board.isThreefoldRepetition()) return 'threefold';
  if (board.isDrawByFiftyMoves()) return 'fifty';
  return 'play';
}

function answer(line) {
  const space = line.indexOf(' ');
  const cmd = space < 0 ? line : line.slice(0, space);
  const arg = space < 0 ? '' : line.slice(space + 1).trim();
  switch (cmd) {
    case 'load':
      try {
        board = new Chess(arg);
        return 'ok';
      } catch (e) {
        return 'bad';
      }
    case 'play': {
      // Exact match with a legal move: chess.js alone would accept a
      // promotion letter on a move that promotes nothing.
      const move = board.moves({ verbose: true }).find((m) => m.from + m.to + (m.promotion || '') === arg);
      if (!move) return 'illegal';
      board.move(move);
      return `ok ${state()} ${board.fen()}`;
    }
    case 'undo':
      board.undo();
      return 'ok';
    case 'legal':
    case 'quiet':
      return board.moves({ verbose: true })
        .filter((m) => cmd === 'legal' || !m.captured)
        .map((m) => m.from + m.to + (m.promotion || ''))
        .join(' ');
    default:
      return 'unknown';
  }
}

const rl = readline.createInterface({ input: process.stdin, terminal: false });
rl.on('line', (line) => process.stdout.write(answer(line) + '\n'));
