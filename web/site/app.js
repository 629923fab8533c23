// The page: the window's form drawn at the module's places, the IJVM views beside it, and
// every command sent to the session in the worker. What a command answers is shown as the
// window shows an outcome: the editors and views, a failure's message box, the refresh
// played step by step, then the notice and the next question.
'use strict';

(() => {
    const View = { MalEditor: 1, Report: 2, Clock: 4, IjvmEditor: 8, IjvmCleared: 16, Diagnostics: 32,
        IjvmImage: 64, Breakpoints: 128, Memory: 256 };
    const storageKey = 'tarveno.workbench';
    const runningHint = 'Running ... press Escape to stop';
    const notPlacedNote = 'the program shown is not the one placed: Assemble and Place';
    const english = { SubCicle: 'SubCycle' };

    const examples = self.tarvenoExamples || {};
    let client = null;
    let geometry = null;
    let pictures = null;
    let editor = null;
    let ijvmPane = null;
    let memory = null;
    let last = null;          // the last answer's state
    let playing = false;
    let running = false;
    let runStarted = 0;
    let runStartMicro = 0;
    let runKind = 0;
    let hintTimer = 0;
    let queue = Promise.resolve();
    const readouts = {};      // register name (and B, C, N, Z, MPC) -> element
    const bits = [];
    let aluPanel = null;
    let reportPane = null;
    let reportLines = [];
    let fileNameLabel = null;
    let language = 'course';

    // ---- The worker ----

    class ModuleClient {
        constructor(worker) {
            this.worker = worker;
            this.nextId = 1;
            this.waiting = new Map();
            this.onRunEnded = null;
            this.ready = new Promise((resolve, reject) => {
                worker.onmessage = (e) => {
                    const m = e.data;
                    if (m.ready) resolve(m.geometry);
                    else if (m.failed) reject(new Error(m.failed));
                    else if (m.runEnded !== undefined) this.onRunEnded && this.onRunEnded(m);
                    else if (this.waiting.has(m.id)) {
                        const { resolve: done, reject: fail } = this.waiting.get(m.id);
                        this.waiting.delete(m.id);
                        if (m.error !== undefined) fail(new Error(m.error));
                        else done(m.answer !== undefined ? m.answer : m.value);
                    }
                };
                worker.onerror = (e) => reject(new Error(e.message || 'the worker failed'));
            });
        }

        // A command of the module; the editor's text goes with every command.
        request(command, args = [], withEditor = true) {
            const id = this.nextId++;
            const message = { id, command, args };
            if (withEditor && editor) message.editorText = editor.value();
            return new Promise((resolve, reject) => {
                this.waiting.set(id, { resolve, reject });
                this.worker.postMessage(message);
            });
        }
    }

    async function startWorker() {
        let worker, wasm;
        if (location.protocol === 'file:') {
            // Opened from a folder: the browser lets the page load scripts only, so the
            // worker and the module come from one, and the module's bytes are handed over.
            await loadScript('inline.js');
            const blob = new Blob([self.tarvenoWorkerSource], { type: 'text/javascript' });
            worker = new Worker(URL.createObjectURL(blob));
            wasm = Uint8Array.from(atob(self.tarvenoWasmBase64), (c) => c.charCodeAt(0)).buffer;
        } else {
            worker = new Worker('worker.js');
        }
        const c = new ModuleClient(worker);
        worker.postMessage({ init: true, wasm }, wasm ? [wasm] : []);
        return c;
    }

    function loadScript(src) {
        return new Promise((resolve, reject) => {
            const s = document.createElement('script');
            s.src = src;
            s.onload = resolve;
            s.onerror = () => reject(new Error('cannot load ' + src));
            document.head.append(s);
        });
    }

    // ---- The form, at the module's places ----

    const serif = '"Liberation Serif", "Times New Roman", Times, serif';
    const narrow = '"Liberation Sans Narrow", "Arial Narrow", "Liberation Sans", Arial, sans-serif';

    function place(el, p, sized = true) {
        const [x, y, w, h] = p.rect;
        el.style.left = x + 'px';
        el.style.top = y + 'px';
        if (sized && w > 0) {
            el.style.width = w + 'px';
            el.style.height = h + 'px';
        }
        el.style.font = `${p.font.bold ? 'bold ' : ''}${p.font.px}px ${p.font.narrow ? narrow : serif}`;
        if (p.colour) el.style.color = p.colour;
        if (p.background) el.style.background = p.background;
        el.dataset.name = p.name;
        return el;
    }

    function make(tag, className, parent) {
        const e = document.createElement(tag);
        if (className) e.className = className;
        if (parent) parent.append(e);
        return e;
    }

    function buildStage() {
        const stage = document.getElementById('stage');
        const P = geometry.places;
        const canvas = (p, label) => {
            const c = place(make('canvas', 'picture', stage), p, false);
            if (label) {
                c.setAttribute('role', 'img');
                c.setAttribute('aria-label', label);
            } else {
                c.setAttribute('aria-hidden', 'true');
            }
            return c;
        };
        const canvases = {
            datapath: canvas(P.Image1, 'Datapath'),
            flow: canvas(P.PaintBox1),
            clock: canvas(P.Image2, 'Clock'),
            clockMarks: canvas(P.PaintBox2),
        };
        pictures = new Pictures.DatapathPictures(canvases, geometry);

        const label = (p, text = p.text) => {
            const l = place(make('span', 'label', stage), p);
            l.textContent = text;
            return l;
        };
        const readout = (p, name) => {
            const r = place(make('output', 'label readout', stage), p);
            r.setAttribute('aria-live', 'off');
            r.dataset.register = name;
            r.dataset.readout = name;
            r.setAttribute('aria-label', name);
            return r;
        };
        aluPanel = place(make('output', 'alu-panel', stage), P.Panel2);
        aluPanel.setAttribute('aria-live', 'off');
        aluPanel.setAttribute('aria-label', 'ALU');
        aluPanel.textContent = P.Panel2.text;
        label(P.Label23);
        readouts.C = readout(P.Label28, 'C bus');
        delete readouts.C.dataset.register;
        for (const r of geometry.registers) readouts[r.register] = readout(r.place, r.register);
        readouts.B = readout(P.Label27, 'B bus');
        delete readouts.B.dataset.register;
        readouts.N = readout(P.Label29, 'N');
        readouts.Z = readout(P.Label30, 'Z');
        readouts.MPC = readout(P.Label1, 'MPC');
        geometry.bits.forEach((p, i) => {
            const b = place(make('span', 'label bit', stage), p);
            b.setAttribute('aria-hidden', 'true');
            bits[i] = b;
        });
        const bitsText = make('span', 'sr-only', stage);
        bitsText.id = 'bitsText';

        label(P.Label31);
        fileNameLabel = label(P.Label33, '');
        fileNameLabel.setAttribute('aria-label', 'Microprogram file');

        const area = place(make('div', 'editor-area', stage), P.editorArea);
        const editorBox = make('div', 'mal-editor', area);
        editorBox.style.background = P.Memo2.background;
        editorBox.style.color = P.Memo2.colour;
        editor = new CodeEditor(editorBox, 'MicroProgram');
        reportPane = make('div', 'report', area);
        reportPane.dataset.view = 'report';
        reportPane.setAttribute('role', 'listbox');
        reportPane.setAttribute('aria-label', 'Report');
        reportPane.tabIndex = 0;
        reportPane.style.background = P.Memo3.background;
        reportPane.style.color = P.Memo3.colour;
        reportPane.hidden = true;

        place(make('div', 'button-panel', stage), P.Panel1);
        const button = (p, action, key) => {
            const b = place(make('button', 'form-button', stage), p);
            b.type = 'button';
            b.textContent = p.text;
            b.dataset.caption = p.text;
            if (key) b.title = `${p.text} (${key})`;
            b.addEventListener('click', action);
            return b;
        };
        button(P.BitBtn8, () => command('memory'), 'Ctrl+M');
        button(P.BitBtn6, () => command('sub_cycle'), 'F6');
        button(P.BitBtn1, () => command('micro_step'), 'F7');
        button(P.BitBtn4, () => command('reset'), 'F10');
        button(P.BitBtn5, () => command('compile_and_load'), 'Ctrl+B');
        const radix = place(make('select', 'radix', stage), P.ComboBox1);
        radix.setAttribute('aria-label', 'Radix');
        for (const t of ['Decimal', 'Hex']) make('option', '', radix).textContent = t;
        radix.addEventListener('change', () => command('set_radix', [radix.selectedIndex]));

        const [, , w] = geometry.form.client;
        stage.style.width = w + 'px';
        stage.style.height = stageHeight() + 'px';
        stage.style.background = geometry.form.background;
    }

    function stageHeight() {
        const P = geometry.places;
        return Math.max(P.Panel1.rect[1] + P.Panel1.rect[3], P.Image2.rect[1] + P.Image2.rect[3]) + 4;
    }

    // The form at the largest size that fits: on a wide screen beside the IJVM views and
    // within the height, on a narrow one (a phone held sideways) as wide as the screen,
    // the rest below it. The pictures are drawn anew for the size.
    function fit() {
        const box = document.getElementById('stageBox');
        const stage = document.getElementById('stage');
        const [, , w] = geometry.form.client;
        const h = stageHeight();
        const wide = window.innerWidth >= 1100;
        document.body.classList.toggle('wide', wide);
        let zoom;
        if (wide) {
            const free = window.innerHeight - document.getElementById('bar').offsetHeight -
                document.getElementById('status').offsetHeight - 16;
            zoom = Math.min(free / h, (window.innerWidth * 0.58) / w);
        } else {
            zoom = Math.min(1, (document.documentElement.clientWidth - 14) / w);
        }
        zoom = Math.max(0.3, Math.min(zoom, 1.6));
        stage.style.transform = `scale(${zoom})`;
        box.style.width = Math.floor(w * zoom) + 'px';
        box.style.height = Math.floor(h * zoom) + 'px';
        pictures.setRatio(zoom * (window.devicePixelRatio || 1));
    }

    // ---- Showing an answer ----

    function setReadout(el, text) {
        el.textContent = text;
        el.setAttribute('aria-label', `${el.dataset.readout} ${text}`);
    }

    function markRegister(index, colour) {
        readouts[geometry.registers[index].register].style.color = colour;
    }

    async function play(steps) {
        if (!steps || steps.length === 0) return;
        playing = true;
        try {
            const c = geometry.colours;
            for (const p of steps) {
                switch (p.step) {
                case 'bits':
                    for (let i = 0; i < bits.length; ++i) bits[i].textContent = p.bits[i];
                    document.getElementById('bitsText').textContent = 'Microinstruction ' + p.bits;
                    break;
                case 'clearMarks':
                    for (let i = 0; i < geometry.registers.length; ++i) markRegister(i, c.unmarked);
                    aluPanel.style.color = c.unmarked;
                    break;
                case 'bSourceMark':
                    if (p.readout !== null) markRegister(p.readout, c.bSourceMark);
                    break;
                case 'lines':
                    pictures.lines(p);
                    break;
                case 'bBus':
                    setReadout(readouts.B, p.text);
                    break;
                case 'flow':
                    await pictures.flow(p.rows);
                    break;
                case 'alu':
                    aluPanel.textContent = p.text;
                    aluPanel.setAttribute('aria-label', 'ALU ' + p.text);
                    aluPanel.style.color = c.aluShown;
                    break;
                case 'cBus':
                    setReadout(readouts.C, p.text);
                    break;
                case 'clockRepaint':
                    pictures.clockRepaint();
                    break;
                case 'clockMark':
                    pictures.clockMark(p.rects);
                    break;
                case 'cWriteMarks':
                    for (const i of p.readouts) markRegister(i, c.cWriteMark);
                    break;
                case 'values':
                    geometry.registers.forEach((r, i) => setReadout(readouts[r.register], p.registers[i]));
                    setReadout(readouts.B, p.bBus);
                    setReadout(readouts.C, p.cBus);
                    setReadout(readouts.N, p.n);
                    setReadout(readouts.Z, p.z);
                    setReadout(readouts.MPC, p.mpc);
                    break;
                case 'select':
                    editor.setCurrent(p.span);
                    break;
                }
            }
        } finally {
            playing = false;
        }
    }

    // The microprogram as it was last opened or saved (downloaded): its name, its bytes and
    // its text. The editor holds work that is on no disk while its text differs; a compile
    // writes the browser's own copy only, so it saves nothing of the user's.
    let malFile = { name: '', bytes: null, baseline: '' };
    let ijvmFile = { name: '', bytes: null };

    function malUnsaved() {
        const text = editor.value();
        if (text === malFile.baseline) return false;
        return (last && last.mal.named) || /\S/.test(text);
    }

    function malUnsavedQuestion() {
        if (!last || !last.mal.named) return 'The new microprogram has not been saved. Save it?';
        return `The microprogram "${baseName(last.mal.fileName)}" has changes that are not saved. Save them?`;
    }

    function ijvmUnsavedQuestion() {
        if (!last || !last.ijvm.fileName) return 'The new IJVM program has not been saved. Save it?';
        return `The IJVM program "${baseName(last.ijvm.fileName)}" has changes that are not saved. Save them?`;
    }

    function showName() {
        if (!last) return;
        fileNameLabel.textContent = last.mal.fileName + (malUnsaved() ? '*' : '');
    }

    function showMicroprogram(a) {
        const mal = a.mal;
        if (mal.text !== undefined) editor.setValue(mal.text);
        if (a.report) showReport(a.report);
        editor.setBreakpoints(a.breakpoints.mal);
        ijvmPane.editor.setBreakpoints(a.breakpoints.ijvm);
    }

    function showReport(report) {
        reportPane.replaceChildren();
        reportLines = [];
        if (report.shown) {
            report.text.split('\n').forEach((line, i) => {
                const l = make('div', 'report-line', reportPane);
                l.textContent = line || '\u00a0';
                l.setAttribute('role', 'option');
                l.addEventListener('click', () => chooseReportLine(i));
                reportLines.push(l);
            });
        }
        reportPane.hidden = !report.shown;
        editor.setMarks(report.findings.map((f) => ({ start: f.statement[0], end: f.statement[1], error: f.error })));
    }

    async function chooseReportLine(line) {
        reportLines.forEach((l, i) => l.classList.toggle('chosen', i === line));
        reportPane.dataset.line = line;
        const a = await client.request('report_selection', [line], false);
        if (a.span) editor.selectSpan(a.span);
    }

    function setStatus(text) {
        document.title = text ? `${geometry.form.caption} - ${text}` : geometry.form.caption;
        document.getElementById('status').textContent = text;
    }

    // The state every answer carries, shown before the pictures.
    function showState(a) {
        last = a;
        showMicroprogram(a);
        showName();
        const o = a.outcome;
        if (o.tell.status || !a.run.running) setStatus(o.tell.status);
        ijvmPane.show(a.ijvm, notPlacedNote);
        if (o.ijvmSelection) ijvmPane.editor.selectSpan(o.ijvmSelection);
        if (o.views & View.Clock) pictures.clockRepaint();
        if (a.ijvm.view || (o.views & View.Memory) || o.pictures !== 'None') memory.refresh();
        save();
    }

    // An answer as the window shows an outcome. Resolves when its refresh, notice and
    // questions are over.
    async function show(a, context = {}) {
        if (!a) return;
        showState(a);
        const o = a.outcome;
        if (o.tell.failure) {
            await Dialogs.message(o.tell.failureCaption, o.tell.failure);
            await play(a.paint);
            return;
        }
        if (a.run.running) {
            enterRun(a);
            return;
        }
        await play(a.paint);
        if (o.tell.notice) await Dialogs.notice(o.tell.notice);
        await answerQuestion(a, context);
    }

    async function answerQuestion(a, context) {
        const ask = a.outcome.ask;
        switch (ask.what) {
        case 'SaveFileName':
        case 'SaveAsFileName': {
            const name = await askFileName(ask.what === 'SaveAsFileName' ? ask.reason : 'Save the microprogram as',
                suggestedName(a.mal.fileName, 'program.mal'));
            if (name === null) return;
            const saved = await client.request('save_to', [name, ask.what === 'SaveAsFileName' ? 1 : 0]);
            await show(saved);
            if (!saved.outcome.tell.failure) await download(saved.mal.fileName);
            return;
        }
        case 'IjvmSaveFileName': {
            const name = await askFileName(ask.reason || 'Save the IJVM program as',
                suggestedName(a.ijvm.fileName, 'program.jvm'));
            if (name === null) return;
            const saved = await client.request('ijvm_save_as', [name, ijvmPane.editor.value()]);
            await show(saved);
            if (!saved.outcome.tell.failure) await download(saved.ijvm.fileName);
            return;
        }
        case 'IjvmProgramToPlace':
            if (!context.ijvmFile) return;
            ijvmFile = { name: context.ijvmFile, bytes: toBase64(context.ijvmBytes) };
            await show(await client.request('open_ijvm', [context.ijvmFile, 1]));
            return;
        case 'LoadInterpreter':
            // Loading the interpreter replaces the microprogram editor's text: asked, and settled.
            if (!context.ijvmFile) return;
            if (await loadInterpreter(ask.reason, () => client.request('open_ijvm', [context.ijvmFile, 2])))
                ijvmFile = { name: context.ijvmFile, bytes: toBase64(context.ijvmBytes) };
            return;
        case 'MemoryViewer':
            memory.open();
            return;
        default:
            return;
        }
    }

    function baseName(path) {
        return path.slice(path.lastIndexOf('/') + 1);
    }

    function suggestedName(path, fallback) {
        const name = path ? path.slice(path.lastIndexOf('/') + 1) : '';
        return name && name !== 'tmp.mal' ? name : fallback;
    }

    // A file name of the user's: a name only, kept in the browser's folder.
    async function askFileName(title, initial) {
        for (;;) {
            const name = await Dialogs.ask(title, 'File name:', initial);
            if (name === null) return null;
            const clean = name.trim().replace(/^.*[\\/]/, '');
            if (clean && clean !== '.' && clean !== '..') return clean;
        }
    }

    async function download(path) {
        const bytes = await client.request('readFile', [path], false);
        if (last && path === last.mal.fileName && last.mal.named) {
            malFile = { name: path, bytes: toBase64(bytes), baseline: editor.value() };
            showName();
        }
        if (last && path === last.ijvm.fileName) ijvmFile = { name: path, bytes: toBase64(bytes) };
        save();
        const url = URL.createObjectURL(new Blob([bytes], { type: 'text/plain' }));
        const link = make('a', '', document.body);
        link.href = url;
        link.download = path.slice(path.lastIndexOf('/') + 1);
        link.click();
        link.remove();
        setTimeout(() => URL.revokeObjectURL(url), 10000);
    }

    // ---- Commands ----

    // Commands wait for the one before (its refresh, notice and questions); while a Run
    // goes on only Escape acts.
    // The page says on its body whether commands are waiting or drawing (data-busy) and
    // whether a Run goes on (data-running), for whoever drives it.
    let pending = 0;
    function run(body) {
        ++pending;
        document.body.dataset.busy = 'true';
        const next = queue.then(async () => {
            if (running) return;
            await body();
        });
        queue = next.catch((e) => Dialogs.message('TARVENO', String(e.message || e))).finally(() => {
            if (--pending === 0) delete document.body.dataset.busy;
        });
        return queue;
    }

    function command(name, args = [], context = {}) {
        if (running) return Promise.resolve();
        return run(async () => show(await client.request(name, args), context));
    }

    function enterRun(a) {
        running = true;
        document.body.dataset.running = 'true';
        runStartMicro = last ? last.run.micro : 0;
        setCommandsEnabled(false);
        clearTimeout(hintTimer);
        hintTimer = setTimeout(() => running && setStatus(runningHint), 1000);
    }

    function runEnded(message) {
        clearTimeout(hintTimer);
        const elapsed = performance.now() - runStarted;
        running = false;
        setCommandsEnabled(true);
        const a = message.runEnded;
        run(async () => {
            delete document.body.dataset.running;
            if (!a || !a.outcome) return;
            const steps = a.run.micro - runStartMicro;
            document.body.dataset.lastRunMs = elapsed.toFixed(1);
            document.body.dataset.lastRunSteps = String(steps);
            const timing = `${steps} microinstructions in ${(elapsed / 1000).toFixed(3)} s`;
            await show(a);
            if (runKind === 0 && !a.outcome.tell.status) setStatus('Ran ' + timing);
        });
    }

    function startRun(kind) {
        if (running) return Promise.resolve();
        return run(async () => {
            runKind = kind;
            runStarted = performance.now();
            runStartMicro = last ? last.run.micro : 0;
            await show(await client.request('start_run', [kind]));
        });
    }

    function stopRun() {
        if (running) client.request('stop', [], false);
    }

    function setCommandsEnabled(on) {
        for (const b of document.querySelectorAll('button, select, #standardInput'))
            if (b.id !== 'stopButton' && !b.closest('.question')) b.disabled = !on;
        document.getElementById('stopButton').disabled = on;
        editor.setReadOnly(!on);
        ijvmPane.editor.setReadOnly(!on);
    }

    // New and Open replace the editor's text: its unsaved work is settled first.
    async function settleUnsavedWork() {
        showState(await client.request('state', []));
        if (!malUnsaved()) return true;
        const choice = await Dialogs.unsaved(malUnsavedQuestion());
        if (choice === 'cancel') return false;
        if (choice === 'discard') return true;
        return saveNow();
    }

    // Save, asking for a name while the program has none; the file goes out as a download.
    async function saveNow() {
        const a = await client.request('save', []);
        const ask = a.outcome.ask.what;
        if (ask === 'SaveFileName' || ask === 'SaveAsFileName') {
            showState(a);
            const name = await askFileName(ask === 'SaveAsFileName' ? a.outcome.ask.reason : 'Save the microprogram as',
                suggestedName(a.mal.fileName, 'program.mal'));
            if (name === null) return false;
            const saved = await client.request('save_to', [name, ask === 'SaveAsFileName' ? 1 : 0]);
            showState(saved);
            if (saved.outcome.tell.failure) {
                await Dialogs.message(saved.outcome.tell.failureCaption, saved.outcome.tell.failure);
                return false;
            }
            await download(saved.mal.fileName);
            return true;
        }
        showState(a);
        if (a.outcome.tell.failure) {
            await Dialogs.message(a.outcome.tell.failureCaption, a.outcome.tell.failure);
            return false;
        }
        await download(a.mal.fileName);
        return true;
    }

    async function saveIjvmNow() {
        const a = await client.request('ijvm_save', [ijvmPane.editor.value()]);
        if (a.outcome.ask.what === 'IjvmSaveFileName') {
            showState(a);
            const name = await askFileName(a.outcome.ask.reason || 'Save the IJVM program as',
                suggestedName(a.ijvm.fileName, 'program.jvm'));
            if (name === null) return false;
            const saved = await client.request('ijvm_save_as', [name, ijvmPane.editor.value()]);
            showState(saved);
            if (!saved.outcome.tell.failure) {
                await download(saved.ijvm.fileName);
                return true;
            }
            await Dialogs.message(saved.outcome.tell.failureCaption, saved.outcome.tell.failure);
            return false;
        }
        showState(a);
        if (a.outcome.tell.failure) {
            await Dialogs.message(a.outcome.tell.failureCaption, a.outcome.tell.failure);
            return false;
        }
        await download(a.ijvm.fileName);
        return true;
    }

    function openMicroprogram(name, bytes) {
        return run(async () => {
            if (!(await settleUnsavedWork())) return;
            await client.request('writeFile', [name, bytes], false);
            const a = await client.request('open_microprogram', [name]);
            malFile = { name, bytes: toBase64(bytes), baseline: a.mal.text !== undefined ? a.mal.text : '' };
            await show(a);
        });
    }

    // An IJVM file chosen (from this computer or the examples) is placed on the
    // microprogram loaded, or on the shipped interpreter, offered when none is.
    function placeIjvm(name, bytes) {
        return run(async () => {
            if (last && last.ijvm.unsaved) {
                const choice = await Dialogs.unsaved(ijvmUnsavedQuestion());
                if (choice === 'cancel' || (choice === 'save' && !(await saveIjvmNow()))) return;
            }
            await client.request('writeFile', [name, bytes], false);
            await show(await client.request('ask_ijvm_file', [1]), { ijvmFile: name, ijvmBytes: bytes });
        });
    }

    function exampleText(name) {
        return new TextEncoder().encode(examples[name]);
    }

    function fillExamples(select, suffix, caption) {
        const first = make('option', '', select);
        first.value = '';
        first.textContent = caption;
        for (const name of Object.keys(examples).filter((n) => n.endsWith(suffix)).sort()) {
            const o = make('option', '', select);
            o.value = name;
            o.textContent = name;
        }
    }

    function readChosenFile(input, use) {
        input.addEventListener('change', async () => {
            const file = input.files[0];
            input.value = '';
            if (!file) return;
            use(file.name.replace(/^.*[\\/]/, ''), new Uint8Array(await file.arrayBuffer()));
        });
    }

    function wireCommands() {
        const on = (id, action) => document.getElementById(id).addEventListener('click', action);
        on('newButton', () => run(async () => {
            if (!(await settleUnsavedWork())) return;
            malFile = { name: '', bytes: null, baseline: '' };
            await show(await client.request('new_program', []));
        }));
        const openFile = document.getElementById('openFile');
        on('openButton', () => openFile.click());
        readChosenFile(openFile, openMicroprogram);
        const examplesMenu = document.getElementById('examplesMenu');
        fillExamples(examplesMenu, '.mal', 'Examples…');
        examplesMenu.addEventListener('change', () => {
            const name = examplesMenu.value;
            examplesMenu.value = '';
            if (name) openMicroprogram(name, exampleText(name));
        });
        on('saveButton', () => run(saveNow));
        on('saveAsButton', () => run(async () => {
            const name = await askFileName('Save the microprogram as', suggestedName(last && last.mal.fileName, 'program.mal'));
            if (name === null) return;
            const a = await client.request('save_to', [name, 1]);
            await show(a);
            if (!a.outcome.tell.failure) await download(a.mal.fileName);
        }));
        on('runButton', () => startRun(0));
        on('stopButton', stopRun);
        on('backButton', () => command('step_back', [0]));
        on('ijvmStepButton', () => startRun(1));
        on('ijvmBackButton', () => command('step_back', [1]));
        on('clearBreakpointsButton', () => command('clear_breakpoints'));
        on('keysButton', () => Dialogs.message('Keys', keysHelp));

        const ijvmFile = document.getElementById('openIjvmFile');
        on('ijvmOpenButton', () => ijvmFile.click());
        readChosenFile(ijvmFile, placeIjvm);
        const ijvmExamples = document.getElementById('ijvmExamplesMenu');
        fillExamples(ijvmExamples, '.jvm', 'Examples…');
        ijvmExamples.addEventListener('change', () => {
            const name = ijvmExamples.value;
            ijvmExamples.value = '';
            if (name) placeIjvm(name, exampleText(name));
        });
        on('skeletonButton', () => command('skeleton'));
        on('assembleButton', assemble);
        on('ijvmSaveButton', () => run(saveIjvmNow));

        const input = document.getElementById('standardInput');
        const storeInput = () => command('set_standard_input', [input.value]);
        input.addEventListener('change', storeInput);
        input.addEventListener('keydown', (e) => {
            if (e.key === 'Enter') {
                e.preventDefault();
                storeInput();
                input.select();
            }
        });

        const languageMenu = document.getElementById('languageMenu');
        languageMenu.addEventListener('change', () => setLanguage(languageMenu.value));

        editor.onEdited = () => {
            showName();
            storeSoon();
        };
        editor.onGutterClick = (line) => command('toggle_breakpoint', [0, line]);
        ijvmPane.editor.onEdited = () => edited('ijvm_edited');
        ijvmPane.editor.onGutterClick = (line) => command('toggle_breakpoint', [1, line]);
        ijvmPane.onDiagnostic = (row) => command('select_diagnostic', [row]);

        reportPane.addEventListener('keydown', (e) => {
            const line = Number(reportPane.dataset.line || 0);
            if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
                e.preventDefault();
                const next = Math.max(0, Math.min(reportLines.length - 1, line + (e.key === 'ArrowDown' ? 1 : -1)));
                reportLines.forEach((l, i) => l.classList.toggle('chosen', i === next));
                reportPane.dataset.line = next;
                reportLines[next] && reportLines[next].scrollIntoView({ block: 'nearest' });
            } else if (e.key === 'Enter') {
                e.preventDefault();
                chooseReportLine(line);
            } else if (e.key === 'Escape') {
                e.stopPropagation();
                editor.area.focus();
            }
        });
    }

    // The shipped interpreter, offered when no microprogram is loaded, is the shipped file
    // as it came, whatever was done to the browser's copy.
    async function loadInterpreter(question, then) {
        if (!(await Dialogs.confirm(question)) || !(await settleUnsavedWork())) return;
        const name = 'ijvm.mal';
        await client.request('writeFile', [name, exampleText(name)], false);
        const a = await then();
        malFile = { name, bytes: toBase64(exampleText(name)), baseline: a.mal.text !== undefined ? a.mal.text : '' };
        await show(a);
        return a;
    }

    // Assemble and Place; a program typed with no microprogram loaded is offered the
    // shipped interpreter, as a file opened is.
    function assemble() {
        if (running) return Promise.resolve();
        return run(async () => {
            if (last && !last.run.hasMachine) {
                const asked = await client.request('ask_ijvm_file', [1]);
                if (asked.outcome.ask.what === 'LoadInterpreter') {
                    const loaded = await loadInterpreter(asked.outcome.ask.reason,
                        () => client.request('open_microprogram', ['ijvm.mal']));
                    if (!loaded || !loaded.run.loaded) return;
                }
            }
            await show(await client.request('assemble_and_place', [ijvmPane.editor.value()]));
        });
    }

    // The first change of the IJVM text after a command tells the session at once (its
    // "*" and whether the program shown is the one placed). The microprogram's text goes
    // with every command, and the worker tells the session when it changed.
    let ijvmEditSent = false;
    function edited(name) {
        storeSoon();
        if (ijvmEditSent) return;
        ijvmEditSent = true;
        client.request(name, [], false).then((a) => {
            ijvmEditSent = false;
            if (a && a.ijvm) ijvmPane.show(a.ijvm, notPlacedNote);
        });
    }

    const keysHelp = 'F6 SubCycle · F7 Mic · Shift+F7 Step Back · F8 IJVM Step · Shift+F8 IJVM Back · ' +
        'F9 Run · Escape stops it · F10 Reset · Ctrl+B Compile and Load · Ctrl+M Memory · ' +
        'Ctrl+Shift+B Assemble and Place · F2 Save · F3 Open · Alt+N New. ' +
        'A click on a line number sets or clears a breakpoint. In an editor Tab types a tab; ' +
        'Escape, then Tab, moves on.';

    function wireKeys() {
        document.addEventListener('keydown', (e) => {
            if (Dialogs.open()) return;
            const k = e.key, shift = e.shiftKey, ctrl = e.ctrlKey || e.metaKey;
            let act = null;
            if (k === 'Escape') act = stopRun;
            else if (k === 'F2' && !shift) act = () => run(saveNow);
            else if (k === 'F3' && !shift) act = () => document.getElementById('openFile').click();
            else if (k === 'F6') act = () => command('sub_cycle');
            else if (k === 'F7') act = shift ? () => command('step_back', [0]) : () => command('micro_step');
            else if (k === 'F8') act = shift ? () => command('step_back', [1]) : () => startRun(1);
            else if (k === 'F9') act = () => startRun(0);
            else if (k === 'F10') act = () => command('reset');
            else if (ctrl && shift && (k === 'B' || k === 'b')) act = assemble;
            else if (ctrl && !shift && (k === 'b' || k === 'B')) act = () => command('compile_and_load');
            else if (ctrl && !shift && (k === 'm' || k === 'M')) act = () => command('memory');
            else if (ctrl && !shift && (k === 's' || k === 'S')) act = () => run(saveNow);
            else if (e.altKey && !ctrl && (k === 'n' || k === 'N')) act = () => document.getElementById('newButton').click();
            if (!act) return;
            e.preventDefault();
            if (running && act !== stopRun) return;
            act();
        });
    }

    function setLanguage(value) {
        language = value === 'en' ? 'en' : 'course';
        document.getElementById('languageMenu').value = language;
        client.request('set_language', [language === 'en' ? 1 : 0], false);
        pictures.setEnglish(language === 'en');
        for (const b of document.querySelectorAll('.form-button')) {
            const caption = b.dataset.caption;
            b.textContent = language === 'en' && english[caption] ? english[caption] : caption;
        }
        save();
    }

    // ---- Kept in the browser's storage: the editors' texts and their files ----

    let storeTimer = 0;
    function storeSoon() {
        clearTimeout(storeTimer);
        storeTimer = setTimeout(save, 300);
    }

    function save() {
        if (!last || !editor) return;
        const stored = {
            language,
            mal: { fileName: last.mal.named ? last.mal.fileName : '', text: editor.value(), file: malFile },
            ijvm: { fileName: last.ijvm.fileName, text: ijvmPane.editor.value(), file: ijvmFile },
        };
        try {
            localStorage.setItem(storageKey, JSON.stringify(stored));
        } catch (e) {
            // Full or refused: the page goes on without it.
        }
    }

    function toBase64(bytes) {
        let s = '';
        for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
        return btoa(s);
    }

    function fromBase64(text) {
        return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
    }

    function loadStored() {
        try {
            return JSON.parse(localStorage.getItem(storageKey)) || null;
        } catch (e) {
            return null;
        }
    }

    // The page as it was left: the files written back, the microprogram opened (which
    // compiles it), and the texts as the user left them.
    async function restore(stored) {
        if (!stored) return;
        const mal = stored.mal || {};
        const file = mal.file || {};
        if (mal.fileName && file.name === mal.fileName && file.bytes) {
            await client.request('writeFile', [file.name, fromBase64(file.bytes)], false);
            const a = await client.request('open_microprogram', [file.name]);
            malFile = { name: file.name, bytes: file.bytes, baseline: typeof file.baseline === 'string' ? file.baseline : '' };
            await show(a);
        }
        // The text as the user left it; the next command compiles it.
        if (typeof mal.text === 'string' && mal.text !== editor.value()) {
            editor.setValue(mal.text);
            showName();
        }
        const ijvm = stored.ijvm || {};
        const source = ijvm.file || {};
        let name = '';
        if (ijvm.fileName && source.name === ijvm.fileName && source.bytes) {
            await client.request('writeFile', [source.name, fromBase64(source.bytes)], false);
            name = source.name;
            ijvmFile = { name, bytes: source.bytes };
        }
        if (typeof ijvm.text === 'string' && (ijvm.text || name))
            showState(await client.request('restore_ijvm', [name, ijvm.text], false));
    }

    // ---- Start ----

    async function start() {
        const loading = document.getElementById('loading');
        try {
            client = await startWorker();
            geometry = await client.ready;
        } catch (e) {
            loading.textContent = 'The workbench could not start: ' + (e.message || e);
            return;
        }
        buildStage();
        ijvmPane = new IjvmPane();
        memory = new MemoryPanel((name, args) => client.request(name, args, false),
            (a) => show(a));
        wireCommands();
        wireKeys();
        client.onRunEnded = runEnded;
        const stored = loadStored();
        language = stored && stored.language === 'en' ? 'en' : 'course';
        // The session first: it makes the working folder the examples go into.
        const first = await client.request('start', [language === 'en' ? 1 : 0]);
        for (const name of Object.keys(examples)) await client.request('writeFile', [name, exampleText(name)], false);
        showState(first);
        setLanguage(language);
        fit();
        window.addEventListener('resize', fit);
        await run(() => restore(stored));
        window.addEventListener('pagehide', save);
        loading.remove();
        document.body.dataset.ready = 'true';
    }

    start();
})();
