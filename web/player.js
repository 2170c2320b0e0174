// The browser player's page: loading with progress, the start screen, the
// music through Web Audio, pause and seeking, the timeline, the keys,
// fullscreen and the failure messages. The C++ side (krelan.js /
// krelan.wasm) draws the frames; this glue tells it the music's position,
// taken from the audio clock.
// Everything is inside one function: emscripten's krelan.js declares globals
// of its own (run, abort, ...), and only `Module` and `krelan` are shared.
(() => {
'use strict';

// The audio facts the page shares with the desktop show come from the wasm
// module once it is loaded (mixer_format.h): the mixer's rate, channels and
// chunk, the samples of each chunk the meter reads, the skip's distance.
let mix = null;

const k_bar_beats = 4;               // ← and → move a bar, with Shift a beat
const k_idle_ms = 2000;              // the controls and the cursor hide after this without movement
const k_seek_steps_per_frame = 16;   // automaton generations a seek runs per animation frame
const k_address_ms = 500;            // the address follows the position at most this often
// The bar's shares of the loading: the download, decoding the music,
// building the programs (each an equal part), the post chain's targets.
const k_shares = { download: 0.5, decode: 0.15, programs: 0.33, finish: 0.02 };

const params = new URLSearchParams(location.search);
const $ = (id) => document.getElementById(id);
const canvas = $('show');
const stderrLines = [];

let track = null;    // the decoded music, an AudioBuffer at the mixer's rate
let audio = null;    // { context, source, startTime, offset } while a show is on
let playing = false; // a show is on (playing, paused or seeking)
let paused = false;  // the viewer paused it
let held = null;     // the music's position while the picture holds (paused, seeking)
let loops = 0;       // counts the frame loops started: only the latest one runs
let clickTime = 0;
let startAt = 0;     // where the start button starts the show (#t=BEAT), in seconds
let endSeconds = 0;  // the music's position at which the show ends
let parts = [];      // the show's parts: { title, start (beat) }

function setState(state) { document.body.dataset.state = state; }

function fail(text, offerRestart) {
  playing = false;
  stopMusic();
  $('reason').textContent = text;
  $('restart').classList.toggle('hidden', !offerRestart);
  for (const id of ['start', 'again', 'controls', 'busy']) $(id).classList.add('hidden');
  $('failure').classList.remove('hidden');
  setState('failed');
  console.error(text.startsWith('krelan') ? text : 'krelan: ' + text);
}

// --- Loading ---------------------------------------------------------------

// The bar and the status line: `done` of the whole load, and the step.
function showProgress(done, text) {
  const percent = Math.round(100 * Math.min(1, Math.max(0, done)));
  $('bar').style.width = percent + '%';
  $('progress').setAttribute('aria-valuenow', String(percent));
  if (text) $('status').textContent = text;
}

const loaded = {}, sizes = {};
function showDownload() {
  let done = 0, total = 0;
  for (const name in sizes) { done += loaded[name]; total += sizes[name]; }
  const mb = (bytes) => (bytes / 1e6).toFixed(1);
  showProgress(k_shares.download * (total ? done / total : 0),
               `Downloading the show… ${mb(done)} of ${mb(total)} MB`);
}

// The file's bytes, counted into the bar as they arrive. `refused` says
// what failed when the server does not send it.
async function fetchWithProgress(url, expected, refused) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${refused(url)}: HTTP ${response.status}`);
  sizes[url] = Number(response.headers.get('Content-Length')) || expected;
  loaded[url] = 0;
  const reader = response.body.getReader();
  const parts = [];
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    parts.push(value);
    loaded[url] += value.length;
    showDownload();
  }
  const bytes = new Uint8Array(loaded[url]);
  let at = 0;
  for (const part of parts) { bytes.set(part, at); at += part.length; }
  return bytes;
}

function loadCode(wasmBinary) {
  return new Promise((resolve, reject) => {
    window.Module = {
      wasmBinary,
      print: (line) => console.log(line),
      printErr: (line) => { stderrLines.push(line); console.error(line); },
      onRuntimeInitialized: resolve,
      onAbort: (what) => reject(new Error('the player stopped: ' + what)),
    };
    const script = document.createElement('script');
    script.src = 'krelan.js';
    script.onerror = () => reject(new Error('krelan.js failed to load'));
    document.body.appendChild(script);
  });
}

// A card PNG, decoded by the browser into the C++ side's buffer as RGBA,
// top row first, without colour management.
async function decodeCard(url, bytes, which) {
  let image;
  try {
    image = await createImageBitmap(new Blob([bytes], { type: 'image/png' }),
        { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  } catch (e) {
    throw new Error(`The card ${url} could not be decoded: ${e && e.message ? e.message : e}`);
  }
  const surface = new OffscreenCanvas(image.width, image.height);
  const context2d = surface.getContext('2d');
  context2d.drawImage(image, 0, 0);
  const pixels = context2d.getImageData(0, 0, image.width, image.height).data;
  if (pixels.length !== 1920 * 1080 * 4) throw new Error(url + ' is not 1920x1080');
  Module.HEAPU8.set(pixels, Module._krelan_card_pixels(which));
}

function mixerFormat() {
  const channels = Module._krelan_mix_channels();
  return {
    rate: Module._krelan_mix_rate(),
    channels,
    chunkSamples: Module._krelan_mix_chunk_frames() * channels,
    headSamples: Module._krelan_level_slots(),
    skipSeconds: Module._krelan_skip_seconds(),
  };
}

// The meter reads the first samples (mix.headSamples) of every chunk of the
// 16-bit interleaved stream at the mixer's rate: those heads go to the C++
// side, which measures the levels.
function measureLevels(buffer) {
  const channels = [];
  for (let c = 0; c < mix.channels; ++c)
    channels.push(buffer.getChannelData(Math.min(c, buffer.numberOfChannels - 1)));
  const samples = buffer.length * mix.channels;
  const chunks = Math.ceil(samples / mix.chunkSamples);
  const heads = Module._krelan_level_heads(chunks) >> 1;
  const toInt16 = (x) => Math.max(-32768, Math.min(32767, Math.round(x * 32768)));
  for (let c = 0; c < chunks; ++c) {
    const count = Math.min(mix.headSamples, samples - c * mix.chunkSamples);
    for (let i = 0; i < count; ++i) {
      const frame = (c * mix.chunkSamples + i - i % mix.channels) / mix.channels;
      Module.HEAP16[heads + c * mix.headSamples + i] = toInt16(channels[i % mix.channels][frame]);
    }
  }
  Module._krelan_measure_levels(samples);
}

// How far past the show's end the decoded music must reach.
const k_music_margin_seconds = 1;

// emscripten's abort() throws once onAbort has rejected the load: the page
// has already said what went wrong, so the throw is not reported again.
window.addEventListener('unhandledrejection', (e) => {
  if (e.reason instanceof WebAssembly.RuntimeError && document.body.dataset.state === 'failed') {
    e.preventDefault();
  }
});

// Resolves once the browser has painted: the page shows each step.
const nextPaint = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));

const k_try_else = 'Turn on hardware acceleration in the browser\'s settings (and restart it), ' +
                   'update the graphics driver, or try another browser.';

// What the show needs of WebGL, asked of a canvas of its own before anything
// large is downloaded; null when everything is there, else what to say.
function webglProblem() {
  if (typeof WebGL2RenderingContext === 'undefined') {
    return 'This browser offers no WebGL 2, which the show needs. ' + k_try_else;
  }
  const gl = document.createElement('canvas').getContext('webgl2');
  if (!gl) {
    return 'This browser has WebGL 2 turned off or unavailable (no graphics acceleration), ' +
           'and the show needs it. ' + k_try_else;
  }
  const missing = ['EXT_color_buffer_float', 'EXT_float_blend'].filter((name) => !gl.getExtension(name));
  const lose = gl.getExtension('WEBGL_lose_context');
  if (lose) lose.loseContext();
  if (missing.length) {
    return `This browser's WebGL 2 lacks ${missing.join(' and ')}, which the particle scene ` +
           'needs. ' + k_try_else;
  }
  return null;
}

// Builds the programs the show draws without holding up the page: all at
// once where the browser builds them in the background, else one an
// animation frame.
// Returns false once the page has said what failed.
async function buildPrograms(timings) {
  const drawn = Array.from({ length: Module._krelan_program_count() }, (_, i) => i)
    .filter((i) => Module._krelan_program_drawn(i));
  const count = drawn.length;
  const name = (i) => Module.UTF8ToString(Module._krelan_program_name(i));
  const base = k_shares.download + k_shares.decode;
  const progress = (done, text) => showProgress(base + k_shares.programs * done / count, text);
  const background = Module._krelan_background_builds() !== 0;
  timings.builds = background ? 'in the background' : 'one an animation frame';
  let done = 0;
  if (background) {
    for (const i of drawn) Module._krelan_program_start(i);
    const waiting = new Set(drawn);
    while (waiting.size) {
      progress(done, `Building the programs (${done} of ${count})…`);
      await nextPaint();
      for (const i of [...waiting]) {
        if (!Module._krelan_program_finished(i)) continue;
        if (!Module._krelan_program_finish(i)) return false;
        waiting.delete(i);
        ++done;
      }
    }
  } else {
    let slowest = 0;
    for (const i of drawn) {
      progress(done, `Building the programs: ${name(i)} (${done + 1} of ${count})…`);
      await nextPaint();
      const started = performance.now();
      if (!Module._krelan_program_start(i) || !Module._krelan_program_finish(i)) return false;
      const took = performance.now() - started;
      if (took > slowest) {
        slowest = took;
        timings.slowest = `${name(i)} ${Math.round(took)}`;
      }
      ++done;
    }
  }
  return true;
}

async function load() {
  const still = params.has('still') ? stillParams() : null;
  if (still && still.error) return fail(still.error, false);
  const problem = webglProblem();
  if (problem) return fail(problem, false);
  const timings = {};
  let at = performance.now();
  const lap = (step) => { const now = performance.now(); timings[step] = Math.round(now - at); at = now; };
  showDownload();
  let wasm, mp3, cards;
  try {
    const player = (url) => `The player or its music failed to load: ${url}`;
    const card = (url) => `The card ${url} failed to load`;
    [wasm, mp3, ...cards] = await Promise.all([
      fetchWithProgress('krelan.wasm', 200000, player), fetchWithProgress('music.mp3', 6000000, player),
      fetchWithProgress('warning.png', 160000, card), fetchWithProgress('end.png', 50000, card)]);
  } catch (e) {
    return fail(e.message, true);
  }
  lap('download');
  // A cut-short download fails here with the page's message, before
  // emscripten would abort on it with errors of its own.
  if (!WebAssembly.validate(wasm)) {
    return fail(`The player failed to load: krelan.wasm is damaged or cut short ` +
                `(${wasm.byteLength} bytes).`, true);
  }
  try {
    await loadCode(wasm);
  } catch (e) {
    return fail(e.message, true);
  }
  mix = mixerFormat();
  lap('code');
  showProgress(k_shares.download, 'Decoding the music…');
  try {
    // Decoding at the mixer's rate whatever the output's rate: the levels
    // are measured on samples at that rate, and the audio context resamples
    // on play.
    track = await new OfflineAudioContext(mix.channels, 1, mix.rate).decodeAudioData(mp3.buffer);
  } catch (e) {
    return fail('The music failed to decode: ' + (e && e.message ? e.message : e), true);
  }
  lap('decode');
  try {
    await decodeCard('warning.png', cards[0], 0);
    await decodeCard('end.png', cards[1], 1);
  } catch (e) {
    return fail(e.message, true);
  }
  // A cut-short MP3 decodes too, only shorter: the show would run on in silence.
  endSeconds = Module._krelan_end_seconds();
  const needed = endSeconds + k_music_margin_seconds;
  if (track.duration < needed) {
    return fail(`The music failed to decode: it lasts ${track.duration.toFixed(1)} s, and the ` +
                `show needs ${needed.toFixed(1)} s (music.mp3 may be cut short).`, true);
  }
  measureLevels(track);
  lap('cards and levels');
  showProgress(k_shares.download + k_shares.decode, 'Building the programs…');
  await nextPaint();
  if (params.has('fault')) injectShaderFault();
  // A context, a program or a target the GPU refuses fails again on a reload.
  if (!Module._krelan_open() || !await buildPrograms(timings)) return fail(stderrLines.join('\n'), false);
  lap('programs');
  showProgress(1 - k_shares.finish, 'Preparing the post chain…');
  await nextPaint();
  if (!Module._krelan_finish_prepare()) return fail(stderrLines.join('\n'), false);
  lap('post chain');
  console.log('krelan: loaded in ' + Object.entries(timings).map(([k, v]) => `${k} ${v}`).join(', ') +
              (typeof timings.download === 'number' ? ' (ms)' : ''));
  canvas.addEventListener('webglcontextlost', (e) => {
    e.preventDefault();
    fail('The WebGL context was lost (the GPU was reset or taken away).', true);
  });
  if (still) return drawStill(still);
  setUpTimeline();
  startAt = linkedMoment();
  showProgress(1, startAt > 0 ? `Ready to start at ${timeText(startAt)}.` : 'Ready.');
  $('play').disabled = false;
  $('play').focus();
  setState('ready');
}

// Test hook (?fault): the first fragment shader gets a line no compiler
// accepts, so the page must show the program's name and the driver's log.
function injectShaderFault() {
  const original = WebGL2RenderingContext.prototype.shaderSource;
  let done = false;
  WebGL2RenderingContext.prototype.shaderSource = function (shader, text) {
    if (!done && this.getShaderParameter(shader, this.SHADER_TYPE) === this.FRAGMENT_SHADER) {
      done = true;
      text += '\n#error injected by the page fault test\n';
    }
    return original.call(this, shader, text);
  };
}

// --- Time ------------------------------------------------------------------

const beatAt = (seconds) => Module._krelan_beat_at(seconds);
const secondsAt = (beat) => Module._krelan_seconds_at(beat);
const clampSeconds = (seconds) => Math.min(endSeconds, Math.max(0, seconds));

function timeText(seconds) {
  const whole = Math.max(0, Math.floor(seconds));
  return `${Math.floor(whole / 60)}:${String(whole % 60).padStart(2, '0')}`;
}

// The part of the show playing at a beat.
function partAt(beat) {
  let at = parts[0];
  for (const part of parts) if (beat >= part.start) at = part;
  return at;
}

// #t=BEAT: the moment the start button starts at (0 when absent or not a
// beat of the show).
function linkedMoment() {
  const match = /^#t=([+-]?(\d+\.?\d*|\.\d+))$/.exec(location.hash);
  if (!match) return 0;
  return clampSeconds(secondsAt(Number(match[1])));
}

// The address follows the position, so a viewer can share the moment.
let addressTimer = 0, addressBeat = null;
function followAddress(seconds) {
  addressBeat = Math.max(beatAt(0), beatAt(seconds));
  if (addressTimer) return;
  addressTimer = setTimeout(() => {
    addressTimer = 0;
    history.replaceState(null, '', `${location.pathname}${location.search}#t=${addressBeat.toFixed(2)}`);
  }, k_address_ms);
}

// --- The show --------------------------------------------------------------

// The music's position in seconds: the audio clock since the source started,
// less the output latency the browser reports, so the picture shows the
// moment that is being heard. While the picture holds, the held position.
function position() {
  if (!audio) return -1;
  if (held !== null) return held;
  return audio.offset + (audio.context.currentTime - audio.startTime) - latency();
}

function latency() {
  const context = audio.context;
  return context.outputLatency || context.baseLatency || 0;
}

// Starts the music so that the position is `seconds` now (the output
// latency later it is heard): the source restarts, and the old and the new
// position are taken from the same reading of the audio clock.
function playFrom(seconds) {
  const context = audio.context;
  const now = context.currentTime;
  const offset = seconds + latency();
  if (audio.source) audio.source.stop();
  const source = context.createBufferSource();
  source.buffer = track;
  source.connect(context.destination);
  source.start(0, Math.max(0, offset));
  audio.source = source;
  audio.offset = offset;
  audio.startTime = now;
}

// Every audio context a start made and no stop has closed yet.
const contexts = new Set();

function stopMusic() {
  clearTimeout(idleTimer);
  document.body.classList.remove('idle');
  if (audio && audio.source) audio.source.stop();
  for (const context of contexts) context.close();
  contexts.clear();
  audio = null;
  held = null;
  paused = false;
  seeking = 0;
  clearTimeout(endTimer);
}

// Draws the frame at the music's position; ends the show past its end.
function drawNow() {
  const seconds = position();
  const going = Module._krelan_frame(seconds);
  if (krelan.keepFrames) krelan.kept.push(canvas.toDataURL('image/png'));
  showPosition(seconds);
  if (!going) showEnd();
  return going;
}

function frame(loop) {
  if (!playing || loop !== loops || paused || held !== null) return;
  if (!drawNow()) return;
  if (clickTime) {
    console.log('krelan: first frame ' + Math.round(performance.now() - clickTime) +
                ' ms after the click');
    clickTime = 0;
    setState('playing');
  }
  requestAnimationFrame(() => frame(loop));
}

// Draws a frame every animation frame from now on, in place of any loop
// running before.
function runFrames() {
  const loop = ++loops;
  requestAnimationFrame(() => frame(loop));
}

async function start() {
  // A show is starting or playing: a second Enter, a held one or a click
  // from a script starts nothing more.
  if (audio) return;
  clickTime = performance.now();
  for (const id of ['start', 'again']) $(id).classList.add('hidden');
  const context = new AudioContext();
  contexts.add(context);
  audio = { context, source: null, startTime: 0, offset: 0 };
  playing = true;
  paused = false;
  wakeControls();
  const from = startAt;
  startAt = 0;  // "Watch again" starts from the beginning
  playFrom(0);
  runFrames();
  if (from > 0) seekTo(from);
}

// Escape: back to the start screen, focus on its button.
function stop() {
  playing = false;
  ++loops;
  stopMusic();
  hideBusy();
  for (const id of ['again', 'controls']) $(id).classList.add('hidden');
  $('start').classList.remove('hidden');
  startAt = 0;
  showProgress(1, 'Ready.');
  setState('ready');
  $('play').focus();
}

function showEnd() {
  playing = false;
  ++loops;
  stopMusic();
  hideBusy();
  $('controls').classList.add('hidden');
  $('again').classList.remove('hidden');
  setState('ended');
  $('replay').focus();
}

// Pause: the audio context stops, and with it the audio clock and the
// picture, which is drawn once at the moment the clock stopped.
async function pause() {
  if (!playing || paused) return;
  paused = true;
  if (seeking) return;  // the seek ends paused
  const context = audio.context;
  await context.suspend();
  if (!paused || audio === null || audio.context !== context || seeking) return;
  if (held === null) {
    // (A seek made meanwhile has drawn its own moment.)
    held = position();
    Module._krelan_frame(held);
    showPosition(held);
  }
  setState('paused');
  wakeControls();
}

async function resume() {
  if (!playing || !paused) return;
  paused = false;
  if (seeking) return;  // the seek ends playing
  const context = audio.context;
  await context.resume();
  if (paused || audio === null || audio.context !== context || seeking) return;
  held = null;
  setState('playing');
  runFrames();
}

const togglePause = () => (paused ? resume() : pause());

// A seek to a position: the music restarts there and the next frame shows
// it. A seek into the post chain first runs the automaton from its seed to
// that frame (as the offline renderer does): the picture and the music hold
// meanwhile, with the progress shown when it takes long.
let seeking = 0;  // the seek whose automaton is running (its number), or 0
let seeks = 0;
async function seekTo(target) {
  if (!playing) return;
  const seconds = clampSeconds(target);
  const serial = ++seeks;
  const context = audio.context;
  const current = () => seeks === serial && playing && audio !== null && audio.context === context;
  let left = Module._krelan_seek_begin(seconds);
  if (left > k_seek_steps_per_frame) {
    seeking = serial;
    if (held === null) {
      held = seconds;
      await context.suspend();
    }
    held = seconds;
    const total = left;
    showPosition(seconds);
    showBusy(`Running the life automaton to beat ${beatAt(seconds).toFixed(2)}…`, 0);
    const started = performance.now();
    while (left > 0) {
      await nextPaint();
      if (!current()) return;
      left = Module._krelan_seek_step(seconds, k_seek_steps_per_frame);
      showBusy(null, 1 - left / total);
    }
    console.log(`krelan: a seek to beat ${beatAt(seconds).toFixed(2)} ran ${total} generations ` +
                `in ${Math.round(performance.now() - started)} ms`);
  } else {
    Module._krelan_seek_step(seconds, -1);
  }
  seeking = 0;
  hideBusy();
  playFrom(seconds);
  followAddress(seconds);
  wakeControls();
  // The frame at the new moment first, exactly; then the show goes on, or
  // holds there when paused.
  held = seconds;
  if (!drawNow()) return;
  if (paused) {
    setState('paused');
    return;
  }
  held = null;
  if (context.state !== 'running') {
    await context.resume();
    if (!current() || paused) return;
    setState('playing');
  }
  runFrames();
}

// A seek by a number of beats from the current position.
function seekBy(beats) {
  if (!playing) return;
  const now = position();
  seekTo(secondsAt(beatAt(now) + beats));
}

// The part after the current one, or the start of the one before (from
// within a beat of a part's start, the one before that).
function seekPart(direction) {
  if (!playing) return;
  const beat = beatAt(position());
  if (direction > 0) {
    const next = parts.find((part) => part.start > beat + 1e-3);
    seekTo(next ? secondsAt(next.start) : endSeconds);
  } else {
    const earlier = parts.filter((part) => part.start < beat - 1);
    seekTo(earlier.length ? secondsAt(earlier[earlier.length - 1].start) : 0);
  }
}

function skip() {
  seekTo(position() + mix.skipSeconds);
}

// A tab in the background draws no frames: its show still ends on time.
let endTimer = 0;
document.addEventListener('visibilitychange', () => {
  clearTimeout(endTimer);
  if (!document.hidden || !playing) return;
  const check = () => {
    if (!playing || !document.hidden) return;
    if (held === null && position() > endSeconds) return showEnd();
    endTimer = setTimeout(check, held === null ? Math.max(250, (endSeconds - position()) * 1000) : 1000);
  };
  check();
});

// --- The controls ----------------------------------------------------------

function setUpTimeline() {
  parts = Array.from({ length: Module._krelan_part_count() }, (_, i) => ({
    title: Module.UTF8ToString(Module._krelan_part_title(i)),
    start: Module._krelan_part_start(i),
  }));
  const marks = $('marks');
  const endBeat = beatAt(endSeconds);
  for (const part of parts) {
    const mark = document.createElement('div');
    mark.className = 'mark';
    mark.style.left = (100 * secondsAt(part.start) / endSeconds) + '%';
    mark.title = `${part.title} (beat ${Math.max(0, part.start)})`;
    marks.appendChild(mark);
  }
  const timeline = $('timeline');
  timeline.setAttribute('aria-valuemin', String(beatAt(0)));
  timeline.setAttribute('aria-valuemax', String(endBeat));
}

function showPosition(seconds) {
  const beat = beatAt(seconds);
  const share = Math.min(1, Math.max(0, seconds / endSeconds));
  $('played').style.width = (100 * share) + '%';
  $('head').style.left = (100 * share) + '%';
  const timeline = $('timeline');
  const text = `${timeText(seconds)} of ${timeText(endSeconds)}, beat ${beat.toFixed(1)}, ${partAt(beat).title}`;
  timeline.setAttribute('aria-valuenow', beat.toFixed(2));
  timeline.setAttribute('aria-valuetext', text);
  $('time').textContent = `${timeText(seconds)} / ${timeText(endSeconds)} · beat ${beat.toFixed(1)}`;
  $('part').textContent = partAt(beat).title;
}

// The position a point on the timeline stands for.
function timelineSeconds(clientX) {
  const box = $('timeline').getBoundingClientRect();
  return clampSeconds((clientX - box.left) / box.width * endSeconds);
}

let dragging = false;
$('timeline').addEventListener('pointerdown', (e) => {
  if (!playing || e.button !== 0) return;
  dragging = true;
  $('timeline').setPointerCapture(e.pointerId);
  showPosition(timelineSeconds(e.clientX));
});
$('timeline').addEventListener('pointermove', (e) => {
  if (dragging) showPosition(timelineSeconds(e.clientX));
});
$('timeline').addEventListener('pointerup', (e) => {
  if (!dragging) return;
  dragging = false;
  seekTo(timelineSeconds(e.clientX));
});
$('timeline').addEventListener('pointercancel', () => { dragging = false; });

// The controls and the cursor show while the mouse moves (and while the
// show is paused), and hide 2 s after it stops.
let idleTimer = 0;
function wakeControls() {
  if (!playing) return;
  $('controls').classList.remove('hidden');
  document.body.classList.remove('idle');
  clearTimeout(idleTimer);
  idleTimer = setTimeout(() => {
    if (!playing || paused || dragging || seeking) return;
    $('controls').classList.add('hidden');
    document.body.classList.add('idle');
  }, k_idle_ms);
}
document.addEventListener('pointermove', wakeControls);

function showBusy(text, done) {
  if (text) $('busy-text').textContent = text;
  $('busy-bar').style.width = Math.round(100 * done) + '%';
  $('busy').classList.remove('hidden');
}

function hideBusy() { $('busy').classList.add('hidden'); }

function toggleFullscreen() {
  if (document.fullscreenElement) document.exitFullscreen();
  else document.documentElement.requestFullscreen().catch(() => {});
}

// --- Keys --------------------------------------------------------------------

// The transport keys act on the press (held ones repeat); the show's own
// keys (f, s, p, Escape) on release, as on the desktop. With Ctrl, Alt or
// Meta a key is the browser's.
const k_transport_keys = {
  ' ': togglePause,
  ArrowLeft: (e) => seekBy(-(e.shiftKey ? 1 : k_bar_beats)),
  ArrowRight: (e) => seekBy(e.shiftKey ? 1 : k_bar_beats),
  PageUp: () => seekPart(-1),
  PageDown: () => seekPart(1),
  Home: () => seekTo(0),
};

const browsersKey = (e) => e.ctrlKey || e.altKey || e.metaKey;

document.addEventListener('keydown', (e) => {
  if (browsersKey(e) || !playing) return;
  const action = k_transport_keys[e.key];
  if (!action && !['f', 's', 'p', 'Escape'].includes(e.key)) return;
  e.preventDefault();
  if (action && !(e.repeat && e.key === ' ')) action(e);
});

document.addEventListener('keyup', (e) => {
  if (browsersKey(e)) return;
  const state = document.body.dataset.state;
  if (e.key === 'Escape' && state === 'ended') return stop();
  if (e.key === 'f' && state !== 'failed') return toggleFullscreen();
  if (!playing) return;
  if (e.key === 'Escape') stop();
  else if (e.key === 'p') Module._krelan_print(position());
  else if (e.key === 's') skip();
});

$('play').addEventListener('click', start);
$('replay').addEventListener('click', start);
$('restart').addEventListener('click', () => location.reload());
$('fullscreen').addEventListener('click', (e) => { e.currentTarget.blur(); toggleFullscreen(); });
$('playpause').addEventListener('click', (e) => {
  e.currentTarget.blur();
  togglePause();
});
// An address edited on the start screen moves where the show starts.
window.addEventListener('hashchange', () => {
  if (document.body.dataset.state === 'ready' && !playing) startAt = linkedMoment();
});

// --- Still mode and the test's handle --------------------------------------

// The still's beat and level, in krelan-render frame's ranges (--beat,
// --sound); each 0 when absent.
const k_still_beats = [-1000, 1000];
const k_still_sounds = [0, 32768];

// { beat, sound } from the URL, or { error } saying what is wrong with them.
function stillParams() {
  const shown = (text) => `'${text.length > 40 ? text.slice(0, 40) + '…' : text}'`;
  const beatText = params.get('beat') ?? '0', soundText = params.get('sound') ?? '0';
  const beat = /^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(beatText) ? Number(beatText) : NaN;
  if (!Number.isFinite(beat) || beat < k_still_beats[0] || beat > k_still_beats[1]) {
    return { error: `?still: beat must be a number from ${k_still_beats[0]} to ` +
                    `${k_still_beats[1]}, not ${shown(beatText)}.` };
  }
  const sound = /^\s*[+-]?\d+$/.test(soundText) ? Number(soundText) : NaN;
  if (!(sound >= k_still_sounds[0] && sound <= k_still_sounds[1])) {
    return { error: `?still: sound must be a whole number from ${k_still_sounds[0]} to ` +
                    `${k_still_sounds[1]}, not ${shown(soundText)}.` };
  }
  return { beat, sound };
}

// ?still&beat=B&sound=S draws that one frame and stops.
function drawStill(still) {
  for (const id of ['start', 'fullscreen']) $(id).classList.add('hidden');
  Module._krelan_still(still.beat, still.sound);
  setState('still');
}

const krelan = window.krelan = {
  // One frame at a beat and level, as a PNG data URL of the 1920x1080 canvas.
  still(beat, sound) {
    Module._krelan_still(beat, sound);
    return canvas.toDataURL('image/png');
  },
  levelAt: (seconds) => Module._krelan_level_at(seconds),
  // `count` decoded samples (at the mixer's rate) of one channel from frame `start`.
  decoded: (channel, start, count) =>
    Array.from(track.getChannelData(channel).subarray(start, start + count)),
  beat: () => (audio ? Module._krelan_beat_at(position()) : null),
  sampleRate: () => (audio ? audio.context.sampleRate : null),
  // With keepFrames set, each frame drawn is kept in `kept` as a PNG data URL
  // (the canvas is not kept once shown).
  keepFrames: false,
  kept: [],
};

load();
})();
