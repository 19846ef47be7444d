// The JavaScript half of the WebAssembly layer (platform/wasm.cpp) in the
// build for Node (velkar-core-node.js), linked with --js-library in place
// of platform/wasm.js.
//
// That build runs in a worker thread of its own (web/src/velkar.js starts
// it), which may block: the engine waits for input as natively, without
// Asyncify, whose instrumentation of the search costs about a tenth of its
// instructions.  The input comes through a ring of bytes in a
// SharedArrayBuffer (Module.anneau) that the thread which owns the engine
// fills; the engine takes bytes from it as it takes them from standard
// input natively, so lines are cut, trimmed and ordered by the same code.
// Each output line goes to Module.sortie(line), and Module.enAttente()
// is called once, when the engine first waits for input or looks at it
// during a search (its banner is out by then).
//
// The ring: a header of Int32 words, then the bytes.  The two positions
// count bytes since the start, wrapping at 2^32; the writer moves only
// [ECRIT], the engine only [LU].  [SIGNAL] changes after every write and
// at the close, so that a wait started after a look at the ring misses
// nothing.
mergeInto(LibraryManager.library, {
  $VelkarAnneau: {
    ECRIT: 0,   // bytes written
    LU: 1,      // bytes taken by the engine
    FERMEE: 2,  // 1 once the input is closed (after its last byte was written)
    SIGNAL: 3,  // changes at each write and at the close
    ENTETE: 16, // bytes of the header
    mots: null,
    octets: null,
    // Called once, at the engine's first wait or look at its input.
    premiereAttente: function() {
      var f = Module['enAttente'];
      Module['enAttente'] = null;
      if (f) f();
    },
  },

  $VelkarAnneau__postset: `
    VelkarAnneau.mots = new Int32Array(Module['anneau'], 0, VelkarAnneau.ENTETE / 4);
    VelkarAnneau.octets = new Uint8Array(Module['anneau'], VelkarAnneau.ENTETE);
  `,

  VelkarPrendEntree__deps: ['$VelkarAnneau'],
  VelkarPrendEntree: function(octets, n) {
    var a = VelkarAnneau;
    // The close is read before the position: a close seen means that every
    // byte is in the ring already.
    var fermee = Atomics.load(a.mots, a.FERMEE);
    var lu = a.mots[a.LU];
    var disponibles = (Atomics.load(a.mots, a.ECRIT) - lu) | 0;
    if (disponibles == 0) return fermee ? -1 : 0;
    var taille = a.octets.length;
    var k = Math.min(n, disponibles);
    var debut = lu & (taille - 1);
    var premier = Math.min(k, taille - debut);
    HEAPU8.set(a.octets.subarray(debut, debut + premier), octets);
    if (k > premier) HEAPU8.set(a.octets.subarray(0, k - premier), octets + premier);
    Atomics.store(a.mots, a.LU, (lu + k) | 0);
    return k;
  },

  VelkarAttendEntree__deps: ['$VelkarAnneau'],
  VelkarAttendEntree: function(millisecondes) {
    var a = VelkarAnneau;
    a.premiereAttente();
    var signal = Atomics.load(a.mots, a.SIGNAL);
    if (Atomics.load(a.mots, a.FERMEE) || Atomics.load(a.mots, a.ECRIT) != a.mots[a.LU]) return;
    Atomics.wait(a.mots, a.SIGNAL, signal, millisecondes < 0 ? Infinity : millisecondes);
  },

  // The search's time checks look at the ring itself: there is no event
  // loop to give a turn to.
  VelkarCede__deps: ['$VelkarAnneau'],
  VelkarCede: function() {
    VelkarAnneau.premiereAttente();
  },

  VelkarEcritLigne: function(texte, n) {
    Module['sortie'](UTF8ArrayToString(HEAPU8, texte, n));
  },
});
