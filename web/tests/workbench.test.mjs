// The web workbench in headless Chromium, used as a student uses it: an example compiled
// and stepped (its registers held against mic1's), a compile error's marks, Step Back, the
// sub-cycles, a Run stopped by Escape, an IJVM program stepped into a call, the texts kept
// over a reload, the page opened from a folder, and the layout and names a screen reader
// and a phone need.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { answer, button, examples, exampleText, launch, mic1, open, registers, serve, settled, site } from './site.mjs';

let browser, served;

before(async () => {
    served = await serve();
    browser = await launch();
});

after(async () => {
    await browser.close();
    served.server.close();
});

// What mic1 prints of the machine after steps microinstructions, as the readouts show it.
function mic1After(steps) {
    const out = JSON.parse(execFileSync(mic1, ['run', path.join(examples, 'count.mal'), '--mode', 'mic',
        '--steps', String(steps), '--json'], { encoding: 'utf8' }));
    const expected = Object.fromEntries(Object.entries(out.registers).map(([k, v]) => [k, String(v)]));
    expected.MPC = String(out.MPC);
    expected.N = String(out.N);
    expected.Z = String(out.Z);
    return expected;
}

async function openExample(page, name) {
    await page.selectOption('#examplesMenu', name);
    await settled(page);
}

test('count.mal compiles and steps as mic1 runs it; Step Back and the sub-cycles', async () => {
    const context = await browser.newContext();
    const page = await open(context, served.url);
    await openExample(page, 'count.mal');
    await button(page, 'Compile and Load').click();
    assert.match(await answer(page, 'Ok'), /compiled and loaded/);
    for (let i = 0; i < 5; ++i) await button(page, 'Mic').click();
    await settled(page);
    assert.deepEqual(await registers(page), mic1After(5));

    // The source of the next microinstruction is marked in the editor.
    assert.match(await page.locator('.mal-editor .current').first().innerText(), /\S/);

    await page.keyboard.press('Shift+F7');
    await settled(page);
    assert.deepEqual(await registers(page), mic1After(4));

    // Four presses of SubCicle make one microinstruction; the readouts change at the last.
    for (let i = 0; i < 3; ++i) await button(page, 'SubCicle').click();
    await settled(page);
    assert.deepEqual(await registers(page), mic1After(4));
    await button(page, 'SubCicle').click();
    await settled(page);
    assert.deepEqual(await registers(page), mic1After(5));
    assert.deepEqual(page.errors, []);
    await context.close();
});

test('a compile error is marked in the editor and named in the report', async () => {
    const context = await browser.newContext();
    const page = await open(context, served.url);
    await page.getByRole('textbox', { name: 'MicroProgram' }).fill('main H = H + 1\n  H = FOO + 1; goto main\n');
    await page.keyboard.press('Control+b');
    await settled(page);
    const report = page.locator('[data-view="report"]');
    assert.ok(await report.isVisible());
    assert.match(await report.innerText(), /tmp\.mal:2:\d+: error:/);
    assert.equal(await page.locator('.mal-editor .mark-error').count(), 1);
    assert.match(await page.locator('.mal-editor .mark-error').innerText(), /FOO/);
    // A click on the report's line selects the word it names.
    await report.getByText(/error:/).click();
    await settled(page);
    const selected = await page.getByRole('textbox', { name: 'MicroProgram' })
        .evaluate((t) => t.value.slice(t.selectionStart, t.selectionEnd));
    assert.equal(selected, 'FOO');
    await context.close();
});

test('a Run goes on in the worker and Escape stops it', async () => {
    const context = await browser.newContext();
    const page = await open(context, served.url);
    await page.getByRole('textbox', { name: 'MicroProgram' }).fill('LOOP H = H + 1; goto LOOP\n');
    await button(page, 'Run').click();
    await page.waitForSelector('body[data-running]');
    // The page answers while the Run goes on.
    assert.equal(await page.evaluate(() => 1 + 1), 2);
    assert.ok(await button(page, 'Mic').isDisabled());
    await page.keyboard.press('Escape');
    await settled(page);
    assert.ok(Number(await page.evaluate(() => document.body.dataset.lastRunSteps)) > 0);
    assert.ok(await button(page, 'Mic').isEnabled());
    await context.close();
});

test('an IJVM program on the shipped interpreter, stepped into a call', async () => {
    const context = await browser.newContext();
    const page = await open(context, served.url);
    await page.selectOption('#ijvmExamplesMenu', 'call.jvm');
    assert.match(await answer(page, 'Yes'), /Load the IJVM interpreter "ijvm\.mal" first\?/);
    await settled(page);
    assert.match(await page.locator('#stage [data-name="Label33"]').innerText(), /ijvm\.mal/);
    assert.match(await page.locator('[data-view="constant-pool"]').innerText(), /method multiply/);
    const stack = page.locator('[data-view="stack"]');
    for (let i = 0; i < 10 && !/multiply/.test(await stack.innerText()); ++i) {
        await page.keyboard.press('F8');
        await settled(page);
    }
    assert.match(await stack.innerText(), /link\s+multiply/);
    assert.match(await stack.innerText(), /parameter a/);
    assert.match(await page.locator('[data-view="method-area"] tr.marked').innerText(), /^PC/);
    assert.match(await page.locator('#ijvmEditor .current').innerText(), /BIPUSH 0/);
    // Shift+F8 goes back out of the call.
    await page.keyboard.press('Shift+F8');
    await settled(page);
    assert.doesNotMatch(await stack.innerText(), /link\s+multiply/);
    assert.ok(await page.locator('[data-view="output"]').count());
    await context.close();
});

test('a program typed with nothing loaded runs on the interpreter the page offers, reading input', async () => {
    const context = await browser.newContext();
    const page = await open(context, served.url);
    await page.getByRole('textbox', { name: 'IJVM program' }).fill(exampleText('letters.jvm'));
    await page.keyboard.press('Control+Shift+B');
    assert.match(await answer(page, 'Yes'), /Load the IJVM interpreter/);
    await settled(page);
    const input = page.getByRole('textbox', { name: 'Standard input' });
    await input.fill('3');
    await input.press('Enter');
    await button(page, 'Run').click();
    await settled(page);
    // 67, 66, 65: C, B, A.
    assert.match(await page.locator('[data-view="output"]').innerText(), /67\s+C\s+66\s+B\s+65\s+A/);
    assert.match(await page.locator('[data-view="counts"]').innerText(), /OUT\s+3/);
    await context.close();
});

test('memory is written and viewed; a breakpoint by its line number stops a Run', async () => {
    const context = await browser.newContext();
    const page = await open(context, served.url);
    await button(page, 'Memory').click();
    assert.match(await answer(page, 'Ok'), /must be compiled/);
    // Opening a microprogram compiles and loads it.
    await openExample(page, 'count.mal');
    await page.keyboard.press('Control+m');
    await settled(page);
    const viewer = page.getByRole('dialog', { name: 'Memory' });
    await viewer.getByRole('button', { name: 'Write Word' }).click();
    await page.getByRole('textbox', { name: 'Address:' }).fill('0x10');
    await page.getByRole('textbox', { name: 'Word:' }).fill('-2');
    await page.locator('dialog.question').getByRole('button', { name: 'OK', exact: true }).click();
    await settled(page);
    await viewer.getByRole('combobox', { name: 'Memory radix' }).selectOption('Hex');
    await page.waitForFunction(() => /0x00000010: 0xFF 0xFF 0xFF 0xFE/.test(document.querySelector('.memory-list').innerText));
    await viewer.getByRole('button', { name: 'Go at' }).click();
    await page.getByRole('textbox', { name: 'Address:' }).fill('12z');
    await page.locator('dialog.question').getByRole('button', { name: 'OK', exact: true }).click();
    await page.waitForFunction(() => /^0x0000000C:/.test(document.querySelector('.memory-list li').innerText));
    await viewer.getByRole('button', { name: 'Go at' }).click();
    await page.getByRole('textbox', { name: 'Address:' }).fill('x');
    await page.locator('dialog.question').getByRole('button', { name: 'OK', exact: true }).click();
    assert.match(await answer(page, 'OK'), /IJVM Error:/);
    await viewer.getByRole('button', { name: 'OK' }).click();

    // Line 20 holds "TOS = H + TOS": the Run stops before it, at its first pass.
    const line = page.locator('.mal-editor .gutter > div > div').nth(19);
    await page.locator('.mal-editor textarea').evaluate((t) => {
        t.scrollTop = 16 * 12;
        t.dispatchEvent(new Event('scroll'));
    });
    const box = await line.boundingBox();
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
    await settled(page);
    assert.deepEqual(await page.locator('.mal-editor .gutter div.breakpoint').allInnerTexts(), ['20']);
    await page.keyboard.press('F9');
    await settled(page);
    assert.match(await page.locator('#status').innerText(), /breakpoint on MAL line 20/);
    assert.equal((await registers(page)).MPC, '7');
    await context.close();
});

test('a new program is saved as a download under the name given', async () => {
    const context = await browser.newContext({ acceptDownloads: true });
    const page = await open(context, served.url);
    await page.getByRole('textbox', { name: 'MicroProgram' }).fill('main H = H + 1; goto main\n');
    const name = page.locator('#stage [data-name="Label33"]');
    const download = page.waitForEvent('download');
    await page.keyboard.press('F2');
    await page.getByRole('textbox', { name: 'File name:' }).fill('mine.mal');
    await page.locator('dialog.question').getByRole('button', { name: 'OK', exact: true }).click();
    const file = await download;
    assert.equal(file.suggestedFilename(), 'mine.mal');
    assert.equal(fs.readFileSync(await file.path(), 'utf8'), 'main H = H + 1; goto main\n');
    await settled(page);
    assert.equal(await name.innerText(), 'mine.mal');
    await page.getByRole('textbox', { name: 'MicroProgram' }).click();
    await page.keyboard.type(' ');
    assert.equal(await name.innerText(), 'mine.mal*');
    await context.close();
});

test('the editors keep their texts over a reload', async () => {
    const context = await browser.newContext();
    let page = await open(context, served.url);
    await openExample(page, 'count.mal');
    const edited = exampleText('count.mal') + '// my change\n';
    await page.getByRole('textbox', { name: 'MicroProgram' }).fill(edited);
    await page.getByRole('textbox', { name: 'IJVM program' }).fill('.main\n  BIPUSH 1\n  HALT\n.end-main\n');
    await page.waitForTimeout(400);
    await page.reload();
    await page.waitForSelector('body[data-ready="true"]');
    await settled(page);
    assert.equal(await page.getByRole('textbox', { name: 'MicroProgram' }).inputValue(), edited);
    assert.match(await page.locator('#stage [data-name="Label33"]').innerText(), /^count\.mal\*$/);
    assert.equal(await page.getByRole('textbox', { name: 'IJVM program' }).inputValue(),
        '.main\n  BIPUSH 1\n  HALT\n.end-main\n');
    // The program opened before the reload is compiled again: Mic steps it.
    await button(page, 'Mic').click();
    await settled(page);
    assert.equal((await registers(page)).H, '1');
    await context.close();
});

test('opened from a folder, the page works without a server', async () => {
    const context = await browser.newContext();
    const page = await open(context, 'file://' + path.join(site, 'index.html'));
    await openExample(page, 'count.mal');
    await button(page, 'Mic').click();
    await settled(page);
    assert.equal((await registers(page)).H, '1');
    assert.deepEqual(page.errors, []);
    await context.close();
});

test('the first load fetches under 1 MB from the site alone, the examples besides', async () => {
    const context = await browser.newContext();
    const urls = [];
    context.on('request', (r) => urls.push(new URL(r.url())));
    const page = await open(context, served.url);
    // Nothing from another host: the page works offline once loaded.
    assert.deepEqual(urls.filter((u) => u.origin !== new URL(served.url).origin && u.protocol !== 'data:'), []);
    const fetched = new Set(urls.map((u) => u.pathname));
    assert.ok(fetched.has('/tarveno.wasm') && fetched.has('/worker.js'));
    const bytes = [...fetched].filter((p) => p !== '/examples.js')
        .reduce((sum, p) => sum + fs.statSync(path.join(site, p === '/' ? 'index.html' : p)).size, 0);
    assert.ok(bytes < 1000000, `${bytes} bytes`);
    assert.ok(!fetched.has('/inline.js'));
    await page.close();
    await context.close();
});

test('every control has a name, and the page fits a laptop and a phone held sideways', async () => {
    const context = await browser.newContext();
    for (const viewport of [{ width: 1366, height: 768 }, { width: 844, height: 390 }]) {
        const page = await open(context, served.url, viewport);
        const unnamed = await page.evaluate(() => [...document.querySelectorAll('button, select, input, textarea')]
            .filter((e) => e.type !== 'file' && e.getClientRects().length > 0)
            .filter((e) => {
                const labelled = e.getAttribute('aria-labelledby');
                const name = e.getAttribute('aria-label') || (labelled && document.getElementById(labelled)?.textContent) ||
                    (e.labels && e.labels[0] && e.labels[0].textContent) || e.textContent || e.title;
                return !name || !name.trim();
            }).map((e) => e.outerHTML.slice(0, 80)));
        assert.deepEqual(unnamed, []);
        for (const name of ['Mic', 'SubCicle', 'Reset', 'Compile and Load', 'Memory', 'Run', 'IJVM Step'])
            assert.equal(await button(page, name).count(), 1, name);
        for (const view of ['report', 'method-area', 'constant-pool', 'stack', 'output'])
            assert.equal(await page.locator(`[data-view="${view}"]`).count(), 1, view);
        const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
        assert.ok(overflow <= 0, `${viewport.width}x${viewport.height}: ${overflow} pixels too wide`);
        await page.close();
    }
    await context.close();
});
