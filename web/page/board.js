// The board on the page: cm-chessboard with the marks a player expects
// (the last move framed, dots on the squares a piece can go to, the king in
// check), an arrow for the best line, and squares that take keyboard focus
// (Tab to a square, Enter or Space to pick a piece up and to put it down).
import { BORDER_TYPE, COLOR, Chessboard, INPUT_EVENT_TYPE } from './vendor/cm-chessboard/src/Chessboard.js';
import { MARKER_TYPE, Markers } from './vendor/cm-chessboard/src/extensions/markers/Markers.js';
import {
  PROMOTION_DIALOG_RESULT_TYPE,
  PromotionDialog,
} from './vendor/cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js';
import { ARROW_TYPE, Arrows } from './vendor/cm-chessboard/src/extensions/arrows/Arrows.js';
import { Extension, EXTENSION_POINT } from './vendor/cm-chessboard/src/model/Extension.js';

export { COLOR, INPUT_EVENT_TYPE, PROMOTION_DIALOG_RESULT_TYPE };

const CHECK = { class: 'marker-check', slice: 'markerSquare' };
const PIECE_NAMES = { p: 'pawn', n: 'knight', b: 'bishop', r: 'rook', q: 'queen', k: 'king' };

// Every square a button with its name and piece, reachable with Tab.
class FocusableSquares extends Extension {
  constructor(chessboard) {
    super(chessboard);
    this.registerExtensionPoint(EXTENSION_POINT.afterRedrawBoard, () => this.label());
    this.registerExtensionPoint(EXTENSION_POINT.positionChanged, () => this.label());
    const svg = chessboard.view.svg;
    svg.setAttribute('role', 'group');
    svg.setAttribute('aria-label', 'chess board');
    this.label();
  }

  label() {
    const board = this.chessboard;
    for (const rect of board.view.boardGroup?.querySelectorAll('rect[data-square]') || []) {
      const square = rect.getAttribute('data-square');
      const piece = board.state.position ? board.getPiece(square) : null;
      rect.setAttribute('tabindex', '0');
      rect.setAttribute('role', 'button');
      rect.setAttribute(
        'aria-label',
        piece ? `${square}, ${piece[0] === 'w' ? 'white' : 'black'} ${PIECE_NAMES[piece[1]]}` : `${square}, empty`,
      );
    }
  }
}

export class Board {
  constructor(element) {
    this.board = new Chessboard(element, {
      position: 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1',
      assetsUrl: 'vendor/cm-chessboard/assets/',
      style: { borderType: BORDER_TYPE.frame, pieces: { file: 'pieces/standard.svg' }, animationDuration: 200 },
      extensions: [
        { class: Markers, props: { autoMarkers: MARKER_TYPE.square } },
        { class: PromotionDialog },
        { class: Arrows },
        { class: FocusableSquares },
      ],
    });
    this.promotionGroup = element.querySelector('.promotion-dialog-group');
    this.hidePromotionGroup(true);
    // A square with focus: Enter or Space is a click on it.
    element.addEventListener('keydown', (event) => {
      const square = event.target.getAttribute?.('data-square');
      if (!square || (event.key !== 'Enter' && event.key !== ' ')) return;
      event.preventDefault();
      const box = event.target.getBoundingClientRect();
      const at = { bubbles: true, clientX: box.x + box.width / 2, clientY: box.y + box.height / 2 };
      event.target.dispatchEvent(new MouseEvent('mousedown', at));
      event.target.dispatchEvent(new MouseEvent('mouseup', at));
    });
  }

  // The empty dialog is no part of the page until it is shown.
  hidePromotionGroup(hidden) {
    if (!this.promotionGroup) return;
    if (hidden) this.promotionGroup.setAttribute('aria-hidden', 'true');
    else this.promotionGroup.removeAttribute('aria-hidden');
  }

  promote(square, color, callback) {
    this.hidePromotionGroup(false);
    this.board.showPromotionDialog(square, color === 'w' ? COLOR.white : COLOR.black, (result) => {
      this.hidePromotionGroup(true);
      callback(result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected ? result.piece.charAt(1) : null);
    });
  }

  // Draws a position with its last move and the king in check; resolves
  // once drawn.
  show(fen, lastMove, checked, animated) {
    const drawn = this.board.setPosition(fen, animated);
    this.board.removeMarkers(MARKER_TYPE.frame);
    this.board.removeMarkers(CHECK);
    this.dots([]);
    if (lastMove) {
      this.board.addMarker(MARKER_TYPE.frame, lastMove.from);
      this.board.addMarker(MARKER_TYPE.frame, lastMove.to);
    }
    if (checked) this.board.addMarker(CHECK, checked);
    return drawn;
  }

  dots(squares) {
    this.board.removeMarkers(MARKER_TYPE.dot);
    for (const square of squares) this.board.addMarker(MARKER_TYPE.dot, square);
  }

  arrow(uci) {
    this.board.removeArrows();
    if (uci) this.board.addArrow(ARROW_TYPE.info, uci.slice(0, 2), uci.slice(2, 4));
  }

  orientation() {
    return this.board.getOrientation() === COLOR.white ? 'w' : 'b';
  }

  setOrientation(side, animated = false) {
    this.board.setOrientation(side === 'w' ? COLOR.white : COLOR.black, animated);
  }

  // Move input for one colour ('w', 'b') or both (undefined), or none (null).
  input(handler, color) {
    this.board.disableMoveInput();
    if (color === null) return;
    this.board.enableMoveInput(handler, color === undefined ? undefined : color === 'w' ? COLOR.white : COLOR.black);
  }
}
