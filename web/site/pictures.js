// The datapath and clock pictures on canvases: the fixed diagrams drawn at the places and
// lines the module's view model gives (geometry), the control lines lit red or put back
// black, the blue data flow row by row over the datapath, and the red clock marks. Each
// picture is drawn in its own pixels; a canvas holds as many device pixels as the zoom and
// the screen ask, so the lines stay sharp.
'use strict';

const Pictures = (() => {
    const sansFamily = '"Liberation Sans", Arial, Helvetica, sans-serif';
    function sans(px, bold = false) {
        return `${bold ? 'bold ' : ''}${px}px ${sansFamily}`;
    }

    // ---- Drawing helpers, in picture pixels ----

    function polyline(ctx, points, colour) {
        // Axis-parallel segments filled as pixel runs that include both ends, so red over
        // black covers exactly the same pixels.
        ctx.fillStyle = colour;
        for (let i = 2; i + 1 < points.length; i += 2) {
            const ax = points[i - 2], ay = points[i - 1], bx = points[i], by = points[i + 1];
            ctx.fillRect(Math.min(ax, bx), Math.min(ay, by), Math.abs(ax - bx) + 1, Math.abs(ay - by) + 1);
        }
    }

    function frame(ctx, left, top, right, bottom, colour) {
        ctx.fillStyle = colour;
        ctx.fillRect(left, top, right - left + 1, 1);
        ctx.fillRect(left, bottom, right - left + 1, 1);
        ctx.fillRect(left, top, 1, bottom - top + 1);
        ctx.fillRect(right, top, 1, bottom - top + 1);
    }

    function box(ctx, left, top, right, bottom, fill, edge) {
        ctx.fillStyle = fill;
        ctx.fillRect(left, top, right - left + 1, bottom - top + 1);
        frame(ctx, left, top, right, bottom, edge);
    }

    function dottedFrame(ctx, left, top, right, bottom, ink) {
        ctx.fillStyle = ink;
        for (let x = left; x <= right; x += 2) {
            ctx.fillRect(x, top, 1, 1);
            ctx.fillRect(x, bottom, 1, 1);
        }
        for (let y = top; y <= bottom; y += 2) {
            ctx.fillRect(left, y, 1, 1);
            ctx.fillRect(right, y, 1, 1);
        }
    }

    // A filled arrow head whose tip is the pixel (x, y).
    function arrowHead(ctx, x, y, dir, halfWidth, length, colour) {
        const cx = x + 0.5, cy = y + 0.5, w = halfWidth + 0.5;
        let p;
        switch (dir) {
        case 'right': p = [[x + 1, cy], [x + 1 - length, cy - w], [x + 1 - length, cy + w]]; break;
        case 'left': p = [[x, cy], [x + length, cy - w], [x + length, cy + w]]; break;
        case 'down': p = [[cx, y + 1], [cx - w, y + 1 - length], [cx + w, y + 1 - length]]; break;
        default: p = [[cx, y], [cx - w, y + length], [cx + w, y + length]]; break;
        }
        ctx.fillStyle = colour;
        ctx.beginPath();
        ctx.moveTo(p[0][0], p[0][1]);
        ctx.lineTo(p[1][0], p[1][1]);
        ctx.lineTo(p[2][0], p[2][1]);
        ctx.closePath();
        ctx.fill();
    }

    function text(ctx, x, baseline, s, font, colour) {
        ctx.font = font;
        ctx.fillStyle = colour;
        ctx.textBaseline = 'alphabetic';
        ctx.fillText(s, x, baseline);
    }

    function centredText(ctx, centreX, baseline, s, font, colour) {
        ctx.font = font;
        text(ctx, centreX - ctx.measureText(s).width / 2, baseline, s, font, colour);
    }

    // Read from bottom to top, centred on centreX, ending at bottom.
    function verticalText(ctx, centreX, bottom, s, font, colour) {
        ctx.save();
        ctx.font = font;
        const capHeight = ctx.measureText('H').actualBoundingBoxAscent || 6;
        ctx.translate(centreX, bottom);
        ctx.rotate(-Math.PI / 2);
        text(ctx, 0, capHeight / 2, s, font, colour);
        ctx.restore();
    }

    // ---- The datapath diagram ----

    const registerLeft = 90, registerRight = 185;
    const cBusLeft = 55, cBusWidth = 8, cBusBottom = 406;
    const bBusLeft = 205, bBusWidth = 6;
    const aluTop = 315, aluBottom = 360;
    const mirLeft = 350, mirTop = 255, mirRight = 770, mirBottom = 355;
    const controlBitNames = ['JMPC', 'JAMN', 'JAMZ', 'SLL8', 'SRA1', 'F0', 'F1', 'ENA', 'ENB', 'INVA', 'INC', 'H',
        'OPC', 'TOS', 'CPP', 'LV', 'SP', 'PC', 'MDR', 'MAR', 'WRITE', 'READ', 'FETCH'];

    // The register boxes, stacked as the readouts are: each ends just above the first
    // point of its enable lines.
    function registerBoxes(g) {
        const boxes = [];
        for (const r of g.registers) {
            const name = r.register;
            let start = 0;
            const c = g.datapath.cTargets.find((t) => t.register === name);
            if (c) start = c.line[1];
            for (const b of g.datapath.bSources)
                if (b.register === name) start = Math.max(start, b.line[1]);
            const bottom = start - 1;
            const top = name === 'PC' ? bottom - 21 : bottom - 22;
            boxes.push({ name, top, bottom });
        }
        return boxes;
    }

    function drawMir(ctx, g, c) {
        box(ctx, mirLeft, mirTop, mirRight, mirBottom, c.mirFill, c.pictureInk);
        const bounds = [mirLeft, 442, 481, 582, 693, 729, mirRight];
        const fields = ['Addr', 'JAM', 'ALU', 'C', 'Mem', 'B'];
        for (let i = 0; i < fields.length; ++i) {
            if (i > 0) {
                ctx.fillStyle = c.pictureInk;
                ctx.fillRect(bounds[i], mirTop, 1, mirBottom - mirTop);
            }
            centredText(ctx, Math.trunc((bounds[i] + bounds[i + 1]) / 2), mirTop + 13, fields[i], sans(11, true), c.pictureInk);
        }
        ctx.fillStyle = c.pictureInk;
        ctx.fillRect(mirLeft, mirTop + 17, mirRight - mirLeft, 1);
        centredText(ctx, Math.trunc((bounds[0] + bounds[1]) / 2), 310, 'NEXT_', sans(9), c.pictureInk);
        centredText(ctx, Math.trunc((bounds[0] + bounds[1]) / 2), 321, 'ADDRESS', sans(9), c.pictureInk);
        centredText(ctx, Math.trunc((bounds[5] + bounds[6]) / 2), 316, 'bus', sans(9), c.pictureInk);
        for (let i = 0; i < controlBitNames.length; ++i)
            verticalText(ctx, g.datapath.bitColumns[9 + i] + 3.5, 337, controlBitNames[i], sans(9), c.pictureInk);
    }

    function drawDatapathDiagram(ctx, g) {
        const c = g.colours;
        const ink = c.pictureInk;
        const label = sans(11, true);
        const fill = (x, y, w, h, colour) => {
            ctx.fillStyle = colour;
            ctx.fillRect(x, y, w, h);
        };

        // Main memory: MAR and PC address it, MDR is written and read, MBR receives bytes.
        const memoryArrow = (from, to, y) => {
            fill(Math.min(from, to), y, Math.abs(to - from) + 1, 1, ink);
            arrowHead(ctx, to, y, to < from ? 'left' : 'right', 3, 6, ink);
        };
        memoryArrow(52, 3, 34);
        memoryArrow(52, 3, 55);
        memoryArrow(3, 52, 64);
        memoryArrow(52, 10, 89);
        memoryArrow(18, 52, 117);

        // The C bus, from the shifter along the bottom and up the left into the registers.
        const shiftY = g.datapath.flowOffset[1];
        fill(cBusLeft, 22, cBusWidth, cBusBottom - 22 + 1, c.navy);
        fill(cBusLeft, 399, 115, 8, c.navy);
        fill(165, 395, 5, 4, c.navy);
        for (const t of g.datapath.cTargets) {
            const y = t.flowRow - shiftY;
            fill(63, y + 3, 20, 2, c.navy);
            arrowHead(ctx, 89, y + 3, 'right', 4, 7, c.navy);
        }

        // The registers.
        for (const b of registerBoxes(g)) {
            if (b.name === 'MBR') {
                fill(registerLeft, b.top, registerRight - registerLeft + 1, b.bottom - b.top + 1, c.registerFill);
                dottedFrame(ctx, registerLeft, b.top, registerRight, b.bottom, ink);
                ctx.fillStyle = ink;
                for (let y = b.top; y <= b.bottom; y += 2) ctx.fillRect(169, y, 1, 1);
                for (let x = 169; x <= registerRight; x += 2) ctx.fillRect(x, 117, 1, 1);
            } else {
                box(ctx, registerLeft, b.top, registerRight, b.bottom, c.registerFill, ink);
            }
            text(ctx, registerLeft + 4, Math.trunc((b.top + b.bottom) / 2) + 5, b.name + ':', label, ink);
        }

        // MBR's eight bits go to the O box.
        fill(registerRight + 1, 126, 300 - registerRight, 1, ink);
        fill(300, 116, 1, 11, ink);
        fill(300, 116, 8, 1, ink);
        arrowHead(ctx, 311, 116, 'right', 3, 5, ink);

        // The B bus, fed by every B source through its stub, down into the ALU.
        for (const s of g.datapath.bSources) {
            const y = s.flowRow - shiftY + 3;
            fill(registerRight + 1, y, 12, 3, c.bBus);
            arrowHead(ctx, bBusLeft - 1, y + 1, 'right', 3, 6, c.bBus);
        }
        fill(bBusLeft, 46, bBusWidth, 307 - 46 + 1, c.bBus);
        arrowHead(ctx, bBusLeft + 2, aluTop - 1, 'down', 6, 7, c.bBus);
        fill(bBusLeft + 3, 308, 1, 6, c.bBus);
        text(ctx, 214, 289, 'Bus B', label, c.bBus);

        // The decoder of the B field, fed from the microinstruction register.
        box(ctx, 215, 22, 320, 50, '#ffffff', ink);
        centredText(ctx, 268, 40, '4-to-16 Decoder', sans(10, true), ink);
        fill(mirRight + 1, 280, 785 - mirRight, 2, ink);
        fill(784, 10, 2, 272, ink);
        fill(267, 10, 519, 2, ink);
        fill(267, 10, 2, 6, ink);
        arrowHead(ctx, 267, 21, 'down', 4, 6, ink);
        fill(522, 6, 1, 1, ink);
        ctx.strokeStyle = ink;
        ctx.lineWidth = 1;
        ctx.beginPath();
        ctx.moveTo(520.5, 15.5);
        ctx.lineTo(526.5, 5.5);
        ctx.stroke();
        text(ctx, 529, 8, '4', sans(9), ink);

        // MPC, fed by the O box and the high-bit box, addressing the control store.
        box(ctx, 280, 72, 345, 100, c.mpcFill, ink);
        text(ctx, 284, 90, 'MPC', sans(10, true), '#ffffff');
        fill(346, 86, 3, 1, ink);
        arrowHead(ctx, 350, 86, 'right', 3, 4, ink);
        box(ctx, 312, 104, 334, 126, '#ffffff', ink);
        centredText(ctx, 323, 120, 'O', sans(12, true), ink);
        fill(323, 102, 1, 2, ink);
        arrowHead(ctx, 323, 101, 'up', 2, 2, ink);
        box(ctx, 265, 278, 297, 318, '#ffffff', ink);
        centredText(ctx, 281, 295, 'High', sans(9), ink);
        centredText(ctx, 281, 306, 'bit', sans(9), ink);

        // NEXT_ADDRESS: low bits to the O box, the high bit to the high-bit box.
        fill(298, 300, mirLeft - 298, 1, ink);
        fill(324, 128, 1, 300 - 128, ink);
        arrowHead(ctx, 324, 127, 'up', 3, 6, ink);
        arrowHead(ctx, 298, 300, 'left', 3, 6, ink);

        // The ALU: A from H (green), B from the B bus; N and Z leave its right edge.
        ctx.fillStyle = c.aluFill;
        ctx.strokeStyle = ink;
        ctx.lineWidth = 1;
        ctx.beginPath();
        ctx.moveTo(90, aluTop + 0.5);
        ctx.lineTo(246, aluTop + 0.5);
        ctx.lineTo(208.5, aluBottom + 1.5);
        ctx.lineTo(127.5, aluBottom + 1.5);
        ctx.closePath();
        ctx.fill();
        ctx.stroke();
        centredText(ctx, 168, aluTop + 17, 'ALU', sans(12, true), ink);
        fill(124, 301, 6, 7, c.aBus);
        arrowHead(ctx, 126, aluTop - 1, 'down', 5, 7, c.aBus);
        box(ctx, 241, 325, 274, 341, '#ffffff', ink);
        text(ctx, 244, 338, 'N:', label, ink);
        box(ctx, 241, 357, 274, 373, '#ffffff', ink);
        text(ctx, 244, 370, 'Z:', label, ink);

        // The shifter, under the ALU, onto the C bus.
        fill(166, aluBottom + 1, 3, 7, ink);
        arrowHead(ctx, 167, 373, 'down', 4, 6, ink);
        box(ctx, 140, 374, 195, 394, '#ffffff', ink);
        centredText(ctx, 168, 388, 'Shifter', sans(10, true), ink);

        // The microinstruction register, loaded from the control store above it.
        drawMir(ctx, g, c);
        fill(557, 236, 7, 12, ink);
        arrowHead(ctx, 560, 254, 'down', 8, 8, ink);

        text(ctx, 70, 391, 'Mic-1', sans(18, true), ink);

        // The control lines last, in black, as every step puts them back.
        for (const s of g.datapath.bSources) polyline(ctx, s.line, '#000000');
        for (const t of g.datapath.cTargets) polyline(ctx, t.line, '#000000');
        for (const m of g.datapath.marks) polyline(ctx, m, '#000000');
    }

    // ---- The clock diagram ----

    const clockTexts = {
        course: ['1.I segnali di controllo si stabilizzano', '2.Registri scritti su B', '3.Alu e Shitter calcolano',
            '4.Risultati su C e ai registri', 'Ciclo del Clock', 'inizio ciclo', 'MPC usato per', 'caricare il MIR'],
        english: ['1. The control signals settle', '2. A register drives the B bus', '3. The ALU and the Shifter compute',
            '4. Results go on C and into the registers', 'Clock cycle', 'cycle start', 'MPC is used to', 'load the MIR'],
    };

    function drawClockDiagram(ctx, g, english) {
        const ink = g.colours.pictureInk;
        const grey = g.colours.guideGrey;
        const texts = english ? clockTexts.english : clockTexts.course;
        const width = g.clock.width;
        // The legend in two rows of two, as large as the width allows.
        let size = 10;
        const widthOf = (s, px) => {
            ctx.font = sans(px);
            return ctx.measureText(s).width;
        };
        for (; size > 7; --size) {
            const left = Math.max(widthOf(texts[0], size), widthOf(texts[2], size));
            const right = Math.max(widthOf(texts[1], size), widthOf(texts[3], size));
            if (left + right + 12 <= width - 4) break;
        }
        const column = 4 + Math.max(widthOf(texts[0], size), widthOf(texts[2], size)) + 12;
        text(ctx, 4, 11, texts[0], sans(size), ink);
        text(ctx, column, 11, texts[1], sans(size), ink);
        text(ctx, 4, 23, texts[2], sans(size), ink);
        text(ctx, column, 23, texts[3], sans(size), ink);

        // A pulse, the low cycle traced by the phase marks, the next pulse.
        ctx.fillStyle = '#000000';
        for (const [x, y, w, h] of [[20, 82, 40, 5], [56, 30, 5, 57], [56, 30, 40, 5], [91, 30, 5, 57], [91, 82, 160, 5],
            [246, 30, 5, 57], [246, 30, 27, 5], [268, 30, 5, 57], [268, 82, 30, 5]])
            ctx.fillRect(x, y, w, h);

        centredText(ctx, 170, 45, texts[4], sans(11, true), ink);
        ctx.fillStyle = grey;
        ctx.fillRect(99, 51, 144, 1);
        arrowHead(ctx, 97, 51, 'left', 2, 5, grey);
        arrowHead(ctx, 244, 51, 'right', 2, 5, grey);
        ctx.fillStyle = grey;
        for (const x of [123, 153, 191])
            for (let y = 56; y < 81; y += 3) ctx.fillRect(x, y, 1, 2);
        centredText(ctx, 109, 76, '\u0394w', sans(11), ink);
        centredText(ctx, 138, 76, '\u0394x', sans(11), ink);
        centredText(ctx, 172, 76, '\u0394y', sans(11), ink);
        centredText(ctx, 218, 76, '\u0394z', sans(11), ink);
        centredText(ctx, 93, 101, texts[5], sans(10), ink);
        text(ctx, 278, 46, texts[6], sans(9), ink);
        text(ctx, 278, 57, texts[7], sans(9), ink);
    }

    // ---- The canvases ----

    // A canvas of a picture's logical size holding ratio device pixels per pixel.
    function sizeCanvas(canvas, width, height, ratio) {
        canvas.width = Math.ceil(width * ratio);
        canvas.height = Math.ceil(height * ratio);
        canvas.style.width = width + 'px';
        canvas.style.height = height + 'px';
        const ctx = canvas.getContext('2d');
        ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
        return ctx;
    }

    class DatapathPictures {
        // canvases: {datapath, flow, clock, clockMarks}; geometry: the module's.
        constructor(canvases, geometry) {
            this.c = canvases;
            this.g = geometry;
            this.ratio = 1;
            this.english = false;
            this.lit = { b: [], c: [], marks: [] };
            this.flowJob = null;
            this.redraw();
        }

        setRatio(ratio) {
            if (Math.abs(ratio - this.ratio) < 1e-3) return;
            this.ratio = ratio;
            this.finishFlow();
            this.redraw();
        }

        setEnglish(english) {
            this.english = english;
            this.redraw();
        }

        // Everything drawn anew: the diagrams with the lines lit; the flow and the clock
        // marks are kept only at the same size, as in the window.
        redraw() {
            const g = this.g;
            const places = g.places;
            this.dp = sizeCanvas(this.c.datapath, g.datapath.width, g.datapath.height, this.ratio);
            this.dp.fillStyle = '#ffffff';
            this.dp.fillRect(0, 0, g.datapath.width, g.datapath.height);
            drawDatapathDiagram(this.dp, g);
            for (const group of Object.values(this.lit))
                for (const l of group) polyline(this.dp, l, g.colours.lit);
            const flow = places.PaintBox1.rect;
            this.fl = sizeCanvas(this.c.flow, flow[2], flow[3], this.ratio);
            this.ck = sizeCanvas(this.c.clock, g.clock.width, g.clock.height, this.ratio);
            this.ck.fillStyle = '#ffffff';
            this.ck.fillRect(0, 0, g.clock.width, g.clock.height);
            drawClockDiagram(this.ck, g, this.english);
            const marks = places.PaintBox2.rect;
            this.cm = sizeCanvas(this.c.clockMarks, marks[2], marks[3], this.ratio);
        }

        // A step on the control lines: black first, then red; the group's red lines are
        // remembered for a redraw. Each step wipes the flow drawn over the picture.
        lines(step) {
            if (!step.keepRed) this.lit[step.group] = [];
            this.lit[step.group].push(...step.red);
            for (const l of step.black) polyline(this.dp, l, '#000000');
            for (const l of step.red) polyline(this.dp, l, this.g.colours.lit);
            this.finishFlow();
            this.clearFlow();
        }

        clearFlow() {
            const r = this.g.places.PaintBox1.rect;
            this.fl.clearRect(0, 0, r[2], r[3]);
        }

        clockRepaint() {
            const r = this.g.places.PaintBox2.rect;
            this.cm.clearRect(0, 0, r[2], r[3]);
        }

        clockMark(rects) {
            this.cm.fillStyle = this.g.colours.lit;
            for (const [x, y, w, h] of rects) this.cm.fillRect(x, y, w, h);
        }

        // Draws a flow's rows (x, y, width, pause, starts-a-rectangle, flat): at once when
        // nothing pauses or the page is hidden, otherwise each when its time has come. The
        // promise settles when the last row is drawn.
        flow(rows) {
            this.finishFlow();
            const list = [];
            for (let i = 0; i + 4 < rows.length; i += 5) list.push(rows.slice(i, i + 5));
            const pauses = list.some((r) => r[3] > 0);
            return new Promise((resolve) => {
                this.flowJob = { list, next: 0, deadline: performance.now(), resolve };
                if (!pauses || document.hidden) {
                    this.drawDue(true);
                    return;
                }
                const tick = () => {
                    if (!this.flowJob) return;
                    this.drawDue(false);
                    if (this.flowJob) requestAnimationFrame(tick);
                };
                this.drawDue(false);
                if (this.flowJob) requestAnimationFrame(tick);
            });
        }

        // Draws what is left of a flow at once.
        finishFlow() {
            if (this.flowJob) this.drawDue(true);
        }

        drawDue(instantly) {
            const job = this.flowJob;
            const now = performance.now();
            this.fl.fillStyle = this.g.colours.flow;
            while (job.next < job.list.length) {
                const [x, y, w, pause, starts] = job.list[job.next];
                // A rectangle starts its tempo afresh: rows drawn without pause take no credit.
                if (starts) job.deadline = Math.max(job.deadline, now);
                if (!instantly && job.deadline > now) return;
                this.fl.fillRect(x, y, w, 1);
                job.deadline += pause;
                ++job.next;
            }
            this.flowJob = null;
            job.resolve();
        }
    }

    return { DatapathPictures };
})();
