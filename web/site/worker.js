// The page's worker: it holds the WebAssembly module, so the session lives here, and a Run
// goes on here in slices while the page stays free to paint and to take Escape.
//
// Requests are {id, command, args, editorText?}; each is answered {id, answer}, the JSON the
// module answered, parsed, or {id, error}. A command that starts a Run is answered at once
// and the Run's end comes later as {runEnded: answer, elapsedMs}. Between two slices the
// worker reads its messages, so "stop" ends a Run within a slice.
'use strict';

if (typeof createTarveno === 'undefined') importScripts('tarveno.js');

// A slice is some tens of milliseconds of a Run, so Escape acts at once. The first slices
// are short: the browser compiles the Run's loop anew for speed while it runs, and a slice
// that began before that goes on at the first compile's pace.
const sliceMs = 40;
const firstSlice = 200000;

let module = null;
// The microprogram editor's text as the session knows it: a command that brings another
// text tells the session first that the user changed it.
let sessionText = '';
let running = false;
let stopAsked = false;
const pending = [];

// Strings go into the module's memory through malloc, so that a long text never meets the
// module's stack.
function withString(text, use) {
    const size = module.lengthBytesUTF8(text) + 1;
    const at = module._malloc(size);
    module.stringToUTF8(text, at, size);
    try {
        return use(at);
    } finally {
        module._free(at);
    }
}

function withStrings(texts, use) {
    if (texts.length === 0) return use([]);
    return withString(texts[0], (first) => withStrings(texts.slice(1), (rest) => use([first, ...rest])));
}

function parse(pointer) {
    return JSON.parse(module.UTF8ToString(pointer));
}

// The module's functions, by the names the page uses: numbers pass as they are, strings
// through the module's memory.
function call(name, args) {
    const fn = module['_tarveno_' + name];
    if (typeof fn !== 'function') throw new Error('no such command: ' + name);
    const strings = args.filter((a) => typeof a === 'string');
    return withStrings(strings, (pointers) => {
        let next = 0;
        const passed = args.map((a) => (typeof a === 'string' ? pointers[next++] : a));
        const result = fn(...passed);
        return typeof result === 'number' && result !== 0 ? parse(result) : null;
    });
}

// The page's own requests that are not commands of the module.
const local = {
    // Files the user opened, and the shipped examples, into the working folder.
    writeFile(name, bytes) {
        module.FS.writeFile(name, bytes);
        return null;
    },
    readFile(name) {
        return module.FS.readFile(name);
    },
    stop() {
        stopAsked = true;
        module._tarveno_stop();
        return null;
    },
};

// Gives the worker's messages their turn between two slices, without the delay of a timer.
const yieldChannel = new MessageChannel();
let resumeRun = null;
yieldChannel.port1.onmessage = () => {
    const resume = resumeRun;
    resumeRun = null;
    if (resume) resume();
};
function yieldToMessages() {
    return new Promise((resolve) => {
        resumeRun = resolve;
        yieldChannel.port2.postMessage(null);
    });
}

async function continueRun(started) {
    running = true;
    let steps = firstSlice;
    try {
        for (;;) {
            const before = performance.now();
            const answer = call('run_slice', [steps]);
            const took = Math.max(performance.now() - before, 0.5);
            steps = Math.round(Math.min(Math.max(steps * Math.min(sliceMs / took, 2), 50000), 16000000));
            if (!answer || !answer.running || answer.outcome) {
                self.postMessage({ runEnded: answer, elapsedMs: performance.now() - started });
                return;
            }
            await yieldToMessages();
            if (stopAsked) module._tarveno_stop();
        }
    } finally {
        running = false;
        stopAsked = false;
    }
}

function handle(request) {
    const { id, command, args = [], editorText } = request;
    try {
        if (local[command]) {
            const value = local[command](...args);
            const transfer = value instanceof Uint8Array ? [value.buffer] : [];
            self.postMessage({ id, value }, transfer);
            return;
        }
        if (editorText !== undefined) {
            withString(editorText, (at) => module._tarveno_set_editor_text(at));
            if (editorText !== sessionText) module._tarveno_microprogram_edited();
            sessionText = editorText;
        }
        const started = performance.now();
        const answer = call(command, args);
        if (answer && answer.mal && answer.mal.text !== undefined) sessionText = answer.mal.text;
        self.postMessage({ id, answer });
        if (answer && answer.run && answer.run.running) continueRun(started);
    } catch (e) {
        self.postMessage({ id, error: String(e && e.message ? e.message : e) });
    }
}

self.onmessage = async (event) => {
    const message = event.data;
    if (message.init) {
        const options = {};
        // Opened from a folder, the page hands over the module's bytes itself.
        if (message.wasm) options.wasmBinary = message.wasm;
        try {
            module = await createTarveno(options);
            self.postMessage({ ready: true, geometry: call('geometry', []) });
        } catch (e) {
            self.postMessage({ failed: String(e && e.message ? e.message : e) });
        }
        for (const request of pending.splice(0)) handle(request);
        return;
    }
    if (!module) {
        pending.push(message);
        return;
    }
    // While a Run goes on, only stopping it acts; the module refuses the rest itself.
    handle(message);
};
