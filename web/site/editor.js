// A plain-text editor for code: a text area over a layer that shows what the text area
// cannot (the marks of findings, the current source, breakpoints), with a gutter of line
// numbers beside it. Positions are the text's own (UTF-16 units), as the session gives them.
// A click on a line number asks for a breakpoint there; Tab types a tab, and Escape then
// Tab leaves the editor.
'use strict';

class CodeEditor {
    // root: an empty element; label: the text area's accessible name.
    constructor(root, label) {
        this.root = root;
        root.classList.add('code-editor');
        this.gutter = document.createElement('div');
        this.gutter.className = 'gutter';
        this.gutter.setAttribute('aria-hidden', 'true');
        this.gutterLines = document.createElement('div');
        this.gutter.appendChild(this.gutterLines);
        const body = document.createElement('div');
        body.className = 'code-body';
        this.layer = document.createElement('pre');
        this.layer.className = 'code-layer';
        this.layer.setAttribute('aria-hidden', 'true');
        this.area = document.createElement('textarea');
        this.area.className = 'code-text';
        this.area.setAttribute('aria-label', label);
        this.area.spellcheck = false;
        this.area.wrap = 'off';
        this.area.setAttribute('autocapitalize', 'off');
        this.area.setAttribute('autocomplete', 'off');
        body.append(this.layer, this.area);
        root.append(this.gutter, body);

        this.marks = [];        // {start, end, error}
        this.current = null;    // {start, end, lines}: the source executing
        this.breakpoints = new Set();
        this.text = '';
        this.onEdited = null;   // the user changed the text
        this.onGutterClick = null;
        this.escaped = false;

        this.area.addEventListener('input', () => this.edited());
        this.area.addEventListener('scroll', () => this.follow());
        this.area.addEventListener('keydown', (e) => this.key(e));
        this.gutter.addEventListener('mousedown', (e) => {
            e.preventDefault();
            const line = this.lineAt(e.clientY);
            if (line >= 0 && this.onGutterClick) this.onGutterClick(line);
        });
        new ResizeObserver(() => this.follow()).observe(this.area);
        this.render();
    }

    value() {
        return this.area.value;
    }

    // A text put in by the page (a file opened, a compile): no edit of the user's.
    setValue(text) {
        if (text === this.area.value) return;
        this.area.value = text;
        this.text = text;
        this.marks = [];
        this.current = null;
        this.render();
    }

    setMarks(marks) {
        this.marks = marks.map((m) => ({ start: m.start, end: m.end, error: m.error }));
        this.render();
    }

    setBreakpoints(lines) {
        this.breakpoints = new Set(lines);
        this.renderGutter();
    }

    // The source executing, shaded: the span itself, or its whole lines.
    setCurrent(span, wholeLines = false) {
        this.current = span ? { start: span[0], end: span[1], lines: wholeLines } : null;
        this.render();
        if (span) this.reveal(span[0]);
    }

    // Selects a span and shows it, as a click on a report line does.
    selectSpan(span) {
        const [start, end] = this.clamp(span);
        this.area.focus({ preventScroll: true });
        this.area.setSelectionRange(start, end);
        this.reveal(start);
    }

    setReadOnly(readOnly) {
        this.area.readOnly = readOnly;
    }

    // ---- Inside ----

    clamp([start, end]) {
        const n = this.area.value.length;
        return [Math.max(0, Math.min(start, n)), Math.max(0, Math.min(end, n))];
    }

    lineHeight() {
        return parseFloat(getComputedStyle(this.area).lineHeight) || 16;
    }

    lineAt(clientY) {
        const box = this.area.getBoundingClientRect();
        // The form may be drawn scaled: the screen's pixels back into the editor's.
        const scale = this.area.offsetHeight > 0 ? box.height / this.area.offsetHeight : 1;
        const padding = parseFloat(getComputedStyle(this.area).paddingTop) || 0;
        const y = (clientY - box.top) / scale - padding + this.area.scrollTop;
        const line = Math.floor(y / this.lineHeight());
        const lines = this.area.value.split('\n').length;
        return line >= 0 && line < lines ? line : -1;
    }

    // Scrolls the line holding position into view, without moving the caret.
    reveal(position) {
        const line = this.area.value.slice(0, position).split('\n').length - 1;
        const h = this.lineHeight();
        const top = line * h;
        const view = this.area.clientHeight;
        if (top < this.area.scrollTop || top + h > this.area.scrollTop + view)
            this.area.scrollTop = Math.max(0, top - view / 3);
        this.follow();
    }

    key(e) {
        if (e.key === 'Escape') {
            this.escaped = true;
            return;
        }
        if (e.key === 'Tab' && !e.ctrlKey && !e.altKey && !e.metaKey && !this.escaped && !this.area.readOnly) {
            e.preventDefault();
            const { selectionStart: s, selectionEnd: t } = this.area;
            this.area.setRangeText('\t', s, t, 'end');
            this.edited();
        }
        this.escaped = false;
    }

    // Marks and the current source follow an edit: what lies after it moves with it, what
    // it touched goes.
    edited() {
        const old = this.text, now = this.area.value;
        let prefix = 0;
        while (prefix < old.length && prefix < now.length && old[prefix] === now[prefix]) ++prefix;
        let suffix = 0;
        while (suffix < old.length - prefix && suffix < now.length - prefix &&
               old[old.length - 1 - suffix] === now[now.length - 1 - suffix]) ++suffix;
        const changedEnd = old.length - suffix, delta = now.length - old.length;
        const move = (m) => {
            if (m.end <= prefix) return m;
            if (m.start >= changedEnd) return { ...m, start: m.start + delta, end: m.end + delta };
            return null;
        };
        this.marks = this.marks.map(move).filter(Boolean);
        if (this.current) this.current = move(this.current);
        this.text = now;
        this.render();
        if (this.onEdited) this.onEdited();
    }

    follow() {
        const x = this.area.scrollLeft, y = this.area.scrollTop;
        this.layer.style.transform = `translate(${-x}px, ${-y}px)`;
        this.gutterLines.style.transform = `translateY(${-y}px)`;
    }

    render() {
        const text = this.area.value;
        this.text = text;
        const ranges = [];
        for (const m of this.marks) {
            let [s, e] = this.clamp([m.start, m.end]);
            // An empty mark covers the character at its place, so it can be seen.
            if (e <= s) {
                if (s < text.length) e = s + 1;
                else if (s > 0) s = s - 1;
            }
            ranges.push({ s, e, cls: m.error ? 'mark-error' : 'mark-warning' });
        }
        if (this.current) {
            let [s, e] = this.clamp([this.current.start, this.current.end]);
            if (this.current.lines) {
                s = text.lastIndexOf('\n', s - 1) + 1;
                const next = text.indexOf('\n', Math.max(s, e - 1));
                e = next < 0 ? text.length : next;
            }
            ranges.push({ s, e: Math.max(e, s), cls: 'current' });
        }
        const cuts = new Set([0, text.length]);
        for (const r of ranges) {
            cuts.add(r.s);
            cuts.add(r.e);
        }
        const points = [...cuts].sort((a, b) => a - b);
        let html = '';
        for (let i = 0; i + 1 < points.length; ++i) {
            const a = points[i], b = points[i + 1];
            const classes = ranges.filter((r) => r.s <= a && r.e >= b && r.e > r.s).map((r) => r.cls);
            const piece = escapeHtml(text.slice(a, b));
            html += classes.length ? `<span class="${classes.join(' ')}">${piece}</span>` : piece;
        }
        // A last empty line still takes its height.
        this.layer.innerHTML = html + '\n ';
        this.renderGutter();
        this.follow();
    }

    renderGutter() {
        const text = this.area.value;
        const lines = text.split('\n').length;
        // The worst mark of each line.
        const worst = new Map();
        for (const m of this.marks) {
            const line = text.slice(0, Math.min(m.start, text.length)).split('\n').length - 1;
            if (m.error || !worst.has(line)) worst.set(line, m.error ? 'error' : 'warning');
        }
        let html = '';
        for (let i = 0; i < lines; ++i) {
            const classes = [];
            if (this.breakpoints.has(i)) classes.push('breakpoint');
            if (worst.has(i)) classes.push('line-' + worst.get(i));
            html += `<div${classes.length ? ` class="${classes.join(' ')}"` : ''}>${i + 1}</div>`;
        }
        this.gutterLines.innerHTML = html;
        this.gutter.style.width = `${String(lines).length + 2}ch`;
    }
}

function escapeHtml(s) {
    return s.replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' }[c]));
}
