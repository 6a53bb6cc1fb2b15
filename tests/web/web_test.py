#!/usr/bin/env python3
"""The web build in Debian's headless Chromium, against the native program.

    web_test.py SITE NATIVE_DIR CASE

SITE is the built site (build/web), NATIVE_DIR the native release tree (its v4npelva plays the
same data). CASE is one of: show_lines, scene_lines, pixels, missing_archive, realtime.
Each case serves the site on a free local port with python's http.server and drives Chromium
through its DevTools protocol (a minimal WebSocket client here).
"""

import base64
import contextlib
import json
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request

CHROMIUM = os.environ.get('V4N_CHROMIUM', 'chromium')
# The browser talks to nothing but the local server: no background updates, sync or field trials.
BROWSER_FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--hide-scrollbars',
                 '--mute-audio', '--no-first-run', '--disable-extensions', '--disable-quic',
                 '--disable-background-networking', '--disable-component-update', '--disable-sync',
                 '--disable-default-apps', '--disable-domain-reliability',
                 '--metrics-recording-only', '--no-default-browser-check']


def fail(message):
    print('FAIL: ' + message)
    sys.exit(1)


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


@contextlib.contextmanager
def serve(folder):
    port = free_port()
    server = subprocess.Popen([sys.executable, '-m', 'http.server', str(port), '--bind',
                               '127.0.0.1', '-d', folder],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            with contextlib.suppress(OSError):
                with socket.create_connection(('127.0.0.1', port), timeout=0.2):
                    break
            time.sleep(0.05)
        yield 'http://127.0.0.1:%d/' % port
    finally:
        server.terminate()
        server.wait()


def native_lines(native_dir, args):
    out = subprocess.run([os.path.join(native_dir, 'v4npelva'), '--headless'] + args,
                         capture_output=True, text=True, cwd=native_dir, timeout=900)
    if out.returncode != 0:
        fail('native run failed: ' + out.stderr)
    return out.stdout.splitlines()


def compare_lines(native, web):
    for i, line in enumerate(native):
        if i >= len(web):
            fail('the page printed %d of %d scene lines; missing: %s' % (len(web), len(native),
                                                                            line))
        if web[i] != line:
            fail('scene line %d differs:\n native: %s\n web:    %s' % (i + 1, line, web[i]))
    if len(web) != len(native):
        fail('the page printed %d scene lines, the native program %d' % (len(web), len(native)))


def run_lines(site, native_dir, scene):
    args = ['--scene', scene] if scene else []
    native = native_lines(native_dir, args)
    query = '?headless' + ('&scene=' + scene if scene else '')
    with serve(site) as base, browser_tools(640, 480) as tools:
        tools.call('Page.navigate', url=base + 'index.html' + query)
        tools.wait_for("window.v4nPage && v4nPage.state === 'running'", 120, 'the start')
        started = time.monotonic()
        tools.wait_for("v4nPage.state === 'exited'", 1800, 'the end of the show')
        seconds = time.monotonic() - started
        log = tools.evaluate("document.getElementById('log').textContent").splitlines()
    if not log or log[-1] != 'exit 0':
        fail('the page did not end with exit 0:\n' + '\n'.join(log[-20:]))
    # The page's log holds what the program printed (standard output and error), then its exit.
    web = [line for line in log[:-1] if not line.startswith('v4npelva:')]
    compare_lines(native, web)
    print('%d lines equal; the page took %.1f s'
          % (len(web), seconds))


def rgb_of_png(path):
    """The picture's raw RGB bytes and size, through ImageMagick."""
    size = subprocess.run(['identify', '-format', '%w %h', path], capture_output=True,
                          text=True, check=True).stdout.split()
    raw = subprocess.run(['convert', path, '-depth', '8', 'rgb:-'], capture_output=True,
                         check=True).stdout
    return raw, int(size[0]), int(size[1])


def screenshot(tools, url, path):
    """The page's 320 x 240 top left corner once the page has shown its frames."""
    tools.call('Page.navigate', url=url)
    tools.wait_for("window.v4nPage && (v4nPage.state === 'done' || v4nPage.state === 'exited')",
                   600, 'the frames of ' + url)
    tools.screenshot(path)


# Scenes and scene frames (as --png-dir numbers them) whose pictures must be the native ones,
# byte for byte: a fire, a textured 3D flight, a nebula with a planet, a lit mesh.
PIXEL_CASES = [('flames', 200), ('space-flight', 300), ('cosmos', 100), ('rubber', 400)]
PNG_EVERY = 100
# Before a scene's first frame the one-scene player shows one of its own, which the platform
# counts and the scene's PNGs do not: PNG number P is shown frame P + 2.
FRAMES_BEFORE_SCENE = 1


def run_pixels(site, native_dir):
    equal_pixels = total_pixels = 0
    failures = []
    with tempfile.TemporaryDirectory() as work, serve(site) as base, \
            browser_tools(320, 240) as tools:
        for scene, frames in PIXEL_CASES:
            pngs = os.path.join(work, scene)
            os.makedirs(pngs)
            subprocess.run([os.path.join(native_dir, 'v4npelva'), '--headless', '--scene', scene,
                            '--png-dir', pngs, '--every', str(PNG_EVERY)], capture_output=True,
                           cwd=native_dir, check=True, timeout=900)
            shot = os.path.join(work, scene + '-web.png')
            screenshot(tools, base + 'index.html?headless&scale=1&frames=%d&scene=%s'
                       % (frames + 1 + FRAMES_BEFORE_SCENE, scene), shot)
            web, width, height = rgb_of_png(shot)
            if (width, height) != (320, 240):
                fail('the screenshot is %d x %d' % (width, height))
            native, _, _ = rgb_of_png(os.path.join(pngs, 'frame_%05d.png' % frames))
            same = sum(1 for i in range(0, len(native), 3) if native[i:i + 3] == web[i:i + 3])
            equal_pixels += same
            total_pixels += 320 * 240
            print('%-13s frame %4d: %6d of %d pixels equal' % (scene, frames, same, 320 * 240))
            if same != 320 * 240:
                failures.append(scene)
    print('identical pixels: %.4f%%' % (100.0 * equal_pixels / total_pixels))
    if failures:
        fail('pictures differ: ' + ', '.join(failures))


def run_missing_archive(site):
    with tempfile.TemporaryDirectory() as folder:
        for name in os.listdir(site):
            if name != 'v4npelva.zem' and os.path.isfile(os.path.join(site, name)):
                shutil.copy(os.path.join(site, name), folder)
        with serve(folder) as base, browser_tools(640, 480) as tools:
            tools.call('Page.navigate', url=base + 'index.html?headless')
            tools.wait_for("window.v4nPage && v4nPage.state === 'exited'", 120, 'the end')
            message = tools.evaluate("document.getElementById('message').hidden ? '' : "
                                     "document.getElementById('message-text').textContent")
            code = tools.evaluate('v4nPage.exitCode')
    if 'v4npelva.zem' not in message or code != 1:
        fail('the page shows no message about the missing archive (exit %s)' % code)
    print('message: %s (exit %d)' % (message.strip(), code))


# ---------------------------------------------------------------------------------------------
# The real-time page through Chromium's DevTools protocol (a minimal WebSocket client).

class DevTools:
    def __init__(self, ws_url):
        host, port, path = re.match(r'ws://([^:/]+):(\d+)(/.*)', ws_url).groups()
        self.sock = socket.create_connection((host, int(port)), timeout=60)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(('GET %s HTTP/1.1\r\nHost: %s:%s\r\nUpgrade: websocket\r\n'
                           'Connection: Upgrade\r\nSec-WebSocket-Key: %s\r\n'
                           'Sec-WebSocket-Version: 13\r\n\r\n' % (path, host, port, key)).encode())
        response = b''
        while b'\r\n\r\n' not in response:
            response += self.sock.recv(4096)
        if b' 101 ' not in response.split(b'\r\n')[0]:
            fail('DevTools refused the connection')
        self.buffer = response.split(b'\r\n\r\n', 1)[1]
        self.next_id = 0

    def _recv_exact(self, count):
        while len(self.buffer) < count:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError
            self.buffer += chunk
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def _recv_message(self):
        message = b''
        while True:
            head = self._recv_exact(2)
            final, length = head[0] & 0x80, head[1] & 0x7F
            if length == 126:
                length = struct.unpack('>H', self._recv_exact(2))[0]
            elif length == 127:
                length = struct.unpack('>Q', self._recv_exact(8))[0]
            message += self._recv_exact(length)
            if final:
                return message.decode()

    def call(self, method, **params):
        self.next_id += 1
        payload = json.dumps({'id': self.next_id, 'method': method, 'params': params}).encode()
        mask = os.urandom(4)
        header = bytes([0x81])
        if len(payload) < 126:
            header += bytes([0x80 | len(payload)])
        elif len(payload) < 65536:
            header += bytes([0x80 | 126]) + struct.pack('>H', len(payload))
        else:
            header += bytes([0x80 | 127]) + struct.pack('>Q', len(payload))
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(header + mask + masked)
        while True:
            reply = json.loads(self._recv_message())
            if reply.get('id') == self.next_id:
                if 'error' in reply:
                    fail('%s: %s' % (method, reply['error']))
                return reply.get('result', {})

    def evaluate(self, expression):
        result = self.call('Runtime.evaluate', expression=expression, returnByValue=True,
                           awaitPromise=True)
        return result.get('result', {}).get('value')

    def wait_for(self, expression, seconds, what):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.evaluate(expression):
                return
            time.sleep(0.1)
        fail('timed out waiting for ' + what)

    def key(self, key, code, key_code):
        for kind in ('keyDown', 'keyUp'):
            self.call('Input.dispatchKeyEvent', type=kind, key=key, code=code,
                      windowsVirtualKeyCode=key_code, nativeVirtualKeyCode=key_code)

    def screenshot(self, path):
        data = self.call('Page.captureScreenshot', format='png')['data']
        with open(path, 'wb') as f:
            f.write(base64.b64decode(data))


def colourful_share(path):
    """Share of pixels that are neither black nor the start page's grey."""
    raw, width, height = rgb_of_png(path)
    lit = sum(1 for i in range(0, len(raw), 3) if max(raw[i:i + 3]) > 24)
    return lit / (width * height)


@contextlib.contextmanager
def browser_tools(width, height, extra_flags=()):
    """Chromium with its DevTools protocol, on a page of width x height CSS pixels."""
    port = free_port()
    # Chromium's helper processes may still write to the profile for a moment after it ends.
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = subprocess.Popen([CHROMIUM] + BROWSER_FLAGS + list(extra_flags) + [
            '--user-data-dir=' + profile, '--remote-debugging-port=%d' % port,
            '--window-size=%d,%d' % (width, height), 'about:blank'],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(300):
                with contextlib.suppress(OSError, ValueError):
                    targets = json.load(urllib.request.urlopen(
                        'http://127.0.0.1:%d/json/list' % port, timeout=1))
                    pages = [t for t in targets if t.get('type') == 'page']
                    if pages:
                        break
                time.sleep(0.1)
            else:
                fail('Chromium did not start')
            tools = DevTools(pages[0]['webSocketDebuggerUrl'])
            tools.call('Page.enable')
            tools.call('Emulation.setDeviceMetricsOverride', width=width, height=height,
                       deviceScaleFactor=1, mobile=False)
            yield tools
        finally:
            browser.terminate()
            browser.wait()


def run_realtime(site, keep_dir):
    with serve(site) as base, browser_tools(
            1024, 768, ['--autoplay-policy=no-user-gesture-required']) as tools:
        if True:
            tools.call('Page.navigate', url=base + 'index.html?scene=flames')
            tools.wait_for("window.v4nPage && v4nPage.state === 'ready'", 60, 'the start page')
            tools.screenshot(os.path.join(keep_dir, 'web-start-page.png'))
            # The click the browser needs before sound may play.
            box = tools.evaluate("(function(){const r=document.getElementById('start-demo')"
                                 ".getBoundingClientRect();return [r.x+r.width/2,r.y+r.height/2]"
                                 "})()")
            for kind in ('mousePressed', 'mouseReleased'):
                tools.call('Input.dispatchMouseEvent', type=kind, x=box[0], y=box[1],
                           button='left', clickCount=1)
            tools.wait_for("v4nPage.firstFrameMs !== null", 30, 'the first frame')
            first_ms = tools.evaluate('v4nPage.firstFrameMs - v4nPage.startClickMs')
            # Past the scene's opening wait for the music, which (as natively) takes no input.
            time.sleep(6)
            shot = os.path.join(keep_dir, 'web-flames.png')
            tools.screenshot(shot)
            share = colourful_share(shot)
            audio = tools.evaluate('v4nPage.audioContext()')
            frames_a = tools.evaluate('v4nPage.shownFrames')
            audio_a = tools.evaluate('v4nPage.audioTime()')
            time.sleep(1)
            frames_b = tools.evaluate('v4nPage.shownFrames')
            audio_b = tools.evaluate('v4nPage.audioTime()')
            print('click to first frame %.0f ms; lit share %.2f; audio %s, %.2f s played in 1 s;'
                  ' %d frames in 1 s' % (first_ms, share, audio, audio_b - audio_a,
                                         frames_b - frames_a))
            if audio_b <= audio_a:
                fail('the sound does not advance')
            if share < 0.05:
                fail('the screenshot after 6 s is black or the start page')
            if audio != 'running':
                fail('the audio context is ' + str(audio))
            if frames_b <= frames_a:
                fail('no frames shown')
            # A hidden page pauses: no frames while hidden.
            tools.evaluate("Object.defineProperty(document,'hidden',{value:true,configurable:true});"
                           "Object.defineProperty(document,'visibilityState',{value:'hidden',"
                           "configurable:true});document.dispatchEvent(new Event("
                           "'visibilitychange'));true")
            time.sleep(1)
            paused_a = tools.evaluate('v4nPage.shownFrames')
            time.sleep(1.5)
            paused_b = tools.evaluate('v4nPage.shownFrames')
            print('while hidden: %d frames in 1.5 s' % (paused_b - paused_a))
            tools.evaluate("delete document.hidden;delete document.visibilityState;"
                           "document.dispatchEvent(new Event('visibilitychange'));true")
            if paused_b - paused_a > 2:
                fail('the hidden page went on showing frames')
            time.sleep(1)
            tools.key('Escape', 'Escape', 27)
            tools.wait_for("v4nPage.state === 'exited' && "
                           "!document.getElementById('start').hidden", 20, 'the start page again')
            print('Escape returned to the start page')


def main():
    site, native_dir, case = sys.argv[1:4]
    if case == 'show_lines':
        run_lines(site, native_dir, None)
    elif case == 'scene_lines':
        run_lines(site, native_dir, 'cosmos')
    elif case == 'pixels':
        run_pixels(site, native_dir)
    elif case == 'missing_archive':
        run_missing_archive(site)
    elif case == 'realtime':
        run_realtime(site, os.environ.get('V4N_WEB_SHOTS', tempfile.gettempdir()))
    else:
        fail('unknown case ' + case)


if __name__ == '__main__':
    main()
