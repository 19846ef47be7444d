// The JavaScript half of the WebAssembly layer (platform/wasm.cpp), linked
// into the emscripten build with --js-library.
//
// It keeps the engine's input: chunks of bytes that the embedding code
// queues with Module.envoie(text or bytes) and closes with Module.ferme(),
// as a pipe would bring them; the C++ side takes them as it takes bytes
// from standard input natively, so lines are cut, trimmed and ordered by
// the same code.  Each output line goes to Module.sortie(line).
//
// The two waits use Asyncify: the wasm call stack is set aside, the event
// loop runs (and queues what the page or the interface sent), and the stack
// is resumed.  A wake-up is never run from inside the code that queued the
// input: it is scheduled, so that sending a command never runs the engine
// inside the sender's call.

mergeInto(LibraryManager.library, {
  $VelkarEtat: {
    morceaux: [],  // Uint8Array chunks, oldest first
    pris: 0,       // bytes of morceaux[0] already taken
    fermee: false,
    reveil: null,  // wakes the main loop's sleeping wait
    minuterie: null,
  },

  // Runs f at the next turn of the event loop, without the 1 to 4 ms that
  // setTimeout(f, 0) waits: setImmediate in Node, a message to itself in a
  // browser (in a Web Worker and in a page alike).
  $VelkarTourSuivant: function(f) {
    if (typeof setImmediate == 'function') {
      setImmediate(f);
      return;
    }
    if (!VelkarTourSuivant.canal) {
      var canal = new MessageChannel();
      var enAttente = [];
      canal.port1.onmessage = function() {
        enAttente.shift()();
      };
      VelkarTourSuivant.canal = function(g) {
        enAttente.push(g);
        canal.port2.postMessage(0);
      };
    }
    VelkarTourSuivant.canal(f);
  },

  $VelkarReveille__deps: ['$VelkarEtat', '$VelkarTourSuivant'],
  $VelkarReveille: function() {
    var reveil = VelkarEtat.reveil;
    if (!reveil) return;
    VelkarEtat.reveil = null;
    if (VelkarEtat.minuterie !== null) {
      clearTimeout(VelkarEtat.minuterie);
      VelkarEtat.minuterie = null;
    }
    VelkarTourSuivant(reveil);
  },

  $VelkarEtat__postset: `
    Module['envoie'] = function(texte) {
      if (VelkarEtat.fermee) return;
      var octets = typeof texte == 'string' ? new TextEncoder().encode(texte) : new Uint8Array(texte);
      if (octets.length == 0) return;
      VelkarEtat.morceaux.push(octets);
      VelkarReveille();
    };
    Module['ferme'] = function() {
      VelkarEtat.fermee = true;
      VelkarReveille();
    };
    // Resolves with main's return value once main has returned (after
    // quit, or at the end of the input).
    Module['finMain'] = function() {
      return Asyncify.currData ? Asyncify.whenDone() : Promise.resolve(0);
    };
  `,

  VelkarPrendEntree__deps: ['$VelkarEtat', '$VelkarReveille'],
  VelkarPrendEntree: function(octets, n) {
    var e = VelkarEtat;
    var copies = 0;
    while (copies < n && e.morceaux.length > 0) {
      var morceau = e.morceaux[0];
      var k = Math.min(n - copies, morceau.length - e.pris);
      HEAPU8.set(morceau.subarray(e.pris, e.pris + k), octets + copies);
      copies += k;
      e.pris += k;
      if (e.pris == morceau.length) {
        e.morceaux.shift();
        e.pris = 0;
      }
    }
    if (copies == 0 && e.fermee) return -1;
    return copies;
  },

  VelkarAttendEntree__deps: ['$VelkarEtat', '$VelkarReveille'],
  VelkarAttendEntree: function(millisecondes) {
    Asyncify.handleSleep(function(reveil) {
      var e = VelkarEtat;
      e.reveil = reveil;
      if (e.morceaux.length > 0 || e.fermee) {
        VelkarReveille();
      } else if (millisecondes >= 0) {
        e.minuterie = setTimeout(function() {
          e.minuterie = null;
          VelkarReveille();
        }, millisecondes);
      }
    });
  },

  VelkarCede__deps: ['$VelkarTourSuivant'],
  VelkarCede: function() {
    Asyncify.handleSleep(function(reveil) {
      VelkarTourSuivant(reveil);
    });
  },

  VelkarEcritLigne: function(texte, n) {
    var ligne = UTF8ArrayToString(HEAPU8, texte, n);
    if (Module['sortie']) Module['sortie'](ligne);
  },
});
