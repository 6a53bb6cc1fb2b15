// The page around the show: downloads the program and the data with a progress bar, shows the
// start page (output, sound, "Start demo"), turns the URL's parameters into the program's flags,
// and gives the program the few things it asks the page for (Module.v4n).
//
//   ?scene=NAME   one scene (names as --scene)     ?headless  virtual time, no sound, the log
//   ?frames=N     stop after N shown frames        ?scale=N   each pixel N x N CSS pixels
//   ?autostart    no start page                    ?nosound   no sound
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const headless = params.has('headless');
  const frameLimit = Math.max(0, parseInt(params.get('frames') || '0', 10) || 0);
  const scaleParam = Math.max(0, Math.min(16, parseInt(params.get('scale') || '0', 10) || 0));
  const scene = params.get('scene');
  const autostart = headless || params.has('autostart');
  const noSound = headless || params.has('nosound');

  const canvas = document.getElementById('canvas');
  const stage = document.getElementById('stage');
  const startPage = document.getElementById('start');
  const logElement = document.getElementById('log');
  const startButton = document.getElementById('start-demo');
  const progressBar = document.getElementById('progress-bar');
  const progressText = document.getElementById('progress-text');

  // What the tests read: the state of the page and of the show.
  const page = window.v4nPage = {
    state: 'loading', // loading, ready, running, done (frame limit reached), exited, failed
    shownFrames: 0,
    exitCode: null,
    firstFrameMs: null,
    startClickMs: null,
    audioContext: function () {
      const audio = window.Module && Module.SDL2 && Module.SDL2.audioContext;
      return audio ? audio.state : 'none';
    },
    audioTime: function () {
      const audio = window.Module && Module.SDL2 && Module.SDL2.audioContext;
      return audio ? audio.currentTime : -1;
    },
  };

  function log(line) {
    console.log(line);
    logElement.textContent += line + '\n';
  }

  if (headless)
    document.body.classList.add('headless');

  // A program that fails in the browser says so in the page rather than leaving it blank.
  function reportFailure(text) {
    log('error: ' + text);
    if (page.state === 'running' || page.state === 'loading') {
      page.state = 'failed';
      document.getElementById('message-title').textContent = 'The v4n Pelvadron Demo by -ZEM-';
      document.getElementById('message-text').textContent = 'The show stopped: ' + text;
      document.getElementById('message').hidden = false;
    }
  }
  window.addEventListener('error', function (event) {
    reportFailure(String(event.message));
  });
  window.addEventListener('unhandledrejection', function (event) {
    reportFailure(String(event.reason));
  });

  // The files the show needs, fetched with one progress bar; the program's own .js comes last.
  const dataFiles = ['v4npelva.zem', 'v4npelva.xm'];
  const downloads = ['v4npelva.wasm'].concat(dataFiles);
  const loaded = {};
  const sizes = {};
  function showProgress() {
    let done = 0, total = 0;
    for (const name of downloads) {
      done += loaded[name] || 0;
      total += sizes[name] || 0;
    }
    const share = total > 0 ? Math.min(1, done / total) : 0;
    progressBar.style.width = (share * 100).toFixed(1) + '%';
    progressText.textContent = page.state === 'loading'
      ? 'Loading ' + Math.round(share * 100) + '%' : 'Ready';
  }
  // A missing file is not an error here: the program reports it in its own words.
  async function fetchWithProgress(name) {
    let response;
    try {
      response = await fetch(name);
    } catch (e) {
      return null;
    }
    if (!response.ok)
      return null;
    sizes[name] = parseInt(response.headers.get('Content-Length') || '0', 10);
    if (!response.body || !sizes[name])
      return new Uint8Array(await response.arrayBuffer());
    const reader = response.body.getReader();
    const chunks = [];
    let length = 0;
    for (;;) {
      const part = await reader.read();
      if (part.done)
        break;
      chunks.push(part.value);
      length += part.value.length;
      loaded[name] = length;
      showProgress();
    }
    const bytes = new Uint8Array(length);
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    return bytes;
  }

  function programEnded(code) {
    if (page.exitCode !== null)
      return;
    page.exitCode = code;
    if (page.state === 'done')
      return;
    page.state = 'exited';
    log('exit ' + code);
    if (!headless) {
      // The show ended (Escape, or its end): back to the start page.
      if (document.fullscreenElement)
        document.exitFullscreen().catch(function () {});
      stage.hidden = true;
      startPage.hidden = false;
      progressText.textContent = 'The show has ended';
      // A program that ended cannot start again in the same page: a fresh page starts anew.
      startButton.disabled = false;
      startButton.onclick = function () {
        location.reload();
      };
    }
  }

  const files = {};
  let runtimeReady = false;
  let startWanted = null;

  window.Module = {
    canvas: canvas,
    noInitialRun: true,
    print: log,
    printErr: function (line) {
      console.error(line);
      logElement.textContent += line + '\n';
    },
    onRuntimeInitialized: function () {
      runtimeReady = true;
      Module.FS.mkdir('/data');
      for (const name of dataFiles)
        if (files[name])
          Module.FS.writeFile('/data/' + name, files[name]);
      page.state = 'ready';
      showProgress();
      startButton.disabled = false;
      if (startWanted)
        run(startWanted);
    },
    onAbort: function (what) {
      reportFailure(String(what));
    },
    // Called by exit() wherever the program ends (onExit is skipped while a timer or the sound
    // keeps the runtime alive), and once when main first yields to the browser: then the
    // program's saved state (Asyncify.currData) says it is only sleeping.
    quit: function (code, toThrow) {
      if (!(typeof Asyncify !== 'undefined' && Asyncify.currData))
        programEnded(code);
      throw toThrow;
    },
    onExit: function (code) {
      programEnded(code);
    },
    v4n: {
      frameLimit: function () {
        return frameLimit;
      },
      // 320 x 240 pixels of 0x00RRGGBB at the given address: the headless picture.
      drawPicture: function (address) {
        const context = canvas.getContext('2d');
        const image = context.createImageData(320, 240);
        const source = HEAPU32.subarray(address >> 2, (address >> 2) + 320 * 240);
        const target = image.data;
        for (let i = 0; i < 320 * 240; ++i) {
          const p = source[i];
          target[4 * i] = (p >> 16) & 255;
          target[4 * i + 1] = (p >> 8) & 255;
          target[4 * i + 2] = p & 255;
          target[4 * i + 3] = 255;
        }
        context.putImageData(image, 0, 0);
      },
      framesDone: function (frames) {
        page.state = 'done';
        page.shownFrames = frames;
        log('frames ' + frames);
      },
      showMessage: function (title, text) {
        document.getElementById('message-title').textContent = title;
        document.getElementById('message-text').textContent = text;
        document.getElementById('message').hidden = false;
      },
      // Resolves at the next animation frame; a hidden page has none, so a timer stands in.
      nextFrame: function (resolve) {
        let fired = false;
        const fire = function () {
          if (!fired) {
            fired = true;
            ++page.shownFrames;
            if (page.firstFrameMs === null) {
              page.firstFrameMs = performance.now();
              // SDL hears of the focus only from focus events; the page had it before SDL
              // listened, so it is told now, and a later blur or hidden page pauses the show.
              if (!document.hidden)
                window.dispatchEvent(new FocusEvent('focus'));
            }
            resolve();
          }
        };
        requestAnimationFrame(fire);
        setTimeout(fire, document.hidden ? 20 : 250);
      },
    },
  };

  document.getElementById('message-ok').onclick = function () {
    document.getElementById('message').hidden = true;
  };

  // The program draws 320 x 240 pixels; the page enlarges them by the largest whole factor that
  // fits the window (or the screen, full screen), or by ?scale=N, with sharp pixels.
  function fitCanvas() {
    let scale = scaleParam;
    if (!scale) {
      const width = document.fullscreenElement ? screen.width : window.innerWidth;
      const height = document.fullscreenElement ? screen.height : window.innerHeight;
      scale = Math.max(1, Math.min(Math.floor(width / 320), Math.floor(height / 240)));
    }
    canvas.style.width = 320 * scale + 'px';
    canvas.style.height = 240 * scale + 'px';
  }
  window.addEventListener('resize', fitCanvas);
  document.addEventListener('fullscreenchange', fitCanvas);

  function run(choice) {
    page.state = 'running';
    startPage.hidden = true;
    stage.hidden = false;
    const args = ['--data', '/data'];
    if (headless) {
      args.push('--headless');
    } else {
      args.push('--window', '--scale', '1');
      if (!choice.sound)
        args.push('--no-sound');
    }
    if (scene)
      args.push('--scene', scene);
    fitCanvas();
    Module.callMain(args);
    // callMain returns at the program's first yield to the browser. When main returns later, after
    // a yield, no exit() follows: Asyncify hands main's return value to these handlers instead.
    if (typeof Asyncify !== 'undefined' && Asyncify.currData) {
      Asyncify.asyncPromiseHandlers = {
        resolve: programEnded,
        reject: function (error) {
          reportFailure(String(error));
        },
      };
    }
    fitCanvas();
  }

  function start(choice) {
    page.startClickMs = performance.now();
    if (choice.fullscreen && stage.requestFullscreen)
      stage.requestFullscreen().catch(function () {});
    if (runtimeReady)
      run(choice);
    else
      startWanted = choice;
  }

  startButton.onclick = function () {
    const fullscreen = document.querySelector('input[name=output]:checked').value === 'fullscreen';
    start({fullscreen: fullscreen, sound: document.getElementById('sound').checked});
  };

  // F and Alt+Enter toggle full screen; the page does it, so the browser's rules are kept.
  window.addEventListener('keydown', function (event) {
    if (page.state !== 'running' || headless)
      return;
    const toggle = (event.key === 'f' || event.key === 'F') && !event.ctrlKey && !event.metaKey ||
                   event.key === 'Enter' && event.altKey;
    if (!toggle)
      return;
    event.preventDefault();
    event.stopImmediatePropagation();
    if (document.fullscreenElement)
      document.exitFullscreen().catch(function () {});
    else if (stage.requestFullscreen)
      stage.requestFullscreen().catch(function () {});
  }, true);

  // A hidden page pauses the show as a window that loses the focus does.
  document.addEventListener('visibilitychange', function () {
    if (page.state === 'running' && !headless)
      window.dispatchEvent(new FocusEvent(document.hidden ? 'blur' : 'focus'));
  });

  if (autostart) {
    startPage.hidden = true;
    startWanted = {fullscreen: false, sound: !noSound};
  } else {
    startPage.hidden = false;
    stage.hidden = true;
  }

  (async function load() {
    const [wasm, ...data] = await Promise.all(downloads.map(fetchWithProgress));
    dataFiles.forEach(function (name, i) {
      files[name] = data[i];
    });
    if (!wasm) {
      page.state = 'failed';
      progressText.textContent = 'The program could not be loaded';
      log('the program could not be loaded');
      return;
    }
    Module.wasmBinary = wasm.buffer;
    const script = document.createElement('script');
    script.src = 'v4npelva.js';
    document.body.appendChild(script);
  })();
})();
