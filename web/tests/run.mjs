// Runs the browser tests (web/tests/*.test.mjs) with node's test runner, on the site that
// ./build.sh test wrote (TARVENO_SITE). Exits 77, which CTest counts as skipped, when there is
// no site or playwright-core has not been installed: ./build.sh test builds and installs both.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const site = process.env.TARVENO_SITE || '';
if (!site || !fs.existsSync(path.join(site, 'index.html'))) {
    console.log(`No web site at "${site}": ./build.sh test builds it. Skipped.`);
    process.exit(77);
}
try {
    createRequire(import.meta.url).resolve('playwright-core');
} catch {
    console.log('playwright-core is not installed (./build.sh test installs it). Skipped.');
    process.exit(77);
}
const tests = fs.readdirSync(here).filter((n) => n.endsWith('.test.mjs')).map((n) => path.join(here, n));
const result = spawnSync(process.execPath, ['--test', '--test-concurrency=1', ...tests], { stdio: 'inherit' });
process.exit(result.status === null ? 1 : result.status);
