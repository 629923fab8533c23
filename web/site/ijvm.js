// The IJVM views as the module computes them: the source with the current instruction, its
// diagnostics, the method area, constant pool, stack frames, standard I/O and counts, each
// a table whose rows, backgrounds and marks come whole from the window's view model.
'use strict';

class IjvmPane {
    constructor() {
        this.editor = new CodeEditor(document.getElementById('ijvmEditor'), 'IJVM program');
        this.fileName = document.getElementById('ijvmFileName');
        this.note = document.getElementById('ijvmNote');
        this.diagnostics = document.getElementById('diagnostics');
        this.status = document.getElementById('ijvmStatus');
        this.input = document.getElementById('standardInput');
        this.tables = {
            methodArea: document.querySelector('[data-view="method-area"]'),
            constantPool: document.querySelector('[data-view="constant-pool"]'),
            stack: document.querySelector('[data-view="stack"]'),
            output: document.querySelector('[data-view="output"]'),
            counts: document.querySelector('[data-view="counts"]'),
        };
        this.onDiagnostic = null; // a diagnostic chosen: its row
        this.clear();
    }

    clear() {
        for (const name of Object.keys(this.tables)) this.fillTable(name, null);
    }

    // The document's part of an answer: name, text, diagnostics, and the views when they
    // changed.
    show(ijvm, notPlacedNote) {
        let name = ijvm.fileName ? baseName(ijvm.fileName) : '(not saved)';
        if (ijvm.unsaved) name += '*';
        this.fileName.textContent = name;
        this.note.textContent = notPlacedNote;
        this.note.hidden = !ijvm.differs;
        if (ijvm.text !== undefined) {
            this.editor.setValue(ijvm.text);
            this.editor.setCurrent(null);
        }
        if (ijvm.diagnostics) this.showDiagnostics(ijvm.diagnostics);
        if (ijvm.view) this.showView(ijvm.view);
    }

    showDiagnostics(list) {
        this.diagnostics.replaceChildren();
        list.forEach((d, row) => {
            const item = document.createElement('li');
            const b = document.createElement('button');
            b.type = 'button';
            b.textContent = d.message;
            b.addEventListener('click', () => this.onDiagnostic && this.onDiagnostic(row));
            item.append(b);
            this.diagnostics.append(item);
        });
        this.diagnostics.hidden = list.length === 0;
        this.editor.setMarks(list.filter((d) => d.span).map((d) => ({ start: d.span[0], end: d.span[1], error: true })));
    }

    showView(view) {
        this.status.textContent = view.status;
        // The box shows the cell, unless the user is typing in it.
        if (document.activeElement !== this.input) this.input.value = String(view.input);
        this.editor.setCurrent(view.current, true);
        for (const [name, table] of Object.entries(view.tables)) this.fillTable(name, table);
        // The instruction PC stands at, and the last output, in view.
        const pc = this.tables.methodArea.querySelector('tr.marked');
        if (pc) scrollIntoBox(this.tables.methodArea, pc);
        const out = this.tables.output;
        out.scrollTop = out.scrollHeight;
    }

    fillTable(name, t) {
        const box = this.tables[name];
        const table = document.createElement('table');
        if (t) {
            const head = table.createTHead().insertRow();
            for (const h of t.headings) {
                const th = document.createElement('th');
                th.scope = 'col';
                th.textContent = h;
                head.append(th);
            }
            const body = table.createTBody();
            const marked = new Set(t.marked);
            t.rows.forEach((cells, i) => {
                const tr = body.insertRow();
                if (marked.has(i)) tr.className = 'marked';
                tr.style.background = '#' + t.backgrounds[i].toString(16).padStart(6, '0');
                for (const c of cells) tr.insertCell().textContent = c;
            });
            if (t.total > t.rows.length) {
                const note = document.createElement('caption');
                note.textContent = name === 'output'
                    ? `the last ${t.rows.length} of ${t.total} values`
                    : `the first ${t.rows.length} of ${t.total} rows`;
                table.prepend(note);
            }
        }
        box.replaceChildren(table);
    }
}

function baseName(path) {
    return path.slice(path.lastIndexOf('/') + 1);
}

// Scrolls a box so that row shows, without scrolling the page.
function scrollIntoBox(box, row) {
    const top = row.offsetTop, bottom = top + row.offsetHeight;
    if (top < box.scrollTop + 20 || bottom > box.scrollTop + box.clientHeight)
        box.scrollTop = Math.max(0, top - box.clientHeight / 3);
}
