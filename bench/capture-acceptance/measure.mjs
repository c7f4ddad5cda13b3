// Loads each corpus page live in Chromium, captures it with quor-capture,
// loads the copy from disk with the network blocked, and compares the two.
//
// usage: node measure.mjs --pages out/pages.json --bin BUILD/bin/quor-capture --out out/results [--only a,b]

import { spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';
import { PNG } from 'pngjs';
import pixelmatch from 'pixelmatch';

const WIDTH = 1280;
const HEIGHT = 800;
const MAX_SHOT_HEIGHT = 12000;
const CAPTURE_TIMEOUT_MS = 180_000;
// Kinds of resource a page needs to show; scripts, XHR and fetch are removed by the capture on purpose.
const NEEDED_TYPES = new Set(['image', 'stylesheet', 'font', 'media']);
const REMOVED_TYPES = new Set(['script', 'xhr', 'fetch', 'eventsource', 'websocket', 'ping', 'manifest']);

function parseArgs(argv) {
  const args = { chromium: process.env.CHROMIUM || '/usr/bin/chromium' };
  for (let i = 0; i < argv.length; i += 2) args[argv[i].replace(/^--/, '')] = argv[i + 1];
  for (const k of ['pages', 'bin', 'out']) if (!args[k]) throw new Error(`missing --${k}`);
  return args;
}

const sha = (buf) => createHash('sha256').update(buf).digest('hex');

// An SVG sprite that <use> references comes as type "other": it is a picture the page shows.
function kindOf(type, isSubframe, url, uses) {
  if (type === 'document') return isSubframe ? 'subframe' : null;
  if (type === 'other' && uses && uses.has(url.split('#')[0])) return 'image';
  if (NEEDED_TYPES.has(type)) return type;
  return null;
}

// Both sides of a match must be the same kind; an icon may come back as a plain image.
function compatible(a, b) {
  if (a === b) return true;
  const pics = new Set(['image', 'icon']);
  return pics.has(a) && pics.has(b);
}

// CSS with every address and comment taken out: what is left must be equal for a rewritten copy.
function cssSkeleton(text) {
  return text
    .replace(/\/\*[\s\S]*?\*\//g, '')
    .replace(/@charset[^;]*;/gi, '')
    .replace(/url\(\s*(['"]?)[^)]*?\1\s*\)/gi, 'url()')
    .replace(/@import\s+(['"])[^'"]*\1/gi, '@import url()')
    .replace(/\s+/g, '');
}

function walkFiles(dir) {
  const out = [];
  if (!fs.existsSync(dir)) return out;
  for (const e of fs.readdirSync(dir, { withFileTypes: true })) {
    const p = path.join(dir, e.name);
    if (e.isDirectory()) out.push(...walkFiles(p));
    else out.push(p);
  }
  return out;
}

async function collectDom(page) {
  return page.evaluate(() => {
    const abs = (u) => { try { return new URL(u, document.baseURI).href; } catch { return u; } };
    const imgs = [...document.images].map((i) => ({
      src: i.currentSrc || i.src,
      alt: i.getAttribute('alt'),
      w: i.getAttribute('width'),
      h: i.getAttribute('height'),
      ok: i.complete && i.naturalWidth > 0,
      shown: i.getClientRects().length > 0,
      html: i.outerHTML.slice(0, 600),
    }));
    const iconRel = /(^|\s)(icon|apple-touch-icon|apple-touch-icon-precomposed)(\s|$)/i;
    const icons = [...document.querySelectorAll('link[rel][href]')]
      .filter((l) => iconRel.test(l.getAttribute('rel')))
      .map((l) => ({ rel: l.getAttribute('rel'), href: abs(l.getAttribute('href')) }));
    const fonts = [...document.fonts].map((f) => ({ family: f.family.replace(/^["']|["']$/g, ''), weight: f.weight, style: f.style, status: f.status }));
    const sheets = [...document.styleSheets].map((s) => ({ href: s.href, media: s.media.mediaText, disabled: s.disabled }));
    const useRefs = [...document.querySelectorAll('use')].map((u) => {
      const h = u.getAttribute('href') || u.getAttribute('xlink:href') || '';
      return { href: h, inPage: h.startsWith('#') && !!document.getElementById(h.slice(1)) };
    });
    const uses = [...document.querySelectorAll('use')].map((u) => u.getAttribute('href') || u.getAttribute('xlink:href') || '')
      .filter((h) => h && !h.startsWith('#')).map((h) => abs(h).split('#')[0]);
    const frames = [...document.querySelectorAll('iframe,frame')].map((f) => ({ src: f.getAttribute('src'), html: f.outerHTML.slice(0, 400) }));
    // Every picture address the page shows at the end: img, poster, input, svg image, CSS backgrounds.
    const shown = new Set(imgs.map((i) => i.src));
    const urlsIn = (v) => [...String(v).matchAll(/url\((['"]?)(.*?)\1\)/g)].map((m) => m[2]);
    for (const el of document.querySelectorAll('*')) {
      if (el.poster) shown.add(el.poster);
      if (el.tagName === 'INPUT' && el.type === 'image') shown.add(el.src);
      if (el.tagName.toLowerCase() === 'image' && el.href && el.href.baseVal) shown.add(abs(el.href.baseVal));
      for (const pseudo of [null, '::before', '::after']) {
        const cs = getComputedStyle(el, pseudo);
        for (const prop of ['backgroundImage', 'listStyleImage', 'borderImageSource', 'maskImage', 'webkitMaskImage', 'content']) {
          const v = cs[prop];
          if (v && v !== 'none' && v.includes('url(')) urlsIn(v).forEach((u) => shown.add(u));
        }
      }
    }
    uses.forEach((u) => shown.add(u));
    return { title: document.title, imgs, icons, fonts, sheets, frames, uses: [...new Set(uses)], useRefs, shown: [...shown] };
  });
}

// Scrolls down a viewport at a time so lazy pictures come, then waits until no request is open.
async function settle(page, tracker) {
  await waitIdle(tracker, 15000);
  let y = 0;
  for (let i = 0; i < 120; i++) {
    const h = await page.evaluate(() => document.documentElement.scrollHeight);
    if (y > h) break;
    await page.evaluate((yy) => window.scrollTo(0, yy), y);
    await page.waitForTimeout(150);
    y += HEIGHT / 2;
  }
  await page.waitForTimeout(300);
  await waitIdle(tracker, 15000);
  await page.evaluate(() => document.fonts.ready.then(() => true));
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.waitForTimeout(300);
}

async function waitIdle(tracker, limitMs) {
  const end = Date.now() + limitMs;
  let quietSince = Date.now();
  while (Date.now() < end) {
    if (tracker.open > 0) quietSince = Date.now();
    else if (Date.now() - quietSince >= 600) return;
    await new Promise((r) => setTimeout(r, 100));
  }
}

// A full-page picture with the viewport as tall as the page, so that frames
// and lazy content below the fold are painted too.
async function shoot(page, file) {
  const h = await page.evaluate(() => Math.max(document.documentElement.scrollHeight, document.body ? document.body.scrollHeight : 0));
  await page.setViewportSize({ width: WIDTH, height: Math.max(HEIGHT, Math.min(h, MAX_SHOT_HEIGHT)) });
  await page.waitForTimeout(700);
  await page.screenshot({ path: file, fullPage: true, animations: 'disabled', caret: 'hide' });
  await page.setViewportSize({ width: WIDTH, height: HEIGHT });
}

// Records every request of a page with its type, status, body hash and CSS/HTML initiator.
function attachRecorder(page, context, { readLocal }) {
  const tracker = { open: 0, requests: [], pending: [], initiators: new Map() };
  page.on('request', (req) => {
    tracker.open++;
    tracker.requests.push({ req, url: req.url(), type: req.resourceType(), done: false });
  });
  const finish = (req, failed) => {
    tracker.open = Math.max(0, tracker.open - 1);
    const rec = tracker.requests.find((r) => r.req === req && !r.done);
    if (!rec) return;
    rec.done = true;
    rec.failed = failed ? (req.failure()?.errorText || 'failed') : null;
    const frame = req.frame();
    rec.subframe = rec.type === 'document' && frame && frame.parentFrame() !== null;
    rec.mainFrame = !!frame && frame.parentFrame() === null;
    rec.redirectedFrom = [];
    for (let r = req.redirectedFrom(); r; r = r.redirectedFrom()) rec.redirectedFrom.push(r.url());
    if (failed) return;
    tracker.pending.push((async () => {
      const resp = await req.response();
      rec.status = resp ? resp.status() : 0;
      rec.mime = resp ? (resp.headers()['content-type'] || '') : '';
      if (rec.url.startsWith('file:')) {
        const body = readLocal(rec.url);
        if (body) { rec.sha = sha(body); rec.size = body.length; rec.text = textOf(rec, body); }
        return;
      }
      if (!resp || rec.status < 200 || rec.status >= 300) return;
      let body = null;
      try {
        body = rec.status === 206
          ? await (await context.request.get(rec.url, { headers: { 'User-Agent': await page.evaluate(() => navigator.userAgent) } })).body()
          : await resp.body();
      } catch { body = null; }
      if (body) { rec.sha = sha(body); rec.size = body.length; rec.text = textOf(rec, body); }
    })());
  };
  page.on('requestfinished', (req) => finish(req, false));
  page.on('requestfailed', (req) => finish(req, true));
  return tracker;
}

function textOf(rec, body) {
  if (rec.type === 'stylesheet' || /text\/css/.test(rec.mime || '') || /\.css($|\?)/.test(rec.url)) return body.toString('latin1');
  return undefined;
}

async function attachInitiators(page, tracker) {
  try {
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Network.enable');
    cdp.on('Network.requestWillBeSent', (e) => {
      if (tracker.initiators.has(e.request.url)) return;
      const i = e.initiator || {};
      const where = i.url || (i.stack && i.stack.callFrames && i.stack.callFrames[0] && i.stack.callFrames[0].url) || '';
      tracker.initiators.set(e.request.url, { type: i.type, url: where, line: i.lineNumber });
    });
  } catch { /* initiators are a help for the report only */ }
}

async function loadLive(browser, url, outDir) {
  const context = await browser.newContext({ viewport: { width: WIDTH, height: HEIGHT }, deviceScaleFactor: 1, serviceWorkers: 'block' });
  const page = await context.newPage();
  const tracker = attachRecorder(page, context, { readLocal: () => null });
  await attachInitiators(page, tracker);
  let navError = null;
  try { await page.goto(url, { waitUntil: 'load', timeout: 60000 }); } catch (e) { navError = String(e.message || e); }
  await settle(page, tracker);
  const dom = await collectDom(page);
  await shoot(page, path.join(outDir, 'live.png'));
  await waitIdle(tracker, 5000);
  await Promise.allSettled(tracker.pending);
  // Headless Chromium does not ask for favicons: fetch the page's icon links the way a browser tab would.
  const icons = [];
  for (const ic of dom.icons) {
    try {
      const r = await context.request.get(ic.href, { headers: { Accept: 'image/avif,image/webp,image/apng,image/svg+xml,image/*,*/*;q=0.8' } });
      const body = await r.body();
      icons.push({ ...ic, status: r.status(), sha: r.ok() ? sha(body) : null, size: body.length });
    } catch (e) { icons.push({ ...ic, status: 0, error: String(e.message || e) }); }
  }
  const finalUrl = page.url();
  await context.close();
  return { navError, tracker, dom, icons, finalUrl };
}

async function loadCopy(browser, articlePath, outDir) {
  const context = await browser.newContext({ viewport: { width: WIDTH, height: HEIGHT }, deviceScaleFactor: 1, serviceWorkers: 'block' });
  const attempts = [];
  await context.route((u) => !/^(file|data|blob|about|chrome|devtools):$/i.test(u.protocol), async (route) => {
    attempts.push({ url: route.request().url(), type: route.request().resourceType() });
    await route.abort('blockedbyclient');
  });
  const page = await context.newPage();
  const readLocal = (u) => {
    try { return fs.readFileSync(fileURLToPath(u)); } catch { return null; }
  };
  const tracker = attachRecorder(page, context, { readLocal });
  await attachInitiators(page, tracker);
  const url = pathToFileURL(articlePath).href;
  let navError = null;
  try { await page.goto(url, { waitUntil: 'load', timeout: 60000 }); } catch (e) { navError = String(e.message || e); }
  await settle(page, tracker);
  const dom = await collectDom(page);
  await shoot(page, path.join(outDir, 'copy.png'));
  await waitIdle(tracker, 5000);
  await Promise.allSettled(tracker.pending);
  const icons = dom.icons.map((ic) => {
    if (!ic.href.startsWith('file:')) return { ...ic, local: false };
    const body = readLocal(ic.href);
    return { ...ic, local: !!body, sha: body ? sha(body) : null };
  });
  await context.close();
  return { navError, tracker, dom, icons, attempts, url };
}

function runCapture(bin, address, outDir) {
  return new Promise((resolve) => {
    const started = Date.now();
    const child = spawn(bin, ['--json', address, outDir], { stdio: ['ignore', 'pipe', 'pipe'] });
    let stdout = '';
    let stderr = '';
    child.stdout.on('data', (d) => { stdout += d; });
    child.stderr.on('data', (d) => { stderr += d; });
    const timer = setTimeout(() => child.kill('SIGKILL'), CAPTURE_TIMEOUT_MS);
    child.on('close', (code, signal) => {
      clearTimeout(timer);
      let json = null;
      try { json = JSON.parse(stdout); } catch { /* reported as is */ }
      resolve({ code, signal, json, stdout, stderr, ms: Date.now() - started });
    });
  });
}

function readPng(file) {
  return PNG.sync.read(fs.readFileSync(file));
}

function padTo(img, w, h) {
  if (img.width === w && img.height === h) return img;
  const out = new PNG({ width: w, height: h });
  out.data.fill(0);
  for (let i = 0; i < out.data.length; i += 4) { out.data[i] = 255; out.data[i + 1] = 0; out.data[i + 2] = 255; out.data[i + 3] = 255; }
  PNG.bitblt(img, out, 0, 0, img.width, img.height, 0, 0);
  return out;
}

function halve(img) {
  const w = Math.max(1, img.width >> 1);
  const h = Math.max(1, img.height >> 1);
  const out = new PNG({ width: w, height: h });
  for (let y = 0; y < h; y++) {
    for (let x = 0; x < w; x++) {
      for (let c = 0; c < 4; c++) {
        let s = 0;
        for (const [dx, dy] of [[0, 0], [1, 0], [0, 1], [1, 1]]) s += img.data[((y * 2 + dy) * img.width + (x * 2 + dx)) * 4 + c];
        out.data[(y * w + x) * 4 + c] = s >> 2;
      }
    }
  }
  return out;
}

// Share of pixels that differ beyond pixelmatch's colour tolerance, and a
// side-by-side picture: live | copy | differences (half size).
function compareShots(dir) {
  const a0 = readPng(path.join(dir, 'live.png'));
  const b0 = readPng(path.join(dir, 'copy.png'));
  const w = Math.max(a0.width, b0.width);
  const h = Math.max(a0.height, b0.height);
  const a = padTo(a0, w, h);
  const b = padTo(b0, w, h);
  const diff = new PNG({ width: w, height: h });
  const n = pixelmatch(a.data, b.data, diff.data, w, h, { threshold: 0.15, includeAA: false, alpha: 0.25 });
  const gap = 16;
  const side = new PNG({ width: w * 3 + gap * 2, height: h });
  side.data.fill(255);
  PNG.bitblt(a, side, 0, 0, w, h, 0, 0);
  PNG.bitblt(b, side, 0, 0, w, h, w + gap, 0);
  PNG.bitblt(diff, side, 0, 0, w, h, 2 * (w + gap), 0);
  fs.writeFileSync(path.join(dir, 'side-by-side.png'), PNG.sync.write(halve(side)));
  return { diffPixels: n, total: w * h, ratio: n / (w * h), liveSize: [a0.width, a0.height], copySize: [b0.width, b0.height] };
}

function neededOf(live, pageUrl) {
  const byUrl = new Map();
  const removed = [];
  const liveFailures = [];
  const replaced = [];
  const shown = new Set(live.dom.shown);
  const uses = new Set(live.dom.uses);
  for (const r of live.tracker.requests) {
    if (!r.done || r.url.startsWith('data:')) continue;
    if (r.failed || (r.status && (r.status < 200 || r.status >= 400))) {
      if (!(r.status >= 300 && r.status < 400)) liveFailures.push({ url: r.url, type: r.type, why: r.failed || r.status });
      continue;
    }
    if (r.status >= 300 && r.status < 400) continue;
    if (REMOVED_TYPES.has(r.type)) { removed.push({ url: r.url, type: r.type }); continue; }
    const kind = kindOf(r.type, r.subframe, r.url, uses);
    if (!kind || byUrl.has(r.url)) continue;
    const initiator = live.tracker.initiators.get(r.url) || live.tracker.initiators.get(r.redirectedFrom.at(-1)) || null;
    // A picture that nothing shows once the page has settled (a placeholder a script
    // replaced, a spinner under a class the script removed) is not needed by a copy.
    if (kind === 'image' && r.mainFrame && !shown.has(r.url) && !r.redirectedFrom.some((u) => shown.has(u))) {
      replaced.push({ url: r.url, by: initiator ? initiator.url : '' });
      continue;
    }
    byUrl.set(r.url, {
      url: r.url, kind, type: r.type, sha: r.sha, size: r.size, text: r.text, mime: r.mime,
      redirectedFrom: r.redirectedFrom, initiator: live.tracker.initiators.get(r.url) || live.tracker.initiators.get(r.redirectedFrom.at(-1)) || null,
    });
  }
  for (const ic of live.icons) {
    if (ic.status >= 200 && ic.status < 300 && !byUrl.has(ic.href)) {
      byUrl.set(ic.href, { url: ic.href, kind: 'icon', type: 'icon', sha: ic.sha, size: ic.size, rel: ic.rel, initiator: { type: 'link', url: '' } });
    }
  }
  return { needed: [...byUrl.values()], removed, liveFailures, replaced };
}

function localLoadsOf(copy) {
  const byUrl = new Map();
  const missing = [];
  const uses = new Set(copy.dom.uses);
  for (const r of copy.tracker.requests) {
    if (!r.done || !r.url.startsWith('file:') || r.url.split('#')[0] === copy.url) continue;
    if (r.failed) {
      let exists = false;
      try { exists = fs.existsSync(fileURLToPath(r.url)); } catch { /* not a path */ }
      missing.push({ url: r.url, type: r.type, why: r.failed, exists, initiator: copy.tracker.initiators.get(r.url) || null });
      continue;
    }
    const kind = kindOf(r.type, r.subframe, r.url, uses);
    if (!kind || byUrl.has(r.url)) continue;
    byUrl.set(r.url, { url: r.url, kind, type: r.type, sha: r.sha, text: r.text, used: false });
  }
  for (const ic of copy.icons) {
    if (ic.local && !byUrl.has(ic.href)) byUrl.set(ic.href, { url: ic.href, kind: 'icon', type: 'icon', sha: ic.sha, used: false });
  }
  return { loads: [...byUrl.values()], missing };
}

// The img elements of both loads, keyed by alt/width/height and their order among equals.
function imgKeys(imgs) {
  const seen = new Map();
  return imgs.map((i) => {
    const base = `${i.alt}|${i.w}|${i.h}`;
    const n = seen.get(base) || 0;
    seen.set(base, n + 1);
    return { key: `${base}#${n}`, ...i };
  });
}

function match(needed, loads, live, copy) {
  const take = (n, l, how) => { n.local = l.url; n.how = how; l.used = true; };
  for (const n of needed) {
    if (!n.sha) continue;
    const l = loads.find((x) => !x.used && x.sha === n.sha && compatible(n.kind, x.kind));
    if (l) take(n, l, 'same bytes');
  }
  for (const n of needed.filter((x) => !x.local && x.kind === 'stylesheet' && x.text)) {
    const sk = cssSkeleton(n.text);
    const l = loads.find((x) => !x.used && x.kind === 'stylesheet' && x.text && cssSkeleton(x.text) === sk);
    if (l) take(n, l, 'same CSS, addresses rewritten');
  }
  const liveImgs = imgKeys(live.dom.imgs);
  const copyImgs = new Map(imgKeys(copy.dom.imgs).map((i) => [i.key, i]));
  for (const n of needed.filter((x) => !x.local && x.kind === 'image')) {
    const li = liveImgs.find((i) => i.src === n.url);
    const ci = li && copyImgs.get(li.key);
    if (ci && ci.ok && ci.src.startsWith('file:')) {
      const l = loads.find((x) => x.url === ci.src);
      if (l && !l.used) take(n, l, 'same <img>, other bytes');
      else if (l) { n.local = l.url; n.how = 'same <img>, shared file'; }
    }
  }
  const base = (u) => { try { return decodeURIComponent(new URL(u).pathname.split('/').pop()); } catch { return ''; } };
  for (const n of needed.filter((x) => !x.local)) {
    const b = base(n.url);
    if (b.length < 4) continue;
    const l = loads.find((x) => !x.used && compatible(n.kind, x.kind) && base(x.url).includes(b));
    if (l) take(n, l, 'same file name, other bytes');
  }
  for (const n of needed.filter((x) => !x.local)) {
    const l = loads.find((x) => !x.used && compatible(n.kind, x.kind));
    if (l) take(n, l, 'count of the same kind');
  }
}

function diagnose(n, ctx) {
  const d = {};
  d.inAttachments = n.sha ? ctx.attachmentShas.has(n.sha) : false;
  const addrs = [n.url, ...(n.redirectedFrom || [])];
  const failed = (ctx.json?.failed || []).find((f) => addrs.includes(f.address));
  if (failed) d.captureFailure = failed.reason;
  const li = ctx.liveImgs.find((i) => i.src === n.url);
  if (li) {
    d.liveMarkup = li.html;
    const ci = ctx.copyImgs.get(li.key);
    d.copyMarkup = ci ? ci.html : '(no matching <img> in the copy)';
    if (ci) d.copyShows = ci.ok ? ci.src : 'nothing (picture not loaded)';
  }
  const fr = ctx.liveFrames.find((f) => f.src && n.url.includes(f.src.replace(/&amp;/g, '&').split('?')[0]));
  if (n.kind === 'subframe') d.copyFrames = ctx.copyFrames.map((f) => f.html);
  if (fr) d.liveMarkup = fr.html;
  return d;
}

function fontFaces(dom) {
  return new Set(dom.fonts.filter((f) => f.status === 'loaded').map((f) => `${f.family} ${f.weight} ${f.style}`));
}

async function measurePage(browser, args, p) {
  const dir = path.join(args.out, p.id);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  const captureDir = path.join(dir, 'capture');
  process.stderr.write(`[${p.id}] live ${p.url}\n`);
  const live = await loadLive(browser, p.url, dir);
  process.stderr.write(`[${p.id}] quor-capture\n`);
  const cap = await runCapture(args.bin, p.url, captureDir);
  fs.writeFileSync(path.join(dir, 'quor-capture.json'), cap.stdout);
  fs.writeFileSync(path.join(dir, 'quor-capture.stderr'), cap.stderr);
  const result = { id: p.id, kind: p.kind, url: p.url, exit: cap.code, signal: cap.signal, captureMs: cap.ms, quor: cap.json };
  const { needed, removed, liveFailures, replaced } = neededOf(live, live.finalUrl || p.url);
  result.removedOnPurpose = removed;
  result.replacedPlaceholders = replaced;
  result.liveFailures = liveFailures;
  const article = cap.json && cap.json.article;
  if (!article || !fs.existsSync(article)) {
    result.error = `no article (exit ${cap.code}): ${cap.stderr.trim().split('\n').slice(-3).join(' / ')}`;
    result.needed = needed.map(({ text, ...n }) => ({ ...n, local: null }));
    result.made = 0;
    result.attempts = [];
    result.pixels = null;
    return result;
  }
  process.stderr.write(`[${p.id}] copy ${article}\n`);
  const copy = await loadCopy(browser, article, dir);
  const { loads, missing } = localLoadsOf(copy);
  match(needed, loads, live, copy);
  // Files the copy carries inside itself as data: addresses (masks, custom properties).
  const carried = new Set();
  for (const f of [article, ...walkFiles(cap.json.attachments).filter((x) => /\.(html|css)$/.test(x))]) {
    const text = fs.readFileSync(f, 'latin1');
    for (const m of text.matchAll(/data:[a-z0-9.+\/-]+;base64,([A-Za-z0-9+\/=]+)/gi)) carried.add(sha(Buffer.from(m[1], 'base64')));
  }
  for (const n of needed.filter((x) => !x.local && x.sha && carried.has(x.sha))) {
    n.local = 'data:';
    n.how = 'carried in the copy as a data: address';
  }
  // A sprite file whose symbols the copy carries in the page itself: every <use> of the copy
  // points into the page and there are as many as the live page had.
  const liveUses = live.dom.useRefs.filter((u) => !u.href.startsWith('#')).length;
  const copyInPage = copy.dom.useRefs.filter((u) => u.inPage).length;
  if (liveUses && copy.dom.useRefs.every((u) => u.inPage) && copyInPage >= live.dom.useRefs.length) {
    const uses = new Set(live.dom.uses);
    for (const n of needed.filter((x) => !x.local && uses.has(x.url))) {
      n.local = 'page';
      n.how = 'sprite symbols carried in the page';
    }
  }
  const attachmentShas = new Set(walkFiles(cap.json.attachments).map((f) => sha(fs.readFileSync(f))));
  const ctx = {
    json: cap.json, attachmentShas,
    liveImgs: imgKeys(live.dom.imgs), copyImgs: new Map(imgKeys(copy.dom.imgs).map((i) => [i.key, i])),
    liveFrames: live.dom.frames, copyFrames: copy.dom.frames,
  };
  result.needed = needed.map(({ text, ...n }) => (n.local ? n : { ...n, why: diagnose(n, ctx) }));
  result.made = needed.filter((n) => n.local).length;
  result.unusedLocal = loads.filter((l) => !l.used).map((l) => ({ url: l.url, kind: l.kind }));
  result.missingLocal = missing;
  result.attempts = copy.attempts.map((a) => ({ ...a, initiator: copy.tracker.initiators.get(a.url) || null }));
  const liveFonts = fontFaces(live.dom);
  const copyFonts = fontFaces(copy.dom);
  result.fontFacesLost = [...liveFonts].filter((f) => !copyFonts.has(f));
  result.titles = { live: live.dom.title, copy: copy.dom.title, json: cap.json.title };
  result.sheets = { live: live.dom.sheets, copy: copy.dom.sheets };
  result.pixels = compareShots(dir);
  return result;
}

function pct(a, b) { return b ? `${((100 * a) / b).toFixed(1)}%` : '-'; }

function table(results) {
  const rows = [['page', 'needed', 'local', 'percent', 'net tries', 'pixels differ', 'exit']];
  let need = 0; let made = 0; let tries = 0; let px = 0; let pxTotal = 0;
  for (const r of results) {
    const n = r.needed.length;
    need += n; made += r.made; tries += r.attempts.length;
    if (r.pixels) { px += r.pixels.diffPixels; pxTotal += r.pixels.total; }
    rows.push([r.id, String(n), String(r.made), pct(r.made, n), String(r.attempts.length), r.pixels ? `${(100 * r.pixels.ratio).toFixed(1)}%` : 'n/a', r.signal ? r.signal : String(r.exit)]);
  }
  rows.push(['TOTAL', String(need), String(made), pct(made, need), String(tries), pxTotal ? `${((100 * px) / pxTotal).toFixed(1)}%` : 'n/a', '']);
  const w = rows[0].map((_, c) => Math.max(...rows.map((r) => r[c].length)));
  const line = (r) => r.map((s, c) => (c === 0 ? s.padEnd(w[c]) : s.padStart(w[c]))).join('  ');
  const out = [line(rows[0]), w.map((x) => '-'.repeat(x)).join('  ')];
  rows.slice(1, -1).forEach((r) => out.push(line(r)));
  out.push(w.map((x) => '-'.repeat(x)).join('  '), line(rows.at(-1)));
  return { text: out.join('\n'), need, made, tries };
}

function report(results) {
  const L = [];
  for (const r of results) {
    L.push(`## ${r.id} (${r.kind})`, '', `${r.url}`, '');
    L.push(`quor-capture exit ${r.exit}${r.quor ? `, found ${r.quor.found}, local ${r.quor.local}, failed ${(r.quor.failed || []).length}` : ''}${r.error ? `; ${r.error}` : ''}`);
    if (r.pixels) L.push(`pixels differing: ${(100 * r.pixels.ratio).toFixed(2)}% (live ${r.pixels.liveSize.join('x')}, copy ${r.pixels.copySize.join('x')})`);
    if (r.titles && r.titles.live !== r.titles.json) L.push(`title: page "${r.titles.live}", capture "${r.titles.json}"`);
    L.push(`removed on purpose (scripts, XHR, fetch, beacons): ${r.removedOnPurpose.length}`);
    if (r.replacedPlaceholders && r.replacedPlaceholders.length) L.push(`pictures the live page loaded but no longer shows when settled (placeholders, spinners; not counted): ${r.replacedPlaceholders.map((x) => x.url).join(', ')}`);
    if (r.liveFailures.length) L.push(`failed on the live page too: ${r.liveFailures.map((f) => f.url).join(', ')}`);
    const miss = r.needed.filter((n) => !n.local);
    if (miss.length) {
      L.push('', `### not made local (${miss.length})`);
      for (const n of miss) {
        L.push(`- [${n.kind}] ${n.url}`);
        if (n.redirectedFrom && n.redirectedFrom.length) L.push(`  - reached through a redirect from ${n.redirectedFrom.join(' <- ')}`);
        if (n.initiator && n.initiator.url) L.push(`  - asked for by ${n.initiator.type} ${n.initiator.url}`);
        const w = n.why || {};
        L.push(`  - bytes in the attachment folder: ${w.inAttachments ? 'yes' : 'no'}${w.captureFailure ? `; quor-capture failure: ${w.captureFailure}` : ''}`);
        if (w.liveMarkup) L.push(`  - live markup: \`${w.liveMarkup.replace(/\s+/g, ' ').slice(0, 400)}\``);
        if (w.copyMarkup) L.push(`  - copy markup: \`${w.copyMarkup.replace(/\s+/g, ' ').slice(0, 400)}\``);
        if (w.copyShows) L.push(`  - copy shows: ${w.copyShows}`);
        if (w.copyFrames) L.push(`  - frames in the copy: ${w.copyFrames.length ? w.copyFrames.join(' ') : 'none'}`);
      }
    }
    const inline = r.needed.filter((n) => n.local && (n.local === 'data:' || n.local === 'page'));
    if (inline.length) {
      L.push('', '### carried inside the copy (data: address or inline SVG symbols)');
      for (const n of inline) L.push(`- [${n.kind}] ${n.url}: ${n.how}`);
    }
    const named = r.needed.filter((n) => n.local && n.how === 'same file name, other bytes');
    if (named.length) {
      L.push('', '### matched by file name only (other bytes: another format or a rewritten file)');
      for (const n of named) L.push(`- [${n.kind}] ${n.url} -> ${n.local}`);
    }
    const odd = r.needed.filter((n) => n.local && n.how === 'count of the same kind');
    if (odd.length) {
      L.push('', '### matched by count only (the copy loaded a local file of that kind, not provably the same)');
      for (const n of odd) L.push(`- [${n.kind}] ${n.url} -> ${n.local}`);
    }
    if (r.attempts && r.attempts.length) {
      L.push('', `### network attempts of the copy (${r.attempts.length})`);
      for (const a of r.attempts) L.push(`- [${a.type}] ${a.url}${a.initiator && a.initiator.url ? ` (from ${a.initiator.url})` : ''}`);
    }
    if (r.missingLocal && r.missingLocal.length) {
      L.push('', `### local files the copy asked for that did not load (${r.missingLocal.length})`);
      for (const m of r.missingLocal) L.push(`- [${m.type}] ${m.url} (${m.why}; ${m.exists ? 'the file is there: the browser refused it' : 'no such file'})${m.initiator && m.initiator.url ? ` from ${m.initiator.url}` : ''}`);
    }
    if (r.fontFacesLost && r.fontFacesLost.length) L.push('', `font faces loaded live but not in the copy: ${r.fontFacesLost.join('; ')}`);
    L.push('');
  }
  return L.join('\n');
}

async function main() {
  const args = parseArgs(process.argv.slice(2));
  let pages = JSON.parse(fs.readFileSync(args.pages, 'utf8'));
  if (args.only) pages = pages.filter((p) => args.only.split(',').includes(p.id));
  fs.mkdirSync(args.out, { recursive: true });
  const launchArgs = ['--disable-site-isolation-trials', '--disable-features=IsolateOrigins,site-per-process', '--hide-scrollbars', '--font-render-hinting=none'];
  if (process.getuid && process.getuid() === 0) launchArgs.unshift('--no-sandbox');
  const browser = await chromium.launch({ executablePath: args.chromium, args: launchArgs });
  const results = [];
  try {
    for (const p of pages) {
      try {
        results.push(await measurePage(browser, args, p));
      } catch (e) {
        results.push({ id: p.id, kind: p.kind, url: p.url, exit: null, error: String(e.stack || e), needed: [], made: 0, attempts: [], removedOnPurpose: [], liveFailures: [] });
      }
      fs.writeFileSync(path.join(args.out, p.id, 'result.json'), JSON.stringify(results.at(-1), null, 1));
    }
  } finally {
    await browser.close();
  }
  const binStat = fs.statSync(args.bin);
  const version = await new Promise((resolve) => {
    const c = spawn(args.bin, ['--version'], { stdio: ['ignore', 'pipe', 'ignore'] });
    let o = '';
    c.stdout.on('data', (d) => { o += d; });
    c.on('close', () => resolve(o.trim()));
  });
  const binary = `${args.bin} (${version}; built ${binStat.mtime.toISOString()}; sha256 ${sha(fs.readFileSync(args.bin)).slice(0, 16)})`;
  const t = table(results);
  t.text = `quor-capture: ${binary}\n\n${t.text}`;
  fs.writeFileSync(path.join(args.out, 'summary.txt'), `${t.text}\n`);
  fs.writeFileSync(path.join(args.out, 'report.md'), `# quor-capture acceptance\n\n\`\`\`\n${t.text}\n\`\`\`\n\n${report(results)}`);
  fs.writeFileSync(path.join(args.out, 'results.json'), JSON.stringify(results, null, 1));
  process.stdout.write(`${t.text}\n\nneeded resources made local: ${t.made}/${t.need} (${pct(t.made, t.need)}); target 90%: ${t.need && t.made / t.need >= 0.9 ? 'met' : 'not met'}\n`);
  process.stdout.write(`details: ${path.join(args.out, 'report.md')}, pictures: ${path.join(args.out, '<page>/side-by-side.png')}\n`);
}

main().catch((e) => { console.error(e); process.exit(2); });
