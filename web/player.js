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
  const blob = await (await fetch(url)).blob();
  const image = await createImageBitmap(blob,
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
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

const nextPaint = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));

async function load() {
  let wasm, mp3;
  try {
    [wasm, mp3] = await Promise.all([
      fetchWithProgress('krelan.wasm', 200000), fetchWithProgress('music.mp3', 6000000)]);
  } catch (e) {
    return fail('The player or its music failed to load: ' + e.message, true);
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
  if (params.has('still')) return drawStill();
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

function stopMusic() {
  if (!audio) return;
  if (audio.source) audio.source.stop();
  audio.context.close();
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
  clickTime = performance.now();
  for (const id of ['start', 'again']) $(id).classList.add('hidden');
  audio = { context: new AudioContext(), source: null, startTime: 0, offset: 0 };
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

// ?still&beat=B&sound=S draws that one frame and stops.
function drawStill() {
  for (const id of ['start', 'fullscreen']) $(id).classList.add('hidden');
  Module._krelan_still(Number(params.get('beat') || 0), Number(params.get('sound') || 0));
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
