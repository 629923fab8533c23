// What the browser tests share: the built site served on the loopback, headless Chromium
// (the system's, driven by playwright-core), and the page's own ways of being used.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const { chromium } = require('playwright-core');

export const site = process.env.TARVENO_SITE;
export const examples = process.env.TARVENO_EXAMPLES;
export const mic1 = process.env.TARVENO_MIC1;

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };

// A static server of the site, as any course's web space is.
export function serve(folder = site) {
    const server = http.createServer((request, response) => {
        const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
        const file = path.join(folder, name === '/' ? 'index.html' : path.normalize(name));
        if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
            response.writeHead(404);
            response.end();
            return;
        }
        response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
        fs.createReadStream(file).pipe(response);
    });
    return new Promise((resolve) => {
        server.listen(0, '127.0.0.1', () => resolve({ server, url: `http://127.0.0.1:${server.address().port}/` }));
    });
}

export function launch() {
    return chromium.launch({
        executablePath: process.env.TARVENO_CHROMIUM || '/usr/bin/chromium',
        args: ['--no-sandbox', '--allow-file-access-from-files'],
    });
}

// A page of the workbench, ready for commands; errors of its scripts fail the test.
export async function open(context, url, viewport = { width: 1366, height: 768 }) {
    const page = await context.newPage();
    await page.setViewportSize(viewport);
    page.errors = [];
    page.on('pageerror', (e) => page.errors.push(e.message));
    await page.goto(url);
    await page.waitForSelector('body[data-ready="true"]', { timeout: 30000 });
    return page;
}

export function button(page, name) {
    return page.getByRole('button', { name, exact: true });
}

// The questions the page asks, answered.
export async function answer(page, caption) {
    const dialog = page.locator('dialog.question[open]');
    await dialog.waitFor();
    const text = await dialog.innerText();
    await dialog.getByRole('button', { name: caption, exact: true }).click();
    await dialog.waitFor({ state: 'detached' });
    return text;
}

// Waits until the page has shown every answer (nothing queued, drawing or running).
export async function settled(page) {
    await page.waitForSelector('body:not([data-busy]):not([data-running])', { state: 'attached' });
}

export async function registers(page) {
    return page.$$eval('[data-register]', (els) => Object.fromEntries(els.map((e) => [e.dataset.register, e.textContent])));
}

export function exampleText(name) {
    return fs.readFileSync(path.join(examples, name), 'utf8');
}
