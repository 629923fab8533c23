// Writes the web workbench's static site: the page's files, the module (tarveno.js and
// tarveno.wasm), the shipped examples as a script (examples.js), and inline.js, which holds
// the worker and the module's bytes for a page opened from a folder, where the browser
// loads nothing but scripts.
//   node make-site.mjs SITE_SOURCES EXAMPLES MODULE_FOLDER OUTPUT
import fs from 'node:fs';
import path from 'node:path';

const [sources, examples, moduleFolder, out] = process.argv.slice(2);
if (!out) {
    console.error('usage: node make-site.mjs SITE_SOURCES EXAMPLES MODULE_FOLDER OUTPUT');
    process.exit(2);
}

fs.mkdirSync(out, { recursive: true });
for (const name of fs.readdirSync(sources)) {
    if (/\.(html|css|js)$/.test(name)) fs.copyFileSync(path.join(sources, name), path.join(out, name));
}
for (const name of ['tarveno.js', 'tarveno.wasm']) fs.copyFileSync(path.join(moduleFolder, name), path.join(out, name));

const shipped = {};
for (const name of fs.readdirSync(examples).sort()) {
    if (/\.(mal|jvm)$/.test(name)) shipped[name] = fs.readFileSync(path.join(examples, name), 'utf8');
}
fs.writeFileSync(path.join(out, 'examples.js'),
    '// The shipped examples, by file name.\nself.tarvenoExamples = ' + JSON.stringify(shipped, null, 1) + ';\n');

const workerSource = fs.readFileSync(path.join(out, 'tarveno.js'), 'utf8') + '\n' +
    fs.readFileSync(path.join(out, 'worker.js'), 'utf8');
const wasm = fs.readFileSync(path.join(out, 'tarveno.wasm')).toString('base64');
fs.writeFileSync(path.join(out, 'inline.js'),
    '// The worker and the module for a page opened from a folder.\n' +
    'self.tarvenoWorkerSource = ' + JSON.stringify(workerSource) + ';\n' +
    'self.tarvenoWasmBase64 = "' + wasm + '";\n');
