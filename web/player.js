// The browser player's page: loading with progress, the start screen, the
// music through Web Audio, the keys, fullscreen and the failure messages.
// The C++ side (krelan.js / krelan.wasm) draws the frames; this glue tells it
// the music's position, taken from the audio clock.
// Everything is inside one function: emscripten's krelan.js declares globals
// of its own (run, abort, ...), and only `Module` and `krelan` are shared.
(() => {
'use strict';

// The audio facts the page shares with the desktop show come from the wasm
// module once it is loaded (mixer_format.h): the mixer's rate, channels and
// chunk, the samples of each chunk the meter reads, the skip's distance.
let mix = null;

const params = new URLSearchParams(location.search);
const $ = (id) => document.getElementById(id);
const canvas = $('show');
const stderrLines = [];

let track = null;    // the decoded music, an AudioBuffer at the mixer's rate
let audio = null;    // { context, source, startTime, offset } while the show plays
let playing = false;
let showsStarted = 0;  // counts the shows started, so a stopped show's frame callback ends
let clickTime = 0;

function setState(state) { document.body.dataset.state = state; }

function fail(text, offerRestart) {
  playing = false;
  stopMusic();
  $('reason').textContent = text;
  $('restart').classList.toggle('hidden', !offerRestart);
  for (const id of ['start', 'again']) $(id).classList.add('hidden');
  $('failure').classList.remove('hidden');
  setState('failed');
  console.error(text.startsWith('krelan') ? text : 'krelan: ' + text);
}

// --- Loading ---------------------------------------------------------------

const loaded = {}, sizes = {};
function showProgress() {
  let done = 0, total = 0;
  for (const name in sizes) { done += loaded[name]; total += sizes[name]; }
  $('bar').style.width = (total ? 100 * done / total : 0) + '%';
}

async function fetchWithProgress(url, expected) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(url + ': HTTP ' + response.status);
  sizes[url] = Number(response.headers.get('Content-Length')) || expected;
  loaded[url] = 0;
  const reader = response.body.getReader();
  const parts = [];
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    parts.push(value);
    loaded[url] += value.length;
    showProgress();
  }
  const bytes = new Uint8Array(loaded[url]);
  let at = 0;
  for (const part of parts) { bytes.set(part, at); at += part.length; }
  return bytes.buffer;
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
async function decodeCard(url, which) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`The card ${url} failed to load: HTTP ${response.status}`);
  let image;
  try {
    image = await createImageBitmap(await response.blob(),
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

const nextPaint = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));

async function load() {
  const still = params.has('still') ? stillParams() : null;
  if (still && still.error) return fail(still.error, false);
  let wasm, mp3;
  try {
    [wasm, mp3] = await Promise.all([
      fetchWithProgress('krelan.wasm', 200000), fetchWithProgress('music.mp3', 6000000)]);
  } catch (e) {
    return fail('The player or its music failed to load: ' + e.message, true);
  }
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
  $('status').textContent = 'Decoding the music…';
  try {
    // Decoding at the mixer's rate whatever the output's rate: the levels
    // are measured on samples at that rate, and the audio context resamples
    // on play.
    track = await new OfflineAudioContext(mix.channels, 1, mix.rate).decodeAudioData(mp3);
  } catch (e) {
    return fail('The music failed to decode: ' + (e && e.message ? e.message : e), true);
  }
  try {
    await decodeCard('warning.png', 0);
    await decodeCard('end.png', 1);
  } catch (e) {
    return fail(e.message, true);
  }
  // A cut-short MP3 decodes too, only shorter: the show would run on in silence.
  const needed = Module._krelan_end_seconds() + k_music_margin_seconds;
  if (track.duration < needed) {
    return fail(`The music failed to decode: it lasts ${track.duration.toFixed(1)} s, and the ` +
                `show needs ${needed.toFixed(1)} s (music.mp3 may be cut short).`, true);
  }
  measureLevels(track);
  $('status').textContent = 'Building the shaders…';
  await nextPaint();
  if (params.has('fault')) injectShaderFault();
  const started = performance.now();
  if (!Module._krelan_prepare()) return fail(stderrLines.join('\n'), true);
  console.log('krelan: programs built and warmed in ' + Math.round(performance.now() - started) + ' ms');
  canvas.addEventListener('webglcontextlost', (e) => {
    e.preventDefault();
    fail('The WebGL context was lost (the GPU was reset or taken away).', true);
  });
  if (still) return drawStill(still);
  $('status').textContent = 'Ready.';
  $('play').disabled = false;
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

// --- The show --------------------------------------------------------------

// The music's position in seconds: the audio clock since the source started,
// less the output latency the browser reports, so the picture shows the
// moment that is being heard.
function position() {
  if (!audio) return -1;
  const context = audio.context;
  const latency = context.outputLatency || context.baseLatency || 0;
  return audio.offset + (context.currentTime - audio.startTime) - latency;
}

function playFrom(offset) {
  const context = audio.context;
  if (audio.source) audio.source.stop();
  const source = context.createBufferSource();
  source.buffer = track;
  source.connect(context.destination);
  source.start(0, Math.max(0, offset));
  audio.source = source;
  audio.offset = offset;
  audio.startTime = context.currentTime;
}

// Every audio context a start made and no stop has closed yet.
const contexts = new Set();

function stopMusic() {
  if (audio && audio.source) audio.source.stop();
  for (const context of contexts) context.close();
  contexts.clear();
  audio = null;
}

function frame(show) {
  if (!playing || show !== showsStarted) return;
  const going = Module._krelan_frame(position());
  if (clickTime) {
    console.log('krelan: first frame ' + Math.round(performance.now() - clickTime) +
                ' ms after the click');
    clickTime = 0;
    setState('playing');
  }
  if (!going) return showEnd();
  requestAnimationFrame(() => frame(show));
}

function start() {
  // A show is starting or playing: a second Enter, a held one or a click
  // from a script starts nothing more.
  if (audio) return;
  clickTime = performance.now();
  for (const id of ['start', 'again']) $(id).classList.add('hidden');
  const context = new AudioContext();
  contexts.add(context);
  audio = { context, source: null, startTime: 0, offset: 0 };
  playFrom(0);
  playing = true;
  const show = ++showsStarted;
  requestAnimationFrame(() => frame(show));
}

function stop() {
  playing = false;
  stopMusic();
  $('start').classList.remove('hidden');
  setState('ready');
}

function showEnd() {
  playing = false;
  stopMusic();
  $('again').classList.remove('hidden');
  setState('ended');
}

function skip() {
  const now = audio.context.currentTime;
  const at = audio.offset + (now - audio.startTime) + mix.skipSeconds;
  playFrom(at);
  audio.startTime = now;  // the same instant: the clock moves by exactly 10 s
}

function toggleFullscreen() {
  if (document.fullscreenElement) document.exitFullscreen();
  else document.documentElement.requestFullscreen().catch(() => {});
}

// The show's keys act on release, as on the desktop.
document.addEventListener('keyup', (e) => {
  if (e.key === 'f') return toggleFullscreen();
  if (!playing) return;
  if (e.key === 'Escape') stop();
  else if (e.key === 'p') Module._krelan_print(position());
  else if (e.key === 's') skip();
});

$('play').addEventListener('click', start);
$('replay').addEventListener('click', start);
$('restart').addEventListener('click', () => location.reload());
$('fullscreen').addEventListener('click', toggleFullscreen);

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

window.krelan = {
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
};

if (typeof WebGL2RenderingContext === 'undefined' || !document.createElement('canvas').getContext('webgl2')) {
  fail('This browser offers no WebGL 2, which the show needs.', false);
} else {
  load();
}
})();
