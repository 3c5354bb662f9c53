// The page: shows the board and what the library says about it. Every answer (clashes,
// candidates, hints, steps, ratings, solutions, messages) comes from the WebAssembly
// binding; this file only keeps the player's board, draws it and routes input.
'use strict';

const $ = (id) => document.getElementById(id);
const digitsOf = (mask) => [1, 2, 3, 4, 5, 6, 7, 8, 9].filter((d) => (mask >> (d - 1)) & 1);

// The board as the player has it.
const state = {
    longRun: false, // a run of long calls (a booklet) keeps the busy line up between them
    givens: '.'.repeat(81), // the puzzle
    values: new Array(81).fill(0), // givens and entries
    marks: new Array(81).fill(0), // pencil marks; 0 for an unmarked cell
    loaded: false, // a puzzle was loaded or made
    puzzleMarks: '', // the marks of a pencil-mark grid as loaded, which bind its solutions; '' for a plain one
    initialMarks: new Array(81).fill(0), // the marks the puzzle came with
    generation: 0, // counts puzzles loaded, so that work for an earlier one is ignored
    selected: 0,
    pencil: false,
    undo: [],
    redo: [],
    notice: '', // "N solutions" or "no solution  exists" for a puzzle so loaded
    info: '', // grade and seed of a generated puzzle
    overlay: null, // a step drawn on the board
    hintStage: 0,
    hint: null,
    explanation: null, // while stepping through an explanation
    stepIndex: 0,
    shown: null, // a solution shown instead of the player's board
};

let sudoku = null; // the binding on this thread, for the quick calls

// ---- The worker, for the long calls ------------------------------------------------

let worker = null;
let nextId = 1;
const pending = new Map();

function startWorker() {
    worker = new Worker('worker.js');
    worker.onmessage = (event) => {
        const { id, result, progress, error } = event.data;
        if (error !== undefined) {
            restartWorker(`The worker stopped (${error}); it was restarted.`);
            return;
        }
        const job = pending.get(id);
        if (!job) {
            return;
        }
        if (progress !== undefined) {
            job.onProgress?.(progress);
            return;
        }
        pending.delete(id);
        job.resolve(JSON.parse(result));
    };
    worker.onerror = (event) => {
        event.preventDefault();
        restartWorker(`The worker stopped (${event.message || 'aborted'}); it was restarted.`);
    };
}

function restartWorker(message) {
    worker.terminate();
    for (const job of pending.values()) {
        job.reject(new Error(message));
    }
    pending.clear();
    startWorker();
    setBusy(false);
    say(message);
}

// Runs fn(...args) in the worker; the promise gives the parsed JSON answer.
function work(fn, args, onProgress) {
    return new Promise((resolve, reject) => {
        const id = nextId++;
        pending.set(id, { resolve, reject, onProgress });
        worker.postMessage({ id, fn, args });
    });
}

function setBusy(busy, text = '') {
    $('busy').hidden = !busy;
    $('progress-text').textContent = text;
    if (busy) {
        $('progress').removeAttribute('value');
    }
}

// A long call with the busy line and its cancel button; null when cancelled or failed,
// and, for work on the puzzle (`ofPuzzle`), when another puzzle was loaded meanwhile.
async function longWork(label, fn, args, onProgress, ofPuzzle = true) {
    const generation = state.generation;
    setBusy(true, label);
    try {
        const answer = await work(fn, args, onProgress);
        return ofPuzzle && generation !== state.generation ? null : answer;
    } catch (error) {
        return null;
    } finally {
        if (pending.size === 0 && !state.longRun) {
            setBusy(false);
        }
    }
}

// ---- Board text --------------------------------------------------------------------

const valuesText = () => state.values.map((v) => (v ? String(v) : '.')).join('');
const isGiven = (cell) => state.givens[cell] !== '.';
const entriesMade = () =>
    state.values.some((v, i) => v && !isGiven(i)) || state.marks.some((m, i) => m !== state.initialMarks[i]);

function say(text) {
    $('status').textContent = text;
}

// ---- Drawing -----------------------------------------------------------------------

const cells = [];

function buildBoard() {
    const board = $('board');
    for (let r = 0; r < 9; ++r) {
        const row = document.createElement('div');
        row.setAttribute('role', 'row');
        row.className = 'row';
        for (let c = 0; c < 9; ++c) {
            const cell = document.createElement('div');
            cell.setAttribute('role', 'gridcell');
            cell.className = 'cell';
            cell.id = `cell-${r * 9 + c}`;
            cell.dataset.cell = String(r * 9 + c);
            cell.addEventListener('pointerdown', () => select(r * 9 + c));
            row.appendChild(cell);
            cells.push(cell);
        }
        board.appendChild(row);
    }
}

function draw() {
    const view = state.shown ?? state.explanation?.view ?? { values: state.values, marks: state.marks };
    const clashing = new Set(state.shown || state.explanation ? [] : JSON.parse(sudoku.position(valuesText(), marksText())).clashing);
    const overlay = state.overlay;
    const key = (cell, digit) => cell * 10 + digit;
    const roles = new Map();
    const houses = new Set();
    const patternCells = new Set();
    if (overlay) {
        for (const [cell, digit] of overlay.pattern ?? []) roles.set(key(cell, digit), 'pattern');
        for (const [cell, digit] of overlay.eliminations ?? []) roles.set(key(cell, digit), 'elimination');
        for (const [cell, digit] of overlay.placements ?? []) roles.set(key(cell, digit), 'placement');
        for (const cell of overlay.houseCells ?? []) houses.add(cell);
        for (const cell of overlay.cells ?? []) patternCells.add(cell);
        for (const [cell] of overlay.placements ?? []) patternCells.add(cell);
    }
    for (let i = 0; i < 81; ++i) {
        const el = cells[i];
        const value = view.values[i];
        const given = isGiven(i);
        el.replaceChildren();
        el.className = 'cell';
        el.classList.toggle('given', given);
        el.classList.toggle('entry', !!value && !given);
        el.classList.toggle('selected', i === state.selected);
        el.classList.toggle('clash', clashing.has(i));
        el.classList.toggle('house', houses.has(i));
        el.classList.toggle('pattern-cell', patternCells.has(i));
        el.setAttribute('aria-selected', String(i === state.selected));
        const where = `row ${Math.floor(i / 9) + 1}, column ${(i % 9) + 1}`;
        if (value) {
            el.textContent = String(value);
            if (roles.get(key(i, value)) === 'placement') el.classList.add('placement');
            el.setAttribute('aria-label', `${where}, ${value}${given ? ' given' : ''}${clashing.has(i) ? ', clashes' : ''}`);
            continue;
        }
        const marks = view.marks[i];
        if (!marks) {
            el.setAttribute('aria-label', `${where}, empty`);
            continue;
        }
        const grid = document.createElement('div');
        grid.className = 'marks';
        for (let d = 1; d <= 9; ++d) {
            const span = document.createElement('span');
            if ((marks >> (d - 1)) & 1) {
                span.textContent = String(d);
                span.dataset.digit = String(d);
                const role = roles.get(key(i, d));
                if (role) span.className = role;
            }
            grid.appendChild(span);
        }
        el.appendChild(grid);
        el.setAttribute('aria-label', `${where}, candidates ${digitsOf(marks).join(' ')}${clashing.has(i) ? ', clashes' : ''}`);
    }
    // Screen readers announce the selected cell as the board's active one.
    $('board').setAttribute('aria-activedescendant', cells[state.selected].id);
    $('pencil').setAttribute('aria-pressed', String(state.pencil));
    $('pencil').classList.toggle('on', state.pencil);
    $('puzzle-info').textContent = [state.info, state.notice].filter(Boolean).join(' · ');
    $('undo').disabled = state.undo.length === 0;
    $('redo').disabled = state.redo.length === 0;
}

function select(cell) {
    state.selected = cell;
    $('board').focus({ preventScroll: true });
    draw();
}

// ---- Changing the board ------------------------------------------------------------

function snapshot() {
    return { values: [...state.values], marks: [...state.marks] };
}

// Records the board for undo, then changes it.
function change(apply) {
    leaveViews();
    state.undo.push(snapshot());
    state.redo = [];
    apply();
    state.overlay = null;
    state.hintStage = 0;
    draw();
    if (state.values.every((v) => v) && !JSON.parse(sudoku.position(valuesText(), marksText())).clash) {
        checkBoard();
    }
}

function restore(from, to) {
    if (from.length === 0) return;
    leaveViews();
    to.push(snapshot());
    const s = from.pop();
    state.values = s.values;
    state.marks = s.marks;
    state.overlay = null;
    state.hintStage = 0;
    draw();
}

function candidatesNow() {
    return JSON.parse(sudoku.position(valuesText(), marksText())).candidates;
}

function enter(digit) {
    const cell = state.selected;
    if (isGiven(cell) || state.explanation || state.shown) return;
    if (digit === 0) {
        if (state.values[cell] || state.marks[cell]) {
            change(() => {
                state.values[cell] = 0;
                state.marks[cell] = 0;
            });
        }
        return;
    }
    if (state.pencil) {
        if (state.values[cell]) return;
        change(() => {
            state.marks[cell] ^= 1 << (digit - 1);
        });
        return;
    }
    change(() => place(cell, state.values[cell] === digit ? 0 : digit));
}

// Puts `digit` (0 to clear) in `cell`; a placed digit leaves its peers' marks.
function place(cell, digit) {
    state.values[cell] = digit;
    state.marks[cell] = 0;
    if (digit) state.marks = JSON.parse(sudoku.place(marksText(), cell, digit)).marks;
}

function fillCandidates() {
    const candidates = candidatesNow();
    if (!candidates) {
        say(JSON.parse(sudoku.position(valuesText(), marksText())).clash);
        return;
    }
    change(() => {
        for (let i = 0; i < 81; ++i) state.marks[i] = state.values[i] ? 0 : candidates[i];
    });
}

function loadPuzzle(puzzle, { info = '', notice = '', marks = null } = {}) {
    leaveViews();
    state.givens = puzzle;
    state.values = [...puzzle].map((c) => (c === '.' ? 0 : Number(c)));
    state.marks = marks ? marks.map((m, i) => (state.values[i] ? 0 : m)) : new Array(81).fill(0);
    state.initialMarks = [...state.marks];
    state.puzzleMarks = marks ? marks.join(',') : '';
    state.loaded = true;
    state.generation += 1;
    state.undo = [];
    state.redo = [];
    state.info = info;
    state.notice = notice;
    state.overlay = null;
    state.hintStage = 0;
    $('result').textContent = '';
    history.replaceState(null, '', `#p=${puzzle}`);
    draw();
}

// ---- Hints, checks and explanations ------------------------------------------------

function checkBoard() {
    if (!state.loaded) {
        say('Nothing to check: load or make a puzzle first.');
        return;
    }
    const answer = JSON.parse(sudoku.check(valuesText(), state.givens, state.puzzleMarks));
    if (answer.status === 'puzzleNoSolution') {
        say('The puzzle has no solution: no entry can agree with one.');
    } else if (answer.status === 'invalid') {
        say(answer.message);
    } else if (answer.status !== 'solved') {
        say('Some entries do not agree with any solution.');
    } else if (answer.full) {
        say('Solved: every cell is filled and agrees with the solution.');
    } else {
        const several = state.notice.endsWith('solutions');
        say(`The entries so far agree with ${several ? 'some' : 'the'} solution.`);
    }
}

function marksText() {
    return state.marks.join(',');
}

async function hint() {
    leaveViews();
    if (state.hintStage === 0) {
        const answer = await longWork('Looking for a step…', 'hint', [valuesText(), marksText(), state.givens, state.puzzleMarks]);
        if (!answer) return;
        if (answer.kind !== 'step') {
            state.overlay = answer.candidate ? { cells: [answer.candidate[0][0]] } : null;
            say(answer.text);
            draw();
            return;
        }
        state.hint = answer;
        state.hintStage = 1;
        say(`${answer.technique}: look at ${answer.where}`);
        return;
    }
    const step = state.hint;
    if (state.hintStage === 1) {
        state.hintStage = 2;
        state.overlay = step;
        draw();
        say(step.text);
        return;
    }
    // Apply: the placement, or the eliminations on marks (unmarked cells get theirs first).
    const candidates = candidatesNow();
    change(() => {
        for (const [cell, digit] of step.placements) place(cell, digit);
        for (const [cell, digit] of step.eliminations) {
            if (!state.marks[cell]) state.marks[cell] = candidates[cell];
            state.marks[cell] &= ~(1 << (digit - 1));
        }
    });
    say(`Applied: ${step.text.split('\n')[0]}`);
}

async function explain() {
    const answer = await longWork('Explaining…', 'explain', [state.givens, state.puzzleMarks]);
    if (!answer) return;
    if (answer.status !== 'solved') {
        say(answer.message);
        return;
    }
    state.explanation = answer;
    state.stepIndex = 0;
    showStep();
}

function showStep() {
    const ex = state.explanation;
    const steps = ex.steps;
    const i = state.stepIndex;
    const at = i < steps.length ? steps[i] : ex.last;
    ex.view = { values: [...at.values].map((c) => (c === '.' ? 0 : Number(c))), marks: at.marks };
    state.overlay = i < steps.length ? steps[i] : null;
    $('step-info').textContent = `Step ${Math.min(i + 1, steps.length)} of ${steps.length}`;
    $('step-back').disabled = i === 0;
    $('step-forward').disabled = i >= steps.length;
    $('explain-close').disabled = false;
    say(i < steps.length ? steps[i].text : ex.end ?? `Solved: ${ex.solution}`);
    draw();
}

function leaveViews() {
    if (state.explanation || state.shown) {
        state.explanation = null;
        state.shown = null;
        state.overlay = null;
        $('step-info').textContent = '';
        $('step-back').disabled = $('step-forward').disabled = $('explain-close').disabled = true;
    }
}

// ---- Rate, solve, count, generate --------------------------------------------------

async function rate() {
    const answer = await longWork('Rating…', 'rate', [state.givens, state.puzzleMarks]);
    if (!answer) return;
    $('result').textContent = answer.status === 'solved' ? answer.text : answer.message;
}

async function solve() {
    const answer = await longWork('Solving…', 'solve', [state.givens, state.puzzleMarks]);
    if (!answer) return;
    if (answer.status !== 'solved') {
        $('result').textContent = answer.message;
        return;
    }
    $('result').textContent = answer.solution;
    // One step of the board's history, which Undo takes back.
    change(() => {
        state.values = [...answer.solution].map(Number);
        state.marks = new Array(81).fill(0);
    });
}

async function count() {
    const answer = await longWork('Counting…', 'solve', [state.givens, state.puzzleMarks]);
    if (!answer) return;
    $('result').textContent =
        answer.status === 'solved'
            ? `${answer.count}${answer.limitReached ? '+' : ''} ${answer.count === 1 ? 'solution' : 'solutions'}`
            : answer.message;
}

function randomSeed() {
    const words = crypto.getRandomValues(new Uint32Array(2));
    return ((BigInt(words[0]) << 32n) | BigInt(words[1])).toString();
}

async function generate(grade, symmetry, seed, label = 'Generating', ofPuzzle = true) {
    return longWork(`${label}…`, 'generate', [grade, symmetry, seed], (tried) => {
        $('progress-text').textContent = `${label}: ${tried} candidates tried`;
    }, ofPuzzle);
}

async function newPuzzle() {
    if (entriesMade() && !confirm('Discard your entries and start a new puzzle?')) return;
    const grade = $('grade').value;
    const seed = $('seed').value.trim() || randomSeed();
    const answer = await generate(grade, $('symmetry').value, seed);
    if (!answer) return;
    if (answer.error) {
        say(answer.error);
        return;
    }
    loadPuzzle(answer.puzzle, { info: `${answer.grade} · seed ${answer.seed}` });
    say(`New ${answer.grade} puzzle, seed ${answer.seed}: ${answer.rating}`);
}

function readText(text) {
    const answer = JSON.parse(sudoku.readPuzzle(text));
    if (answer.error) {
        say(answer.line > 1 ? `line ${answer.line}: ${answer.error}` : answer.error);
        return false;
    }
    if (entriesMade() && !confirm('Discard your entries and load this puzzle?')) return false;
    loadPuzzle(answer.puzzle, { notice: answer.notice ?? '', marks: answer.marks ?? null });
    const more = answer.more ? ` (the first of ${answer.more + 1} puzzles)` : '';
    say(answer.notice ? `${answer.notice}${more}` : `Puzzle loaded${more}.`);
    return true;
}

// ---- SVG, print and booklet --------------------------------------------------------

function boardSvg(values, givens, size = 360, marks = null) {
    const unit = size / 9;
    let svg = `<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 ${size} ${size}" width="${size}" height="${size}">`;
    svg += `<rect width="${size}" height="${size}" fill="white"/>`;
    for (let k = 0; k <= 9; ++k) {
        const w = k % 3 === 0 ? 2.5 : 0.8;
        svg += `<line x1="0" y1="${k * unit}" x2="${size}" y2="${k * unit}" stroke="black" stroke-width="${w}"/>`;
        svg += `<line x1="${k * unit}" y1="0" x2="${k * unit}" y2="${size}" stroke="black" stroke-width="${w}"/>`;
    }
    for (let i = 0; i < 81; ++i) {
        if (!values[i]) {
            // Pencil marks small, each digit in its place of a 3 by 3 grid.
            for (const d of digitsOf(marks?.[i] ?? 0)) {
                const x = (i % 9) * unit + (((d - 1) % 3) + 0.5) * (unit / 3);
                const y = Math.floor(i / 9) * unit + (Math.floor((d - 1) / 3) + 0.8) * (unit / 3);
                svg += `<text class="mark" x="${x}" y="${y}" font-family="sans-serif" font-size="${unit * 0.25}" text-anchor="middle" fill="#555">${d}</text>`;
            }
            continue;
        }
        const x = (i % 9) * unit + unit / 2;
        const y = Math.floor(i / 9) * unit + unit * 0.72;
        const colour = givens[i] !== '.' ? 'black' : '#1d5fbf';
        svg += `<text x="${x}" y="${y}" font-family="sans-serif" font-size="${unit * 0.6}" text-anchor="middle" fill="${colour}">${values[i]}</text>`;
    }
    return svg + '</svg>';
}

function saveSvg() {
    const blob = new Blob([boardSvg(state.values, state.givens, 360, state.marks)], { type: 'image/svg+xml' });
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = 'sudoku.svg';
    link.click();
    URL.revokeObjectURL(link.href);
}

// Lays out puzzles six to a page, then their solutions twelve to a page.
function layBooklet(puzzles) {
    const pages = $('booklet-pages');
    pages.replaceChildren();
    const addPages = (perPage, className, item) => {
        for (let first = 0; first < puzzles.length; first += perPage) {
            const page = document.createElement('section');
            page.className = `page ${className}`;
            for (const [k, p] of puzzles.slice(first, first + perPage).entries()) {
                const figure = document.createElement('figure');
                figure.innerHTML = item(p, first + k + 1);
                page.appendChild(figure);
            }
            pages.appendChild(page);
        }
    };
    addPages(6, 'puzzles', (p, n) =>
        `${boardSvg([...p.puzzle].map((c) => (c === '.' ? 0 : +c)), p.puzzle, 300)}<figcaption>${n}. ${p.grade} · seed ${p.seed}</figcaption>`);
    addPages(12, 'solutions', (p, n) =>
        `${boardSvg([...p.solution].map(Number), p.puzzle, 200)}<figcaption>${n}. solution</figcaption>`);
    document.body.classList.add('booklet');
    pages.hidden = false;
}

async function makeBooklet() {
    const countText = $('booklet-count').value.trim();
    const n = /^\d+$/.test(countText) ? Number(countText) : 0;
    if (n < 1 || n > 60) {
        say(`Booklet of '${countText}' puzzles: give a whole number from 1 to 60.`);
        return;
    }
    const seedText = $('seed').value.trim() || randomSeed();
    if (!/^\d+$/.test(seedText) || BigInt(seedText) >= 1n << 64n) {
        say(JSON.parse(sudoku.generate('', 'none', seedText, () => {})).error); // the binding's message
        return;
    }
    const base = BigInt(seedText);
    const puzzles = [];
    // One busy span for the whole booklet: Cancel stays there between its puzzles.
    state.longRun = true;
    try {
        for (let k = 0; k < n; ++k) {
            const seed = ((base + BigInt(k)) % (1n << 64n)).toString();
            const answer = await generate($('grade').value, $('symmetry').value, seed, `Puzzle ${k + 1} of ${n}`, false);
            if (!answer || answer.error) {
                say(answer ? answer.error : 'Booklet cancelled.');
                return;
            }
            puzzles.push(answer);
        }
    } finally {
        state.longRun = false;
        if (pending.size === 0) {
            setBusy(false);
        }
    }
    layBooklet(puzzles);
    const pageCount = Math.ceil(n / 6) + Math.ceil(n / 12);
    say(`Booklet of ${n} ${n === 1 ? 'puzzle' : 'puzzles'}: ${pageCount} ${pageCount === 1 ? 'page' : 'pages'}. Print it, or save it as PDF.`);
    window.print();
}

function printBoard() {
    document.body.classList.remove('booklet');
    $('booklet-pages').hidden = true;
    window.print();
}

// ---- Input -------------------------------------------------------------------------

function onKey(event) {
    const target = event.target;
    if (target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement || target instanceof HTMLSelectElement) {
        return;
    }
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    const key = event.key;
    const moves = { ArrowUp: -9, ArrowDown: 9, ArrowLeft: -1, ArrowRight: 1 };
    if (key in moves) {
        const c = state.selected % 9;
        if ((key === 'ArrowLeft' && c === 0) || (key === 'ArrowRight' && c === 8)) return;
        const next = state.selected + moves[key];
        if (next >= 0 && next < 81) select(next);
        event.preventDefault();
    } else if (/^[1-9]$/.test(key)) {
        enter(Number(key));
    } else if (key === 'Backspace' || key === 'Delete' || key === '0') {
        enter(0);
        event.preventDefault();
    } else if (key === 'h') hint();
    else if (key === 'n') newPuzzle();
    else if (key === 'p') {
        state.pencil = !state.pencil;
        draw();
    } else if (key === 'u') restore(state.undo, state.redo);
    else if (key === 'r') restore(state.redo, state.undo);
}

function wire() {
    document.addEventListener('keydown', onKey);
    for (const button of $('pad').querySelectorAll('button')) {
        button.addEventListener('click', () => enter(Number(button.dataset.digit)));
    }
    const on = (id, fn) => $(id).addEventListener('click', fn);
    on('pencil', () => {
        state.pencil = !state.pencil;
        draw();
    });
    on('fill', fillCandidates);
    on('undo', () => restore(state.undo, state.redo));
    on('redo', () => restore(state.redo, state.undo));
    on('check', checkBoard);
    on('hint', hint);
    on('explain', explain);
    on('step-back', () => {
        state.stepIndex -= 1;
        showStep();
    });
    on('step-forward', () => {
        state.stepIndex += 1;
        showStep();
    });
    on('explain-close', () => {
        leaveViews();
        draw();
        say('');
    });
    on('rate', rate);
    on('solve', solve);
    on('count', count);
    on('new', newPuzzle);
    on('load', () => readText($('paste').value));
    on('cancel', () => restartWorker('Cancelled.'));
    on('print', printBoard);
    on('booklet', makeBooklet);
    on('svg', saveSvg);
    window.addEventListener('hashchange', openFromUrl);
}

// Loads the puzzle of a #p= link, as pasting its text would (its messages too); false
// when the address has no such link.
function openFromUrl() {
    const match = /^#p=(.*)$/i.exec(location.hash);
    if (!match) return false;
    let text;
    try {
        text = decodeURIComponent(match[1]);
    } catch {
        say(`The link's puzzle is not readable text: ${match[1]}`);
        return true;
    }
    // The page's own link for the puzzle it shows changes nothing.
    if (!(state.loaded && text === state.givens)) readText(text);
    return true;
}

async function main() {
    buildBoard();
    startWorker();
    sudoku = await createSudoku();
    wire();
    draw();
    if (!openFromUrl()) {
        say('Press n for a new puzzle, or paste one.');
    }
    document.body.dataset.ready = 'true';
}

main();
