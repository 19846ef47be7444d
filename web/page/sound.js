// Sounds of moves and captures, made by the browser's audio (WebAudio) so
// that the page ships no sound files: a short tick for a move, a lower and
// longer knock for a capture.  Off until the player switches them on.
let audio = null;

export function play(capture) {
  try {
    audio ??= new AudioContext();
    const now = audio.currentTime;
    const tone = audio.createOscillator();
    const gain = audio.createGain();
    tone.type = 'triangle';
    tone.frequency.setValueAtTime(capture ? 220 : 520, now);
    gain.gain.setValueAtTime(0.0001, now);
    gain.gain.exponentialRampToValueAtTime(0.25, now + 0.005);
    gain.gain.exponentialRampToValueAtTime(0.0001, now + (capture ? 0.16 : 0.07));
    tone.connect(gain).connect(audio.destination);
    tone.start(now);
    tone.stop(now + 0.2);
  } catch {
    // no audio here: silence
  }
}
