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
fs.rmSync(path.join(build, 'web-test-failed'), { recursive: true, force: true });
const deadline = ms => Date.now() + ms;
const sleep = ms => new Promise(r => setTimeout(r, ms));
const children = [];
// The browser runs in a process group of its own, so that its helper processes (which keep
// writing its profile) end with it.
let browser = null;
const browserGroup = sig => { try { process.kill(-browser.pid, sig); return true; } catch { return false; } };
function cleanup() {
  for (const c of children) try { c.kill('SIGTERM'); } catch {}
  if (browser) browserGroup('SIGKILL');
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
  browserGroup('SIGTERM');
  for (const end = deadline(10000); Date.now() < end && browserGroup(0);) await sleep(50);
  process.exit(code);
}

// ---- building --------------------------------------------------------------------------

// `bench` instead of case names: the kelbench BASIC kernels (bench/basic/*.bas, or the ones
// named after `bench`) timed by TIMER in both builds. Each kernel is wrapped at run time (see
// benchWrapper), so bench/basic holds the only copy of it.
const benchMode = only[0] === 'bench';
const kernels = benchMode ? fs.readdirSync(path.join(root, 'bench/basic')).filter(f => f.endsWith('.bas'))
  .map(f => f.slice(0, -4)).filter(k => only.length < 2 || only.includes(k)).sort() : [];
// What kelbench does before a kernel that expects it (bench/bench_basic.cpp).
const benchSetup = { pset: 'SCREEN 13' };
// The kernel's module-level code between a start and an end that time it with TIMER(.001) and
// append the milliseconds and the four result bytes at 0000:0600 to kernel.txt; then RUN starts
// it again (variables cleared, as kelbench's CLEAR) until it has run 3 times and 1.5 s in all,
// counted in words at 0000:0700 (runs) and 0000:0702 (milliseconds; RUN leaves memory as it
// is). SUBs and FUNCTIONs follow the end.
function benchWrapper(k) {
  const lines = fs.readFileSync(path.join(root, 'bench/basic', `${k}.bas`), 'utf8').split(/\r?\n/);
  let at = lines.findIndex(l => /^\s*(SUB|FUNCTION)\s/i.test(l));
  if (at < 0) at = lines.length;
  return [
    `' bench/basic/${k}.bas timed by TIMER, written by tests/web/web_test.mjs`,
    'DEF SEG = 0',
    ...(benchSetup[k] ? [`IF PEEK(&H700) = 0 AND PEEK(&H701) = 0 THEN ${benchSetup[k]}`] : []),
    'DEF SEG',
    'KelT0# = TIMER(.001)',
    ...lines.slice(0, at),
    'KelT1# = TIMER(.001)',
    'IF KelT1# < KelT0# THEN KelT1# = KelT1# + 86400',
    'DEF SEG = 0',
    'KelMs& = CLNG((KelT1# - KelT0#) * 1000)',
    'KelN& = PEEK(&H700) + 256& * PEEK(&H701) + 1',
    'POKE &H700, KelN& AND 255: POKE &H701, KelN& \\ 256',
    'KelAll& = PEEK(&H702) + 256& * PEEK(&H703) + KelMs&',
    'IF KelAll& > 65535 THEN KelAll& = 65535',
    'POKE &H702, KelAll& AND 255: POKE &H703, KelAll& \\ 256',
    'KelR$ = HEX$(PEEK(&H600)) + " " + HEX$(PEEK(&H601)) + " " + HEX$(PEEK(&H602)) + " " + HEX$(PEEK(&H603))',
    'KelF% = FREEFILE',
    'OPEN "kernel.txt" FOR APPEND AS #KelF%',
    'PRINT #KelF%, USING "##########.###"; (KelT1# - KelT0#) * 1000;',
    'PRINT #KelF%, "  "; KelR$',
    'CLOSE #KelF%',
    'IF KelN& < 3 OR (KelAll& < 1500 AND KelN& < 20000) THEN DEF SEG: RUN',
    'SYSTEM',
    ...lines.slice(at), ''].join('\n');
}
for (const k of kernels) {
  const file = path.join(work, 'bench', `${k}.bas`);
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, benchWrapper(k));
  plan.programs[`bench-${k}`] = { source: file };
}
const cases = benchMode ? [] : plan.cases.filter(c => !only.length || only.includes(c.name));
const native = {};
for (const [name, p] of Object.entries(plan.programs)) {
  if (benchMode && !name.startsWith('bench-')) continue;
  if (!benchMode && !cases.some(c => c.program === name)) continue;
  const src = path.resolve(root, p.source);
  const t0 = Date.now();
  console.log(`building ${name} for the browser`);
  // Data files: given to the page with --data and copied beside the native program. Files in
  // `beside` go only beside the native program: kelc --web preloads them itself, as files the
  // program names that lie beside its source.
  const data = [].concat(p.data || []).flatMap(d => {
    const full = path.join(root, d);
    return fs.statSync(full).isDirectory()
      ? fs.readdirSync(full).filter(f => f.endsWith('.wav')).map(f => path.join(full, f)) : [full];
  });
  execFileSync(path.join(build, 'kelc'), ['--web', src, '-o', path.join(site, name),
    ...data.flatMap(f => ['--data', f])], { stdio: 'inherit' });
  console.log(`  ${((Date.now() - t0) / 1000).toFixed(0)} s`);
  if (name === 'game') native[name] = path.join(build, 'kestravelle');
  else {
    const dir = path.join(work, 'native', name);
    fs.mkdirSync(dir, { recursive: true });
    native[name] = path.join(dir, name);
    execFileSync(path.join(build, 'kelc'), [src, '-o', native[name]], { stdio: 'inherit' });
    for (const f of [...data, ...(p.beside || []).map(b => path.join(root, b))])
      fs.copyFileSync(f, path.join(dir, path.basename(f)));
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
browser = spawn('chromium', ['--headless=new', '--remote-debugging-port=0', `--user-data-dir=${profile}`,
  '--no-sandbox', '--no-first-run', '--autoplay-policy=no-user-gesture-required', '--mute-audio',
  '--window-size=1000,800', 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe'], detached: true });
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
// Shift+, Ctrl+ and Alt+ hold their key around the named one, as the native script's prefixes do.
const modifierKeys = { Shift: ['Shift', 16, 8], Ctrl: ['Control', 17, 2], Alt: ['Alt', 18, 1] };
async function press(name) {
  const held = [];
  let mods = 0, m;
  while ((m = /^(Shift|Ctrl|Alt)\+(.+)$/.exec(name))) {
    const [key, code, bit] = modifierKeys[m[1]];
    mods |= bit;
    held.push({ key, windowsVirtualKeyCode: code, nativeVirtualKeyCode: code, location: 1, modifiers: mods });
    await page('Input.dispatchKeyEvent', { type: 'rawKeyDown', ...held[held.length - 1] });
    name = m[2];
  }
  let key, code, text;
  if (named[name]) [key, code, text] = named[name];
  else { key = text = name; code = name.toUpperCase().charCodeAt(0); }
  if (mods & 3) text = '';                // no character with Ctrl or Alt
  const base = { key, windowsVirtualKeyCode: code, nativeVirtualKeyCode: code, modifiers: mods };
  await page('Input.dispatchKeyEvent', { type: 'keyDown', ...base, text, unmodifiedText: text });
  await page('Input.dispatchKeyEvent', { type: 'keyUp', ...base });
  for (const h of held.reverse()) await page('Input.dispatchKeyEvent', { type: 'keyUp', ...h, modifiers: 0 });
}

// The canvas (read through toDataURL) against a snap, leaving out the masked rectangles (in the
// snap's pixels). A canvas that is the snap scaled by a whole factor is compared pixel by pixel
// at that scale: a native full screen snaps the page unscaled while the page keeps its canvas.
const compareFn = `async function (url, masks) {
  const load = async src => { const i = new Image(); i.src = src; await i.decode(); return i; };
  const pixels = img => { const c = document.createElement('canvas'); c.width = img.width; c.height = img.height;
    const x = c.getContext('2d'); x.drawImage(img, 0, 0); return x.getImageData(0, 0, img.width, img.height).data; };
  const live = await load(Module.canvas.toDataURL('image/png')), ref = await load(url);
  const k = live.width / ref.width;
  if (!Number.isInteger(k) || k < 1 || live.height !== ref.height * k)
    return { diff: -1, size: [live.width, live.height, ref.width, ref.height] };
  const a = pixels(live), b = pixels(ref);
  let diff = 0, first = null;
  for (let y = 0; y < live.height; y++)
    for (let x = 0; x < live.width; x++) {
      const rx = Math.floor(x / k), ry = Math.floor(y / k);
      if (masks.some(m => rx >= m[0] && ry >= m[1] && rx < m[0] + m[2] && ry < m[1] + m[3])) continue;
      const i = 4 * (y * live.width + x), j = 4 * (ry * ref.width + rx);
      if (a[i] !== b[j] || a[i + 1] !== b[j + 1] || a[i + 2] !== b[j + 2]) {
        diff++;
        if (!first) first = [x, y, a[i], a[i + 1], a[i + 2], b[j], b[j + 1], b[j + 2]];
      }
    }
  return { diff, first, size: [live.width, live.height], scale: k };
}`;

// ---- one case --------------------------------------------------------------------------

function pngComplete(file) {
  try {
    const b = fs.readFileSync(file);
    return b.length > 12 && b.subarray(b.length - 8, b.length - 4).toString() === 'IEND';
  } catch { return false; }
}

// A comparison's outcome in words: the size, the differing pixels and the first of them
// (x, y, the page's red, green, blue, then the snap's).
function describe(r) {
  if (r.diff < 0) return `the page is ${r.size[0]}x${r.size[1]}, the snap ${r.size[2]}x${r.size[3]}`;
  return `${r.size.join('x')}${r.scale > 1 ? ` (the snap at ${r.scale} times)` : ''}, ${r.diff} differing pixels` +
    (r.diff ? `, the first ${JSON.stringify(r.first)}` : '');
}
// A screen that differed: the native snap and the page's canvas, kept in BUILD/web-test-failed.
const failedDir = path.join(build, 'web-test-failed');
function keepPair(caseName, snap, dataUrl) {
  fs.mkdirSync(failedDir, { recursive: true });
  const ref = path.join(snaps, `${caseName}-${snap}.png`);
  if (fs.existsSync(ref)) fs.copyFileSync(ref, path.join(failedDir, `${caseName}-${snap}-native.png`));
  fs.writeFileSync(path.join(failedDir, `${caseName}-${snap}-page.png`), Buffer.from(dataUrl.split(',')[1], 'base64'));
  console.log(`  (the two pictures are in ${failedDir})`);
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
  // The native snap `name`, then the canvas polled until it equals it or 60 s have passed.
  async function snapAndCompare(name, mask) {
    const file = path.join(snaps, `${c.name}-${name}.png`);
    script(`snap ${file}`);
    await until(`the native snap ${name}`, () => exitCode === null ? pngComplete(file) : Promise.reject(
      new Error(`the native program ended (${exitCode}): ${stderr}`)), 60000);
    const url = `${base}snaps/${path.basename(file)}?${Date.now()}`;
    const end = deadline(60000);
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
        keepPair(c.name, `sync${syncs}`, await evaluate('Module.canvas.toDataURL("image/png")'));
        console.log(`  until "${s.until[2]}": the page never showed the same screen: ${describe(r)}`);
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
      if (r.diff !== 0) keepPair(c.name, s.snap, await evaluate('Module.canvas.toDataURL("image/png")'));
      const note = s.mask ? ` (masked: ${s.why})` : '';
      console.log(`  ${s.snap}: ${describe(r)}${note}`);
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

// Each kernel's runs in both builds (kernel.txt: milliseconds and result, a line a run). The
// first run is left out (in the page it includes compiling the code to the machine's); the
// ratio is of the means of the rest: a run's time is read to the millisecond, and the mean of
// many such readings is not biased by that (a median of runs under a millisecond would be 0).
// Only printed: timings are no test.
async function bench() {
  const mean = v => v.reduce((a, b) => a + b, 0) / v.length;
  const parse = text => text.trim().split('\n').map(l => l.trim().split(/\s+/))
    .map(([ms, ...r]) => ({ ms: parseFloat(ms), result: r.join(' ') }));
  const rows = [];
  for (const k of kernels) {
    const name = `bench-${k}`, dir = path.dirname(native[name]), out = path.join(dir, 'kernel.txt');
    fs.rmSync(out, { force: true });
    execFileSync(native[name], [], { cwd: dir, stdio: ['ignore', 'ignore', 'inherit'],
      env: { ...process.env, SDL_VIDEODRIVER: 'dummy', SDL_AUDIODRIVER: 'dummy' } });
    const nat = parse(fs.readFileSync(out, 'utf8'));
    consoleText.length = 0;
    await page('Page.navigate', { url: `${base}${name}/index.html` });
    let web;
    try {
      await until(`${k} to end in the page`, () => evaluate('!!(window.Module && Module.kelEnded)'), 600000);
      web = parse(await evaluate('FS.readFile("/kernel.txt", {encoding: "utf8"})'));
    } catch (e) {
      console.log(`${k}: ${e.message}`);
      console.log(consoleText.slice(-10).map(t => '  page: ' + t).join('\n'));
      continue;
    }
    const n = mean(nat.slice(1).map(r => r.ms)), w = mean(web.slice(1).map(r => r.ms));
    const same = nat[0].result === web[0].result ? '' : ` (results differ: ${nat[0].result} / ${web[0].result})`;
    rows.push(`| ${k} | ${nat.length} | ${n.toFixed(2)} | ${web.length} | ${w.toFixed(2)} | ${(w / n).toFixed(2)} |${same}`);
    console.log(rows[rows.length - 1]);
  }
  console.log('\n| kernel | native runs | native ms | page runs | page ms | page / native |\n|---|---|---|---|---|---|');
  console.log(rows.join('\n'));
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
