// The memory viewer: 100 words a page in decimal or hexadecimal, paging, "Go at", and the
// word and byte editors. The lines and the writes are the module's; it stays open beside
// the pictures and follows every step.
'use strict';

class MemoryPanel {
    // request(name, args): a promise of the module's answer; written(answer): a write's
    // outcome, shown as any command's.
    constructor(request, written) {
        this.request = request;
        this.written = written;
        this.firstWord = 0;
        this.radix = 10;
        this.root = document.getElementById('memoryPanel');
        this.root.innerHTML = `
            <div class="memory-title"><h2 id="memoryTitle">Memory</h2>
              <button type="button" class="close" aria-label="Close the memory viewer">×</button></div>
            <ol class="memory-list" aria-label="Memory words" tabindex="0"></ol>
            <div class="memory-buttons">
              <button type="button" data-do="previous" aria-label="Previous page">&lt;--</button>
              <button type="button" data-do="next" aria-label="Next page">--&gt;</button>
              <button type="button" data-do="writeBytes">Write Byte</button>
              <button type="button" data-do="writeWord">Write Word</button>
              <button type="button" data-do="goAt">Go at</button>
              <select aria-label="Memory radix"><option>Decimal</option><option>Hex</option></select>
              <button type="button" data-do="close">OK</button>
            </div>`;
        this.list = this.root.querySelector('.memory-list');
        this.root.querySelector('select').addEventListener('change', (e) => {
            this.radix = e.target.selectedIndex === 1 ? 16 : 10;
            this.refresh();
        });
        this.root.addEventListener('click', (e) => {
            const b = e.target.closest('button');
            if (!b) return;
            const action = b.classList.contains('close') ? 'close' : b.dataset.do;
            if (action && this[action]) this[action]();
        });
        this.draggable(this.root.querySelector('.memory-title'));
        this.root.addEventListener('keydown', (e) => {
            if (e.key === 'Escape') {
                e.stopPropagation();
                this.close();
            }
        });
    }

    // The viewer is moved by its title, to see what it covers.
    draggable(handle) {
        handle.addEventListener('pointerdown', (e) => {
            if (e.target.closest('button')) return;
            const box = this.root.getBoundingClientRect();
            const dx = e.clientX - box.left, dy = e.clientY - box.top;
            handle.setPointerCapture(e.pointerId);
            const move = (m) => {
                const x = Math.min(Math.max(0, m.clientX - dx), window.innerWidth - 60);
                const y = Math.min(Math.max(0, m.clientY - dy), window.innerHeight - 30);
                Object.assign(this.root.style, { left: x + 'px', top: y + 'px', right: 'auto', bottom: 'auto' });
            };
            const stop = () => {
                handle.removeEventListener('pointermove', move);
                handle.removeEventListener('pointerup', stop);
            };
            handle.addEventListener('pointermove', move);
            handle.addEventListener('pointerup', stop);
        });
    }

    get shown() {
        return !this.root.hidden;
    }

    // A new opening starts again at word 0 in decimal, as the window's viewer does.
    open() {
        this.firstWord = 0;
        this.radix = 10;
        this.root.querySelector('select').selectedIndex = 0;
        this.root.hidden = false;
        this.refresh();
        this.list.focus();
    }

    close() {
        this.root.hidden = true;
    }

    async refresh() {
        if (!this.shown) return;
        const page = await this.request('memory_page', [this.firstWord, this.radix]);
        this.list.replaceChildren();
        for (const line of (page && page.lines) || []) {
            const li = document.createElement('li');
            li.textContent = line;
            this.list.append(li);
        }
    }

    next() {
        // One page on, wrapping at the top of memory.
        this.firstWord = (this.firstWord + 100) >>> 0;
        this.refresh();
    }

    previous() {
        this.firstWord = this.firstWord < 100 ? 0 : this.firstWord - 100;
        this.refresh();
    }

    async goAt() {
        // The address box has no Cancel: whatever it holds when it closes is used.
        const text = await Dialogs.ask('Go at', 'Address:', '0');
        const answer = await this.request('go_at', [text === null ? '0' : text]);
        if (answer.failure) await Dialogs.message(answer.failureCaption, answer.failure);
        else this.firstWord = answer.word >>> 0;
        this.refresh();
    }

    async writeWord() {
        const values = await Dialogs.form('Write Word', [['Address:', '0'], ['Word:', '0']]);
        if (values) await this.write(await this.request('write_word', values));
        this.refresh();
    }

    async writeBytes() {
        const values = await Dialogs.form('Write Byte', [['Address:', '0000000000'], ['Byte 1 (most significant):', '000'],
            ['Byte 2:', '000'], ['Byte 3:', '000'], ['Byte 4:', '000']]);
        if (values) await this.write(await this.request('write_bytes', values));
        this.refresh();
    }

    async write(answer) {
        if (answer.failure) {
            await Dialogs.message(answer.failureCaption, answer.failure);
            return;
        }
        await this.written(answer);
    }
}
