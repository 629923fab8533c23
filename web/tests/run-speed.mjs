// Times a Run of 100 M microinstructions on the web page with the page's own timer (from the
// press of Run to the pictures' refresh at its end), to hold against whole runs of
//   mic1 run bench/countdown.mal --mem 0=100000000
// Prints each Run's milliseconds and the median: first the first Run of a freshly loaded page
// (the browser still compiling the module for speed), then Runs on a page that has run before,
// each paired with a whole mic1 run right after it, so that both meet the same load of a
// shared machine, and the median of the pairs' ratios.
//   TARVENO_SITE=build/web/site TARVENO_EXAMPLES=examples TARVENO_MIC1=build/cli/mic1 \
//     NODE_PATH=build/web/npm/node_modules node web/tests/run-speed.mjs [RUNS]
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { answer, button, launch, mic1, open, serve, settled } from './site.mjs';

const runs = Number(process.argv[2] || 7);
const here = path.dirname(fileURLToPath(import.meta.url));
const countdown = fs.readFileSync(path.join(here, '../../bench/countdown.mal'), 'utf8');

async function prepared(browser, url) {
    const page = await open(await browser.newContext(), url);
    await page.getByRole('textbox', { name: 'MicroProgram' }).fill(countdown);
    await button(page, 'Compile and Load').click();
    await answer(page, 'Ok');
    await button(page, 'Memory').click();
    await page.getByRole('button', { name: 'Write Word' }).click();
    await page.getByRole('textbox', { name: 'Word:' }).fill('100000000');
    await page.locator('dialog.question').getByRole('button', { name: 'OK', exact: true }).click();
    await settled(page);
    await page.locator('#memoryPanel button.close').click();
    return page;
}

async function timedRun(page) {
    await button(page, 'Reset').click();
    await settled(page);
    await button(page, 'Run').click();
    await page.waitForSelector('body[data-running]', { state: 'attached' });
    await settled(page);
    const [ms, steps] = await page.evaluate(() => [document.body.dataset.lastRunMs, document.body.dataset.lastRunSteps]);
    if (steps !== '100000004') throw new Error('the Run executed ' + steps + ' microinstructions');
    return Number(ms);
}

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

const served = await serve();
const browser = await launch();
const first = [];
for (let i = 0; i < runs; ++i) {
    const page = await prepared(browser, served.url);
    first.push(await timedRun(page));
    await page.context().close();
}
const page = await prepared(browser, served.url);
await timedRun(page);
const warm = [], whole = [], ratios = [];
const benchFile = path.join(here, '../../bench/countdown.mal');
for (let i = 0; i < runs; ++i) {
    warm.push(await timedRun(page));
    const started = process.hrtime.bigint();
    spawnSync(mic1, ['run', benchFile, '--mem', '0=100000000', '--max-steps', '0'], { stdio: 'ignore' });
    whole.push(Number(process.hrtime.bigint() - started) / 1e6);
    ratios.push(warm[i] / whole[i]);
}
const shown = (xs) => xs.map((x) => x.toFixed(0)).join(' ');
console.log('first Run of a page (ms):', shown(first), ' median', median(first).toFixed(0));
console.log('later Runs (ms):         ', shown(warm), ' median', median(warm).toFixed(0));
console.log('whole mic1 runs (ms):    ', shown(whole), ' median', median(whole).toFixed(0));
console.log('page / mic1, pair by pair:', ratios.map((r) => r.toFixed(2)).join(' '), ' median',
    median(ratios).toFixed(2));
await browser.close();
served.server.close();
