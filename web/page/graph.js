// The evaluation bar beside the board and the graph of White's winning
// chances over the game, which a click sends to that move.
const SVG = 'http://www.w3.org/2000/svg';
const HEIGHT = 60;

export function showBar(element, share, label) {
  element.style.setProperty('--white', `${Math.round(share * 1000) / 10}%`);
  element.title = label || '';
  element.setAttribute('aria-label', label ? `evaluation: ${label}` : 'evaluation');
}

export class Graph {
  // onPick(ply) when a point of the graph is clicked.
  constructor(svg, onPick) {
    this.svg = svg;
    this.plies = 0;
    svg.setAttribute('viewBox', `0 0 100 ${HEIGHT}`);
    svg.setAttribute('preserveAspectRatio', 'none');
    svg.addEventListener('click', (event) => {
      if (this.plies === 0) return;
      const box = svg.getBoundingClientRect();
      onPick(Math.round(((event.clientX - box.left) / box.width) * this.plies));
    });
  }

  // percents: White's Win% per ply (undefined where not known), marks:
  // { ply: 'inaccuracy' | 'mistake' | 'blunder' }, current: the ply shown.
  show(percents, marks, current) {
    const n = percents.length - 1;
    this.plies = n;
    this.svg.replaceChildren();
    const empty = n < 1 || percents.filter((p) => p !== undefined).length < 2;
    if (empty) this.svg.setAttribute('hidden', '');
    else this.svg.removeAttribute('hidden');
    if (empty) return;
    const x = (ply) => (ply / n) * 100;
    const y = (p) => HEIGHT - (p / 100) * HEIGHT;
    const add = (name, attributes) => {
      const e = document.createElementNS(SVG, name);
      for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
      this.svg.appendChild(e);
      return e;
    };
    const known = percents.map((p, i) => [i, p]).filter(([, p]) => p !== undefined);
    const points = known.map(([i, p]) => `${x(i)},${y(p)}`).join(' ');
    add('polygon', { class: 'area', points: `${x(known[0][0])},${HEIGHT} ${points} ${x(known.at(-1)[0])},${HEIGHT}` });
    add('line', { class: 'middle', x1: 0, x2: 100, y1: HEIGHT / 2, y2: HEIGHT / 2 });
    add('polyline', { class: 'curve', points });
    add('line', { class: 'current', x1: x(current), x2: x(current), y1: 0, y2: HEIGHT });
    for (const [ply, mark] of Object.entries(marks)) {
      if (percents[ply] === undefined) continue;
      add('circle', { class: `mark ${mark}`, cx: x(ply), cy: y(percents[ply]), r: 1.6, 'data-ply': ply });
    }
  }
}
