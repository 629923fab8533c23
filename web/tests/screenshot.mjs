// Takes the README's picture of the web workbench in headless Chromium at 1366x768: the
// shipped interpreter running call.jvm, stepped into its call, one microinstruction in.
//   TARVENO_SITE=build/web/site TARVENO_EXAMPLES=examples NODE_PATH=build/web/npm/node_modules \
//     node web/tests/screenshot.mjs docs/web.png
import { answer, launch, open, serve, settled } from './site.mjs';

const output = process.argv[2] || 'web.png';
const served = await serve();
const browser = await launch();
const page = await open(await browser.newContext(), served.url);
await page.selectOption('#ijvmExamplesMenu', 'call.jvm');
await answer(page, 'Yes');
await settled(page);
const stack = page.locator('[data-view="stack"]');
for (let i = 0; i < 10 && !/multiply/.test(await stack.innerText()); ++i) {
    await page.keyboard.press('F8');
    await settled(page);
}
await page.keyboard.press('F7');
await settled(page);
await page.screenshot({ path: output });
await browser.close();
served.server.close();
console.log('wrote', output);
