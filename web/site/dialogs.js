// The page's modal questions, one at a time, each a promise of the answer: the notice (the
// window's Form3: yellow words on grey, OK), a message box with a caption, yes or no, Save /
// Discard / Cancel, and a line of text. Enter answers the default, Escape the way out.
'use strict';

const Dialogs = (() => {
    let chain = Promise.resolve();

    // One dialog element per question, removed when answered.
    function show(build) {
        const next = chain.then(() => new Promise((resolve) => {
            const dialog = document.createElement('dialog');
            dialog.className = 'question';
            let answered = false;
            const answer = (value) => {
                if (answered) return;
                answered = true;
                dialog.close();
                dialog.remove();
                resolve(value);
            };
            const escapeValue = build(dialog, answer);
            dialog.addEventListener('cancel', (e) => {
                e.preventDefault();
                answer(escapeValue);
            });
            document.body.appendChild(dialog);
            dialog.showModal();
            const first = dialog.querySelector('[autofocus]') || dialog.querySelector('input, button');
            if (first) first.focus();
        }));
        chain = next.catch(() => {});
        return next;
    }

    function element(tag, props = {}, children = []) {
        const e = document.createElement(tag);
        Object.assign(e, props);
        for (const c of children) e.append(c);
        return e;
    }

    function buttons(answer, list) {
        const row = element('div', { className: 'buttons' });
        for (const [caption, value, isDefault] of list) {
            const b = element('button', { type: 'button', textContent: caption });
            if (isDefault) b.autofocus = true;
            b.addEventListener('click', () => answer(value));
            row.append(b);
        }
        return row;
    }

    function titled(dialog, caption) {
        const id = 'dialog-title-' + Math.random().toString(36).slice(2);
        dialog.setAttribute('aria-labelledby', id);
        dialog.append(element('h2', { id, textContent: caption }));
    }

    return {
        notice(text) {
            return show((dialog, answer) => {
                dialog.classList.add('notice');
                dialog.setAttribute('aria-label', 'Notice');
                dialog.append(element('p', { className: 'notice-text', textContent: text }));
                dialog.append(buttons(answer, [['Ok', undefined, true]]));
                return undefined;
            });
        },
        message(caption, text) {
            return show((dialog, answer) => {
                titled(dialog, caption);
                dialog.append(element('p', { className: 'message-text', textContent: text }));
                dialog.append(buttons(answer, [['OK', undefined, true]]));
                return undefined;
            });
        },
        confirm(question) {
            return show((dialog, answer) => {
                titled(dialog, 'TARVENO');
                dialog.append(element('p', { textContent: question }));
                dialog.append(buttons(answer, [['Yes', true, true], ['No', false]]));
                return false;
            });
        },
        // 'save', 'discard' or 'cancel'.
        unsaved(question) {
            return show((dialog, answer) => {
                titled(dialog, 'TARVENO');
                dialog.append(element('p', { textContent: question }));
                dialog.append(buttons(answer, [['Save', 'save', true], ['Discard', 'discard'], ['Cancel', 'cancel']]));
                return 'cancel';
            });
        },
        // The text typed, or null when cancelled.
        ask(title, prompt, initial) {
            return show((dialog, answer) => {
                titled(dialog, title);
                const input = element('input', { type: 'text', value: initial, autofocus: true });
                input.setAttribute('aria-label', prompt);
                const form = element('form', { method: 'dialog' }, [element('label', {}, [prompt, ' ', input])]);
                form.addEventListener('submit', (e) => {
                    e.preventDefault();
                    answer(input.value);
                });
                dialog.append(form);
                dialog.append(buttons(answer, [['Cancel', null]]));
                const ok = element('button', { type: 'button', textContent: 'OK' });
                ok.addEventListener('click', () => answer(input.value));
                dialog.querySelector('.buttons').prepend(ok);
                setTimeout(() => input.select(), 0);
                return null;
            });
        },
        // Several lines of text typed, as the memory editors take them; null when cancelled.
        form(title, fields) {
            return show((dialog, answer) => {
                titled(dialog, title);
                const inputs = fields.map(([label, value]) => {
                    const input = element('input', { type: 'text', value });
                    input.setAttribute('aria-label', label);
                    return input;
                });
                const form = element('form', { method: 'dialog', className: 'fields' },
                    fields.map(([label], i) => element('label', {}, [label, ' ', inputs[i]])));
                const values = () => inputs.map((i) => i.value);
                form.addEventListener('submit', (e) => {
                    e.preventDefault();
                    answer(values());
                });
                form.append(element('button', { type: 'submit', hidden: true }));
                dialog.append(form);
                const row = buttons(answer, [['Cancel', null]]);
                const ok = element('button', { type: 'button', textContent: 'OK' });
                ok.addEventListener('click', () => answer(values()));
                row.prepend(ok);
                dialog.append(row);
                setTimeout(() => inputs[0].select(), 0);
                return null;
            });
        },
        // Whether a question is open: the page's keys wait meanwhile.
        open() {
            return document.querySelector('dialog.question[open]') !== null;
        },
    };
})();
