// Input: the keys (digits, arrows, Backspace, and h, n, p, u, r), the digit pad and every
// button, wired to what they do; a #p= link typed into the address loads its puzzle.
import { $ } from './page.js';
import { grid } from './binding.js';
import { restartWorker } from './worker-client.js';
import { state } from './state.js';
import { select } from './board-view.js';
import { backToPlay, explain, stepBy } from './explanation.js';
import { checkBoard, enter, fillCandidates, hint, redo, togglePencil, undo } from './play.js';
import { count, newPuzzle, openFromUrl, rate, readText, solve } from './puzzles.js';
import { makeBooklet, printBoard, saveSvg } from './print.js';

// The arrows move the selection a row or column on the board as drawn.
const moves = { ArrowUp: [-1, 0], ArrowDown: [1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1] };

function onKey(event) {
    const target = event.target;
    if (target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement || target instanceof HTMLSelectElement) {
        return;
    }
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    const key = event.key;
    if (key in moves) {
        const [row, column] = grid.at[state.selected];
        const [down, right] = moves[key];
        // Past either end of a row the key is left to the browser; past the top or the
        // bottom row it does nothing.
        if (right !== 0 && grid.rows[row][column + right] === undefined) return;
        const next = grid.rows[row + down]?.[column + right];
        if (next !== undefined) select(next);
        event.preventDefault();
    } else if (/^[1-9]$/.test(key)) {
        enter(Number(key));
    } else if (key === 'Backspace' || key === 'Delete' || key === '0') {
        enter(0);
        event.preventDefault();
    } else if (key === 'h') hint();
    else if (key === 'n') newPuzzle();
    else if (key === 'p') togglePencil();
    else if (key === 'u') undo();
    else if (key === 'r') redo();
}

export function wire() {
    document.addEventListener('keydown', onKey);
    for (const button of $('pad').querySelectorAll('button')) {
        button.addEventListener('click', () => enter(Number(button.dataset.digit)));
    }
    const on = (id, fn) => $(id).addEventListener('click', fn);
    on('pencil', togglePencil);
    on('fill', fillCandidates);
    on('undo', undo);
    on('redo', redo);
    on('check', checkBoard);
    on('hint', hint);
    on('explain', explain);
    on('step-back', () => stepBy(-1));
    on('step-forward', () => stepBy(1));
    on('explain-close', backToPlay);
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
