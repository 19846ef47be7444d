// What the page keeps across a reload: the settings and the game, in the
// browser's localStorage.  A browser that refuses storage (private modes,
// a full quota) only loses the keeping, never the page.
const KEY = 'velkar.page.v1';

export function load() {
  try {
    const text = localStorage.getItem(KEY);
    return text ? JSON.parse(text) : null;
  } catch {
    return null;
  }
}

export function save(data) {
  try {
    localStorage.setItem(KEY, JSON.stringify(data));
  } catch {
    // not kept; the page goes on
  }
}
