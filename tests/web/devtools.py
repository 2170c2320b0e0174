"""Headless Chromium driven over the DevTools protocol, and a local server
for the built player. Chromium runs on its software WebGL 2 (SwiftShader),
with the network services it would otherwise try to reach turned off."""
import base64
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time
import urllib.request

import websocket

CHROMIUM_FLAGS = [
    '--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--window-size=1920,1080', '--disable-gpu-sandbox', '--no-first-run', '--disable-quic',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--disable-default-apps', '--disable-extensions', '--mute-audio',
    '--autoplay-policy=no-user-gesture-required', '--remote-debugging-port=0',
]


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def serve(site):
    """An HTTP server for the folder `site` on 127.0.0.1: (process, port)."""
    port = free_port()
    server = subprocess.Popen(
        ['/usr/bin/python3', '-m', 'http.server', '--bind', '127.0.0.1', '--directory', site,
         str(port)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return server, port


class Browser:
    """One page in one Chromium, serving `site` on 127.0.0.1."""

    def __init__(self, site):
        self.server, self.port = serve(site)
        self.profile = tempfile.mkdtemp(prefix='krelan-chromium-')
        self.chromium = subprocess.Popen(
            ['chromium', *CHROMIUM_FLAGS, '--user-data-dir=' + self.profile, 'about:blank'],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.console = []
        self.errors = []  # console.error lines and uncaught exceptions
        self.next_id = 0
        self.socket = websocket.create_connection(self._page_socket(), timeout=300)
        self.call('Runtime.enable')
        self.call('Page.enable')

    def _page_socket(self):
        active = os.path.join(self.profile, 'DevToolsActivePort')
        for _ in range(300):
            if os.path.exists(active) and open(active).read().count('\n') >= 1:
                break
            time.sleep(0.1)
        debug_port = open(active).read().split('\n')[0]
        for _ in range(100):
            targets = json.load(urllib.request.urlopen(f'http://127.0.0.1:{debug_port}/json'))
            pages = [t for t in targets if t['type'] == 'page']
            if pages:
                return pages[0]['webSocketDebuggerUrl']
            time.sleep(0.1)
        raise RuntimeError('Chromium opened no page')

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get('method') == 'Runtime.consoleAPICalled':
                args = message['params']['args']
                line = ' '.join(str(a.get('value', '')) for a in args)
                self.console.append(line)
                if message['params']['type'] == 'error':
                    self.errors.append(line)
            if message.get('method') == 'Runtime.exceptionThrown':
                details = message['params']['exceptionDetails']
                self.errors.append(details.get('exception', {}).get('description')
                                   or details.get('text', 'exception'))
            if message.get('id') == self.next_id:
                if 'error' in message:
                    raise RuntimeError(f'{method}: {message["error"]}')
                return message['result']

    def evaluate(self, expression):
        result = self.call('Runtime.evaluate', expression=expression, awaitPromise=True,
                           returnByValue=True)
        if 'exceptionDetails' in result:
            raise RuntimeError(f'{expression}: {result["exceptionDetails"]}')
        return result['result'].get('value')

    def open(self, query='', port=None):
        """Opens the player (on another server when `port` is given)."""
        self.call('Page.navigate', url=f'http://127.0.0.1:{port or self.port}/{query}')

    def wait_for_state(self, states, timeout=240):
        deadline = time.time() + timeout
        while time.time() < deadline:
            state = self.evaluate('document.body ? document.body.dataset.state : ""')
            if state in states:
                return state
            time.sleep(0.25)
        raise AssertionError(f'the page never reached {states} (last {state})')

    def click(self, element_id):
        box = self.evaluate(f'(() => {{ const r = document.getElementById("{element_id}")'
                            '.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()')
        for kind in ('mousePressed', 'mouseReleased'):
            self.call('Input.dispatchMouseEvent', type=kind, x=box[0], y=box[1], button='left',
                      clickCount=1)

    def key(self, key, code, key_code, modifiers=0):
        """Presses and releases a key; `modifiers` as the protocol counts
        them (Alt 1, Ctrl 2, Meta 4, Shift 8)."""
        for kind in ('keyDown', 'keyUp'):
            self.call('Input.dispatchKeyEvent', type=kind, key=key, code=code,
                      windowsVirtualKeyCode=key_code, modifiers=modifiers)

    def click_at(self, x, y):
        for kind in ('mousePressed', 'mouseReleased'):
            self.call('Input.dispatchMouseEvent', type=kind, x=x, y=y, button='left', clickCount=1)

    def run_before_page(self, source):
        """Runs `source` in every page opened from now on, before its own
        scripts; returns the handle that stop_running_before_page takes."""
        return self.call('Page.addScriptToEvaluateOnNewDocument', source=source)['identifier']

    def stop_running_before_page(self, identifier):
        self.call('Page.removeScriptToEvaluateOnNewDocument', identifier=identifier)

    def resize(self, width, height):
        """The page's viewport, in CSS pixels at one device pixel each."""
        self.call('Emulation.setDeviceMetricsOverride', width=width, height=height,
                  deviceScaleFactor=1, mobile=False)

    def screenshot(self):
        """The page as composited (the canvas as last shown), PNG bytes."""
        return base64.b64decode(self.call('Page.captureScreenshot', format='png')['data'])

    def still_png(self, beat, sound):
        url = self.evaluate(f'krelan.still({beat}, {sound})')
        return base64.b64decode(url.split(',', 1)[1])

    def close(self):
        for process in (self.chromium, self.server):
            process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)
