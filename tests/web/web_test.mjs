// make test-web: programs built for the browser (kelc --web), run in headless Chromium driven
// through the DevTools protocol, and their canvas compared pixel for pixel with the native
// build's snap of the same program after the same keys (tests/web/cases.json).
//
//   node --experimental-websocket tests/web/web_test.mjs BUILD [CASE...]
//
// Every wait is for a condition with a deadline: the native program's script waits for text
// on its screen, the page is polled until its canvas equals the snap (or the deadline passes,
// and the differing pixels are reported).
import { spawn, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import os from 'node:os';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const build = path.resolve(process.argv[2] || 'build');
const only = process.argv.slice(3);
const plan = JSON.parse(fs.readFileSync(path.join(root, 'tests/web/cases.json'), 'utf8'));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kel-web-test-'));
const site = path.join(work, 'site'), snaps = path.join(site, 'snaps');
fs.mkdirSync(snaps, { recursive: true });
const deadline = ms => Date.now() + ms;
const sleep = ms => new Promise(r => setTimeout(r, ms));
const children = [];
function cleanup() {
  for (const c of children) try { c.kill('SIGTERM'); } catch {}
  if (process.env.KEL_KEEP_SCRATCH) return;
  try {
    fs.rmSync(work, { recursive: true, force: true, maxRetries: 10 });
  } catch (e) {                           // the browser's helpers may still be writing its profile
    console.log(`could not remove ${work} (${e.code})`);
  }
}
process.on('exit', cleanup);
process.on('SIGINT', () => process.exit(130));
// Ends the run once the browser has gone (it writes its profile until it exits).
async function finish(code) {
  try { ws.close(); } catch {}
  for (const c of children) try { c.kill('SIGTERM'); } catch {}
  await Promise.race([new Promise(r => browser.exitCode !== null ? r() : browser.on('exit', r)), sleep(10000)]);
  process.exit(code);
}

// ---- building --------------------------------------------------------------------------

// `bench` instead of case names: the kelbench BASIC kernels (bench/web/*.bas) timed by TIMER in
// both builds, three runs each, and the medians' ratio.
const benchMode = only[0] === 'bench';
const kernels = benchMode ? fs.readdirSync(path.join(root, 'bench/web')).filter(f => f.endsWith('.bas'))
  .map(f => f.slice(0, -4)).filter(k => only.length < 2 || only.includes(k)) : [];
for (const k of kernels) plan.programs[`bench-${k}`] = { source: `bench/web/${k}.bas` };
const cases = benchMode ? [] : plan.cases.filter(c => !only.length || only.includes(c.name));
const native = {};
for (const [name, p] of Object.entries(plan.programs)) {
  if (benchMode && !name.startsWith('bench-')) continue;
  if (!benchMode && !cases.some(c => c.program === name)) continue;
  const src = path.join(root, p.source);
  const t0 = Date.now();
  console.log(`building ${name} for the browser`);
  const data = p.data ? fs.readdirSync(path.join(root, p.data)).filter(f => f.endsWith('.wav'))
    .flatMap(f => ['--data', path.join(root, p.data, f)]) : [];
  execFileSync(path.join(build, 'kelc'), ['--web', src, '-o', path.join(site, name), ...data], { stdio: 'inherit' });
  console.log(`  ${((Date.now() - t0) / 1000).toFixed(0)} s`);
  if (name === 'game') native[name] = path.join(build, 'kestravelle');
  else {
    fs.mkdirSync(path.join(work, 'native', name), { recursive: true });
    native[name] = path.join(work, 'native', name, name);
    execFileSync(path.join(build, 'kelc'), [src, '-o', native[name]], { stdio: 'inherit' });
  }
}

// ---- the server and the browser -------------------------------------------------------

function started(child, stream, pattern, ms) {
  return new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error(`no ${pattern} within ${ms} ms: ${text}`)), ms);
    child[stream].on('data', d => {
      text += d;
      const m = text.match(pattern);
      if (m) { clearTimeout(timer); resolve(m); }
    });
  });
}

const server = spawn('python3', [path.join(root, 'tools/serve_web.py'), site], { stdio: ['ignore', 'pipe', 'inherit'] });
children.push(server);
const base = (await started(server, 'stdout', /http:\/\/127\.0\.0\.1:\d+\//, 20000))[0];

const profile = path.join(work, 'profile');
const browser = spawn('chromium', ['--headless=new', '--remote-debugging-port=0', `--user-data-dir=${profile}`,
  '--no-sandbox', '--no-first-run', '--autoplay-policy=no-user-gesture-required', '--mute-audio',
  '--window-size=1000,800', 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe'] });
children.push(browser);
const wsUrl = (await started(browser, 'stderr', /ws:\/\/\S+/, 30000))[0];

// The DevTools protocol: one session on one page target.
const ws = new WebSocket(wsUrl);
await new Promise((res, rej) => { ws.onopen = res; ws.onerror = rej; });
let nextId = 1;
const pending = new Map(), consoleText = [];
ws.onmessage = ev => {
  const m = JSON.parse(ev.data);
  if (m.id && pending.has(m.id)) {
    const { resolve, reject } = pending.get(m.id);
    pending.delete(m.id);
    m.error ? reject(new Error(JSON.stringify(m.error))) : resolve(m.result);
  } else if (m.method === 'Runtime.consoleAPICalled') {
    consoleText.push(m.params.args.map(a => a.value ?? '').join(' '));
  } else if (m.method === 'Runtime.exceptionThrown') {
    consoleText.push('exception: ' + JSON.stringify(m.params.exceptionDetails.exception?.description ?? m.params));
  }
};
function send(method, params = {}, sessionId) {
  const id = nextId++;
  ws.send(JSON.stringify({ id, method, params, sessionId }));
  return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}
const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
const page = (method, params) => send(method, params, sessionId);
await page('Runtime.enable');
await page('Page.enable');
async function evaluate(expression) {
  const r = await page('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true });
  if (r.exceptionDetails) throw new Error(JSON.stringify(r.exceptionDetails));
  return r.result.value;
}
async function until(what, fn, ms) {
  const end = deadline(ms);
  for (;;) {
    const v = await fn();
    if (v) return v;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await sleep(50);
  }
}

// Keys as the page receives them; the names are the native script's.
const named = { Enter: ['Enter', 13, '\r'], Esc: ['Escape', 27, ''], Space: [' ', 32, ' '], Tab: ['Tab', 9, '\t'],
  Backspace: ['Backspace', 8, ''], Up: ['ArrowUp', 38, ''], Down: ['ArrowDown', 40, ''],
  Left: ['ArrowLeft', 37, ''], Right: ['ArrowRight', 39, ''] };
async function press(name) {
  let key, code, text;
  if (named[name]) [key, code, text] = named[name];
  else { key = text = name; code = name.toUpperCase().charCodeAt(0); }
  const base = { key, windowsVirtualKeyCode: code, nativeVirtualKeyCode: code };
  await page('Input.dispatchKeyEvent', { type: 'keyDown', ...base, text, unmodifiedText: text });
  await page('Input.dispatchKeyEvent', { type: 'keyUp', ...base });
}

// The canvas (read through toDataURL) against a snap, leaving out the masked rectangles.
const compareFn = `async function (url, masks) {
  const load = async src => { const i = new Image(); i.src = src; await i.decode(); return i; };
  const pixels = img => { const c = document.createElement('canvas'); c.width = img.width; c.height = img.height;
    const x = c.getContext('2d'); x.drawImage(img, 0, 0); return x.getImageData(0, 0, img.width, img.height).data; };
  const live = await load(Module.canvas.toDataURL('image/png')), ref = await load(url);
  if (live.width !== ref.width || live.height !== ref.height)
    return { diff: -1, size: [live.width, live.height, ref.width, ref.height] };
  const a = pixels(live), b = pixels(ref);
  let diff = 0, first = null;
  for (let y = 0; y < ref.height; y++)
    for (let x = 0; x < ref.width; x++) {
      if (masks.some(m => x >= m[0] && y >= m[1] && x < m[0] + m[2] && y < m[1] + m[3])) continue;
      const i = 4 * (y * ref.width + x);
      if (a[i] !== b[i] || a[i + 1] !== b[i + 1] || a[i + 2] !== b[i + 2]) {
        diff++;
        if (!first) first = [x, y, a[i], a[i + 1], a[i + 2], b[i], b[i + 1], b[i + 2]];
      }
    }
  return { diff, first, size: [ref.width, ref.height] };
}`;

// ---- one case --------------------------------------------------------------------------

function pngComplete(file) {
  try {
    const b = fs.readFileSync(file);
    return b.length > 12 && b.subarray(b.length - 8, b.length - 4).toString() === 'IEND';
  } catch { return false; }
}

async function runCase(c) {
  const results = [];
  // Native: the program under SDL's dummy drivers, its script written step by step into a FIFO.
  const fifo = path.join(work, `${c.name}.fifo`);
  execFileSync('mkfifo', [fifo]);
  const args = c.args ? c.args.split(' ') : [];
  const prog = spawn(native[c.program], args, { cwd: path.dirname(native[c.program]), stdio: ['ignore', 'ignore', 'pipe'],
    env: { ...process.env, SDL_VIDEODRIVER: 'dummy', SDL_AUDIODRIVER: 'dummy', KEL_SCRIPT: fifo } });
  children.push(prog);
  let stderr = '', exitCode = null;
  prog.stderr.on('data', d => { stderr += d; });
  prog.on('exit', code => { exitCode = code; });
  const fd = fs.openSync(fifo, 'w');
  const script = line => fs.writeSync(fd, line + '\n');

  consoleText.length = 0;
  const query = c.args ? '?' + encodeURIComponent(c.args) : '';
  await page('Page.navigate', { url: `${base}${c.program}/index.html${query}` });
  await until('the page to start', () => evaluate('!!(window.Module && Module.kelReady)'), 60000);
  await evaluate('document.getElementById("canvas").focus(), true');

  let syncs = 0;
  // The native snap `name`, then the canvas polled until it equals it or 30 s have passed.
  async function snapAndCompare(name, mask) {
    const file = path.join(snaps, `${c.name}-${name}.png`);
    script(`snap ${file}`);
    await until(`the native snap ${name}`, () => exitCode === null ? pngComplete(file) : Promise.reject(
      new Error(`the native program ended (${exitCode}): ${stderr}`)), 60000);
    const url = `${base}snaps/${path.basename(file)}?${Date.now()}`;
    const end = deadline(30000);
    for (;;) {
      const r = await evaluate(`(${compareFn})(${JSON.stringify(url)}, ${JSON.stringify(mask || [])})`);
      if (r.diff === 0 || Date.now() > end) return r;
      await sleep(100);
    }
  }
  for (const s of c.steps) {
    if (s.until) {
      // The page is held to the same point: the native screen once the text shows, snapped,
      // and the canvas waited for until it equals that snap, before any further key.
      script(`until ${s.until[0]} ${s.until[1]} 60000 ${s.until[2]}`);
      const r = await snapAndCompare(`sync${++syncs}`, s.mask);
      if (r.diff !== 0) {
        results.push({ snap: `until ${s.until[2]}`, ...r });
        console.log(`  until "${s.until[2]}": the page never showed the same screen (${r.diff} differing pixels)`);
      }
    }
    else if (s.key) { script(`key ${s.key}`); await press(s.key); }
    else if (s.type) { script(`type ${s.type}`); for (const ch of s.type) await press(ch === ' ' ? 'Space' : ch); }
    else if (s.box) {
      await until(`the native box "${s.box}"`, () => stderr.includes(s.box), 60000);
      await until(`the page's box "${s.box}"`, () => consoleText.some(t => t.includes(s.box)), 60000);
    } else if (s.snap) {
      const r = await snapAndCompare(s.snap, s.mask);
      results.push({ snap: s.snap, ...r, masked: !!s.mask });
      if (r.diff !== 0) {                 // the page's picture beside the snap, to look at
        const live = await evaluate('Module.canvas.toDataURL("image/png")');
        fs.writeFileSync(path.join(snaps, `${c.name}-${s.snap}-browser.png`), Buffer.from(live.split(',')[1], 'base64'));
        if (!process.env.KEL_KEEP_SCRATCH) console.log(`  (KEL_KEEP_SCRATCH=1 keeps ${snaps} to compare)`);
      }
      const note = s.mask ? ` (masked: ${s.why})` : '';
      console.log(`  ${s.snap}: ${r.size.slice(0, 2).join('x')}, ${r.diff} differing pixels${note}` +
        (r.diff ? ` first ${JSON.stringify(r.first)}` : ''));
    } else if (s.ended !== undefined) {
      await until('the native program to end', () => exitCode !== null, 60000);
      const st = await until('the page to say the program ended',
        () => evaluate('Module.kelEnded ? JSON.stringify(Module.kelEnded) : ""'), 60000);
      const ok = exitCode === s.ended && JSON.parse(st).status === s.ended;
      results.push({ ended: true, diff: ok ? 0 : 1 });
      const audio = await evaluate('window.kelAudio ? kelAudio.state : "not started"');
      console.log(`  ended: native status ${exitCode}, page told ${st}; the page's audio: ${audio}`);
    }
  }
  if (exitCode === null) { script('close'); await until('the native program to close', () => exitCode !== null, 30000); }
  fs.closeSync(fd);
  await page('Page.navigate', { url: 'about:blank' });
  return results;
}

async function bench() {
  const median = v => v.slice().sort((a, b) => a - b)[Math.floor(v.length / 2)];
  console.log('| kernel | native ms | browser ms | ratio |\n|---|---|---|---|');
  for (const k of kernels) {
    const name = `bench-${k}`, nat = [], web = [];
    for (let i = 0; i < 3; i++) {
      const out = path.join(path.dirname(native[name]), 'kernel.txt');
      fs.rmSync(out, { force: true });
      execFileSync(native[name], [], { cwd: path.dirname(native[name]),
        env: { ...process.env, SDL_VIDEODRIVER: 'dummy', SDL_AUDIODRIVER: 'dummy' } });
      nat.push(parseFloat(fs.readFileSync(out, 'utf8')));
      await page('Page.navigate', { url: `${base}${name}/index.html` });
      await until(`${k} to end in the page`, () => evaluate('!!(window.Module && Module.kelEnded)'), 120000);
      web.push(parseFloat(await evaluate('FS.readFile("/kernel.txt", {encoding: "utf8"})')));
    }
    const n = median(nat), w = median(web);
    console.log(`| ${k} | ${n.toFixed(1)} | ${w.toFixed(1)} | ${(w / n).toFixed(2)} |`);
  }
}
if (benchMode) { await bench(); await finish(0); }

let failed = 0;
for (const c of cases) {
  console.log(`case ${c.name}`);
  try {
    const r = await runCase(c);
    if (r.some(x => x.diff !== 0)) failed++;
  } catch (e) {
    failed++;
    console.log(`  FAILED: ${e.message}`);
    console.log(consoleText.slice(-10).map(t => '  page: ' + t).join('\n'));
  }
}
console.log(failed ? `${failed} of ${cases.length} cases failed` : `all ${cases.length} cases matched`);
await finish(failed ? 1 : 0);
