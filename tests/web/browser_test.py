#!/usr/bin/python3
"""The web player in headless Chromium (software WebGL 2), against the
native renderer:
  - frames of the cards, the sphere, the particles and the post chain equal
    krelan-render's at the same beat and sound (the cards exactly, the
    scenes within the software renderers' measured agreement);
  - the browser decodes the renderer's samples (to the decoders' rounding),
    and the level of each chunk is the renderer's for that chunk (to one);
  - the picture follows the audio clock: the context runs after the click,
    and the beat moves with its currentTime and stands when it stands; two
    broken players (a context left suspended, a beat from the wall clock)
    fail those checks;
  - Space pauses (the beat held, no frame drawn) and resumes; the arrows,
    PgUp/PgDn, Home and a click on the timeline land on the beat asked; a
    seek into the post chain draws krelan-render's frame at that beat;
  - `s` moves the beat by 10 s of music (21.67 beats), Escape returns to
    the start screen with the focus on its button; starting again while a
    show starts or plays makes no second audio context, and Escape closes
    every one; Ctrl+F and Ctrl+S are the browser's;
  - #t=BEAT starts the show there; at the end "Watch again" covers nothing
    of the end card at several window sizes, and Escape returns to the start;
    a show in a hidden tab (no animation frames) still ends;
    programs built in the background (a driver that has
    KHR_parallel_shader_compile, simulated) load as well;
  - a WebGL without EXT_float_blend is refused before the music is fetched;
  - a shader that fails to compile is named on the page with the log;
  - `?still` values outside krelan-render's ranges are refused on the page
    as the renderer refuses them;
  - a cut-short music.mp3 or krelan.wasm, a missing or broken card: the page
    names the file and what is wrong, and the console shows that one error.
usage: browser_test.py BUILD_WEB_DIR KRELAN_RENDER"""
import base64
import io
import os
import subprocess
import sys
import tempfile
import time
import wave

import numpy
from PIL import Image

from devtools import Browser, serve

# (beat, sound, least share of pixels within k_levels of the renderer's;
# None: every pixel exactly equal, as the cards must be). The scenes' shares
# are what SwiftShader and llvmpipe measured here, less a margin
# (web/README.md). The field and the lattice take seconds a frame in software.
k_levels = 2
k_frames = [
    (5.0, 0, None),         # warning card
    (100.0, 9000, 0.999),   # dotted sphere
    (230.0, 4000, 0.998),   # particle rings, drawn as sprites
    (449.0, 6000, 0.999),   # post chain: life seed, zoom, glow
    (520.0, 0, None),       # end card
]
k_chain_seek_beat = 455.0    # 138 generations in; the share as at beat 449
k_chain_least_share = 0.999
k_level_moments = [5.0, 30.0, 61.3, 120.0, 200.5]  # seconds into the music
k_beats_per_second = 130 / 60
k_skip_beats = 10 * k_beats_per_second
k_exact = 1e-3               # beats: a seek's landing, after float rounding
k_end_sizes = [(1920, 1080), (1280, 720), (1280, 1024), (2560, 1080), (800, 600)]

failures = []


def check(condition, what):
    print(('ok   ' if condition else 'FAIL ') + what, flush=True)
    if not condition:
        failures.append(what)


def rgb(png_bytes):
    return numpy.asarray(Image.open(io.BytesIO(png_bytes)).convert('RGB'), dtype=numpy.int16)


def data_url_png(url):
    return base64.b64decode(url.split(',', 1)[1])


def renderer_frame(render, beat, sound, scratch):
    out = os.path.join(scratch, f'frame-{beat}.png')
    subprocess.run([render, 'frame', '--beat', repr(beat), '--sound', str(sound), '--out', out],
                   check=True, stdout=subprocess.DEVNULL)
    return open(out, 'rb').read()


def agreement(web_png, native_png):
    difference = numpy.abs(rgb(web_png) - rgb(native_png)).max(axis=2)
    return (float((difference <= k_levels).mean()), float((difference == 0).mean()),
            int(difference.max()))


def check_frames(browser, render, scratch):
    for beat, sound, least_share in k_frames:
        started = time.time()
        web = browser.still_png(beat, sound)
        seconds = time.time() - started
        share, exact, largest = agreement(web, renderer_frame(render, beat, sound, scratch))
        passed = exact == 1.0 if least_share is None else share >= least_share
        check(passed,
              f'frame at beat {beat}, sound {sound}: {share:.4%} of pixels within {k_levels} '
              f'levels ({exact:.4%} exact, largest {largest}; browser {seconds:.1f} s)')


def renderer_stream(render, scratch):
    """The renderer's mixed stream: the mixer's 48 kHz 16-bit stereo frames."""
    path = os.path.join(scratch, 'soundtrack.wav')
    subprocess.run([render, 'audio', '--out', path], check=True, stdout=subprocess.DEVNULL)
    with wave.open(path) as w:
        assert w.getframerate() == 48000 and w.getnchannels() == 2
        samples = numpy.frombuffer(w.readframes(w.getnframes()), dtype='<i2').astype(numpy.int64)
    return samples.reshape(-1, 2)


def head_levels(heads):
    """The meter's rule: the mean magnitude of each chunk's first 100 samples."""
    return numpy.abs(heads).sum(axis=1) // 100


def check_levels(browser, render, scratch):
    # The rule on the browser's own decoded samples (48 kHz, to 16 bits by
    # rounding): the levels the player uses must be exactly these.
    for seconds in k_level_moments:
        chunk = int(seconds * 48000) // 2048
        start = chunk * 2048
        floats = browser.evaluate(
            f'[0, 1].map((c) => krelan.decoded(c, {start}, 50))')
        frames = numpy.clip(numpy.floor(numpy.array(floats).T * 32768 + 0.5), -32768, 32767)
        expected = int(numpy.abs(frames).sum()) // 100
        web = browser.evaluate(f'krelan.levelAt({seconds})')
        check(web == expected, f'level at {seconds} s: {web}, the meter on the decoded samples {expected}')
    # Against the renderer, chunk for chunk over the whole show: the track is
    # at the mixer's rate, so the browser and SDL play the same samples, but
    # their MP3 decoders (Chromium's in floats, rounded by the page; libmpg123
    # in 16 bits) differ by one where a sample falls within about 0.1 of a
    # rounding boundary (0.26 % of the samples here). A level, the sum of 100
    # magnitudes divided by 100, moves by one when such a sample tips the sum
    # across a multiple of 100 (about one chunk in a thousand).
    native = renderer_stream(render, scratch)
    chunks = int(browser.evaluate('Module._krelan_end_seconds()') * 48000 / 2048) + 1
    native_heads = native[:chunks * 2048].reshape(chunks, 2048 * 2)[:, :100]
    web_heads = numpy.array(browser.evaluate(f'''(() => {{
      const heads = [];
      for (let c = 0; c < {chunks}; ++c) {{
        const left = krelan.decoded(0, c * 2048, 50), right = krelan.decoded(1, c * 2048, 50);
        for (let i = 0; i < 50; ++i)
          for (const x of [left[i], right[i]])
            heads.push(Math.max(-32768, Math.min(32767, Math.round(x * 32768))));
      }}
      return heads;
    }})()''')).reshape(chunks, 100)
    off = numpy.abs(web_heads - native_heads)
    check(float((off != 0).mean()) < 0.005 and off.max() <= 1,
          f'the browser decodes the renderer\'s samples: {float((off != 0).mean()):.3%} of the show\'s '
          f'chunk heads differ, by {off.max()} at most')
    web = numpy.array(browser.evaluate(
        f'Array.from({{length: {chunks}}}, (_, c) => krelan.levelAt((c + 0.5) * 2048 / 48000))'))
    level_off = numpy.abs(web - head_levels(native_heads))
    equal = float((level_off == 0).mean())
    check(equal >= 0.995 and level_off.max() <= 1,
          f'the level equals the renderer\'s in {equal:.2%} of the show\'s {chunks} chunks, '
          f'the others by {level_off.max()} (the decoders\' rounding)')


# AudioContext stand-ins, installed before a click: every context the page
# makes is counted; two of them break the player on purpose.
k_contexts = '''(() => {
  window.RealAudioContext = window.RealAudioContext || window.AudioContext;
  window.madeContexts = window.madeContexts || [];
  const kinds = {
    counted: class extends RealAudioContext {
      constructor(...a) { super(...a); madeContexts.push(this); } },
    // A player whose context never runs: silent, and a frozen show.
    suspended: class extends RealAudioContext {
      constructor(...a) { super(...a); madeContexts.push(this); this.suspend(); }
      resume() { return Promise.resolve(); } },
    // A player whose beat comes from performance.now, not the audio clock.
    wallClock: class extends RealAudioContext {
      constructor(...a) { super(...a); madeContexts.push(this); }
      get currentTime() { return performance.now() / 1000; } },
  };
  window.useContexts = (kind) => { window.AudioContext = kinds[kind]; };
})()'''

# The audio clock of the latest context, read past any stand-in.
k_audio_clock = ('Object.getOwnPropertyDescriptor(BaseAudioContext.prototype, "currentTime")'
                 '.get.call(madeContexts[madeContexts.length - 1])')
k_latest = 'madeContexts[madeContexts.length - 1]'


def clock_faults(browser):
    """What is wrong with how the playing show follows the audio clock."""
    faults = []
    state = browser.evaluate(f'{k_latest}.state')
    if state != 'running':
        faults.append(f'the audio context is {state} after the click')
    before = browser.evaluate(f'[krelan.beat(), {k_audio_clock}]')
    time.sleep(1.0)
    after = browser.evaluate(f'[krelan.beat(), {k_audio_clock}]')
    clock = after[1] - before[1]
    if clock < 0.5:
        faults.append(f'the audio clock moved {clock:.3f} s in a second')
    elif abs((after[0] - before[0]) / clock - k_beats_per_second) > 0.05 * k_beats_per_second:
        faults.append(f'the beat moved {after[0] - before[0]:.3f} while the audio clock moved '
                      f'{clock:.3f} s')
    # The audio clock stopped from outside the page: the beat must stand.
    browser.evaluate(f'RealAudioContext.prototype.suspend.call({k_latest})')
    standing = browser.evaluate('krelan.beat()')
    time.sleep(0.7)
    moved = browser.evaluate('krelan.beat()') - standing
    browser.evaluate(f'RealAudioContext.prototype.resume.call({k_latest})')
    if abs(moved) > 0.01:
        faults.append(f'the beat moved {moved:.3f} while the audio clock stood still')
    return faults


def start_show(browser):
    browser.click('play')
    return browser.wait_for_state(['playing'], timeout=60)


def stop_show(browser):
    browser.key('Escape', 'Escape', 27)
    return browser.wait_for_state(['ready'], timeout=30)


def check_audio_clock(browser):
    browser.evaluate(k_contexts)
    for kind, what in [('suspended', 'an audio context left suspended'),
                       ('wallClock', 'a beat from performance.now')]:
        browser.evaluate(f'useContexts("{kind}")')
        start_show(browser)
        faults = clock_faults(browser)
        check(faults != [], f'a player with {what} fails the clock checks: {"; ".join(faults)}')
        stop_show(browser)
    browser.evaluate('useContexts("counted"); madeContexts.length = 0')


def check_playing(browser, render, scratch):
    browser.click('play')
    # A double Enter or a script's click while the show starts, and again once it plays.
    browser.evaluate('document.getElementById("play").click(), '
                     'document.getElementById("play").click()')
    browser.wait_for_state(['playing'], timeout=60)
    browser.evaluate('document.getElementById("play").click()')
    made = browser.evaluate('madeContexts.length')
    check(made == 1, f'starting again while the show starts or plays makes no second '
          f'audio context ({made} made)')
    faults = clock_faults(browser)
    check(faults == [], 'the picture follows the audio clock: ' + ('; '.join(faults) or
                                                                   'running, moving and standing with it'))
    before = browser.evaluate('[krelan.beat(), performance.now()]')
    browser.key('s', 'KeyS', 83)
    after = browser.evaluate('[krelan.beat(), performance.now()]')
    moved = after[0] - before[0] - (after[1] - before[1]) / 1000 * k_beats_per_second
    check(abs(moved - k_skip_beats) < 0.25,
          f'`s` moves the beat by {moved:.3f} beats beyond the clock (10 s = {k_skip_beats:.3f})')
    browser.key('p', 'KeyP', 80)
    time.sleep(0.5)
    browser.evaluate('0')  # takes in the console messages sent meanwhile
    printed = [line for line in browser.console if line.startswith(('Sample: ', 'Beat: '))]
    check(len(printed) == 2 and printed[0].startswith('Sample: '),
          '`p` prints the sample and the beat: ' + ' / '.join(printed))
    check_browsers_keys(browser)
    check_pause_and_seeks(browser, render, scratch)
    state = stop_show(browser)
    visible = browser.evaluate('!document.getElementById("start").classList.contains("hidden")')
    focused = browser.evaluate('document.activeElement && document.activeElement.id')
    check(state == 'ready' and visible and focused == 'play',
          f'Escape returns to the start screen, the focus on its button ({focused})')
    time.sleep(0.5)  # closing a context takes a moment
    open_contexts = browser.evaluate('madeContexts.filter((c) => c.state !== "closed").length')
    check(open_contexts == 0, f'Escape closes every audio context ({open_contexts} still open)')


def check_browsers_keys(browser):
    browser.evaluate('window.prevented = []; window.addEventListener("keydown", '
                     '(e) => { if (e.ctrlKey) prevented.push(e.defaultPrevented); })')
    before = browser.evaluate('[krelan.beat(), performance.now()]')
    browser.key('f', 'KeyF', 70, modifiers=2)
    browser.key('s', 'KeyS', 83, modifiers=2)
    after = browser.evaluate('[krelan.beat(), performance.now()]')
    moved = after[0] - before[0] - (after[1] - before[1]) / 1000 * k_beats_per_second
    fullscreen = browser.evaluate('document.fullscreenElement !== null')
    prevented = browser.evaluate('prevented')
    check(abs(moved) < 0.25 and not fullscreen and prevented == [False, False],
          f'Ctrl+F and Ctrl+S are left to the browser (beat moved {moved:.3f} beyond the clock, '
          f'fullscreen {fullscreen}, default prevented {prevented})')


def landed(browser, press, expected, what):
    press()
    beat = browser.evaluate('krelan.beat()')
    check(abs(beat - expected) < k_exact, f'{what} lands on beat {expected:.3f} ({beat:.4f})')


def timeline_point(browser, beat):
    """Where on the timeline a beat is, and the beat the page takes there."""
    box = browser.evaluate('(() => { const r = document.getElementById("timeline")'
                           '.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()')
    end = browser.evaluate('Module._krelan_end_seconds()')
    seconds = browser.evaluate(f'Module._krelan_seconds_at({beat})')
    x = box[0] + round(box[2] * seconds / end)
    y = box[1] + box[3] / 2
    return x, y, browser.evaluate(f'Module._krelan_beat_at({(x - box[0]) / box[2] * end})')


def check_pause_and_seeks(browser, render, scratch):
    browser.key(' ', 'Space', 32)
    state = browser.wait_for_state(['paused'], timeout=30)
    browser.evaluate('krelan.kept = []; krelan.keepFrames = true')
    held = browser.evaluate('krelan.beat()')
    time.sleep(1.0)
    still = browser.evaluate('krelan.beat()')
    drawn = browser.evaluate('krelan.kept.length')
    browser.evaluate('krelan.keepFrames = false')
    check(state == 'paused' and still == held and drawn == 0,
          f'Space pauses: the beat holds at {held:.4f} ({still:.4f} a second later), '
          f'{drawn} frames drawn meanwhile')

    parts = browser.evaluate('Array.from({length: Module._krelan_part_count()}, '
                             '(_, i) => Module._krelan_part_start(i))')
    key = lambda name, code, shift=False: lambda: browser.key(name, name, code, 8 if shift else 0)
    landed(browser, key('ArrowLeft', 37), held - 4, '←')
    landed(browser, key('ArrowRight', 39, True), held - 3, 'Shift+→')
    landed(browser, key('ArrowRight', 39), held + 1, '→')
    after = lambda beat: next(p for p in parts if p > beat + 0.001)
    landed(browser, key('PageDown', 34), after(held + 1), 'PgDn')
    landed(browser, key('PageDown', 34), after(after(held + 1)), 'PgDn again')
    landed(browser, key('PageUp', 33), after(held + 1), 'PgUp')
    landed(browser, key('Home', 36), -0.5, 'Home')
    x, y, beat = timeline_point(browser, 300.0)
    landed(browser, lambda: browser.click_at(x, y), beat, 'a click on the timeline')
    hashed = None
    for _ in range(20):
        hashed = browser.evaluate('location.hash')
        if hashed == f'#t={beat:.2f}':
            break
        time.sleep(0.1)
    check(hashed == f'#t={beat:.2f}', f'the address follows the seek: {hashed}')

    # Into the post chain: the automaton runs from its seed to that frame.
    x, y, beat = timeline_point(browser, k_chain_seek_beat)
    browser.evaluate('krelan.kept = []; krelan.keepFrames = true')
    started = time.time()
    browser.click_at(x, y)
    deadline = time.time() + 120
    while browser.evaluate('krelan.kept.length') == 0 and time.time() < deadline:
        time.sleep(0.2)
    seconds = time.time() - started
    frame = browser.evaluate('krelan.kept[0] || ""')
    browser.evaluate('krelan.keepFrames = false; krelan.kept = []')
    landed(browser, lambda: None, beat, 'a click on the timeline in the post chain')
    if not frame:
        return check(False, 'a seek into the post chain draws a frame')
    sound = browser.evaluate('krelan.levelAt(Module._krelan_seconds_at(krelan.beat()))')
    share, exact, largest = agreement(data_url_png(frame), renderer_frame(render, beat, sound, scratch))
    check(share >= k_chain_least_share,
          f'the frame after a seek to beat {beat:.4f} (sound {sound}, {seconds:.1f} s) is the '
          f'renderer\'s: {share:.4%} within {k_levels} levels ({exact:.4%} exact, largest {largest})')

    # Playing on in the chain costs seconds a frame in software: from the start.
    browser.key('Home', 'Home', 36)
    browser.key(' ', 'Space', 32)
    state = browser.wait_for_state(['playing'], timeout=30)
    time.sleep(0.5)
    beat = browser.evaluate('krelan.beat()')
    check(state == 'playing' and beat > -0.5, f'Space resumes ({beat:.3f} half a second on)')


def check_context_loss(browser):
    browser.evaluate('document.getElementById("show").getContext("webgl2")'
                     '.getExtension("WEBGL_lose_context").loseContext()')
    browser.wait_for_state(['failed'], timeout=30)
    offered = browser.evaluate('!document.getElementById("restart").classList.contains("hidden")')
    reason = browser.evaluate('document.getElementById("reason").textContent')
    check(offered and 'lost' in reason, 'a lost context is reported with a restart: ' + reason)


# A driver that builds programs in the background: the extension offered, each
# program not done the first two times the page asks.
k_background_builds = '''(() => {
  const getExtension = WebGL2RenderingContext.prototype.getExtension;
  const parameter = WebGL2RenderingContext.prototype.getProgramParameter;
  const asked = new Map();
  window.backgroundAsks = 0;
  WebGL2RenderingContext.prototype.getExtension = function (name) {
    if (name === 'KHR_parallel_shader_compile') return { COMPLETION_STATUS_KHR: 0x91B1 };
    return getExtension.call(this, name);
  };
  WebGL2RenderingContext.prototype.getProgramParameter = function (program, name) {
    if (name !== 0x91B1) return parameter.call(this, program, name);
    ++window.backgroundAsks;
    asked.set(program, (asked.get(program) || 0) + 1);
    return asked.get(program) > 2;
  };
})()'''


# 50 ms of output latency in beats at the show's tempo.
k_latency_beats = 0.05 * k_beats_per_second


def check_linked_start_and_end(browser):
    """#t= starts there; the end screen; programs built in the background."""
    script = browser.run_before_page(k_background_builds)
    try:
        browser.console.clear()
        started = time.time()
        browser.open('?linked#t=520')
        state = browser.wait_for_state(['ready', 'failed'])
        asks = browser.evaluate('window.backgroundAsks')
        loaded = [line for line in browser.console if line.startswith('krelan: loaded in')]
        check(state == 'ready' and asks > 0 and 'in the background' in ''.join(loaded),
              f'programs built in the background load the player ({asks} asks, '
              f'{time.time() - started:.1f} s): {"".join(loaded)}')
    finally:
        browser.stop_running_before_page(script)
    start_show(browser)
    beat = browser.evaluate('krelan.beat()')
    # The beat is what is heard: when the browser's reported output latency
    # grows after the start, the first reading is that much before 520.
    check(520 - k_latency_beats <= beat < 522, f'#t=520 starts the show at beat 520 ({beat:.3f})')
    state = browser.wait_for_state(['ended'], timeout=60)
    focused = browser.evaluate('document.activeElement && document.activeElement.id')
    check(state == 'ended' and focused == 'replay',
          f'the show ends after beat 528 with "Watch again" ({focused} focused)')
    for width, height in k_end_sizes:
        browser.resize(width, height)
        time.sleep(0.3)
        shown = rgb(browser.screenshot())
        browser.evaluate('document.getElementById("again").style.visibility = "hidden"')
        time.sleep(0.2)
        bare = rgb(browser.screenshot())
        browser.evaluate('document.getElementById("again").style.visibility = ""')
        changed = (shown != bare).any(axis=2)
        ink = bare.max(axis=2) > 60
        covered = int((changed & ink).sum())
        check(changed.sum() > 0 and ink.sum() > 1000 and covered == 0,
              f'at {width}x{height} "Watch again" ({int(changed.sum())} pixels) covers '
              f'{covered} pixels of the end card\'s lettering ({int(ink.sum())})')
    browser.call('Emulation.clearDeviceMetricsOverride')
    state = stop_show(browser)
    focused = browser.evaluate('document.activeElement && document.activeElement.id')
    check(state == 'ready' and focused == 'play',
          f'Escape on the end screen returns to the start screen ({focused} focused)')

    # A tab in the background: no animation frames, and the show still ends.
    browser.evaluate('location.hash = "#t=526"')
    start_show(browser)
    browser.evaluate('window.requestAnimationFrame = () => 0; '
                     'Object.defineProperty(document, "hidden", { get: () => true }); '
                     'Object.defineProperty(document, "visibilityState", { get: () => "hidden" }); '
                     'document.dispatchEvent(new Event("visibilitychange"))')
    try:
        state = browser.wait_for_state(['ended'], timeout=30)
    except AssertionError as e:
        state = str(e)
    check(state == 'ended', f'a show in a hidden tab ends on time ({state})')


def check_missing_float_blend(browser):
    script = browser.run_before_page('''(() => {
      const getExtension = WebGL2RenderingContext.prototype.getExtension;
      const supported = WebGL2RenderingContext.prototype.getSupportedExtensions;
      WebGL2RenderingContext.prototype.getExtension = function (name) {
        return name === 'EXT_float_blend' ? null : getExtension.call(this, name);
      };
      WebGL2RenderingContext.prototype.getSupportedExtensions = function () {
        return supported.call(this).filter((name) => name !== 'EXT_float_blend');
      };
    })()''')
    try:
        browser.open('?no-float-blend')
        state = browser.wait_for_state(['failed', 'ready'], timeout=60)
    finally:
        browser.stop_running_before_page(script)
    reason = browser.evaluate('document.getElementById("reason").textContent')
    fetched = browser.evaluate('performance.getEntriesByType("resource")'
                               '.map((e) => e.name.split("/").pop())')
    restart = browser.evaluate('!document.getElementById("restart").classList.contains("hidden")')
    check(state == 'failed' and 'EXT_float_blend' in reason and 'hardware acceleration' in reason
          and not restart and 'music.mp3' not in fetched and 'krelan.wasm' not in fetched,
          f'a WebGL without EXT_float_blend is refused before any download ({fetched}), '
          f'no restart offered: {reason}')


def check_shader_failure(browser):
    browser.open('?fault')
    browser.wait_for_state(['failed'], timeout=120)
    reason = browser.evaluate('document.getElementById("reason").textContent')
    check("program 'sphere' failed to compile" in reason and 'injected' in reason,
          'a shader that fails shows the program and the log: ' + reason.splitlines()[0])


def reason_on_page(browser, query='', port=None):
    """Opens the page, waits for it to fail, returns the reason it shows."""
    browser.errors.clear()
    browser.open(query, port)
    state = browser.wait_for_state(['failed', 'still', 'ready'], timeout=120)
    return browser.evaluate('document.getElementById("reason").textContent') if state == 'failed' else ''


def check_still_parameters(browser, render, scratch):
    # Each refused by the renderer too (status 2), and named on the page.
    for beat, sound, named in [('NaN', '0', 'beat'), ('1e309', '0', 'beat'), ('12beats', '0', 'beat'),
                               ('1000.5', '0', 'beat'), ('100', '-1', 'sound'),
                               ('100', '32769', 'sound'), ('100', '1.5', 'sound')]:
        native = subprocess.run([render, 'frame', '--beat', beat, '--sound', sound, '--out',
                                 os.path.join(scratch, 'refused.png')],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        reason = reason_on_page(browser, f'?still&beat={beat}&sound={sound}')
        check(native == 2 and f'?still: {named} must be' in reason,
              f'?still with beat {beat}, sound {sound}: the renderer says {native}, the page: {reason}')
    # The ranges' ends are drawn.
    browser.open('?still&beat=-1000&sound=32768')
    state = browser.wait_for_state(['still', 'failed'], timeout=120)
    check(state == 'still', f'?still at beat -1000, sound 32768 draws ({state})')


def check_broken_files(browser, site, scratch):
    """Each case on a server of its own (so nothing comes from the cache):
    the player's files with one of them cut short, missing or replaced."""
    cut = lambda name, size: open(os.path.join(site, name), 'rb').read()[:size]
    cases = [
        ('music.mp3', cut('music.mp3', 200000), ['The music failed to decode', 'lasts']),
        ('krelan.wasm', cut('krelan.wasm', 60000), ['krelan.wasm', 'cut short']),
        ('end.png', None, ['end.png', 'HTTP 404']),
        ('warning.png', b'not a PNG', ['warning.png', 'could not be decoded']),
    ]
    for name, content, expected in cases:
        folder = os.path.join(scratch, 'site-' + name)
        os.makedirs(folder)
        for entry in os.listdir(site):
            if entry != name and os.path.isfile(os.path.join(site, entry)):
                os.symlink(os.path.join(os.path.abspath(site), entry), os.path.join(folder, entry))
        if content is not None:
            open(os.path.join(folder, name), 'wb').write(content)
        server, port = serve(folder)
        try:
            time.sleep(0.3)  # the server's socket
            reason = reason_on_page(browser, '', port)
        finally:
            server.terminate()
            server.wait()
        errors = list(browser.errors)
        check(all(e in reason for e in expected) and len(errors) == 1 and reason in errors[0],
              f'{name} {"missing" if content is None else "broken"}: {reason} '
              f'(console errors: {errors})')


def main():
    site, render = sys.argv[1], sys.argv[2]
    browser = Browser(site)
    begun = time.time()
    try:
        with tempfile.TemporaryDirectory() as scratch:
            started = time.time()
            browser.open()
            state = browser.wait_for_state(['ready', 'failed'])
            check(state == 'ready', f'the player loads and builds its programs '
                  f'({time.time() - started:.1f} s)')
            if state == 'ready':
                check_frames(browser, render, scratch)
                check_levels(browser, render, scratch)
                check_audio_clock(browser)
                check_playing(browser, render, scratch)
                check_context_loss(browser)
            check_linked_start_and_end(browser)
            check_missing_float_blend(browser)
            check_shader_failure(browser)
            check_still_parameters(browser, render, scratch)
            check_broken_files(browser, site, scratch)
    finally:
        print('\n'.join('console: ' + line for line in browser.console if 'krelan' in line))
        browser.close()
    print(f'browser test: {time.time() - begun:.0f} s')
    if failures:
        print(f'{len(failures)} browser check(s) failed')
        return 1
    print('all browser checks passed')
    return 0


if __name__ == '__main__':
    sys.exit(main())
